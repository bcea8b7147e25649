#include "lumora/universes/XUniverse07.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/framework/LArray.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Types.h"

namespace {

const char* const kOperations[] = {"DoInterrupteur", "Open1Secret", "Open2Secret", "CouperDynamite", "OpenGrille", nullptr};

constexpr float kNorth = -1.5707964f;  // theta facing +y
// The foot of the shaft, where a new visit begins.
constexpr ZeltVector kArrival{0.0f, 0.0f, 60.0f};
// Where the lit gallery begins, the eye 60 above its floor.
constexpr ZeltVector kGallery{0.0f, 90.0f, 120.0f};
// The plank across the stream, resting on the edge stone and the far bank.
constexpr ZeltVector kPlankLaid{0.0f, 335.0f, 60.0f};
// Each step up or down the ladder.
constexpr float kRung = 20.0f;
constexpr unsigned kRungMs = 1200;
// The last stretch of the fuse once the grille lets the draught in.
constexpr float kFuseSeconds = 20.0f;

struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

}  // namespace

XUniverse07::~XUniverse07() { DeleteSources(); }

const char* const* XUniverse07::OperationNames() const { return kOperations; }

void XUniverse07::RunOperation(int index) {
    switch (index) {
        case 0: ToggleSwitch(); break;
        case 1: OpenFirstSecret(); break;
        case 2: OpenSecondSecret(); break;
        case 3: CutFuse(); break;
        case 4: OpenGrille(); break;
        default: break;
    }
}

float XUniverse07::CurrentFov() const {
    if (!m_Pilot) return 60.0f;
    return m_Pilot->m_Camera ? m_Pilot->m_Camera->fov : m_Pilot->m_Fov;
}

int XUniverse07::Done(int id) const { return m_Actions && m_Actions->m_DoneFlags[id] ? 1 : 0; }

void XUniverse07::DeleteSources() {
    for (int i : {2, 3}) {
        if (!m_Sources[i]) continue;
        m_Sources[i]->Stop();
        delete m_Sources[i];
        m_Sources[i] = nullptr;
    }
}

void XUniverse07::Release() {
    DeleteSources();
    XScene::Release();
}

// ---------------------------------------------------------------------------
// Loading, starting, saved games

int XUniverse07::Load(const char* listName) {
    const int loaded = XScene::Load(listName);
    // The stones share one name in the asset files: "*U06_260", "*U06_26"
    // (the loose one, second in lookup order), "*U06_262", ...
    char name[sizeof(ZeltObject::name)];
    for (int i = 0;; ++i) {
        if (i == 1) std::snprintf(name, sizeof name, "*U06_26");
        else std::snprintf(name, sizeof name, "%s%i", "*U06_26", i);
        ZeltObject* stone = RenameObject("Object04", name);
        if (!stone) break;
        // The loose stone's animation goes by the stone's new name.
        if (XAnimation* slide = Anim("Object04"); slide && slide->m_Object == stone)
            std::snprintf(slide->m_Name, sizeof slide->m_Name, "%s", name);
    }
    RenameObject("secretpioc", "*U06_28");
    RenameObject("*U06_27", "*U06_29");
    // The lamps' glow lets everything through.
    if (m_Scene)
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o))
            if (std::strncmp(o->name, "halo", 4) == 0) SetCollisionOff(o, 1);
    if (ZeltObject* plank = FindObject("planche", 1); plank && plank->parent)
        std::snprintf(plank->parent->name, sizeof plank->parent->name, "*U06_30");
    m_PlankLaid = 0;
    // Without its scene list there is nothing to play: the change is given up.
    return loaded;
}

int XUniverse07::RestoreState(XChunkFile* save) {
    if (!XScene::RestoreState(save)) return 0;
    if (save && save->BeginReadChunk("PLANCHE")) {
        std::int32_t laid = 0;
        if (save->Read(&laid, sizeof laid)) m_PlankLaid = laid ? 1 : 0;
        save->EndReadChunk();
    }
    return 1;
}

