#include "lumora/engine/XAnimation.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "lumora/engine/XScene.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"

namespace {

const char* DataRoot() { return g_App ? g_App->m_DataDir : ""; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.empty() || text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a == '\\') a = '/';
        if (b == '\\') b = '/';
        if (std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b))) return false;
    }
    return true;
}

// A sub-animation file as a saved game stores it: relative to the data root
// when it lies under it.
std::string StoredPath(const char* file) {
    const std::string root = DataRoot(), path = file;
    return StartsWithNoCase(path, root) ? path.substr(root.size()) : path;
}

// The file to load for a stored path: relative paths join the current data
// root; an absolute path under the current root is kept; an absolute path
// from another root is rebased after its "Data" folder. Empty when none fits.
std::string RebasedPath(const char* stored) {
    const std::string root = DataRoot(), path = stored;
    if (path.empty()) return {};
    if (path[0] != '/' && path[0] != '\\') return root + path;
    if (StartsWithNoCase(path, root) && !root.empty()) return path;
    for (std::size_t i = 0; i + 5 <= path.size(); ++i)
        if (StartsWithNoCase(path.substr(i, 5), "data/")) return root + path.substr(i + 5);
    return FileExists(path.c_str()) ? path : std::string();
}

// The fixed record of one stored sub-animation after its index.
struct StoredSub {
    char file[XAnimation::kFileSize];
    char name[XNode::kNameSize];
    std::int32_t enabled, stopped, loop, pingPong, backward;
    float frame, speed;
    std::int32_t first, last, savedFirst, savedLast;
};

bool ReadStoredSub(XChunkFile* f, StoredSub& s) {
    const bool ok = f->Read(s.file, sizeof s.file) && f->Read(s.name, sizeof s.name) && f->Read(&s.enabled, 4) &&
                    f->Read(&s.stopped, 4) && f->Read(&s.loop, 4) && f->Read(&s.pingPong, 4) &&
                    f->Read(&s.backward, 4) && f->Read(&s.frame, 4) && f->Read(&s.speed, 4) && f->Read(&s.first, 4) &&
                    f->Read(&s.last, 4) && f->Read(&s.savedFirst, 4) && f->Read(&s.savedLast, 4);
    s.file[sizeof s.file - 1] = '\0';
    s.name[sizeof s.name - 1] = '\0';
    return ok;
}

}  // namespace

XAnimation::XAnimation(int type, int id, const char* name, const char* file, XScene* host)
    : XNode(type, id, name), m_Host(host) {
    std::snprintf(m_File, sizeof m_File, "%s", file ? file : "");
}

XAnimation::~XAnimation() {
    for (int i = 1; i < kMaxSubs; ++i) {
        delete m_Subs[i];
        m_Subs[i] = nullptr;
    }
    if (m_Anim) Zelt_Animation_Release(m_Anim);
    m_Anim = nullptr;
}

void XAnimation::Bind(ZeltAnimation* anim, ZeltObject* object, float speed, int loop, int stopped) {
    m_Anim = anim;
    m_Object = object;
    m_Speed = speed;
    m_Loop = loop;
    m_Stopped = stopped;
    m_Frame = static_cast<float>(First());
}

int XAnimation::Load(const char* file, ZeltObject* object, float speed, int loop, int stopped) {
    ZeltAnimation* anim = nullptr;
    if (!m_Host || !m_Host->m_Scene || !file || !Zelt_Load_Sdk_a3d(m_Host->m_Scene, file, &anim) || !anim) {
        new MessageToUser(1, 1400, __FILE__, __LINE__, file ? file : "");
        return 0;
    }
    std::snprintf(m_File, sizeof m_File, "%s", file);
    if (m_Anim) Zelt_Animation_Release(m_Anim);
    Bind(anim, object, speed, loop, stopped);
    return 1;
}

void XAnimation::UpdateSelf() {
    if (!m_Anim || !m_Object || !m_Enabled) return;
    if (!m_Stopped) Step();
    Zelt_Object_Animate_Spline(m_Object, m_Anim, m_Frame, 0, 1);
}

void XAnimation::Update() {
    for (XNode* c = this; c; c = c->m_Child) {
        auto* a = static_cast<XAnimation*>(c);
        if (a->m_Anim) {
            XAnimation* sub = a->m_SubCount > 0 && a->m_SubCurrent > 0 ? a->m_Subs[a->m_SubCurrent] : nullptr;
            if (sub) sub->UpdateSelf();
            else a->UpdateSelf();
        }
        if (a->m_Next) static_cast<XAnimation*>(a->m_Next)->Update();
    }
}

