#include "lumora/universes/XUniverse04.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Types.h"

namespace {

const char* const kOperations[] = {"VirelOpenDoor", "EntrerDansAtelier", "UsePot", "UseTube", "ScrollTableau",
                                   "UseCartePostale", "EnleverBaillon", "BriserVitre", "UseEchelle",
                                   "MonterSurEchelle", "UseBouchon", "UseCle", "VirelTalkAfterBaillon",
                                   "VirelTalkAfterMarteau", "RameToGauche", "RameToDroite", nullptr};

constexpr float kTwoPi = 6.2831853f;
// Where a new visit begins: on the lawn, facing the terrace.
constexpr ZeltVector kArrival{100.0f, 180.0f, -9.0f};
// Out of the boat: the landing stage.
constexpr ZeltVector kLanding{149.87f, 60.56f, -9.0f};
constexpr float kLandingTheta = 0.427f;
// The workshop: before its door, in the doorway, inside.
constexpr ZeltVector kBeforeDoor{-90.0f, 400.0f, 15.0f};
constexpr ZeltVector kDoorway{-90.0f, 450.0f, 15.0f};
constexpr ZeltVector kInside{-90.0f, 545.0f, 15.0f};
constexpr float kNorth = 4.712389f, kSouth = 1.5707963f;
// The east window and the ladder set up beneath it.
constexpr ZeltVector kLadderFoot{50.0f, 420.0f, 15.0f};
constexpr ZeltVector kLadderTop{50.0f, 440.0f, 70.0f};
// The painter's second place, at the workshop door once Mazout comes.
constexpr float kPainterSecondX = 20.0f, kPainterSecondY = 410.0f;
// The way out towards Paris.
constexpr ZeltVector kExit{-28.948f, 358.7f, 15.0f};
constexpr float kSeatHeight = 10.0f;
constexpr float kBoatTurnLimit = 0.6f;
// Frames at either end of the boat's path where it lies by a bank.
constexpr float kBankFrames = 60.0f;

struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

}  // namespace

XUniverse04::~XUniverse04() = default;

const char* const* XUniverse04::OperationNames() const { return kOperations; }

void XUniverse04::RunOperation(int index) {
    switch (index) {
        case 0: VirelOpenDoor(); break;
        case 1: EnterWorkshop(); break;
        case 2: UsePot(); break;
        case 3: UseTube(); break;
        case 4: ScrollPainting(); break;
        case 5: UsePostcard(); break;
        case 6: RemoveGag(); break;
        case 7: BreakWindow(); break;
        case 8: UseLadder(); break;
        case 9: ClimbLadder(); break;
        case 10: UseCork(); break;
        case 11: UseKey(); break;
        case 12: VirelTalkAfterGag(); break;
        case 13: VirelTalkAfterHammer(); break;
        case 14: OarToLeft(); break;
        case 15: OarToRight(); break;
        default: break;
    }
}

int XUniverse04::Done(int id) const { return m_Actions && id >= 0 && id < 256 ? m_Actions->m_DoneFlags[id] : 0; }

void XUniverse04::SetCondition(int id, const char* condition) {
    if (m_Actions && m_Actions->m_Table[id]) m_Actions->m_Table[id]->SetCondition(condition);
}

