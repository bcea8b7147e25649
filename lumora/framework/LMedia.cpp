#include "lumora/framework/LMedia.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "lumora/framework/LTiledMedia.h"
#include "lumora/framework/LView.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "platform/Files.h"

using namespace platform;

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kMaxLine = 99;

bool Intersect(RECT* out, const RECT& a, const RECT& b) {
    out->left = std::max(a.left, b.left);
    out->top = std::max(a.top, b.top);
    out->right = std::min(a.right, b.right);
    out->bottom = std::min(a.bottom, b.bottom);
    return out->left < out->right && out->top < out->bottom;
}

// A decimal number filling the whole text (blanks around allowed).
bool ParseNumber(std::string_view text, int* out) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty() || text.size() > 11) return false;
    std::string copy(text);
    char* end = nullptr;
    long v = std::strtol(copy.c_str(), &end, 10);
    if (*end != '\0' || v < -0x7FFFFFFFL || v > 0x7FFFFFFFL) return false;
    *out = static_cast<int>(v);
    return true;
}

// Numbers separated by ','; exactly `count` of them.
bool ParseNumbers(std::string_view text, int* out, int count) {
    for (int i = 0; i < count; ++i) {
        std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == count - 1)) return false;
        if (!ParseNumber(text.substr(0, comma), &out[i])) return false;
        if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
    }
    return true;
}

bool IsEmptyField(std::string_view text) {
    return text.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::string Trim(std::string_view text) {
    std::size_t b = text.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    std::size_t e = text.find_last_not_of(" \t\r");
    return std::string(text.substr(b, e - b + 1));
}

}  // namespace

// ---- media objects ----

LMediaObject::LMediaObject(DirectDraw* dd, PixelFormat format, const std::string& folder, const std::string& file,
                           int keyR, int keyG, int keyB)
    : m_FileName(file.substr(0, 259)), m_DirectDraw(dd), m_Format(format), m_Folder(folder), m_KeyR(keyR),
      m_KeyG(keyG), m_KeyB(keyB) {
    if (keyR >= 0) m_CopyFlags |= DDBLTFAST_SRCCOLORKEY;
    Load();
}

LMediaObject::~LMediaObject() {
    if (m_Surface) m_Surface->Release();
}

int LMediaObject::Load() {
    if (m_Surface) {
        m_Surface->Release();
        m_Surface = nullptr;
    }
    m_Surface = LoadBitmapSurface(m_DirectDraw, m_Format, m_Folder, m_FileName.c_str(), &m_BitmapRect);
    if (!m_Surface) return 0;
    if (m_KeyR >= 0) {
        SetColorKey(m_Surface, ColorRef(m_KeyR, m_KeyG, m_KeyB));
        m_KeyValue = static_cast<int>(ColorMatch(m_Surface, ColorRef(m_KeyR, m_KeyG, m_KeyB)));
    }
    return 1;
}

int LMediaObject::Reload() {
    if (m_Surface && FAILED(m_Surface->IsLost())) m_Surface->Restore();
    return Load();
}

int LMediaObject::Restore() { return Reload(); }

void LMediaObject::Attach(const RECT* rect, int subIndex) {
    ++m_RefCount;
    (void)subIndex;
    // A simple medium's picture is its entry's rectangle, or the whole bitmap.
    if (m_Rects.empty()) {
        const bool hasRect = rect && rect->right > rect->left && rect->bottom > rect->top;
        m_Rects.push_back(hasRect ? *rect : m_BitmapRect);
    }
}

void LSharedMediaObject::Attach(const RECT* rect, int subIndex) {
    ++m_RefCount;
    if (subIndex < 1 || subIndex > kMaxSheetIndex) return;
    if (m_Rects.size() < static_cast<std::size_t>(subIndex)) m_Rects.resize(static_cast<std::size_t>(subIndex), RECT{0, 0, 0, 0});
    m_Rects[static_cast<std::size_t>(subIndex) - 1] = rect ? *rect : RECT{0, 0, 0, 0};
}

int LMediaObject::Release() { return --m_RefCount <= 0 ? 1 : 0; }

