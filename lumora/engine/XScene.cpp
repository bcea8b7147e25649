#include "lumora/engine/XScene.h"
#include "lumora/universes/XPaintingScene.h"
#include "lumora/universes/XUniverse00.h"
#include "lumora/universes/XUniverse01.h"
#include "lumora/universes/XUniverse02.h"
#include "lumora/universes/XUniverse03.h"
#include "lumora/universes/XUniverse33.h"
#include "lumora/universes/XUniverse05.h"
#include "lumora/universes/XUniverse06.h"
#include "lumora/universes/XUniverse07.h"
#include "lumora/universes/XUniverse04.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dwen/Dwen.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XSpeaker.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/Capture.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/shell/XDisplay.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

using namespace platform;

namespace {

int g_TotalObjects = 0;

// The scene whose camera pilot is the sound listener.
const XScene* g_ListenerScene = nullptr;

// Keys of the sequence that switches debug mode on.
constexpr int kDebugSequence[5] = {'L', 'U', 'M', 'O', 'R'};
int g_DebugSequenceIndex = 0;

std::int64_t Counter() {
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

template <class F> void ForEachDescendant(ZeltObject* object, F& f) {
    for (ZeltObject* child = object->firstChild; child; child = child->nextSibling) {
        f(child);
        ForEachDescendant(child, f);
    }
}

// Every object of the scene: the top-level ones in enumeration order, each
// followed by its descendants.
template <class F> void ForEachObject(ZeltScene* scene, F&& f) {
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        f(o);
        ForEachDescendant(o, f);
    }
}

// The cursor value of objects that take the carried object.
constexpr int kCursorUse = 5;

XGame* Game() { return g_App ? g_App->m_Game : nullptr; }
int DebugMode() { return Game() && Game()->m_DebugMode; }

}  // namespace

int TotalObjectCount() { return g_TotalObjects; }

int UniverseOfList(const char* listName) {
    if (!listName || std::strlen(listName) < 3) return 0;
    char digits[3] = {listName[1], listName[2], '\0'};
    return std::atoi(digits);
}

XScene* CreateScene(int universe) {
    if (universe == 0) return new XUniverse00();
    if (universe == 1) return new XUniverse01();
    if (universe == 2) return new XUniverse02();
    if (universe == 3) return new XUniverse03();
    if (universe == 33 || universe == 8) return new XUniverse33();  // 8: the game object's number for "U33.ZELT"
    if (universe == 5) return new XUniverse05();
    if (universe == 6) return new XUniverse06();
    if (universe == 7) return new XUniverse07();
    if (universe == 4) return new XUniverse04();
    if (universe == 50) return new XPaintingScene();
    // The other universes are plain scenes until they get their scripts.
    return new XScene();
}

XScene::XScene() = default;

XScene::~XScene() { XScene::Release(); }

int XScene::Create(const char* listName) {
    if (!Zelt_Scene_Create(&m_Scene) || !m_Scene) {
        new MessageToUser(0, 1005, __FILE__, __LINE__);
        return 0;
    }
    if (!InitVideoMode()) return 0;
    CreateTrees();
    m_Pilot = new XCameraPilot(this);
    m_Gauge = new XGauge();
    SetAmbient(255, 255, 255);
    std::snprintf(m_ListName, sizeof m_ListName, "%s", listName ? listName : "");
    char prefix[4] = {};
    CopySubstring(m_ListName, 0, 2, prefix);
    const std::string dir = std::string(g_App ? g_App->m_DataDir : "") + prefix + "/";
    std::snprintf(m_Dir, sizeof m_Dir, "%s", dir.c_str());
    m_MapDirs.Clear();
    char maps[300];
    std::snprintf(maps, sizeof maps, "%sMaps\\", m_Dir);
    AddMapDir(maps);
    LoadSceneInfo();
    m_SoundA = new XSoundSource(2, m_Scale * 50.0f);
    m_SoundB = new XSoundSource(3, m_Scale * 60.0f);
    m_Sources[0] = m_SoundA;
    m_Sources[1] = m_SoundB;
    return 1;
}

int XScene::InitVideoMode() {
    XDisplay* d = g_Display;
    if (!d) return 0;
    Zelt_Scene_Init_Resolution(m_Scene, d->m_ViewX, d->m_ViewY, d->m_Width, d->m_Height, d->m_Width, d->m_Aspect, 0.1f,
                               1000000.0f);
    // The display-layer kind draws straight into the back buffer.
    if (!Zelt_Scene_Init_Render(m_Scene, d->IsSoftware() ? 1 : 0, d->IsSoftware() ? nullptr : d->ZeltTarget())) {
        new MessageToUser(0, 100, __FILE__, __LINE__, "InitVideoMode()");
        return 0;
    }
    return 1;
}