int XUniverse07::SaveState(XChunkFile* save) {
    if (!save) return 0;
    XScene::SaveState(save);
    const std::int32_t laid = m_PlankLaid;
    save->BeginWriteChunk("PLANCHE");
    save->Write(&laid, sizeof laid);
    save->EndWriteChunk();
    return 1;
}

int XUniverse07::Start(int mode, XChunkFile* save) {
    PlaySound("s4_16", 1);
    if (!XScene::Start(mode, save)) return 0;
    m_Dynamite = Node("*U06_27");
    m_StoneAnim = Anim("*U06_26");
    m_GrilleAnim = Anim("*U06_24");
    m_Plank = FindObject("*U06_30", 1);
    if (!Done(7)) {
        // The fuse hissing behind the grille and the pump at the foot of
        // the shaft, until the fuse is out.
        char file[400];
        const ZeltVector fuse = PositionOf(m_Dynamite);
        m_Sources[2] = new XSoundSource(4, 50.0f * m_Scale);
        std::snprintf(file, sizeof file, "%sSound/s4_22.wav", m_Dir);
        m_Sources[2]->Play(file, &fuse, 1);
        m_Sources[3] = new XSoundSource(5, 50.0f * m_Scale);
        std::snprintf(file, sizeof file, "%sSound/s4_19.wav", m_Dir);
        const ZeltVector pump{0.0f, 0.0f, 10.0f};
        m_Sources[3]->Play(file, &pump, 1);
    }
    if (m_Pilot) {
        m_Pilot->SetSphereRadius(m_Scale / 4.0f);
        m_Pilot->SetSphereOffsetZ(0.4f * m_Pilot->m_Height);
    }
    if (XInventoryPanel* inventory = XInventoryPanel::Current())
        if (inventory->HasObject("U06_19P.bmp")) HideObject("*U06_19");

    // What the restored actions say.
    Light(Done(1));
    if (m_StoneAnim) {
        m_StoneAnim->m_Loop = 0;
        m_StoneAnim->SetFrame(Done(2) ? static_cast<float>(m_StoneAnim->Last()) : 0.0f);
        m_StoneAnim->m_Stopped = 1;
    }
    if (Done(2) && !Done(3)) SetCursorValueOf("*U06_28", 4);
    if (m_GrilleAnim) {
        m_GrilleAnim->m_Loop = 0;
        m_GrilleAnim->SetFrame(Done(5) ? static_cast<float>(m_GrilleAnim->Last()) : 0.0f);
        m_GrilleAnim->m_Stopped = 1;
    }
    if (m_PlankLaid) LayPlank();
    // A game saved with the fuse burning behind the open grille gets its
    // last stretch again.
    if (Done(5) && !Done(7) && m_Gauge) m_Gauge->Start(kFuseSeconds, 1, "", 0);
    if (m_Pilot) {
        // On the ladder nothing pulls the player down; in the lit gallery
        // the ground under the restored place is known at once.
        m_Pilot->m_Collision = Done(1);
        ZeltVector eye = CameraPosition();
        if (Done(1)) m_Pilot->GroundCheck(&eye);
    }
    if (mode != 1) return 1;

    if (m_Pilot) {
        m_Pilot->SetPositionVec(&kArrival);
        m_Pilot->SetAngles(kNorth, kLevel);
    }
    Run(0);
    SaveOnArrival();
    return 1;
}

void XUniverse07::Light(int on) {
    if (on) SetAmbient(130, 115, 95);
    else SetAmbient(45, 40, 38);
    if (!m_Scene) return;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o))
        if (std::strncmp(o->name, "halo", 4) == 0) {
            if (on) Zelt_Object_Unhide(o, 1);
            else Zelt_Object_Hide(o, 1);
        }
}

// ---------------------------------------------------------------------------
// Handlers

void XUniverse07::ToggleSwitch() {
    Sequence hold;
    Light(1);
    PlayVoice(Name("d4_40"), 0, 100);
    DebugOut("Universe 7: the lamps are lit");
    if (!m_Pilot) return;
    m_Pilot->Travel(1500, &kGallery, kNorth, kLevel, kKeep);
    ZeltVector eye = CameraPosition();
    m_Pilot->GroundCheck(&eye);
    m_Pilot->m_Collision = 1;
}

