#include "lumora/engine/XSpeaker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/Random.h"
#include "lumora/shell/Report.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"
#include "platform/Window.h"

namespace {

// Shape files in loading order, with their indexes.
struct ShapeFile {
    const char* name;
    int index;
};
constexpr ShapeFile kShapeFiles[] = {{"A", XSpeaker::kA},   {"B", XSpeaker::kB},       {"Ch", XSpeaker::kCh},
                                     {"Ch_yeux", XSpeaker::kChYeux}, {"E", XSpeaker::kE}, {"F", XSpeaker::kF},
                                     {"O", XSpeaker::kO},   {"Yeux", XSpeaker::kYeux}};

// When the mouth last changed: in the timed mode in ms from the line's start,
// in the random mode on the clock.
unsigned g_TimedChange = 0;
unsigned g_RandomChange = 0;

// The animation of the tree (this one, then its children depth first) named
// `name` ignoring case.
ZeltAnimation* FindAnimationInTree(ZeltAnimation* anim, const char* name) {
    for (; anim; anim = anim->nextSibling) {
        char own[sizeof anim->name + 1] = {};
        std::memcpy(own, anim->name, sizeof anim->name);
        if (NameMatches(own, name, 1)) return anim;
        if (ZeltAnimation* found = FindAnimationInTree(anim->firstChild, name)) return found;
    }
    return nullptr;
}

void Disable(XAnimation* shape) {
    if (!shape) return;
    shape->Enable(0);
    shape->Play(1);
}

}  // namespace

const char* SpeakerShapeName(int index) {
    for (const ShapeFile& f : kShapeFiles)
        if (f.index == index) return f.name;
    return nullptr;
}

XSpeaker::XSpeaker(const char* name, const char* faceName, XScene* host) : XNode(kType, 0, name), m_Host(host) {
    std::snprintf(m_FaceName, sizeof m_FaceName, "%s", faceName ? faceName : "");
}

XSpeaker::~XSpeaker() {
    if (m_Host && m_Host->m_Speaking == this) m_Host->m_Speaking = nullptr;
}

int XSpeaker::Load(const char* dir) {
    XScene* scene = m_Host;
    if (!m_Node && scene && scene->m_Objects && scene->m_Objects->m_Child)
        m_Node = static_cast<XObject3D*>(scene->m_Objects->m_Child->FindByName(m_Name, 0));
    if (m_Node) {
        if (!m_Face && m_Node->m_Object && m_FaceName[0]) m_Face = scene->FindInTree(m_Node->m_Object, m_FaceName, 0);
        if (!m_Face && m_FaceName[0]) m_Face = scene->FindObject(m_FaceName, 0);
        if (!m_Face) DebugOut("Alert: People VISAGE not found %s", m_Name);
        if (!m_Body) m_Body = scene->FindAnimation(m_Name, 1);
    } else {
        DebugOut("Alert: People not found %s", m_Name);
    }
    std::snprintf(m_Dir, sizeof m_Dir, "%s", dir ? dir : "");
    for (const ShapeFile& f : kShapeFiles) LoadShape(m_Dir, f.name, f.index);
    XAnimation* first = nullptr;
    for (int i = 1; i < kShapeSlots && !first; ++i) first = m_Shapes[i];
    for (int i = 1; i < kShapeSlots; ++i) {
        if (!m_Shapes[i]) m_Shapes[i] = first;
        Disable(m_Shapes[i]);
    }
    m_Shapes[0] = first;
    return first ? 1 : 0;
}

int XSpeaker::LoadShape(const char* dir, const char* shape, int index) {
    if (index < 1 || index >= kShapeSlots || !shape) return 0;
    char path[kDirSize + 32];
    std::snprintf(path, sizeof path, "%s%s.A3D", dir ? dir : "", shape);
    ZeltAnimation* loaded = nullptr;
    // A missing file gets this one box, not the file opener's as well.
    if (!m_Host || !m_Host->m_Scene || !m_Host->m_Animations || !FileExists(path) ||
        !Zelt_Load_Sdk_a3d(m_Host->m_Scene, path, &loaded) || !loaded) {
        WarningBox("Can't load animation");
        return 0;
    }
    const char* nodeName = m_Node ? m_Node->m_Name : m_Name;
    ZeltAnimation* face = FindAnimationInTree(loaded, m_FaceName);
    if (!face) {
        DebugOut("Forme Bouche <%s%s%s", shape, "> non visage. ", nodeName);
        Zelt_Animation_Release(loaded);
        return 0;
    }
    char name[kNameSize + 8];  // the node cuts it to its name size
    std::snprintf(name, sizeof name, "%sVISAGE", nodeName);
    auto* anim = new XAnimation(XNode::kAnimation, m_Host->m_AnimCount++, name, path, m_Host);
    anim->Bind(face, m_Face, 15.0f, 1, 0);
    anim->m_Enabled = 0;
    m_Host->m_Animations->AddChild(anim, 0);
    m_Shapes[index] = anim;
    return 1;
}