int XScene::AddMapDir(const char* dir) {
    const int added = m_MapDirs.Add(dir);
    SetKernelMapDirs(&m_MapDirs);
    return added;
}

void XScene::SetAmbient(int r, int g, int b) {
    m_Ambient[0] = static_cast<std::uint8_t>(r);
    m_Ambient[1] = static_cast<std::uint8_t>(g);
    m_Ambient[2] = static_cast<std::uint8_t>(b);
    if (m_Scene) Zelt_Scene_Set_Ambient_Light(m_Scene, r, g, b);
}

int XScene::LoadSceneInfo() {
    char path[300];
    std::snprintf(path, sizeof path, "%sScene.bin", m_Dir);
    if (!FileExists(path)) return 1;
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(path, 0)) return 1;
    XSceneInfoRecord info{};
    if (ReadSceneInfo(*file, info)) {
        SetAmbient(info.m_AmbientRed & 0xFF, info.m_AmbientGreen & 0xFF, info.m_AmbientBlue & 0xFF);
        m_Scale = info.m_Scale;
    }
    file->Close();
    return 1;
}

int XScene::Load(const char* listName) {
    char path[300];
    std::snprintf(path, sizeof path, "%s%s", m_Dir, listName);
    return LoadListFile(path);
}

int XScene::LoadListFile(const char* path) {
    XSceneListTarget target;
    target.m_Scene = m_Scene;
    target.m_Dir = m_Dir;
    target.m_LoadAnim = [this](const char* file, ZeltObject* object, float speed) { LoadAnim(file, object, speed); };
    SetKernelMapDirs(&m_MapDirs);
    if (!LoadSceneFile(target, path)) {
        new MessageToUser(0, 1002, __FILE__, __LINE__, path);
        return 0;
    }
    // A scene loaded without Create (the pack tools) gets its pilot and gauge here.
    if (!m_Pilot) m_Pilot = new XCameraPilot(this);
    if (!m_Gauge) m_Gauge = new XGauge();
    if (!m_Pilot->Init()) return 0;
    XCameraPilot* pilot = m_Pilot;
    SetSoundListener([pilot] { return ZeltVector{pilot->m_Position[0], pilot->m_Position[1], pilot->m_Position[2]}; });
    g_ListenerScene = this;
    ApplyNameConventions();
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    m_CounterFrequency = f.QuadPart > 0 ? f.QuadPart : 1;
    m_FrameStart = Counter();
    if (g_Cursor) {
        g_Cursor->Resume(1);
        g_Cursor->RestoreCursor(1);
    }
    return 1;
}

int XScene::Start(int, XChunkFile* save) {
    if (!RestoreState(save)) return 0;
    InitSceneSpeakers();
    CollectLights();
    if (g_Cursor) g_Cursor->Select(0, 0, 0);
    return 1;
}

void XScene::ApplyNameConventions() {
    ForEachObject(m_Scene, [](ZeltObject* o) {
        ++g_TotalObjects;
        int type = 0;
        if (std::strstr(o->name, "$XYZ$")) type = ZELT_BILLBOARD_FULL;
        if (std::strstr(o->name, "$Z$")) type = ZELT_BILLBOARD_Z;
        if (std::strstr(o->name, "$XZ$")) type = ZELT_BILLBOARD_XZ;
        if (!type) return;
        Zelt_Object_Set_Camera_Type(o, type);
        if (const char* star = std::strchr(o->name, '*')) std::memmove(o->name, star, std::strlen(star) + 1);
    });
    DebugOut("******\r\nNbObjectTotal=%i\r\n", g_TotalObjects);
}

ZeltObject* XScene::FindInTree(ZeltObject* object, const char* name, int exact) {
    if (!object) return nullptr;
    for (ZeltObject* child = object->firstChild; child; child = child->nextSibling) {
        if (NamesMatch(child->name, name, exact)) return child;
        if (ZeltObject* found = FindInTree(child, name, exact)) return found;
    }
    return nullptr;
}

ZeltObject* XScene::FindObject(const char* name, int exact) {
    if (!m_Scene || !name) return nullptr;
    if (ZeltObject* o = Zelt_Scene_Get_Object(m_Scene, name)) return o;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o)) {
        if (NamesMatch(o->name, name, exact)) return o;
        if (ZeltObject* found = FindInTree(o, name, exact)) return found;
    }
    return nullptr;
}