int LMediaObject::GetRect(const LMediumRef* ref, RECT* out) const {
    *out = RECT{0, 0, 0, 0};
    const int index = ref ? ref->subIndex : 1;
    if (index < 1 || static_cast<std::size_t>(index) > m_Rects.size()) return 0;
    // A picture never reaches outside its bitmap.
    RECT r = m_Rects[static_cast<std::size_t>(index) - 1];
    if (!m_Surface || !Intersect(out, r, m_BitmapRect)) {
        *out = RECT{0, 0, 0, 0};
        return 0;
    }
    return 1;
}

int LMediaObject::ClipDraw(const RECT& srcIn, int x, int y, LView* clipView, const RECT* paintRect, RECT* src,
                           int* outX, int* outY) const {
    const RECT screen{0, 0, kScreenWidth, kScreenHeight};
    RECT clip = screen;
    if (clipView) {
        RECT viewClip;
        clipView->GetClipRect(&viewClip);
        if (!Intersect(&clip, viewClip, screen)) return 0;
    }
    if (paintRect && !Intersect(&clip, clip, *paintRect)) return 0;
    if (!Intersect(src, srcIn, m_BitmapRect)) return 0;
    x += src->left - srcIn.left;
    y += src->top - srcIn.top;
    const RECT dest{x, y, x + (src->right - src->left), y + (src->bottom - src->top)};
    RECT visible;
    if (!Intersect(&visible, dest, clip)) return 0;
    src->left += visible.left - dest.left;
    src->top += visible.top - dest.top;
    src->right = src->left + (visible.right - visible.left);
    src->bottom = src->top + (visible.bottom - visible.top);
    *outX = visible.left;
    *outY = visible.top;
    return 1;
}

int LMediaObject::Draw(DirectDrawSurface* target, const RECT& srcIn, int x, int y, LView* clipView,
                       const RECT* paintRect, const LMediumRef*, int mode) {
    if (!target || !m_Surface) return 0;
    RECT src;
    if (!ClipDraw(srcIn, x, y, clipView, paintRect, &src, &x, &y)) return 0;

    if (FAILED(m_Surface->IsLost())) Reload();
    if (FAILED(target->IsLost())) target->Restore();
    if (!m_Surface) return 0;

    if (mode == kDrawCopy) {
        HRESULT hr;
        do {
            hr = target->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), m_Surface, &src, m_CopyFlags);
        } while (hr == DDERR_WASSTILLDRAWING);
        if (FAILED(hr)) {
            new MessageToUser(0, 2, __FILE__, __LINE__, m_FileName.c_str());
            return 0;
        }
        return 1;
    }
    const RECT destRect{x, y, x + (src.right - src.left), y + (src.bottom - src.top)};
    PixelView d, s;
    if (FAILED(target->Lock(&destRect, &d, DDLOCK_WAIT))) return 0;
    if (FAILED(m_Surface->Lock(&src, &s, DDLOCK_WAIT | DDLOCK_READONLY))) {
        target->Unlock(d.bits);
        return 0;
    }
    if (s.format == d.format && BytesPerPixel(d.format) == 2) {
        if (mode == kDrawHalf)
            BlendHalf(d, s, m_KeyValue);
        else
            BlendScaled(d, s, m_KeyValue, mode);
    }
    m_Surface->Unlock(s.bits);
    target->Unlock(d.bits);
    return 1;
}

// ---- the manager ----

LMediaManager::LMediaManager(const char* dataRoot, DirectDraw* dd, PixelFormat format)
    : m_Names(1, new LNameComparator(), 32), m_DirectDraw(dd), m_Format(format) {
    m_Folder = JoinPath(dataRoot ? dataRoot : "", "2DBIT/");
    m_Status = ReadTable() ? 0 : -1;
}

LMediaManager::LMediaManager(const char* dataRoot, const char* table, std::size_t size)
    : m_Names(1, new LNameComparator(), 32) {
    m_Folder = JoinPath(dataRoot ? dataRoot : "", "2DBIT/");
    ParseText(table, size);
    BuildIndex();
}