void XUniverse07::OpenFirstSecret() {
    Sequence hold;
    XObject3D* stone = Node("*U06_26");
    const ZeltVector at = PositionOf(stone);
    PlayPointSound2(Name("s4_17"), &at, 0);
    if (m_StoneAnim) {
        m_StoneAnim->m_Backward = 0;
        m_StoneAnim->StopAt(static_cast<float>(m_StoneAnim->Last()), 1);
        WaitAnimation(m_StoneAnim, 5000);
    }
    SetCursorValueOf("*U06_28", 4);
    DebugOut("Universe 7: the loose stone has slid away");
}

void XUniverse07::OpenSecondSecret() {
    Sequence hold;
    XObject3D* wall = Node("*U06_29");
    const ZeltVector at = PositionOf(wall);
    PlayPointSound2(Name("s4_17"), &at, 0);
    // Three blows, the last one brings it down.
    const float fov = CurrentFov();
    for (int blow = 0; blow < 3 && m_Pilot; ++blow) {
        m_Pilot->SetFov(fov - 4.0f);
        Run(120);
        m_Pilot->SetFov(fov);
        Run(300);
    }
    if (wall) wall->Show("", 0, 1);
    WaitWhilePlaying(m_SoundB);
    DebugOut("Universe 7: the cracked wall gives way");
}

void XUniverse07::OpenGrille() {
    Sequence hold;
    const ZeltVector at = PositionOf(Node("*U06_24"));
    PlayPointSound2(Name("s4_18"), &at, 0);
    if (m_GrilleAnim) {
        m_GrilleAnim->m_Backward = 0;
        m_GrilleAnim->StopAt(static_cast<float>(m_GrilleAnim->Last()), 1);
        WaitAnimation(m_GrilleAnim, 5000);
    }
    if (m_Pilot && m_Dynamite) m_Pilot->TravelTowardObject(800, m_Dynamite->m_Object);
    PlayVoice(Name("d4_41"), 0, 100);
    // The draught through the open grille: the fuse's last stretch.
    if (m_Gauge) m_Gauge->Start(kFuseSeconds, 1, "", 0);
    DebugOut("Universe 7: the grille is open, the fuse is burning");
}

void XUniverse07::CutFuse() {
    Sequence hold;
    NoEscape noEscape;
    if (m_Gauge) m_Gauge->Clear();
    const ZeltVector at = PositionOf(m_Dynamite);
    if (m_Pilot && m_Dynamite) m_Pilot->TravelTowardObject(800, m_Dynamite->m_Object);
    PlayPointSound2(Name("s4_13"), &at, 0);
    WaitWhilePlaying(m_SoundB);
    if (ZeltObject* fuse = FindObject("Meche", 1)) Zelt_Object_Hide(fuse, 1);
    DeleteSources();
    DebugOut("Universe 7: the fuse is out");
    Run(3000);
    if (!g_App) return;
    // The end of the journey.
    g_App->PlayVideo("Epilogue", "Epilogue", 0, 1);
    DebugOut("Universe 7: the end");
    g_App->OpenOptionMenu(0);
}

// ---------------------------------------------------------------------------
// Per frame: the ladder, the plank, the stream, the fuse