ZeltObject* XScene::FindActionObject(ZeltObject* object) {
    for (; object; object = object->parent)
        if (std::strchr(object->name, '*')) return object;
    return nullptr;
}

int XScene::GetCursorValue(ZeltObject* object) const { return CursorValueOf(object); }

int XScene::InitInfoObj(XChunkFile* file) {
    std::vector<XObjectInfoRecord> records;
    const XTableRead read = ReadObjectInfos(*file, records);
    if (read == XTableRead::Missing) return 1;
    if (records.empty()) return 0;
    for (const XObjectInfoRecord& r : records) {
        ZeltObject* object = FindObject(r.m_Name, 1);
        if (!object) {
            DebugOut("XScene::InitInfoObj: Object %s not be found", r.m_Name);
            continue;
        }
        // The record's letter case wins.
        std::snprintf(object->name, sizeof object->name, "%s", r.m_Name);
        if (!m_Objects) continue;
        auto* node = static_cast<XObject3D*>(m_Objects->FindByName(object->name, 1));
        if (!node || node == m_Objects) {
            node = new XObject3D(r.m_NodeType, ++m_ObjectCount, object->name, object, this);
            m_Objects->AddChild(node, 0);
        }
        node->SetInfo(r);
    }
    return 1;
}

int XScene::RestoreState(XChunkFile* save) {
    if (!save) {
        char path[300];
        std::snprintf(path, sizeof path, "%sINFOOBJ.BIN", m_Dir);
        if (FileExists(path)) {
            auto file = std::make_unique<XChunkFile>();
            if (!file->Open(path, 0)) return 0;
            InitInfoObj(file.get());
            file->Close();
            if (g_Cursor) g_Cursor->Select(0, 0, 0);
            InitActInfo();
        }
        return 1;
    }
    if (save->BeginReadChunk("SCENE")) {
        save->Read(m_Ambient, 4);
        save->EndReadChunk();
        SetAmbient(m_Ambient[0], m_Ambient[1], m_Ambient[2]);
    }
    if (g_Cursor) g_Cursor->LoadState(save);
    if (m_Pilot) m_Pilot->LoadState(save);
    InitInfoObj(save);
    if (m_Animations && save->BeginReadChunk("ANIMATIONS")) {
        m_Animations->LoadSubs(save);
        save->EndReadChunk();
    }
    if (m_Gauge) m_Gauge->LoadState(save);
    if (g_Cursor) g_Cursor->RestoreCursor(0);
    InitActInfo();
    if (m_Actions) m_Actions->LoadState(save);
    return 1;
}

int XScene::SaveObjects(XChunkFile* save) {
    char path[300];
    std::snprintf(path, sizeof path, "%sINFOOBJ.BIN", m_Dir);
    if (!FileExists(path)) return 0;
    std::vector<XObjectInfoRecord> records;
    {
        auto file = std::make_unique<XChunkFile>();
        if (!file->Open(path, 0)) return 0;
        ReadObjectInfos(*file, records);
        file->Close();
    }
    if (records.empty()) return 1;
    for (XObjectInfoRecord& r : records) {
        ZeltObject* object = FindObject(r.m_Name, 0);
        if (!object) continue;
        r.m_CursorValue = GetCursorValue(object);
        XObject3D* node = m_Objects ? static_cast<XObject3D*>(m_Objects->FindByName(object->name, 1)) : nullptr;
        if (node && node != m_Objects) node->GetInfo(r);
        else DebugOut("Error fatal: XObject not found");
    }
    return WriteObjectInfos(*save, records);
}

int XScene::SaveState(XChunkFile* save) {
    save->BeginWriteChunk("SCENE");
    save->Write(m_Ambient, 4);
    save->EndWriteChunk();
    if (g_Cursor) g_Cursor->SaveState(save);
    if (m_Actions) m_Actions->SaveState(save);
    if (m_Pilot) m_Pilot->SaveState(save);
    SaveObjects(save);
    save->BeginWriteChunk("ANIMATIONS");
    if (m_Animations) m_Animations->SaveSubs(save);
    save->EndWriteChunk();
    if (m_Gauge) m_Gauge->SaveState(save);
    return 1;
}