XSpeaker* XSpeaker::Find(const char* speakerName) {
    for (XNode* n = this; n; n = n->m_Next)
        if (NamesMatch(n->m_Name, speakerName ? speakerName : "", 0)) return static_cast<XSpeaker*>(n);
    return nullptr;
}

int XSpeaker::Speak(const char* speakerName, const char* line) {
    if (!m_Host || !line) return 0;
    XSpeaker* speaker = Find(speakerName);
    // The same line asked again while it plays goes on as it is.
    if (speaker && speaker == m_Host->m_Speaking && speaker->m_Talking && NameMatches(speaker->m_Line, line, 1) &&
        m_Host->m_SoundA && m_Host->m_SoundA->IsPlaying())
        return 1;
    platform::POINT pointer{};
    const platform::BOOL havePointer = platform::GetCursorPos(&pointer);
    if (m_Host->m_Speaking) m_Host->m_Speaking->Stop();
    // The scene's sound calls lower-case the name in place: they get a copy.
    char name[kDirSize];
    std::snprintf(name, sizeof name, "%s", line);
    int result = 1;
    if (speaker) {
        ZeltVector at = SoundListenerPosition();
        if (speaker->m_Face) Zelt_Object_Get_Global_Position(speaker->m_Face, &at);
        else if (speaker->m_Node && speaker->m_Node->m_Object)
            Zelt_Object_Get_Global_Position(speaker->m_Node->m_Object, &at);
        if (speaker->m_Node) speaker->m_Node->m_Position = at;
        if (!m_Host->PlayPointSound(name, &at)) {
            result = 0;
        } else {
            m_Host->m_Speaking = speaker;
            char timing[kDirSize * 2 + 16];
            std::snprintf(timing, sizeof timing, "%sSound/%s.bin", m_Host->m_Dir, name);
            speaker->m_HasTiming = FileExists(timing) ? 1 : 0;
            if (speaker->m_HasTiming) speaker->LoadTiming(timing);
            speaker->m_TalkStart = platform::timeGetTime();
            speaker->m_Talking = 1;
            std::snprintf(speaker->m_Line, sizeof speaker->m_Line, "%s", line);
            // Times of the timed mode count from this line's start.
            g_TimedChange = 0;
        }
    } else {
        result = m_Host->PlayPointSound(name, nullptr);
    }
    // Put the pointer back if playing moved it.
    platform::POINT now{};
    if (havePointer && platform::GetCursorPos(&now) && (now.x != pointer.x || now.y != pointer.y))
        platform::SetCursorPos(pointer.x, pointer.y);
    return result;
}

void XSpeaker::PoseAtRest() {
    XAnimation* rest = m_Shapes[kA];
    if (rest && rest->m_Anim && rest->m_Object)
        Zelt_Object_Animate_Spline(rest->m_Object, rest->m_Anim, static_cast<float>(rest->First()), 0, 1);
}

void XSpeaker::Stop() {
    const int wasShowing = m_CurrentShape > 0;
    for (XAnimation* shape : m_Shapes) Disable(shape);
    // With every shape off nothing moves the mouth any more: leave it closed.
    if (wasShowing) PoseAtRest();
    if (m_CurrentShape > 0) m_PreviousShape = m_CurrentShape;
    m_CurrentShape = 0;
    m_Timing.clear();
    m_TimingCount = 0;
    m_Talking = 0;
    m_TalkStart = 0;
    m_Line[0] = '\0';
    if (m_Host && m_Host->m_Speaking == this) m_Host->m_Speaking = nullptr;
}

void XSpeaker::Animate() {
    if (!m_Host) return;
    // The line is over when its wave has been heard through, or when the
    // source was stopped or given another wave.
    if (!m_Host->m_SoundA || !m_Host->m_SoundA->IsSounding()) {
        Stop();
        return;
    }
    if (m_HasTiming) AnimateTimed();
    else AnimateRandom();
}