int XUniverse04::LeavesOnFoot(float x, float y, float theta) {
    if (!(x < -22.0f && y > 307.0f) || !std::isfinite(theta)) return 0;
    float t = std::fmod(theta, kTwoPi);
    if (t < 0.0f) t += kTwoPi;
    return std::fabs(t - 4.9f) <= 1.5f ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Repairs, starting, saved games

void XUniverse04::GardenRepairs(XUniverse& scene) {
    scene.RenameObject("*pot confi", "*U04_53");
    scene.RenameObject("*U04_05t", "*U04_05");
    // The flower bed's five boxes are one clickable object.
    char name[16];
    for (int i = 1; i <= 5; ++i) {
        std::snprintf(name, sizeof name, "Massif%i", i);
        scene.RenameObject(name, "*U04_51");
    }
}

int XUniverse04::RestoreState(XChunkFile* save) {
    if (!XScene::RestoreState(save)) return 0;
    if (save && save->BeginReadChunk("PARAMS")) {
        std::int32_t fields[3] = {0, 0, 0};
        if (save->Read(fields, sizeof fields)) {
            m_InBoat = fields[0] ? 1 : 0;
            m_FaceReplaced = fields[1] ? 1 : 0;
            m_PainterMoved = fields[2] ? 1 : 0;
        }
        save->EndReadChunk();
    }
    return 1;
}

int XUniverse04::SaveState(XChunkFile* save) {
    if (!save) return 0;
    XScene::SaveState(save);
    const std::int32_t fields[3] = {m_InBoat, m_FaceReplaced, m_PainterMoved};
    save->BeginWriteChunk("PARAMS");
    save->Write(fields, sizeof fields);
    save->EndWriteChunk();
    return 1;
}

int XUniverse04::Start(int mode, XChunkFile* save) {
    PlaySound("s3_01", 1);
    if (g_App && g_App->m_Game) g_App->m_Game->m_Universe = 4;
    GardenRepairs(*this);
    // The invisible click zones: the hole in the boat and the two oarlocks.
    m_ZoneCount = 0;
    for (const char* name : {"*U04_36", "*U04_39", "*U04_40"})
        if (ZeltObject* zone = FindObject(name, 1)) {
            SetCollisionOff(zone, 1);
            if (m_ZoneCount < kZoneCapacity) m_Zones[m_ZoneCount++] = zone;
        }
    // The boat and the workshop door move: their animations come before the
    // saved state is applied to them.
    char file[400];
    if (ZeltObject* boat = FindObject("*U04_32", 1)) {
        std::snprintf(file, sizeof file, "%sANIM/Barque.A3D", m_Dir);
        LoadAnim(file, boat, 30.0f);
    }
    if (ZeltObject* door = FindObject("*U04_06", 1)) {
        std::snprintf(file, sizeof file, "%sANIM/Porte.A3D", m_Dir);
        LoadAnim(file, door, 10.0f);
    }
    if (m_Pilot) {
        m_Pilot->SetSphereRadius(5.0f);
        m_Pilot->SetSphereOffsetZ(0.0f);
    }
    if (!XScene::Start(mode, save)) return 0;
    m_LandScale = m_Scale;
    InitSpeaker("U04_03", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    m_Painter = Node("*U04_03");
    m_PainterAnim = Anim("*U04_03");
    m_Boat = Node("*U04_32");
    m_BoatAnim = Anim("*U04_32");
    for (int i = 0; i < m_ZoneCount; ++i) SetCollisionOff(m_Zones[i], 1);
    // Mazout talks once the postcard has called him.
    if (Done(39)) InitSpeaker("U04_04", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    if (m_PainterMoved) MovePainter();
    // The face follows the gag: on once found, off once taken away.
    m_FaceReplaced = 0;
    SetFace(Done(18) && !Done(20));
    if (Done(32)) SetCursorValueOf("*U04_06", 5);
    if (m_InBoat) Seat();
    if (mode != 1) return 1;

    if (m_Pilot) {
        const ZeltVector painter = PositionOf(m_Painter);
        const ZeltVector face{painter.x, painter.y, kArrival.z};
        m_Pilot->SetPositionVec(&kArrival);
        m_Pilot->LookAt(&kArrival, &face);
    }
    if (XInventoryPanel* inventory = XInventoryPanel::Current())
        for (const char* carried : {"U01_04P", "U03_06P"})
            if (!inventory->HasObject(carried)) inventory->AddObject(carried);
    {
        // The opening: the painter, tied to his easel, tries to call out.
        Sequence hold;
        NoEscape noEscape;
        m_ActionsEnabled = 0;
        Run(800);
        if (m_Actions && m_Actions->m_Table[18]) m_Actions->m_Table[18]->Execute();
        SetFace(1);
        if (m_Pilot && m_Painter) {
            const float theta = m_Pilot->m_Theta, phi = m_Pilot->m_Phi;
            m_Pilot->TravelTowardObject(1000, FindInTree(m_Painter->m_Object, "TETE", 1));
            WaitWhilePlaying(m_SoundA);
            Run(500);
            m_Pilot->Travel(800, &kArrival, theta, phi, kKeep);
        }
        m_ActionsEnabled = 1;
    }
    DebugOut("Universe 4: the painter is gagged");
    if (g_App && g_App->m_Game) g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    return 1;
}

void XUniverse04::SetFace(int gagged) {
    ZeltMaterial* skin = m_Scene ? Zelt_Scene_Get_Material(m_Scene, "PeauPeintre") : nullptr;
    if (!skin) return;
    // The face the painter's files give him, put back when the gag comes off.
    if (!m_FaceKept) {
        std::snprintf(m_Face, sizeof m_Face, "%s", skin->mapName);
        m_FaceKept = 1;
    }
    if (gagged) {
        if (!m_GagMap) {
            ZeltMap* map = nullptr;
            if (!Zelt_Map_Create(&map) || !map) return;
            std::snprintf(map->name, sizeof map->name, "teteBA.dmf");
            if (!Zelt_Map_Init(map, "teteBA.dmf")) {
                Zelt_Map_Release(map);
                new MessageToUser(0, 1020, __FILE__, __LINE__, "teteBA.dmf");
                return;
            }
            Zelt_Scene_Add_Map(m_Scene, map);
            m_GagMap = map;
        }
        std::snprintf(skin->mapName, sizeof skin->mapName, "teteBA.dmf");
    } else {
        std::snprintf(skin->mapName, sizeof skin->mapName, "%s", m_Face);
    }
    Zelt_Material_Update(skin);
    m_FaceReplaced = gagged ? 1 : 0;
}

void XUniverse04::MovePainter() {
    if (!m_Painter || !m_Painter->m_Object) return;
    const ZeltVector at = PositionOf(m_Painter);
    // He stands still at his new place: his breathing would put him back.
    if (m_PainterAnim) m_PainterAnim->Enable(0);
    m_Painter->SetPosition("", kPainterSecondX, kPainterSecondY, at.z, 0);
    m_PainterMoved = 1;
}

// ---------------------------------------------------------------------------
// Clicks

ZeltObject* XUniverse04::Pick(int x, int y) {
    for (int i = 0; i < m_ZoneCount; ++i) Zelt_Object_Unhide(m_Zones[i], 1);
    ZeltObject* picked = XScene::Pick(x, y);
    for (int i = 0; i < m_ZoneCount; ++i) Zelt_Object_Hide(m_Zones[i], 1);
    return picked;
}

int XUniverse04::OnLButtonDown(int x, int y) { return XUniverse::OnLButtonDown(x, y); }

void XUniverse04::VirelOpenDoor() {
    const ZeltVector door = PositionOf(Node("*U04_06"));
    PlayPointSound2(Name("s3_03"), &door, 0);
    if (Done(20)) Say("U04_03", "d3_05");
}

void XUniverse04::EnterWorkshop() {
    if (!m_Pilot) return;
    Sequence hold;
    const int inside = CameraPosition().y > kDoorway.y;
    m_Pilot->m_Collision = 0;
    if (inside) {
        m_Pilot->Travel(1200, &kDoorway, kSouth, kLevel, kKeep);
        m_Pilot->Travel(1000, &kBeforeDoor, kSouth, kLevel, kKeep);
    } else {
        m_Pilot->Travel(1000, &kBeforeDoor, kNorth, kLevel, kKeep);
        m_Pilot->Travel(1000, &kDoorway, kNorth, kLevel, kKeep);
        m_Pilot->Travel(1200, &kInside, kNorth, kLevel, kKeep);
    }
    m_Pilot->m_Collision = 1;
    DebugOut("Universe 4: %s the workshop", inside ? "out of" : "into");
    if (!inside && m_Actions && m_Actions->m_DoneCounts[26] == 1) {
        Say("U04_03", "d3_06");
        WaitWhilePlaying(m_SoundA);
    }
}

void XUniverse04::UsePot() {
    // The cork comes loose and lies beside the pot, ready to be taken.
    const ZeltVector pot = PositionOf(Node("*U04_53"));
    PlayPointSound2(Name("s3_05"), &pot, 0);
    if (XObject3D* cork = Node("*U04_38")) {
        cork->SetPosition("", pot.x, pot.y - 11.0f, pot.z, 0);
        cork->SetCursorValue(4, "", 0);
    }
}

void XUniverse04::UseTube() {
    const ZeltVector tube = PositionOf(Node("*U04_07"));
    PlayPointSound2(Name("s3_06"), &tube, 0);
    Say("U04_03", "d3_07");
}

void XUniverse04::ScrollPainting() {
    Sequence hold;
    XAnimation* painting = Anim("*U04_08");
    const ZeltVector at = PositionOf(Node("*U04_08"));
    PlayPointSound2(Name("s3_07"), &at, 0);
    if (painting) {
        painting->m_Backward = 0;
        painting->StopAt(20.0f, 1);
        WaitAnimation(painting);
    }
    if (XObject3D* card = Node("*U04_09")) {
        card->Show("", 1, 0);
        card->SetCursorValue(4, "", 0);
    }
    DebugOut("Universe 4: the postcard of Paris");
}

void XUniverse04::UsePostcard() {
    Sequence hold;
    NoEscape noEscape;
    Say("U04_03", "d3_08");
    WaitWhilePlaying(m_SoundA);
    XObject3D* mazout = Node("*U04_04");
    if (mazout) mazout->Show("", 1, 0);
    InitSpeaker("U04_04", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    MovePainter();
    if (m_Pilot && mazout) m_Pilot->TravelTowardObject(1000, FindInTree(mazout->m_Object, "TETE", 1));
    Say("U04_04", "d3_09");
    WaitWhilePlaying(m_SoundA);
    DebugOut("Universe 4: Mazout shows the way to Paris");
}

void XUniverse04::RemoveGag() {
    Sequence hold;
    if (m_Pilot && m_Painter) m_Pilot->TravelTowardObject(800, FindInTree(m_Painter->m_Object, "TETE", 1));
    SetFace(0);
    DebugOut("Universe 4: the gag is off");
    Say("U04_03", "d3_02");
    WaitWhilePlaying(m_SoundA);
}

void XUniverse04::BreakWindow() {
    const ZeltVector at = PositionOf(Node("*U04_11"));
    if (XObject3D* window = Node("*U04_11")) window->Show("", 0, 1);
    PlayPointSound2(Name("s3_08"), &at, 0);
    Say("U04_03", "d3_11");
}

void XUniverse04::UseLadder() {
    XObject3D* ladder = Node("*U04_63");
    if (!ladder) return;
    const ZeltVector at = PositionOf(ladder);
    ladder->SetPosition("", kLadderFoot.x, at.y, at.z, 0);
    const ZeltVector now = PositionOf(ladder);
    PlayPointSound2(Name("s3_09"), &now, 0);
}

void XUniverse04::ClimbLadder() {
    if (!m_Pilot) return;
    Sequence hold;
    const ZeltVector from = CameraPosition();
    const float theta = m_Pilot->m_Theta, phi = m_Pilot->m_Phi;
    m_Pilot->m_Collision = 0;
    m_Pilot->Travel(1200, &kLadderFoot, kNorth, kLevel, kKeep);
    m_Pilot->Travel(1500, &kLadderTop, kNorth, kLevel, kKeep);
    m_Pilot->Travel(800, &kLadderTop, kSouth, 1.9f, kKeep);
    Say("U04_03", "d3_14");
    WaitWhilePlaying(m_SoundA);
    Run(800);
    m_Pilot->Travel(1500, &kLadderFoot, kNorth, kLevel, kKeep);
    m_Pilot->Travel(1000, &from, theta, phi, kKeep);
    m_Pilot->m_Collision = 1;
}

void XUniverse04::UseCork() {
    // The hole is plugged: the boat no longer leaks.
    if (m_Actions && m_Actions->m_Table[30]) m_Actions->m_Table[30]->Execute();
    if (m_Gauge && std::strcmp(m_Gauge->m_Label, "ecroule") == 0) m_Gauge->Clear();
    if (m_SoundB) m_SoundB->Stop();
    DebugOut("Universe 4: the hole is plugged");
}

void XUniverse04::UseKey() {
    Sequence hold;
    XAnimation* door = Anim("*U04_06");
    const ZeltVector at = PositionOf(Node("*U04_06"));
    PlayPointSound2(Name("s3_04"), &at, 0);
    if (door) {
        door->m_Backward = 0;
        door->StopAt(20.0f, 1);
        WaitAnimation(door);
    }
    DebugOut("Universe 4: the workshop is open");
}

void XUniverse04::VirelTalkAfterGag() {
    const char* line = "d3_06";
    if (!Done(30)) line = "d3_03";
    else if (!((Done(33) || Done(34)) && (Done(35) || Done(36)))) line = "d3_04";
    else if (!Done(32)) line = "d3_05";
    Say("U04_03", line);
}

void XUniverse04::VirelTalkAfterHammer() { Say("U04_03", "d3_10"); }

void XUniverse04::OarToLeft() {
    SetCursorValueOf("*U04_40", 0);
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s3_11"), &eye, 0);
    DebugOut("Universe 4: an oar on the left");
}

void XUniverse04::OarToRight() {
    SetCursorValueOf("*U04_39", 0);
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s3_11"), &eye, 0);
    DebugOut("Universe 4: an oar on the right");
}

// ---------------------------------------------------------------------------
// The boat

ZeltVector XUniverse04::PostPosition() {
    ZeltVector at{};
    if (ZeltObject* post = FindObject("*U04_43", 1)) Zelt_Object_Get_Global_Position(post, &at);
    return at;
}

void XUniverse04::Seat() {
    if (!m_Pilot || !m_Boat) return;
    ZeltVector seat = PositionOf(m_Boat);
    seat.z += kSeatHeight;
    m_Pilot->SetPositionVec(&seat);
    m_Pilot->m_CanMove = 0;
    m_Pilot->m_Collision = 0;
    m_Pilot->m_JumpAllowed = 0;
    ZeltVector post = PostPosition();
    post.z = seat.z;
    m_Pilot->LookAt(&seat, &post);
    m_Scale = (m_LandScale > 0.0f ? m_LandScale : 40.0f) * 2.0f;
}

void XUniverse04::GetIntoBoat() {
    m_InBoat = 1;
    Seat();
    SetCursorValueOf("*U04_36", 5);
    SetCondition(29, "TRUE");
    if (!Done(30) && m_Gauge) {
        if (m_Gauge->IsRunning()) {
            m_SetAside = *m_Gauge;
            m_HasSetAside = 1;
        }
        m_Gauge->Start(20.0f, 1, "ecroule", 0);
        const ZeltVector eye = CameraPosition();
        PlayPointSound2(Name("s3_15"), &eye, 0);
    }
    DebugOut("Universe 4: in the boat");
}

void XUniverse04::GetOutOfBoat() {
    XAnimation* current = m_BoatAnim && m_BoatAnim->m_SubCount > 0 ? m_BoatAnim->m_Subs[1] : nullptr;
    if (current) {
        const float frame = current->m_Frame;
        if (!(frame < kBankFrames || frame > static_cast<float>(current->Last()) - kBankFrames)) return;
        current->SetFrame(1.0f);
    }
    m_InBoat = 0;
    // The key that got out does not jump as well.
    g_Keys[platform::VK_SHIFT] = 0;
    if (m_Pilot) {
        m_Pilot->Travel(2000, &kLanding, kLandingTheta, kLevel, kKeep);
        m_Pilot->m_CanMove = 1;
        m_Pilot->m_Collision = 1;
        m_Pilot->m_JumpAllowed = 1;
        m_Pilot->m_Ground = nullptr;
    }
    if (m_Gauge && std::strcmp(m_Gauge->m_Label, "ecroule") == 0) m_Gauge->Clear();
    if (m_HasSetAside && m_Gauge) *m_Gauge = m_SetAside;
    m_HasSetAside = 0;
    m_Scale = m_LandScale > 0.0f ? m_LandScale : m_Scale;
    SetCondition(29, "FALSE");
    DebugOut("Universe 4: out of the boat");
}

XAnimation* XUniverse04::BoatPath(const char* file, const char* name) {
    if (!m_BoatAnim) return nullptr;
    if (m_BoatAnim->m_SubCount > 0 && m_BoatAnim->m_Subs[1] && NamesMatch(m_BoatAnim->m_Subs[1]->m_Name, name, 1))
        return m_BoatAnim->m_Subs[1];
    char path[400];
    std::snprintf(path, sizeof path, "%sANIM/%s", m_Dir, file);
    XAnimation* path1 = m_BoatAnim->AddSub(path, name, 1, 1);
    if (!path1) return nullptr;
    path1->m_Loop = 0;
    path1->m_Stopped = 1;
    path1->SetFrame(1.0f);
    return path1;
}

void XUniverse04::Row(int backward) {
    const int left = Done(33) || Done(34), right = Done(35) || Done(36);
    XAnimation* path = nullptr;
    if (left && right) path = BoatPath("BARKE_TRAJECTOIRE1.A3D", "Traj");
    else if (left || right) path = BoatPath("BARKE_TOURNEROND.A3D", "Rond");
    if (!path || !m_Pilot) return;
    path->m_Backward = backward;
    path->m_Loop = path == m_BoatAnim->FindSub("Rond", 1) ? 1 : 0;
    path->Step();
    path->m_Stopped = 1;
    const ZeltVector eye = CameraPosition();
    if (!m_SoundB || !m_SoundB->IsPlaying()) PlayPointSound2(Name("s3_14"), &eye, 0);
    // The camera follows once the frame has put the boat in its new place.
    m_Rowed = 1;
    // Across the pond the key on the table is within reach.
    if (!Done(31) && NamesMatch(path->m_Name, "Traj", 1)) {
        const int far = path->m_Frame > static_cast<float>(path->Last()) - kBankFrames;
        SetCondition(31, far ? "TRUE" : "FALSE");
        SetCursorValueOf("*U04_37", far ? 4 : 0);
    }
}

void XUniverse04::RideBoat() {
    m_Rowed = 0;
    if (!m_Pilot || !m_Boat) return;
    ZeltVector seat = PositionOf(m_Boat);
    seat.z += kSeatHeight;
    m_Pilot->SetPositionVec(&seat);
    // The camera keeps an eye on the post.
    const ZeltVector post = PostPosition();
    const float wanted = std::atan2(-(post.y - seat.y), post.x - seat.x);
    float off = std::fmod(m_Pilot->m_Theta - wanted, kTwoPi);
    if (off > kTwoPi / 2) off -= kTwoPi;
    if (off < -kTwoPi / 2) off += kTwoPi;
    if (std::fabs(off) + std::fabs(m_Pilot->m_Phi - kLevel) > kBoatTurnLimit) {
        m_Turning = 1;
        m_Pilot->TravelToward(1000, &post);
        m_Turning = 0;
    }
}

void XUniverse04::Sink() {
    DebugOut("Universe 4: the boat sinks");
    // The cursor stays off until the menu takes it back.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s3_15"), &eye, 0);
    if (m_BoatAnim) {
        char path[400];
        std::snprintf(path, sizeof path, "%sANIM/BARKE_PLACEMENT_COULE1.A3D", m_Dir);
        if (XAnimation* sinking = m_BoatAnim->AddSub(path, "Coule", 1, 1)) {
            sinking->m_Loop = 0;
            sinking->m_Stopped = 0;
            sinking->SetFrame(0.0f);
        }
    }
    if (m_Pilot) {
        const ZeltVector under{eye.x, eye.y, eye.z - 30.0f};
        m_Pilot->Travel(2000, &under, kKeep, 0.9f, kKeep);
    }
    FadeOut(2000);
    Fail();
}

void XUniverse04::LeaveOnFoot() {
    m_Leaving = 1;
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (m_Pilot) m_Pilot->Travel(2000, &kExit, 4.6f, kLevel, 90.0f);
    LeaveForward("GivParis", 5);
}

int XUniverse04::Step() {
    if (m_Leaving || !m_Pilot) return XScene::Step();
    if (m_InBoat) {
        if (g_Keys[platform::VK_SHIFT]) {
            GetOutOfBoat();
        } else if (g_Keys[platform::VK_UP] || g_Keys[platform::VK_DOWN]) {
            Row(g_Keys[platform::VK_DOWN] ? 1 : 0);
            return 1;
        }
    } else if (Done(32) && Done(39) && g_Keys[platform::VK_UP] &&
               LeavesOnFoot(m_Pilot->m_Position[0], m_Pilot->m_Position[1], m_Pilot->m_Theta)) {
        LeaveOnFoot();
        return 1;
    }
    const int result = XScene::Step();
    if (!m_InBoat && m_Boat && m_Boat->m_Object && m_Pilot->m_Ground == m_Boat->m_Object) GetIntoBoat();
    return result;
}

int XUniverse04::Render() {
    if (m_InBoat && m_Rowed && !m_Turning) RideBoat();
    const int result = XScene::Render();
    if (m_InBoat && !m_Leaving && m_Gauge && std::strcmp(m_Gauge->m_Label, "ecroule") == 0 && m_Gauge->Finished(1)) {
        m_Leaving = 1;
        Sink();
    }
    return result;
}