void XScene::Release() {
    delete m_Gauge;
    m_Gauge = nullptr;
    delete m_SoundB;
    m_SoundB = nullptr;
    delete m_SoundA;
    m_SoundA = nullptr;
    std::fill(std::begin(m_Sources), std::end(m_Sources), nullptr);
    if (g_SoundManager) g_SoundManager->StopAll();
    DeleteTrees();
    m_PickedObject = nullptr;
    if (g_ListenerScene == this) {
        SetSoundListener({});
        g_ListenerScene = nullptr;
    }
    delete m_Pilot;
    m_Pilot = nullptr;
    if (m_Scene) Zelt_Scene_Release(m_Scene);
    m_Scene = nullptr;
    if (GetKernelMapDirs() == &m_MapDirs) SetKernelMapDirs(nullptr);
}

void XScene::Animate() {
    if (m_Speaking) m_Speaking->Animate();
    if (!m_Animations) return;
    if (m_AnimPaused && !m_AnimStep) {
        if (m_Objects) m_Objects->ApplyTransforms();
        return;
    }
    m_AnimStep = 0;
    m_Animations->Update();
    if (m_Objects) m_Objects->ApplyTransforms();
}

void XScene::CopySoftBuffer() {
    XDisplay* d = g_Display;
    void* memory = nullptr;
    int pitch = 0;
    if (!Dwen_Lock_BackBuffer(d->m_Context, &memory, &pitch)) return;
    for (int r = 0; r < d->m_Height; ++r) {
        const int row = d->m_ViewY + r;
        std::memcpy(static_cast<std::uint8_t*>(memory) + static_cast<std::ptrdiff_t>(row) * pitch + d->m_ViewX * 2,
                    d->m_SoftBuffer + static_cast<std::ptrdiff_t>(row) * d->m_Width + d->m_ViewX,
                    static_cast<std::size_t>(d->m_Width) * 2);
    }
    Dwen_Unlock_BackBuffer(d->m_Context, memory);
}

int XScene::Render() {
    if (!g_App || g_App->GetState() != APP_SCENE || !m_Scene || !g_Display) return 1;
    XDisplay* d = g_Display;
    Zelt_Render(m_Scene, d->IsSoftware() ? d->m_SoftBuffer : nullptr, nullptr, 1);
    // The software picture goes into the back buffer first, so that the
    // overlay frames and the cursor are drawn over it.
    if (d->IsSoftware()) CopySoftBuffer();
    if (LFrameManager* fm = GetFrameManager()) fm->Redraw(1);
    // No cursor while the camera moves.
    if (g_Cursor && !(m_Pilot && m_Pilot->m_Moving)) g_Cursor->Draw();
    if (m_Gauge && m_Gauge->IsRunning()) m_Gauge->Draw();
    m_FrameNow = Counter();
    const std::uint32_t ticks = static_cast<std::uint32_t>(m_FrameNow - m_FrameStart);
    // A capture keeps the rate it set, so recorded motion does not follow the slow frames.
    if (ticks && !IsCapturing()) m_FrameRate = static_cast<float>(m_CounterFrequency) / static_cast<float>(ticks);
    g_FrameTime = static_cast<float>(ticks) / static_cast<float>(m_CounterFrequency);
    m_FrameStart = Counter();
    if (DebugMode() && m_DebugPage) {
        void* memory = nullptr;
        int pitch = 0;
        if (Dwen_Lock_BackBuffer(d->m_Context, &memory, &pitch)) {
            DrawDebugPage(static_cast<std::uint16_t*>(memory), pitch / 2);
            Dwen_Unlock_BackBuffer(d->m_Context, memory);
        }
    }
    Dwen_Show_BackBuffer(d->m_Context);
    return 1;
}