void XAnimation::Step() {
    if (!m_Anim) return;
    const float first = static_cast<float>(First());
    const float last = static_cast<float>(Last());
    const float span = last - first;
    if (m_PingPong) {
        if (m_Frame >= last) {
            m_Backward = 1;
            m_Frame = last;
        } else if (m_Frame <= first) {
            m_Backward = 0;
            m_Frame = first;
        }
    }
    const bool paused = m_Host && m_Host->m_AnimPaused;
    float delta = paused ? 1.0f : g_FrameTime * m_Speed;
    if (m_Backward) delta = -delta;
    m_Frame += delta;
    if (m_Loop && !m_PingPong) {
        // A one-frame (or reversed) range has nothing to wrap over.
        if (span <= 0.0f) m_Frame = first;
        else if (m_Frame > last) m_Frame = first + std::fmod(m_Frame - first, span);
        else if (m_Frame < first) m_Frame = last - std::fmod(first - m_Frame, span);
    } else if (m_Frame <= first && m_Backward) {
        m_Frame = first;
        if (!m_PingPong) m_Stopped = 1;
    } else if (m_Frame >= last && !m_Backward) {
        m_Frame = last;
        if (!m_PingPong) m_Stopped = 1;
    }
    if (m_StopPending && std::fabs(m_Frame - m_StopFrame) <= 2.0f * std::fabs(delta)) {
        m_Frame = m_StopFrame;
        m_Stopped = 1;
        m_StopPending = 0;
    }
}

void XAnimation::Play(int stopped) {
    m_Stopped = stopped;
    if (!stopped && !m_Enabled) Enable(1);
}

void XAnimation::Enable(int on) {
    if (m_Type == kSubAnimation && m_Owner) {
        static_cast<XAnimation*>(m_Owner)->SelectSub(m_Id, on);
        return;
    }
    m_Enabled = on;
    if (on && m_SubCount > 0) m_SubCurrent = 0;
}

void XAnimation::SetFrame(float frame) {
    const float first = static_cast<float>(First()), last = static_cast<float>(Last());
    m_Frame = frame < first ? first : (frame > last ? last : frame);
}

void XAnimation::StopAt(float frame, int playTo) {
    m_Stopped = playTo ? 0 : 1;
    if (playTo) {
        m_StopFrame = frame;
        m_StopPending = 1;
    } else {
        m_Frame = frame;
    }
}

void XAnimation::SetRange(int first, int last) {
    if (!m_Anim) return;
    m_SavedFirst = m_Anim->firstFrame;
    m_SavedLast = m_Anim->lastFrame;
    m_Anim->firstFrame = first;
    m_Anim->lastFrame = last;
}

void XAnimation::RestoreRange() {
    if (!m_Anim) return;
    m_Anim->firstFrame = m_SavedFirst;
    m_Anim->lastFrame = m_SavedLast;
}

XAnimation* XAnimation::Current(const char* name) {
    auto* a = static_cast<XAnimation*>(FindByName(name, 1));
    if (a && a->m_SubCount > 0 && a->m_SubCurrent > 0 && a->m_Subs[a->m_SubCurrent]) return a->m_Subs[a->m_SubCurrent];
    return a;
}

XAnimation* XAnimation::AddSub(const char* file, const char* name, int index, int makeCurrent) {
    if (index == 0) {
        WarningBox("Debug: Créer SubList Animation à partir de 1. 0 est réservé pour le main Animation %s", name ? name : "");
        return nullptr;
    }
    if (index < 0 || index >= kMaxSubs) {
        new MessageToUser(0, 100, __FILE__, __LINE__, "Trop de subAnimation");
        return nullptr;
    }
    auto* sub = new XAnimation(kSubAnimation, index, name, file, m_Host);
    if (!sub->Load(file, m_Object, m_Speed, m_Loop, m_Stopped)) {
        delete sub;  // never attached
        return nullptr;
    }
    if (m_Subs[index]) RemoveSub(index);
    if (m_SubCount == 0) m_Subs[0] = this;
    sub->m_Owner = this;
    sub->m_Enabled = 1;
    sub->m_Stopped = 0;
    m_Subs[index] = sub;
    ++m_SubCount;
    if (makeCurrent) m_SubCurrent = static_cast<std::int16_t>(index);
    return sub;
}

void XAnimation::SelectSub(int index, int on) {
    if (index < 0 || index >= kMaxSubs || !m_Subs[index]) return;
    m_SubCurrent = static_cast<std::int16_t>(on ? index : 0);
    XAnimation* entry = m_Subs[index];
    if (entry == this) {
        m_Enabled = on;
        m_Stopped = on ? 0 : 1;
        return;
    }
    entry->m_Enabled = on;
    entry->Play(on ? 0 : 1);
}

XAnimation* XAnimation::FindSub(const char* name, int exact) {
    for (XAnimation* s : m_Subs)
        if (s && NamesMatch(s->m_Name, name, exact)) return s;
    return nullptr;
}