void XSpeaker::AnimateTimed() {
    const unsigned t = platform::timeGetTime() - m_TalkStart;
    const int s = ShapeAt(t);
    if (s == 1) {
        Rest();
        g_TimedChange = 0;
        return;
    }
    if (t - g_TimedChange < kChangeInterval) return;
    g_TimedChange = t;
    if (s == kCh || s == kChYeux) {
        SetShape(s);
        return;
    }
    // Any other code is talking: a shape at random, never the one showing.
    int e = 4 + Random() * 4 / kRandomMax;
    while (e == m_CurrentShape) e = 1 + Random() * 4 / kRandomMax;
    SetShape(e);
    if (XAnimation* shape = m_Shapes[m_CurrentShape]) shape->m_Speed = static_cast<float>(1 + Random() * 2 / kRandomMax);
}

void XSpeaker::AnimateRandom() {
    const unsigned now = platform::timeGetTime();
    if (now - g_RandomChange < kChangeInterval) return;
    g_RandomChange = now;
    // 0..8: the top value shuts the mouth for a while, the others pick a shape.
    const int r = RandomIndex(kShapeSlots);
    if (r == kShapeSlots - 1) Disable(m_CurrentShape > 0 ? m_Shapes[m_CurrentShape] : nullptr);
    else SetShape(r + 1);
    if (XAnimation* shape = m_CurrentShape > 0 ? m_Shapes[m_CurrentShape] : nullptr)
        shape->m_Speed = static_cast<float>(Random() * 4 / kRandomMax);
}

int XSpeaker::ShapeAt(unsigned ms) {
    if (m_Timing.empty()) return 1;
    for (std::size_t i = 0; i < m_Timing.size(); ++i)
        if (m_Timing[i].m_Time > ms) return i == 0 ? 1 : m_Timing[i - 1].m_Shape;
    Stop();
    return 1;
}

void XSpeaker::SetShape(int index) {
    if (index == m_CurrentShape || index < 0 || index >= kShapeSlots) return;
    m_PreviousShape = m_CurrentShape;
    m_CurrentShape = index;
    if (m_PreviousShape > 0 && m_Shapes[m_PreviousShape]) m_Shapes[m_PreviousShape]->Enable(0);
    if (XAnimation* shape = m_CurrentShape > 0 ? m_Shapes[m_CurrentShape] : nullptr) {
        shape->Enable(1);
        shape->Play(0);
    }
}

void XSpeaker::Rest() {
    if (m_CurrentShape <= 0) return;
    m_PreviousShape = m_CurrentShape;
    m_CurrentShape = 0;
    Disable(m_Shapes[m_PreviousShape]);
    if (XAnimation* rest = m_Shapes[kA]) {
        rest->Enable(1);
        rest->Play(1);
        rest->SetFrame(static_cast<float>(rest->First()));
    }
}

int XSpeaker::LoadTiming(const char* path) {
    m_Timing.clear();
    m_TimingCount = 0;
    auto file = std::make_unique<XChunkFile>();
    if (!path || !FileExists(path) || !file->Open(ResolveForReading(path).c_str(), 0)) return 0;
    int ok = 0;
    if (file->BeginReadChunk("INDEX")) {
        const std::uint32_t length = file->m_Dir[file->m_Current].length;
        std::uint8_t countBytes[4];
        if (length >= 4 && file->Read(countBytes, 4)) {
            ok = 1;
            const std::int32_t count = static_cast<std::int32_t>(countBytes[0] | countBytes[1] << 8 |
                                                                 countBytes[2] << 16 | static_cast<std::uint32_t>(countBytes[3]) << 24);
            // Never more entries than the chunk holds.
            const std::int32_t fits = static_cast<std::int32_t>((length - 4) / 8);
            const std::int32_t n = std::min(count, fits);
            if (count > fits) DebugOut("Timing %s: %i entries but room for %i", path, count, fits);
            if (n > 0) {
                std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n) * 8);
                if (file->Read(bytes.data(), static_cast<int>(bytes.size()))) {
                    m_Timing.resize(static_cast<std::size_t>(n));
                    for (std::int32_t i = 0; i < n; ++i) {
                        const std::uint8_t* e = bytes.data() + static_cast<std::size_t>(i) * 8;
                        m_Timing[static_cast<std::size_t>(i)].m_Time =
                            static_cast<std::uint32_t>(e[0] | e[1] << 8 | e[2] << 16) | static_cast<std::uint32_t>(e[3]) << 24;
                        m_Timing[static_cast<std::size_t>(i)].m_Shape = static_cast<std::uint16_t>(e[4] | e[5] << 8);
                    }
                }
            }
        }
        file->EndReadChunk();
    }
    file->Close();
    m_TimingCount = static_cast<int>(m_Timing.size());
    return ok;
}