void XScene::DrawDebugPage(std::uint16_t* pixels, int pitchPixels) {
    std::vector<std::string> lines;
    char text[256];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(text, sizeof text, format, values...);
        lines.emplace_back(text);
    };
    const int fps = static_cast<int>(std::lround(m_FrameRate));
    const ZeltFaceCounters& c = m_Scene->counters;
    switch (m_DebugPage) {
    case 1: add("Fps: %d", fps); break;
    case 2:
        add("Fps: %d", fps);
        add("Face before culling: %d", c.beforeCulling);
        add("Face after culling: %d", c.afterCulling);
        add("Face after pyramid culling: %d", c.afterPyramidCulling);
        add("Face after pyramid clipping: %d", c.afterPyramidClipping);
        add("Face draw with trans: %d", c.transparent);
        add("Triangle draw: %d", c.trianglesDrawn);
        break;
    case 3: AddCameraPage(lines); break;
    case 4:
        add("%s", "Currentobject");
        if (m_PickedObject) {
            ZeltVector p{};
            Zelt_Object_Get_Global_Position(m_PickedObject, &p);
            add("Name: %s", m_PickedObject->name);
            add("Position: x=%f y=%f z=%f", static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z));
            if (ZeltObject* a = FindActionObject(m_PickedObject)) add("Objet Sensible Name: %s", a->name);
            else add("%s", "Objet non sensible");
            if (XAnimation* anim = m_PickedNode ? FindAnimation(m_PickedNode->m_Name) : nullptr)
                add("Animation CurFrame=%f", static_cast<double>(anim->m_Frame));
        }
        break;
    case 5:
        add("%s", "Keys Help:");
        add("%s", "Key Up/Down/Left/Right/PageUp/PageDown: Pilote the Camera");
        add("%s", "INSERT: Collision On/Off");
        add("%s", "SHIFT: Jump");
        add("%s", "CTRL + P ou M: Camera Monter/Descendre");
        add("%s", "CTRL + A ou Q: SphereOffsetZ + ou -");
        add("%s", "CTRL + J puis K: Animation pas par pas");
        add("%s", "CTRL + X: Bouger Objet courant. ( A compléter) ");
        break;
    case 6: {
        static const char* const kModes[] = {"  Left", "  Right", "  Top", "  Bottom",
                                             "  Front", "  Back", "  RotationLeft", "  RotationRight"};
        add("%s", "Object Move Mode:");
        add("%s", m_DebugMoveMode >= 1 && m_DebugMoveMode <= 8 ? kModes[m_DebugMoveMode - 1] : "  No Mode");
        break;
    }
    default: break;
    }
    int y = 10;
    for (const std::string& line : lines) {
        Zelt_Print(line.c_str(), 10, y, pitchPixels, 0xFFFF, pixels);
        y += 10;
    }
}

int XScene::Step() {
    if (m_Pilot && !m_Pilot->Step()) return 0;
    if (g_Keys[VK_F1]) {
        m_DebugPage = DebugMode() ? (m_DebugPage + 1) % 7 : (m_DebugPage ? 0 : 1);
        g_Keys[VK_F1] = 0;
    }
    if (g_Display && !g_Display->UpdateToggles()) return 0;
    if (DebugMode()) DebugKeys();
    return 1;
}

void XScene::DebugKeys() {
    const bool ctrl = g_Keys[VK_CONTROL] != 0;
    if (g_Keys[VK_F6] && m_Ambient[0] <= 245 && m_Ambient[1] <= 245 && m_Ambient[2] <= 245)
        SetAmbient(m_Ambient[0] + 10, m_Ambient[1] + 10, m_Ambient[2] + 10);
    if (g_Keys[VK_F7] && m_Ambient[0] > 9 && m_Ambient[1] > 9 && m_Ambient[2] > 9)
        SetAmbient(m_Ambient[0] - 10, m_Ambient[1] - 10, m_Ambient[2] - 10);
    if (g_Keys[VK_F8]) {
        m_RenderStateDiagnostic = !m_RenderStateDiagnostic;
        const int state = m_RenderStateDiagnostic ? ZELT_RENDER_DIAGNOSTIC : ZELT_RENDER_NORMAL;
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o))
            Zelt_Object_Set_Render_State(o, m_Scene, state, 1);
        g_Keys[VK_F8] = 0;
    }
    if (!ctrl) return;
    if (g_Keys[VK_TAB])
        for (int u = 1; u <= 8; ++u)
            if (g_Keys[VK_NUMPAD0 + u] && Game()) Game()->ChangeUniverse(u);
    if (g_Keys[VK_RETURN]) {
        if (m_Gauge && m_Gauge->IsRunning()) m_Gauge->Complete();
        if (m_SoundA) m_SoundA->Stop();
    }
    if (g_Keys['J']) {
        m_AnimPaused = !m_AnimPaused;
        g_Keys['J'] = 0;
    }
    if (g_Keys['K']) {
        m_AnimStep = 1;
        g_Keys['K'] = 0;
    }
    if (g_Keys['W']) {
        m_DebugMoveMode = m_DebugMoveMode ? 0 : 1;
        m_DebugPage = 6;
        g_Keys['W'] = 0;
    }
    if (g_Keys['X']) {
        m_DebugMoveMode = m_DebugMoveMode >= 8 ? 1 : m_DebugMoveMode + 1;
        g_Keys['X'] = 0;
    }
    if (g_Keys['C']) {
        if (m_PickedObject && m_DebugMoveMode >= 1 && m_DebugMoveMode <= 6) {
            float m[16];
            Zelt_Object_Get_Local_Matrix(m_PickedObject, m);
            ZeltVector p{m[12], m[13], m[14]};
            static const float kDelta[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}};
            if (m_PickedNode && m_PickedNode->m_Object == m_PickedObject) p = m_PickedNode->m_Position;
            p.x += kDelta[m_DebugMoveMode - 1][0];
            p.y += kDelta[m_DebugMoveMode - 1][1];
            p.z += kDelta[m_DebugMoveMode - 1][2];
            if (m_PickedNode && m_PickedNode->m_Object == m_PickedObject) m_PickedNode->SetPosition("", p.x, p.y, p.z, 0);
            else Zelt_Object_Set_Local_Position(m_PickedObject, &p);
        } else if (m_PickedNode && (m_DebugMoveMode == 7 || m_DebugMoveMode == 8)) {
            const float turn = m_DebugMoveMode == 7 ? -0.01f : 0.01f;
            m_PickedNode->SetRotation("", m_PickedNode->m_Angle + turn, m_PickedNode->m_AngleB, 0);
        }
        g_Keys['C'] = 0;
    }
}