int XUniverse07::Step() {
    if (!Done(1)) {
        // On the ladder: Up and Down climb instead of walking.
        if (g_Keys[platform::VK_UP]) {
            g_Keys[platform::VK_UP] = 0;
            Climb(1);
        } else if (g_Keys[platform::VK_DOWN]) {
            g_Keys[platform::VK_DOWN] = 0;
            Climb(0);
        }
        return XScene::Step();
    }
    const int result = XScene::Step();
    if (!m_Pilot || !Live()) return result;
    ZeltObject* ground = m_Pilot->m_Ground;
    if (!ground || std::strncmp(ground->name, "*eau", 4) == 0) {
        IntoTheWater();
        return result;
    }
    if (!m_PlankLaid && Done(6) && std::strcmp(ground->name, "Planch01") == 0) {
        Sequence hold;
        if (m_Pilot) {
            const ZeltVector here = CameraPosition();
            m_Pilot->Travel(800, &here, kNorth, 1.0f, kKeep);
        }
        const ZeltVector at = CameraPosition();
        PlayPointSound2(Name("s4_24"), &at, 0);
        LayPlank();
        // The plank leaves the hand and the strip.
        if (g_Cursor && g_Cursor->GetMode() == XCursor::kModeObject &&
            CompareNames(g_Cursor->GetObjectName(), "U06_30P", 7) == 0)
            g_Cursor->Select(0, 0, 0);
        if (XInventoryPanel* inventory = XInventoryPanel::Current()) inventory->RemoveObject("U06_30P");
        Run(800);
        if (m_Pilot) {
            const ZeltVector here = CameraPosition();
            m_Pilot->Travel(800, &here, kKeep, kLevel, kKeep);
        }
        DebugOut("Universe 7: the plank is laid across the stream");
    }
    return result;
}

void XUniverse07::Climb(int up) {
    if (!m_Pilot) return;
    const ZeltVector eye = CameraPosition();
    if (up) {
        const ZeltVector above{eye.x, eye.y, eye.z + kRung};
        if (!m_Pilot->CeilingClear(&above)) return;
        m_Pilot->Travel(kRungMs, &above, kKeep, kKeep, kKeep);
        DebugOut("Universe 7: up the ladder to %d", static_cast<int>(above.z));
    } else {
        // Never below the eye's height over the shaft's floor.
        if (m_Pilot->HeightAboveGround(&eye) - kRung < m_Pilot->m_Height) return;
        const ZeltVector below{eye.x, eye.y, eye.z - kRung};
        m_Pilot->Travel(kRungMs, &below, kKeep, kKeep, kKeep);
        DebugOut("Universe 7: down the ladder to %d", static_cast<int>(below.z));
    }
}

void XUniverse07::LayPlank() {
    m_PlankLaid = 1;
    XObject3D* node = Node("*U06_30");
    if (!node || !m_Plank) return;
    node->SetPosition(nullptr, kPlankLaid.x, kPlankLaid.y, kPlankLaid.z, 0);
    // In place at once: the next ground check finds it.
    if (m_Objects) m_Objects->ApplyTransforms();
    node->Show("", 1, 0);
    for (ZeltObject* board = m_Plank->firstChild; board; board = board->nextSibling) {
        Zelt_Object_Unhide(board, 1);
        SetCollisionOff(board, 0);
    }
    SetCursorValueOf(node, 0);
}

int XUniverse07::Render() {
    const int result = XScene::Render();
    if (m_Gauge && m_Gauge->Finished(1)) Explosion();
    return result;
}

void XUniverse07::Explosion() {
    DebugOut("Universe 7: the dynamite goes off");
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    const ZeltVector at = PositionOf(m_Dynamite);
    PlayPointSound2(Name("s4_20"), &at, 0);
    // Two seconds of flashes.
    const float fov = CurrentFov();
    for (int flash = 0; flash < 10 && Live(); ++flash) {
        if (flash % 2 == 0) SetAmbient(255, 235, 190);
        else SetAmbient(60, 45, 35);
        if (m_Pilot) m_Pilot->SetFov(flash % 2 == 0 ? fov + 25.0f : fov);
        Run(200);
    }
    if (m_Pilot) m_Pilot->SetFov(fov);
    FadeOut(2000);
    Fail();
}

void XUniverse07::IntoTheWater() {
    DebugOut("Universe 7: into the water");
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s4_21"), &eye, 0);
    if (m_Pilot) {
        m_Pilot->m_Collision = 0;
        const ZeltVector under{eye.x, eye.y, eye.z - 50.0f};
        m_Pilot->Travel(1200, &under, kKeep, 0.9f, kKeep);
    }
    FadeOut(2000);
    Fail();
}