LMediaManager::~LMediaManager() {
    // Each medium once, though a sheet is held by every entry of its group.
    std::vector<LMediaObject*> media;
    for (Entry& e : m_Entries)
        if (e.medium && std::find(media.begin(), media.end(), e.medium) == media.end()) media.push_back(e.medium);
    for (LMediaObject* m : media) delete m;
}

void LMediaManager::SetTarget(DirectDraw* dd, PixelFormat format) {
    m_DirectDraw = dd;
    m_Format = format;
}

int LMediaManager::ReadTable() {
    std::string path = ResolvePath(m_Folder, "Media.txt");
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return 0;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ParseText(text.data(), text.size());
    BuildIndex();
    return 1;
}

int LMediaManager::ParseText(const char* text, std::size_t size) {
    std::size_t begin = 0;
    m_LineNumber = 0;
    while (begin < size) {
        const void* nl = std::memchr(text + begin, '\n', size - begin);
        std::size_t end = nl ? static_cast<const char*>(nl) - text : size;
        std::string line(text + begin, end - begin);
        ++m_LineNumber;
        if (!IsEmptyField(line)) ParseLine(line.data());
        begin = end + 1;
    }
    return 1;
}

int LMediaManager::ParseLine(char* lineText) {
    std::string_view line(lineText);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    auto reject = [this](const char* why) {
        DebugOut("Media.txt line %d ignored: %s", m_LineNumber, why);
        ++m_Rejected;
        return 0;
    };
    if (line.size() > kMaxLine) return reject("longer than 99 characters");
    if (line.find('\0') != std::string_view::npos) return reject("holds a NUL");
    std::vector<std::string_view> fields;
    for (;;) {
        std::size_t semi = line.find(';');
        fields.push_back(line.substr(0, semi));
        if (semi == std::string_view::npos) break;
        line.remove_prefix(semi + 1);
    }
    if (fields.size() < 4) return reject("fewer than four fields");
    Entry e;
    std::string name = Trim(fields[0]);
    if (name.empty() || name.size() > 31) return reject("bad name");
    if (!ParseNumber(fields[1], &e.group)) return reject("bad group");
    int kind[2];
    if (ParseNumbers(fields[2], kind, 2)) {
        if (kind[0] < 1 || kind[1] < 1 || kind[0] > kMaxTileSide || kind[1] > kMaxTileSide)
            return reject("tile grid out of range");
        e.kind = kMediumTiled;
        e.value = (kind[1] << 16) + kind[0];
    } else if (ParseNumber(fields[2], &kind[0])) {
        if (kind[0] < 0 || kind[0] > kMaxSheetIndex) return reject("picture number out of range");
        e.kind = kind[0] == 0 ? kMediumSimple : kMediumSheet;
        e.value = kind[0];
    } else {
        return reject("bad kind");
    }
    e.file = Trim(fields[3]);
    if (e.file.empty()) return reject("no file");
    if (fields.size() > 4 && !IsEmptyField(fields[4])) {
        int r[4];
        if (!ParseNumbers(fields[4], r, 4)) return reject("bad rectangle");
        e.rect = RECT{r[0], r[1], r[2], r[3]};
    }
    if (fields.size() > 5 && !IsEmptyField(fields[5])) {
        int c[3];
        if (!ParseNumbers(fields[5], c, 3)) return reject("bad colour");
        for (int v : c)
            if (v < 0 || v > 255) return reject("colour out of range");
        e.keyR = c[0];
        e.keyG = c[1];
        e.keyB = c[2];
    }
    AddEntry(name.c_str(), e);
    return 1;
}

int LMediaManager::AddEntry(const char* name, const Entry& entry) {
    char key[32] = {};
    std::strncpy(key, name, sizeof key - 1);
    const int index = m_Names.Add(key);
    m_Entries.insert(m_Entries.begin() + index, entry);
    return index;
}