void XScene::OnKeyUp(int vk) {
    XGame* game = Game();
    if (!game || game->m_DebugMode) return;
    if (vk == kDebugSequence[g_DebugSequenceIndex]) {
        if (++g_DebugSequenceIndex == 5) {
            game->m_DebugMode = 1;
            g_DebugSequenceIndex = 0;
        }
    } else {
        g_DebugSequenceIndex = 0;
    }
}

ZeltObject* XScene::Pick(int x, int y) {
    m_PickedObject = m_Scene ? Zelt_Scene_Pick_Object(m_Scene, static_cast<float>(x), static_cast<float>(y), nullptr,
                                                      nullptr)
                             : nullptr;
    if (m_PickedObject) {
        m_PickedNode = FindActionNode(m_PickedObject);
        const int cursor = m_PickedNode ? CursorValueOf(m_PickedNode->m_Object) : 0;
        if (g_Cursor) {
            if (g_Cursor->GetMode() == XCursor::kModeObject) {
                if (cursor == kCursorUse) StartCarriedObjectBlink();
            } else if (g_Cursor->GetMode() == XCursor::kModeAnimation) {
                if (!m_PickedNode || cursor != kCursorUse) g_Cursor->StopAnimation();
            } else {
                g_Cursor->Select(0, cursor, 0);
            }
        }
        return m_PickedObject;
    }
    m_PickedNode = nullptr;
    if (g_Cursor) {
        if (g_Cursor->IsAnimating()) g_Cursor->StopAnimation();
        if (!g_Cursor->IsBusy()) g_Cursor->Select(0, 0, 0);
    }
    return nullptr;
}

int XScene::OnLButtonDown(int x, int y) {
    Pick(x, y);
    if (m_PickedNode && m_ActionsEnabled == 1 && m_Actions) m_Actions->Fire(m_PickedNode);
    return 1;
}

int XScene::OnRButtonDown(int, int) { return 1; }

int XScene::OnMouseMove(int x, int y) {
    Pick(x, y);
    return 1;
}

int XScene::OnScreenMessage() {
    if (g_Cursor && g_Cursor->IsAnimating()) g_Cursor->StopAnimation();
    return 1;
}

unsigned XScene::Run(unsigned ms) {
    const std::uint32_t start = timeGetTime();
    do {
        Animate();
        Render();
        ::PumpMessages();
    } while (ms && timeGetTime() - start < ms);
    return timeGetTime() - start;
}

void XScene::FadeOut(unsigned ms) {
    const int steps = static_cast<int>(static_cast<float>(ms) * m_FrameRate / 1000.0f);
    if (steps <= 0) return;
    const int start[3] = {m_Ambient[0], m_Ambient[1], m_Ambient[2]};
    int now[3] = {start[0], start[1], start[2]};
    for (int s = 0; s < steps; ++s) {
        for (int c = 0; c < 3; ++c) now[c] = std::max(0, now[c] - start[c] / steps);
        SetAmbient(now[0], now[1], now[2]);
        Run(10);
    }
}

