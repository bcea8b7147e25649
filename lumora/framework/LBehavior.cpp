#include "lumora/framework/LBehavior.h"

#include "lumora/framework/FrameFormat.h"

LBehaviorHost::~LBehaviorHost() {
    if (!m_Behaviors) return;
    // Last first; a behaviour's destructor may come back to RemoveBehavior.
    while (m_Behaviors->GetLastIndex() >= 0) {
        const int last = m_Behaviors->GetLastIndex();
        LBehavior* b = m_Behaviors->PtrAt<LBehavior>(last);
        m_Behaviors->RemoveAt(last);
        if (b) {
            b->DetachFrom(this);
            delete b;
        }
    }
    delete m_Behaviors;
}

void LBehaviorHost::CreateBehaviorList() {
    if (!m_Behaviors) m_Behaviors = new LArray(0, nullptr, kPointerSize);
}

void LBehaviorHost::AddBehavior(LBehavior* behavior) {
    if (!behavior) return;
    CreateBehaviorList();
    m_Behaviors->AddPtr(behavior);
    behavior->AttachTo(this);
}

void LBehaviorHost::RemoveBehavior(LBehavior* behavior) {
    if (!m_Behaviors) return;
    m_Behaviors->Remove(&behavior);
    behavior->DetachFrom(this);
}

int LBehaviorHost::SendEvent(int type, void* sender, void* data) {
    if (!m_Behaviors) return 0;
    int result = 0;
    for (int i = 0; i <= m_Behaviors->GetLastIndex(); ++i) {
        LBehavior* b = m_Behaviors->PtrAt<LBehavior>(i);
        int r = b ? b->HandleEvent(type, sender, data) : 0;
        if (r && !result) result = r;
    }
    return result;
}

int LBehaviorHost::CountBehaviors() const { return m_Behaviors ? m_Behaviors->GetLastIndex() : -1; }

void LBehaviorHost::EnableBehaviors(int enabled, int code) {
    if (!m_Behaviors || (code != 0 && code != kCodeAllBehaviors)) return;
    for (int i = 0; i <= m_Behaviors->GetLastIndex(); ++i) m_Behaviors->PtrAt<LBehavior>(i)->SetEnabled(enabled);
}

LBehavior::~LBehavior() {
    DetachFromAll();
    delete m_Owners;
}

int LBehavior::HandleEvent(int, void*, void*) { return 0; }

void LBehavior::Init() {
    if (!m_Owners) m_Owners = new LArray(0, nullptr, kPointerSize);
    OnInit();
}

void LBehavior::AttachTo(LBehaviorHost* host) {
    if (m_Owners) m_Owners->AddPtr(host);
}

void LBehavior::DetachFrom(LBehaviorHost* host) {
    if (m_Owners) m_Owners->Remove(&host);
}

void LBehavior::DetachFromAll() {
    if (!m_Owners) return;
    while (m_Owners->GetLastIndex() >= 0) {
        const int last = m_Owners->GetLastIndex();
        LBehaviorHost* host = m_Owners->PtrAt<LBehaviorHost>(last);
        m_Owners->RemoveAt(last);
        if (host) host->RemoveBehavior(this);
    }
}

int LBehavior::GetRect(platform::RECT*) const { return 0; }
