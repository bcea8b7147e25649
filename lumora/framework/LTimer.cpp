#include "lumora/framework/LTimer.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/LFrameManager.h"

using platform::RECT;

LTimerList::~LTimerList() { DeleteAll(); }

void LTimerList::Add(LTimerClient* client) {
    if (client && m_Clients.FindPtr(client) < 0) m_Clients.AddPtr(client);
}

void LTimerList::Remove(LTimerClient* client) { m_Clients.Remove(&client); }

void LTimerList::TickAll() {
    // A client may stop (and leave the list) while ticking: re-check the index.
    for (int i = m_Clients.GetLastIndex(); i >= 0; --i) {
        if (i > m_Clients.GetLastIndex()) continue;
        if (LTimerClient* c = m_Clients.PtrAt<LTimerClient>(i)) c->OnTick();
    }
}

void LTimerList::DeleteAll() {
    while (m_Clients.GetLastIndex() >= 0) {
        const int last = m_Clients.GetLastIndex();
        LTimerClient* c = m_Clients.PtrAt<LTimerClient>(last);
        m_Clients.RemoveAt(last);
        if (c) {
            c->m_Running = 0;
            delete c;
        }
    }
}

LTimerClient::LTimerClient(int start, LTimerList* list) : m_List(list) {
    if (start) Start();
}

LTimerClient::~LTimerClient() { Stop(); }

void LTimerClient::Start() {
    if (m_Running || !m_List) return;
    m_Running = 1;
    m_List->Add(this);
}

void LTimerClient::Stop() {
    if (!m_Running) return;
    m_Running = 0;
    if (m_List) m_List->Remove(this);
}

LUpdateRegion::LUpdateRegion(LTimerList* list, LFrameManager* manager) : LTimerClient(1, list), m_Manager(manager) {}

void LUpdateRegion::OnTick() {
    if (IsEmpty()) return;
    RECT dirty = m_Dirty;
    m_Dirty = RECT{0, 0, 0, 0};
    if (m_Manager) m_Manager->DrawFrames(&dirty);
}

void LUpdateRegion::Invalidate(const RECT* r) {
    if (!r) {
        m_Dirty = RECT{0, 0, 640, 480};
        return;
    }
    if (r->left >= r->right || r->top >= r->bottom) return;
    if (IsEmpty()) {
        m_Dirty = *r;
        return;
    }
    m_Dirty.left = std::min(m_Dirty.left, r->left);
    m_Dirty.top = std::min(m_Dirty.top, r->top);
    m_Dirty.right = std::max(m_Dirty.right, r->right);
    m_Dirty.bottom = std::max(m_Dirty.bottom, r->bottom);
}

void LUpdateRegion::Validate(const RECT* r) {
    if (!r) {
        m_Dirty = RECT{0, 0, 0, 0};
        return;
    }
    // The rest of a rectangle less another is a rectangle only when r covers
    // whole rows or columns of it.
    const bool coversX = r->left <= m_Dirty.left && r->right >= m_Dirty.right;
    const bool coversY = r->top <= m_Dirty.top && r->bottom >= m_Dirty.bottom;
    if (coversX && coversY) {
        m_Dirty = RECT{0, 0, 0, 0};
    } else if (coversX) {
        if (r->top <= m_Dirty.top && r->bottom > m_Dirty.top) m_Dirty.top = r->bottom;
        else if (r->bottom >= m_Dirty.bottom && r->top < m_Dirty.bottom) m_Dirty.bottom = r->top;
    } else if (coversY) {
        if (r->left <= m_Dirty.left && r->right > m_Dirty.left) m_Dirty.left = r->right;
        else if (r->right >= m_Dirty.right && r->left < m_Dirty.right) m_Dirty.right = r->left;
    }
}

LScriptTable::LScriptTable() : m_Names(1, new LNameComparator(), 32), m_Handlers(0, nullptr, sizeof(void*)) {}

void LScriptTable::Register(const char* name, LScriptHandler handler) {
    Unregister(name);
    char key[32] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    int index = m_Names.Add(key);
    void* h = reinterpret_cast<void*>(handler);
    m_Handlers.InsertAt(&h, index);
}

void LScriptTable::Unregister(const char* name) {
    char key[32] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    int index = m_Names.Find(key);
    if (index < 0) return;
    m_Names.RemoveAt(index);
    m_Handlers.RemoveAt(index);
}

LScriptHandler LScriptTable::Find(const char* name) const {
    char key[32] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    int index = m_Names.Find(key);
    return index < 0 ? nullptr : reinterpret_cast<LScriptHandler>(m_Handlers.PtrAt<void>(index));
}