namespace {
// "%sSound/<name>" with ".WAV" added unless the name already holds ".wav";
// the name is lower-cased in place.
void PointSoundPath(const char* dir, char* name, char* path, std::size_t size) {
    for (char* p = name; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    if (std::strstr(name, ".wav")) std::snprintf(path, size, "%sSound/%s", dir, name);
    else std::snprintf(path, size, "%sSound/%s.WAV", dir, name);
}
}  // namespace

int XScene::PlaySound(const char* name, int loop) {
    if (!g_SoundManager) return 0;
    char path[400];
    std::snprintf(path, sizeof path, "%sSound/%s.WAV", m_Dir, name);
    if (!FileExists(path)) {
        new MessageToUser(0, 1, __FILE__, __LINE__, path);
        return 0;
    }
    g_SoundManager->Play(ResolveForReading(path).c_str(), loop, 1, 0, 1, 1, 85, 100, 100);
    return 1;
}

int XScene::PlayAt(XSoundSource* source, char* name, const ZeltVector* pos, int loop, int missingMessage) {
    char path[400];
    PointSoundPath(m_Dir, name, path, sizeof path);
    if (!FileExists(path)) {
        new MessageToUser(0, missingMessage, __FILE__, __LINE__, path);
        return 0;
    }
    const ZeltVector at = pos ? *pos : SoundListenerPosition();
    return source && source->Play(ResolveForReading(path).c_str(), &at, loop) ? 1 : 0;
}

int XScene::PlayPointSound(char* name, const ZeltVector* pos) { return PlayAt(m_SoundA, name, pos, 0, 1002); }

int XScene::PlayPointSound2(char* name, const ZeltVector* pos, int loop) { return PlayAt(m_SoundB, name, pos, loop, 1); }

int XScene::PlayVoice(char* name, int loop, int volume) {
    char path[400];
    PointSoundPath(m_Dir, name, path, sizeof path);
    if (!FileExists(path)) {
        new MessageToUser(0, 1, __FILE__, __LINE__, path);
        return 0;
    }
    if (g_SoundManager) {
        g_SoundManager->StopChannel(2);
        g_SoundManager->Play(ResolveForReading(path).c_str(), loop, 1, 0, 2, 1, volume, 100, 100);
    }
    if (m_SoundA) m_SoundA->m_Sound = nullptr;
    return 1;
}

void XScene::UpdateSoundSources() {
    for (XSoundSource* s : m_Sources) {
        if (!s) break;
        if (s->IsPlaying()) s->Refresh();
    }
}

void XScene::AddCameraPage(std::vector<std::string>& lines) {
    if (!m_Pilot) return;
    const XCameraPilot& p = *m_Pilot;
    auto d = [](float v) { return static_cast<double>(v); };
    char text[256];
    lines.emplace_back("CAMERA:");
    std::snprintf(text, sizeof text, "Position: x=%f y=%f z=%f", d(p.m_Position[0]), d(p.m_Position[1]), d(p.m_Position[2]));
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "Theta=%f  Phi=%f", d(p.m_Theta), d(p.m_Phi));
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "Speed=%f  FOV=%f", d(p.m_Speed), d(p.m_Camera ? p.m_Camera->fov : p.m_Fov));
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "SphereRadius=%f,  SphereOffsetZ=%f", d(p.m_SphereRadius), d(p.m_SphereOffsetZ));
    lines.emplace_back(text);
    const ZeltVector eye{p.m_Position[0], p.m_Position[1], p.m_Position[2]};
    std::snprintf(text, sizeof text, "Hauteur Caméra=%f", d(m_Pilot->HeightAboveGround(&eye)));
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "Sur Object %s", p.m_Ground ? p.m_Ground->name : "");
    lines.emplace_back(text);
}

// ---- Objects, animations, lights and actions -------------------------------

void XScene::CreateTrees() {
    DeleteTrees();
    m_Animations = new XAnimation(XNode::kAnimation, m_AnimCount, "Root", "NULL", this);
    m_Objects = new XObject3D(XNode::kObject, m_ObjectCount++, "Root", nullptr, this);
    m_Actions = new XActionManager(this);
    m_Lights = new XLightNode(0, "Root", nullptr, this);
}

void XScene::DeleteTrees() {
    // The speakers point into the trees: they go first.
    delete m_Speakers;
    m_Speakers = nullptr;
    m_Speaking = nullptr;
    delete m_Lights;
    m_Lights = nullptr;
    delete m_Actions;
    m_Actions = nullptr;
    delete m_Animations;
    m_Animations = nullptr;
    delete m_Objects;
    m_Objects = nullptr;
    m_PickedNode = nullptr;
}

