#include "lumora/universes/XUniverse01.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/Random.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Types.h"

int g_MayorFirstGreeting = 1;

namespace {

const char* const kOperations[] = {"TakeCard",    "ClickMaire",  "OpenDoor",      "CloseDoor",
                                   "TakeCarteHorloge", "OpenBoitier", "BaisserManette", "ClicTel",
                                   "OpenTiroir1", "OpenTiroir2", "MonterSurToit", "DoInterrupteur",
                                   nullptr};

// The places of the points' two views.
constexpr ZeltVector kSwitchViewA{667.0f, 723.8f, 94.0f};
constexpr float kSwitchViewATheta = 6.02f, kSwitchViewAPhi = 0.79f;
constexpr ZeltVector kSwitchViewB{753.22f, 662.18f, 93.55f};
constexpr float kSwitchViewBTheta = 6.26f;

// Sound names are handed to the scene as writable text.
struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

}  // namespace

XUniverse01::~XUniverse01() { DeleteRingingTone(); }

void XUniverse01::DeleteRingingTone() {
    if (!m_Sources[2]) return;
    m_Sources[2]->Stop();
    delete m_Sources[2];
    m_Sources[2] = nullptr;
}

const char* const* XUniverse01::OperationNames() const { return kOperations; }

void XUniverse01::RunOperation(int index) {
    switch (index) {
        case 0: TakeCard(); break;
        case 1: ClickMayor(); break;
        case 2: OpenDoor(); break;
        case 3: CloseDoor(); break;
        case 4: TakeClockCard(); break;
        case 5: OpenCabinet(); break;
        case 6: LowerLever(); break;
        case 7: ClickTelephone(); break;
        case 8: OpenDrawer("*U01_15"); break;
        case 9: OpenDrawer("*U01_16"); break;
        case 10: ClimbRoof(); break;
        case 11: ToggleSwitch(); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Loading, starting, saved games

int XUniverse01::Load(const char* listName) {
    if (!XScene::Load(listName)) return 0;
    // The asset files' names brought in line with the tables.
    if (RenameObject("Box31", "*U01_21"))
        if (XAnimation* blade = Anim("Object07")) std::snprintf(blade->m_Name, sizeof blade->m_Name, "*U01_21");
    NumberObjects("Box20", "Box20%i");
    RemoveObject("Box203");  // the third crate would block the ramp
    HideObject("Cylinder07");
    RenameObject("tige", "*U01_12");
    RenameObject("*U01_08P", "*U01_08");
    m_TrainChanged = 0;
    return 1;
}

int XUniverse01::RestoreState(XChunkFile* save) {
    if (!XScene::RestoreState(save)) return 0;
    if (save && save->BeginReadChunk("TRAIN_CHANGED")) {
        std::int32_t fields[2] = {0, 0};
        if (save->Read(fields, sizeof fields)) {
            m_TrainChanged = fields[0];
            m_OnTrain = fields[1];
        }
        save->EndReadChunk();
    }
    return 1;
}

int XUniverse01::SaveState(XChunkFile* save) {
    if (!save) return 0;
    XScene::SaveState(save);
    const std::int32_t fields[2] = {m_TrainChanged, m_OnTrain};
    save->BeginWriteChunk("TRAIN_CHANGED");
    save->Write(fields, sizeof fields);
    save->EndWriteChunk();
    return 1;
}

int XUniverse01::Start(int mode, XChunkFile* save) {
    if (mode == 1) {
        if (g_App) g_App->PlayVideo("Prologue", "Prologue", 0, 1);
    } else {
        PlaySound("U01", 1);
    }
    if (m_Pilot) m_Pilot->SetSphereOffsetZ(37.0f);
    if (!XScene::Start(mode, save)) return 0;
    InitSpeaker("U01_01", "", "$$$DUMMY.*01SParle", 0, 8, nullptr);
    InitSpeaker("U01_02", "", "$$$DUMMY.*02SParle", 0, 8, nullptr);

    m_MayorAnim = Anim("*U01_02");
    m_Mayor = Node("*U01_02");
    m_Character1Anim = Anim("*U01_01");
    m_Character1 = Node("*U01_01");
    m_Train = Node("*U01_20");
    m_TrainAnim = m_Animations ? m_Animations->Current("*U01_20") : nullptr;
    if (m_OnTrain && m_Pilot && m_Train) m_Pilot->m_Ground = m_Train->m_Object;
    // A train restored on its second track rides that track.
    if (m_TrainChanged && m_TrainAnim && m_TrainAnim->m_SubCount > 0) {
        if (XAnimation* second = m_TrainAnim->FindSub("Train2", 1)) m_TrainAnim = second;
    }
    XAnimation* points = Anim("*U01_21");
    m_SwitchOn = points && points->m_Frame >= 2.0f ? 1 : 0;
    if (ZeltObject* ernest = FindObject("*Ernest", 1)) SetCollisionOff(ernest, 1);
    if (ZeltObject* carpet = FindObject("tapiroug*", 0)) carpet->lineTestExcluded = 1;
    if (mode != 1) return 1;

    // The opening: the companion speaks, the mayor welcomes the player and
    // holds out his card.
    PlaySound("U01", 1);
    Sequence hold;
    SetCursorValueOf(m_Mayor, 0);
    SetCursorValueOf(m_Character1, 0);
    if (XInventoryPanel* inventory = XInventoryPanel::Current())
        if (!inventory->HasObject("U02_01P")) inventory->AddObject("U02_01P");
    if (m_Pilot) {
        const ZeltVector eye{-258.44f, -508.2f, 29.546f};
        m_Pilot->SetPositionVec(&eye);
        m_Pilot->SetAngles(1.31f, kLevel);
    }
    Run(1500);
    m_ActionsEnabled = 0;
    {
        NoEscape noEscape;
        Say("U01_01", "d1_01");
        if (m_Pilot) {
            m_Pilot->TravelTowardObject(1000, FindInTree(m_Character1 ? m_Character1->m_Object : nullptr, "TETE", 1));
            const ZeltVector a{-405.67f, -494.31f, 29.5f}, b{-468.4f, -481.3f, 29.5f};
            m_Pilot->Travel(2500, &a, 2.9f, kKeep, kKeep);
            m_Pilot->Travel(800, &b, 1.76f, kKeep, kKeep);
        }
        WaitWhilePlaying(m_SoundA);
        Run(1000);
        if (m_Actions && m_Actions->m_Table[1]) m_Actions->m_Table[1]->Execute();
        XAnimation* clock = Anim("*U01_03");
        if (clock) clock->Play(0);
        float fov = 90.0f;
        if (m_Pilot) {
            m_Pilot->TravelTowardObject(1000, FindInTree(m_Mayor ? m_Mayor->m_Object : nullptr, "TETE", 1));
            Run(400);
            fov = m_Pilot->m_Camera ? m_Pilot->m_Camera->fov : m_Pilot->m_Fov;
            const ZeltVector c{-466.36f, -452.495f, 30.48f};
            m_Pilot->Travel(1400, &c, 4.7f, kKeep, kKeep);
            m_Pilot->Travel(1800, &c, 4.7f, 1.4908f, 45.0f);
        }
        WaitWhileSpeaking();
        if (m_SoundA) m_SoundA->Stop();
        if (m_SoundB) m_SoundB->Stop();
        if (clock) clock->Play(1);
        if (m_Pilot) {
            const ZeltVector here = CameraPosition();
            m_Pilot->Travel(600, &here, kKeep, kLevel, fov);
        }
        // The card, held out until it is taken.
        if (m_MayorAnim) {
            char file[400];
            std::snprintf(file, sizeof file, "%sAnim/U01_02/Action03.A3D", m_Dir);
            if (XAnimation* give = m_MayorAnim->AddSub(file, "GiveCard", 1, 1)) {
                give->m_Loop = 0;
                DebugOut("Universe 1: the mayor holds out his card");
            }
        }
        if (m_Pilot) m_Pilot->m_CanMove = m_Pilot->m_CanTurn = 0;
    }
    SetCursorValueOf(m_Character1, 3);
    m_ActionsEnabled = 1;
    return 1;
}

// ---------------------------------------------------------------------------
// Clicks

int XUniverse01::OnLButtonDown(int x, int y) {
    const int answer = XUniverse::OnLButtonDown(x, y);
    // The ladder climbs again once it has been climbed.
    if (m_PickedNode && m_Actions && m_Actions->m_DoneFlags[20] && NamesMatch(m_PickedNode->m_Name, "*U01_09", 1) &&
        CameraPosition().z < 100.0f)
        ClimbRoof();
    return answer;
}

void XUniverse01::TakeCard() {
    XAnimation* give = m_MayorAnim && m_MayorAnim->m_SubCount > 1 ? m_MayorAnim->m_Subs[1] : nullptr;
    if (give) {
        give->m_Backward = 1;
        give->StopAt(1.0f, 1);
        WaitAnimation(give);
    }
    if (m_MayorAnim) {
        m_MayorAnim->SelectSub(0, 1);
        m_MayorAnim->SetFrame(1.0f);
    }
    if (m_Pilot) m_Pilot->m_CanMove = m_Pilot->m_CanTurn = 1;
    SetCursorValueOf(m_Mayor, 3);
    DebugOut("Universe 1: the card is taken");
}

void XUniverse01::ClickMayor() {
    const char* line = "d1_04";
    if (g_MayorFirstGreeting) g_MayorFirstGreeting = 0;
    else if (Random() * 2 / kRandomMax != 1) line = "d1_05";
    Say("U01_02", line);
}

void XUniverse01::OpenDoor() {
    XAnimation* door = Anim("*U01_07");
    if (door) {
        door->m_Backward = 0;
        door->m_Speed = 2.5f;
        door->StopAt(12.0f, 1);
    }
    const ZeltVector at = PositionOf(Node("*U01_07"));
    PlayPointSound2(Name("OpenDoor"), &at, 0);
}

void XUniverse01::CloseDoor() {
    const ZeltVector at = PositionOf(Node("*U01_07"));
    PlayPointSound2(Name("CloseDoor.wav"), &at, 0);
    if (XAnimation* door = Anim("*U01_07")) {
        door->m_Backward = 1;
        door->m_Speed = 4.0f;
        door->StopAt(0.0f, 1);
    }
}

void XUniverse01::TakeClockCard() { SetCursorValueOf("*U01_11", 2); }

void XUniverse01::OpenCabinet() {
    XAnimation* cabinet = Anim("*U01_13");
    if (!cabinet) return;
    const bool open = cabinet->m_Frame == 10.0f;
    cabinet->m_Backward = open ? 1 : 0;
    cabinet->StopAt(open ? 0.0f : 10.0f, 1);
}

void XUniverse01::LowerLever() {
    if (XAnimation* lever = Anim("*U01_14")) lever->StopAt(10.0f, 1);
}

void XUniverse01::OpenDrawer(const char* name) {
    XAnimation* drawer = FindAnimation(name, 0);
    if (!drawer) return;
    drawer->SetRange(0, 10);
    if (drawer->m_Frame != 10.0f) {
        if (drawer->m_Frame <= 1.0f && m_SoundB) m_SoundB->Stop();
        drawer->m_Backward = 0;
        drawer->StopAt(10.0f, 1);
    } else {
        if (m_SoundB) m_SoundB->Stop();
        drawer->m_Backward = 1;
        drawer->StopAt(0.0f, 1);
    }
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s1_05"), &eye, 0);
}

void XUniverse01::ClickTelephone() {
    XAnimation* phone = Anim("*U01_11");
    XObject3D* node = Node("*U01_11");
    const ZeltVector at = PositionOf(node);
    const int count = m_Actions ? m_Actions->m_DoneCounts[10] : 0;
    if (count % 2 == 1) {
        // The receiver is lifted.
        if (phone) phone->m_Backward = 0;
        if (m_Actions && m_Actions->m_DoneFlags[16]) {
            SetCursorValueOf(node, 0);
            if (m_Actions->m_Table[10]) m_Actions->m_Table[10]->SetCondition("FALSE");
            CallSequence(phone);
        } else {
            PlayPointSound2(Name("TelGrisi"), &at, 0);
            while (Live() && m_SoundB && m_SoundB->IsPlaying() && !KeyPressed(platform::VK_RETURN)) {
                Run(0);
                Step();
            }
            DeleteRingingTone();
            m_Sources[2] = new XSoundSource(4, 50.0f * m_Scale);
            char tone[400];
            std::snprintf(tone, sizeof tone, "%sSound/TelGrisi2.wav", m_Dir);
            m_Sources[2]->Play(tone, &at, 1);
        }
        if (phone) phone->Play(0);
    } else {
        // Hung up. A game loaded with the receiver lifted has no ringing tone
        // playing: there is nothing to stop then.
        if (phone) {
            phone->m_Backward = 1;
            phone->Play(0);
            WaitAnimation(phone);
        }
        DeleteRingingTone();
        PlayPointSound2(Name("TelGrisi"), &at, 0);
    }
    if (count == 1 && m_Actions) {
        for (int id : {4, 5, 6})
            if (m_Actions->m_Table[id]) m_Actions->m_Table[id]->SetCondition("FALSE");
        SetCursorValueOf(m_Character1, 0);
    }
}

void XUniverse01::CallSequence(XAnimation* phone) {
    Sequence hold;
    if (phone) {
        phone->m_Backward = 0;
        phone->Play(0);
    }
    if (!m_Actions || m_Actions->m_DoneFlags[24]) return;
    if (m_Actions->m_Table[24]) m_Actions->m_Table[24]->Execute();
    if (m_Actions->m_Table[19]) m_Actions->m_Table[19]->SetCondition("TRUE");
    if (m_Pilot) {
        const ZeltVector a{433.79f, -91.1468f, 24.7812f};
        m_Pilot->Travel(1500, &a, 2.8432f, 1.0708f, kKeep);
    }
    WaitWhilePlaying(m_SoundA);
    if (m_Pilot) {
        const ZeltVector b{421.145f, -69.187f, 24.78f};
        m_Pilot->Travel(1000, &b, 0.6431f, kKeep, kKeep);
    }
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("CloseDoor"), &eye, 0);
    CloseDoor();
    // Someone is coming: twenty seconds to get up on the roof.
    if (m_Gauge) m_Gauge->Start(20.0f, 1, "", 0);
    DebugOut("Universe 1: Ernest is coming");
    SetCursorValueOf("*U01_08", 4);
}

void XUniverse01::ClimbRoof() {
    Sequence hold;
    if (m_Gauge) m_Gauge->Clear();
    if (ZeltObject* top = FindObject("*U01_10", 0)) Zelt_Object_Unhide(top, 1);
    if (!m_Pilot) return;
    const ZeltVector foot{439.8334f, -50.66f, 28.2052f};
    m_Pilot->Travel(1000, &foot, kKeep, kLevel, kKeep);
    const ZeltVector here = CameraPosition();
    m_Pilot->Travel(800, &here, -0.45f, kKeep, kKeep);
    Run(500);
    const ZeltVector top{439.8334f, -50.66f, 110.637f};
    const ZeltVector eye = CameraPosition();
    const float dx = top.x - eye.x, dy = top.y - eye.y, dz = top.z - eye.z;
    const float step = std::sqrt(dx * dx + dy * dy + dz * dz) / 7.0f;
    for (int i = 0; i < 5; ++i) {
        const ZeltVector rung{top.x, top.y, CameraPosition().z + step};
        m_Pilot->Travel(500, &rung, kKeep, kKeep, kKeep);
        Run(200);
    }
    const ZeltVector roof{469.932f, -40.2943f, 110.637f}, raised{485.775f, -44.9f, 139.0f};
    m_Pilot->Travel(1500, &roof, 7.2731f, kKeep, kKeep);
    m_Pilot->Travel(1200, &raised, kKeep, kKeep, kKeep);
    m_Pilot->SetSphereOffsetZ(20.0f);
}

void XUniverse01::ToggleSwitch() {
    XAnimation* points = Anim("*U01_21");
    if (points) {
        points->m_Loop = 0;
        points->Play(0);
    }
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s1_13"), &eye, 0);
    if (!m_Pilot) return;
    const float theta = m_Pilot->m_Theta, phi = m_Pilot->m_Phi;
    auto view = [this](const ZeltVector& at, float t, float p, unsigned ms) {
        m_Pilot->SetPositionVec(&at);
        m_Pilot->SetAngles(t, p);
        Run(ms);
    };
    if (m_SwitchOn) {
        if (points) {
            points->m_Backward = 1;
            points->StopAt(0.0f, 1);
        }
        m_SwitchOn = 0;
        DebugOut("Universe 1: the points back to the loop");
        view(kSwitchViewA, kSwitchViewATheta, kSwitchViewAPhi, 1200);
        view(kSwitchViewB, kSwitchViewBTheta, kLevel, 1500);
    } else {
        m_SwitchOn = 1;
        DebugOut("Universe 1: the points set for the second track");
        if (points) {
            points->m_Backward = 0;
            points->StopAt(100.0f, 1);
        }
        Run(600);
        view(kSwitchViewB, kSwitchViewBTheta, kLevel, 1500);
        view(kSwitchViewA, kSwitchViewATheta, kSwitchViewAPhi, 1200);
    }
    m_Pilot->SetPositionVec(&eye);
    m_Pilot->SetAngles(theta, phi);
    Run(0);
}

// ---------------------------------------------------------------------------
// Per frame: the train and the gauge

int XUniverse01::Step() {
    ZeltObject* train = m_Train ? m_Train->m_Object : nullptr;
    if (m_Pilot) {
        m_OnTrain = train && m_Pilot->m_Ground == train ? 1 : 0;
        if (m_OnTrain) {
            m_Pilot->m_Collision = 0;
            if (KeyPressed(platform::VK_UP)) Ride();
            else m_Pilot->Step();  // a second key step while standing on the train
            ZeltVector eye = CameraPosition();
            m_Pilot->GroundCheck(&eye);
            if (m_Pilot->m_Ground != train) m_Pilot->m_Collision = 1;
        }
    }
    const int result = XScene::Step();
    if (m_Pilot && train && m_Pilot->m_Ground == train && !KeyPressed(platform::VK_UP) && m_SoundB) m_SoundB->Stop();
    return result;
}

void XUniverse01::Ride() {
    if (!m_TrainAnim || !m_Train || !m_Train->m_Object || !m_Pilot) return;
    m_TrainAnim->Step();
    ZeltVector p{}, t{};
    Zelt_Object_Get_Global_Position(m_Train->m_Object, &p);
    ZeltObject* marker = FindObject("*U01_23", 1);
    if (!marker) return;
    Zelt_Object_Get_Global_Position(marker, &t);
    ZeltVector eye = CameraPosition();
    if (m_SoundB && m_SoundB->IsPlaying()) m_SoundB->m_Position = eye;
    else PlayPointSound2(Name("s1_12"), &eye, 1);
    p.z = t.z + 18.0f;
    ZeltVector d{t.x - p.x, t.y - p.y, t.z + 10.0f - p.z};
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (length > 0.0f) d = {d.x / length, d.y / length, d.z / length};
    const ZeltVector camera{p.x - 40.0f * d.x, p.y - 40.0f * d.y, p.z - 20.0f * d.z};
    m_Pilot->SetPositionVec(&camera);
    m_Pilot->LookAt(&p, &t);
    m_Pilot->SetAngles(m_Pilot->m_Theta, kLevel);

    if (m_TrainChanged) {
        // The end of the second track: on to universe 2.
        if (m_TrainAnim->m_Frame < static_cast<float>(m_TrainAnim->Last())) return;
        // The cursor stays off: the next universe's loading takes over.
        if (g_Cursor) g_Cursor->SetEnabled(0, 0);
        FadeOut(2000);
        if (g_App) g_App->m_CursorShown = 0;
        eye = CameraPosition();
        PlayPointSound2(Name("s1_12"), &eye, 1);
        if (g_SoundManager) g_SoundManager->StopChannel(1);
        for (float dist = 0.0f; dist < 60.0f * m_Scale && Live();) {
            dist += 10.0f;
            if (m_SoundB) m_SoundB->SetDistance(dist);
            Run(20);
        }
        DebugOut("Universe: leaving for 2");
        if (g_App && g_App->m_Game) g_App->m_Game->ChangeUniverse(2);
        return;
    }
    if (m_SwitchOn && std::abs(static_cast<int>(m_TrainAnim->m_Frame) - 90) <= 1) {
        // The points send the train onto the second track.
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U01_20A.A3D", m_Dir);
        XAnimation* second = m_TrainAnim->AddSub(file, "Train2", 1, 1);
        if (!second) return;
        m_TrainChanged = 1;
        DebugOut("Universe 1: the train takes the second track");
        ZeltObject* parent = m_Train->m_Object->parent;
        second->Bind(second->m_Anim, parent, 10.0f, 0, 1);
        second->m_Frame = 15.0f;
        m_TrainAnim = second;
    }
}

int XUniverse01::Render() {
    const int result = XScene::Render();
    if (m_Gauge && m_Gauge->Finished(1)) GaugeRanOut();
    return result;
}

void XUniverse01::GaugeRanOut() {
    // Ernest is back and finds the player in his office.
    DebugOut("Universe 1: too late, Ernest is back");
    // The cursor stays off until the menu takes it back.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("S1_10"), &eye, 0);
    WaitWhilePlaying(m_SoundB);
    if (XObject3D* ernest = Node("*Ernest")) ernest->Show("", 1, 0);
    XObject3D* doorNode = Node("*U01_07");
    if (m_Pilot && doorNode) m_Pilot->TravelTowardObject(100, doorNode->m_Object);
    XAnimation* door = Anim("*U01_07");
    if (door) door->SetFrame(2.0f);
    OpenDoor();
    eye = CameraPosition();
    PlayPointSound(Name("s1_11"), &eye);
    WaitAnimation(door);
    if (m_Pilot) {
        const ZeltVector to{486.0585f, -107.99f, 24.0f};
        m_Pilot->Travel(1000, &to, 0.0831f, 1.95f, kKeep);
        m_Pilot->Travel(2000, nullptr, 0.1631f, 2.19f, 35.0f);
    }
    FadeOut(2000);
    Fail();
}