int XAnimation::RemoveSub(int index) {
    if (index <= 0 || index >= kMaxSubs || !m_Subs[index]) return 0;
    delete m_Subs[index];
    m_Subs[index] = nullptr;
    --m_SubCount;
    if (m_SubCurrent == index) m_SubCurrent = 0;
    if (m_SubCount <= 0) {
        m_SubCount = 0;
        m_Subs[0] = nullptr;
    }
    return 1;
}

void XAnimation::SaveOwnSubs(XChunkFile* file) {
    char name[kNameSize] = {};
    std::memcpy(name, m_Name, sizeof name);
    file->Write(name, sizeof name);
    file->Write(&m_SubCount, 2);
    file->Write(&m_SubCurrent, 2);
    for (std::int16_t i = 1; i < kMaxSubs; ++i) {
        const XAnimation* s = m_Subs[i];
        if (!s) continue;
        char path[kFileSize] = {};
        std::snprintf(path, sizeof path, "%s", StoredPath(s->m_File).c_str());
        char subName[kNameSize] = {};
        std::memcpy(subName, s->m_Name, sizeof subName);
        const std::int32_t first = s->First(), last = s->Last();
        file->Write(&i, 2);
        file->Write(path, sizeof path);
        file->Write(subName, sizeof subName);
        file->Write(&s->m_Enabled, 4);
        file->Write(&s->m_Stopped, 4);
        file->Write(&s->m_Loop, 4);
        file->Write(&s->m_PingPong, 4);
        file->Write(&s->m_Backward, 4);
        file->Write(&s->m_Frame, 4);
        file->Write(&s->m_Speed, 4);
        file->Write(&first, 4);
        file->Write(&last, 4);
        file->Write(&s->m_SavedFirst, 4);
        file->Write(&s->m_SavedLast, 4);
    }
}

int XAnimation::SaveSubs(XChunkFile* file) {
    if (!file) return 0;
    for (XNode* c = this; c; c = c->m_Child) {
        auto* a = static_cast<XAnimation*>(c);
        if (a->m_Name[0] == '*' && a->m_SubCount > 0) a->SaveOwnSubs(file);
    }
    return 1;
}

int XAnimation::LoadSubs(XChunkFile* file) {
    if (!file) return 0;
    char name[kNameSize];
    while (file->Read(name, sizeof name)) {
        name[sizeof name - 1] = '\0';
        std::int16_t count = 0, current = 0;
        if (!file->Read(&count, 2) || !file->Read(&current, 2)) return 0;
        if (count < 0 || count >= kMaxSubs) {
            DebugOut("LoadSubs: %s has %i sub-animations, the rest is skipped", name, count);
            return 0;
        }
        auto* target = static_cast<XAnimation*>(FindByName(name, 1));
        if (!target) DebugOut("LoadSubs: no animation %s", name);
        // A sub-animation whose own animation has no "*" in front animates
        // the parent of the object (a vehicle's carrier on another track):
        // the last such one read goes back onto that parent, as the script
        // bound it when it was added.
        XAnimation* carrier = nullptr;
        for (int k = 0; k < count; ++k) {
            std::int16_t index = 0;
            StoredSub s{};
            if (!file->Read(&index, 2) || !ReadStoredSub(file, s)) return 0;
            if (!target) continue;
            if (index <= 0 || index >= kMaxSubs) {
                DebugOut("LoadSubs: %s: bad index %i", name, index);
                continue;
            }
            const std::string path = RebasedPath(s.file);
            if (path.empty()) {
                DebugOut("LoadSubs: %s: cannot find %s", name, s.file);
                continue;
            }
            XAnimation* sub = target->AddSub(path.c_str(), s.name, index, s.enabled);
            if (!sub) continue;
            sub->m_Enabled = s.enabled;
            sub->m_Stopped = s.stopped;
            sub->m_Loop = s.loop;
            sub->m_PingPong = s.pingPong;
            sub->m_Backward = s.backward;
            sub->m_Speed = s.speed;
            if (sub->m_Anim && s.first <= s.last) {
                sub->m_Anim->firstFrame = s.first;
                sub->m_Anim->lastFrame = s.last;
            }
            sub->m_SavedFirst = s.savedFirst;
            sub->m_SavedLast = s.savedLast;
            sub->SetFrame(s.frame);
            if (sub->m_Anim && sub->m_Anim->name[0] != '*') carrier = sub;
        }
        if (carrier && carrier->m_Object && carrier->m_Object->parent) carrier->m_Object = carrier->m_Object->parent;
        if (target)
            target->m_SubCurrent =
                current > 0 && current < kMaxSubs && target->m_Subs[current] ? current : static_cast<std::int16_t>(0);
    }
    return 1;
}