XAnimation* XScene::LoadAnim(const char* file, ZeltObject* object, float speed) {
    ZeltAnimation* anim = nullptr;
    if (!m_Scene || !Zelt_Load_Sdk_a3d(m_Scene, file, &anim) || !anim) {
        new MessageToUser(1, 1400, __FILE__, __LINE__, file, " dans XScene::LoadAnim");
        return nullptr;
    }
    if (std::strchr(anim->name, '*')) return AddAnimation(anim, object, file, speed);
    // A group: each child animation drives the descendant of the same name.
    XAnimation* last = nullptr;
    for (ZeltAnimation* child = anim->firstChild; child;) {
        ZeltAnimation* next = child->nextSibling;
        if (ZeltObject* target = FindInTree(object, child->name, 1)) last = AddAnimation(child, target, file, speed);
        child = next;
    }
    return last;
}

XAnimation* XScene::AddAnimation(ZeltAnimation* anim, ZeltObject* object, const char* file, float speed) {
    if (!m_Animations || !object) return nullptr;
    auto* node = new XAnimation(XNode::kAnimation, m_AnimCount, object->name, file, this);
    XNode* same = m_Animations->m_Child ? m_Animations->m_Child->FindByName(object->name, 1) : nullptr;
    if (same) same->AddNext(node, 0);
    else m_Animations->AddChild(node, 0);
    ++m_AnimCount;
    node->Bind(anim, object, speed, 1, 0);
    return node;
}

XAnimation* XScene::FindAnimation(const char* name, int exact) {
    if (!m_Animations || !m_Animations->m_Child || !name) return nullptr;
    return static_cast<XAnimation*>(m_Animations->m_Child->FindByName(name, exact));
}

int XScene::IsAnimated(const ZeltObject* object) const {
    for (XNode* c = m_Animations ? m_Animations->m_Child : nullptr; c; c = c->m_Child)
        for (XNode* n = c; n; n = n->m_Next)
            if (static_cast<XAnimation*>(n)->m_Object == object) return 1;
    return 0;
}

void XScene::CollectLights() {
    if (!m_Lights || !m_Scene) return;
    int id = 1;
    for (ZeltLight* l = Zelt_Scene_Get_First_Light(m_Scene); l; l = Zelt_Scene_Get_Next_Light(m_Scene, l))
        m_Lights->AddChild(new XLightNode(id++, l->name, l, this), 0);
}

XObject3D* XScene::FindActionNode(ZeltObject* object) {
    for (ZeltObject* o = FindActionObject(object); o; o = FindActionObject(o->parent)) {
        const char* star = std::strchr(o->name, '*');
        if (!m_Objects || !m_Objects->m_Child) return nullptr;
        if (auto* node = static_cast<XObject3D*>(m_Objects->m_Child->FindByName(star, 0))) return node;
    }
    return nullptr;
}

int XScene::InitActInfo() {
    char path[300];
    std::snprintf(path, sizeof path, "%sINFOACT.BIN", m_Dir);
    if (!FileExists(path)) return 1;
    std::vector<XActionInfoRecord> records;
    {
        auto file = std::make_unique<XChunkFile>();
        if (!file->Open(ResolveForReading(path).c_str(), 0)) return 0;
        const XTableRead read = ReadActionInfos(*file, records);
        file->Close();
        if (read != XTableRead::Read) return 0;
    }
    if (!m_Actions || !m_Objects || !m_Objects->m_Child) return 1;
    for (const XActionInfoRecord& r : records) {
        auto* sender = static_cast<XObject3D*>(m_Objects->m_Child->FindByName(r.m_Sender, 0));
        auto* receiver = static_cast<XObject3D*>(m_Objects->m_Child->FindByName(r.m_Receiver, 0));
        if (!sender) DebugOut("InitActInfo: Obj %s not found", r.m_Sender);
        if (!receiver) DebugOut("InitActInfo: Obj %s not found", r.m_Receiver);
        if (!sender || !receiver) continue;
        m_Actions->Add(new XAction(r, sender, receiver, m_Actions));
    }
    return 1;
}

// While an object is carried, a target that takes it (cursor value 5) makes
// the carried picture blink.
void XScene::StartCarriedObjectBlink() {
    if (!g_Cursor || g_Cursor->GetMode() != XCursor::kModeObject) return;
    g_Cursor->AddAnimationStep(XCursor::kModeObject, 0, g_Cursor->GetObjectMedium(), g_Cursor->GetObjectRef());
    g_Cursor->AddAnimationStep(XCursor::kModeTable, -1, nullptr);
    g_Cursor->StartAnimation(6);
}