void LMediaManager::BuildIndex() {
    m_GroupIndex.clear();
    for (std::size_t i = 0; i < m_Entries.size(); ++i) m_GroupIndex.emplace_back(m_Entries[i].group, static_cast<int>(i));
    std::stable_sort(m_GroupIndex.begin(), m_GroupIndex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

LMediaObject* LMediaManager::FindGroupMedium(int group, int* index) const {
    auto it = std::lower_bound(m_GroupIndex.begin(), m_GroupIndex.end(), std::make_pair(group, -1),
                               [](const auto& a, const auto& b) { return a.first < b.first; });
    for (; it != m_GroupIndex.end() && it->first == group; ++it) {
        const Entry& e = m_Entries[static_cast<std::size_t>(it->second)];
        if (e.kind == kMediumSheet && e.medium) {
            if (index) *index = it->second;
            return e.medium;
        }
    }
    return nullptr;
}

void LMediaManager::SetGroupMedium(int group, LMediaObject* medium) {
    for (Entry& e : m_Entries)
        if (e.group == group && e.kind == kMediumSheet) e.medium = medium;
}

const LMediaManager::Entry* LMediaManager::FindEntry(const char* name) const {
    char key[32] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    int index = m_Names.Find(key);
    return index < 0 ? nullptr : &m_Entries[static_cast<std::size_t>(index)];
}

void LMediaManager::AddDefaultExtension(std::string* name) const {
    if (name->find('.') == std::string::npos) *name += ".bmp";
}

LMediaObject* LMediaManager::CreateMedium(const Entry& e, int noColourKey) {
    const int r = noColourKey ? -1 : e.keyR, g = noColourKey ? -1 : e.keyG, b = noColourKey ? -1 : e.keyB;
    switch (e.kind) {
    case kMediumSimple: return new LSimpleMediaObject(m_DirectDraw, m_Format, m_Folder, e.file, r, g, b);
    case kMediumSheet: return new LSharedMediaObject(m_DirectDraw, m_Format, m_Folder, e.file, r, g, b);
    default: return new LMultipleMediaObject(m_DirectDraw, m_Format, m_Folder, e.file, e.value & 0xFFFF, e.value >> 16);
    }
}

LMediaObject* LMediaManager::GetMedium(const char* name, LMediumRef* out, int noColourKey) {
    if (!name || !*name) return nullptr;
    char key[32] = {};
    std::strncpy(key, name, sizeof key - 1);
    int index = m_Names.Find(key);
    if (index < 0) {
        Entry e;
        e.file = key;
        AddDefaultExtension(&e.file);
        index = AddEntry(key, e);
        BuildIndex();
    }
    Entry& e = m_Entries[static_cast<std::size_t>(index)];
    
    if (!e.medium) {
        if (e.kind == kMediumSheet) {
            e.medium = FindGroupMedium(e.group, nullptr);
            if (!e.medium) {
                e.medium = CreateMedium(e, noColourKey);
                SetGroupMedium(e.group, e.medium);
            }
        } else {
            e.medium = CreateMedium(e, noColourKey);
        }
    }
    if (!e.medium) return nullptr;
    e.medium->Attach(&e.rect, e.kind == kMediumSheet ? e.value : 1);
    if (out) *out = LMediumRef{e.group, e.kind == kMediumSheet && e.value > 0 ? e.value : 1, e.medium};
    return e.medium;
}

void LMediaManager::ReleaseMedium(const LMediumRef* ref, int count) {
    if (!ref || !ref->medium) return;
    LMediaObject* medium = ref->medium;
    if (std::none_of(m_Entries.begin(), m_Entries.end(), [medium](const Entry& e) { return e.medium == medium; }))
        return;
    bool gone = false;
    for (int i = 0; i < count && !gone; ++i) gone = medium->Release() != 0;
    if (!gone) return;
    for (Entry& e : m_Entries)
        if (e.medium == medium) e.medium = nullptr;
    delete medium;
}

void LMediaManager::RestoreAll() {
    std::vector<LMediaObject*> done;
    for (Entry& e : m_Entries) {
        if (!e.medium || std::find(done.begin(), done.end(), e.medium) != done.end()) continue;
        e.medium->Restore();
        done.push_back(e.medium);
    }
}
