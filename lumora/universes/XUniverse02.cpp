#include "lumora/universes/XUniverse02.h"

#include <algorithm>
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
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Random.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"
#include "platform/Types.h"

int g_DepartureWarning = 1;

namespace {

const char* const kOperations[] = {"ClickControleur", "ClickGuichetier", "Donner100FrsAGuichetier", "ReTake100Frs",
                                   "ClickVendeuse",   "AcheterMarron",   "PieVoleur",               "ClicDoor",
                                   "TakePlanche",     "PoserPlanche",    "MarronToPie",             "ClickRonfle",
                                   "Sonner",          "AcheterTicket",   "TakeTicket",              "MonterDansTrain",
                                   nullptr};

constexpr float kSquare = -7.47f;
// Where the player arrives, and what he looks at first.
constexpr ZeltVector kArrival{240.0f, -900.0f, kSquare + 60.0f};
constexpr ZeltVector kKiosk{240.0f, -700.0f, kSquare + 55.0f};
// The magpie strikes when the camera comes this near its point.
constexpr ZeltVector kMagpiePoint{1280.0f, -564.0f, -7.15f};
constexpr float kMagpieReach = 240.0f;
constexpr float kMagpieLastFrame = 240.0f;
// Where the ticket lands when the magpie lets it go: the bench under its
// second lamp.
constexpr ZeltVector kTicketDrop{1160.0f, -445.0f, kSquare + 20.0f};
constexpr float kDepartureSeconds = 90.0f;

struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

XInventoryPanel* Inventory() { return XInventoryPanel::Current(); }

// The carried object is put down (used up or taken away).
void PutDownCarried() {
    if (!g_Cursor || g_Cursor->GetMode() != XCursor::kModeObject) return;
    if (g_Cursor->GetObjectName()[0])
        if (XInventoryPanel* panel = Inventory()) panel->RemoveObject(g_Cursor->GetObjectName());
    g_Cursor->StopAnimation();
    g_Cursor->Select(0, 0, 0);
}

// The level direction of the view.
ZeltVector Ahead(float theta) {
    ZeltVector d{};
    Zelt_Convert_From_Polar(&d, theta, XUniverse::kLevel);
    return d;
}

float Distance(const ZeltVector& a, const ZeltVector& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

XUniverse02::~XUniverse02() = default;

const char* const* XUniverse02::OperationNames() const { return kOperations; }

void XUniverse02::RunOperation(int index) {
    switch (index) {
        case 0: ClickController(); break;
        case 1: ClickClerk(); break;
        case 2: GiveNoteToClerk(); break;
        case 3: TakeNoteBack(); break;
        case 4: ClickSeller(); break;
        case 5: BuyChestnuts(); break;
        case 6: ArmMagpie(); break;
        case 7: ClickDoor(); break;
        case 8: TakePlank(); break;
        case 9: LayPlank(); break;
        case 10: ChestnutsToMagpie(); break;
        case 11: ClickSnorer(); break;
        case 12: RingBell(); break;
        case 13: BuyTicket(); break;
        case 14: TakeTicket(); break;
        case 15: BoardTrain(); break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Loading, starting, saved games

void XUniverse02::RepairNames(XUniverse& scene) {
    // Two planks share a name in the asset files: the second one (laid over
    // the water) is found while the first is named aside.
    if (ZeltObject* first = scene.RenameObject("*U02_07", "*U02_07b")) {
        scene.RenameObject("*U02_07", "*U02_07a");
        std::snprintf(first->name, sizeof first->name, "*U02_07");
    }
}

int XUniverse02::Load(const char* listName) {
    PlaySound("s1_15", 1);
    if (!XScene::Load(listName)) return 0;
    RepairNames(*this);
    return 1;
}

int XUniverse02::RestoreState(XChunkFile* save) {
    if (!XScene::RestoreState(save)) return 0;
    if (save && save->BeginReadChunk("TIMEVENDEUSE")) {
        std::int32_t fields[4] = {0, 10000, 0, 0};
        if (save->Read(fields, sizeof fields)) {
            m_SellerLastCall = static_cast<std::uint32_t>(fields[0]);
            m_SellerInterval = fields[1];
            m_SellerSuspended = fields[2];
            m_MagpieState = std::clamp(fields[3], 0, 2);
        }
        save->EndReadChunk();
    }
    return 1;
}

int XUniverse02::SaveState(XChunkFile* save) {
    if (!save) return 0;
    XScene::SaveState(save);
    const std::int32_t fields[4] = {static_cast<std::int32_t>(m_SellerLastCall), m_SellerInterval, m_SellerSuspended,
                                    m_MagpieState};
    save->BeginWriteChunk("TIMEVENDEUSE");
    save->Write(fields, sizeof fields);
    save->EndWriteChunk();
    return 1;
}

int XUniverse02::Start(int mode, XChunkFile* save) {
    if (!XScene::Start(mode, save)) return 0;
    InitSpeaker("U02_02", "", "$$$DUMMY.*U02Parle", 0, 8, nullptr);
    InitSpeaker("U02_03", "", "$$$DUMMY.*U_03Parle", 0, 8, nullptr);
    InitSpeaker("U02_04", "", "$$$DUMMY.*visage", 0, 8, nullptr);

    m_Magpie = Node("*U02_05");
    m_MagpieAnim = Anim("*U02_05");
    m_Controller = Node("*U02_02");
    if (m_MagpieAnim && !m_MagpieAnim->FindSub("PieVoleur", 1)) {
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U02_05/PieVoleur.A3D", m_Dir);
        if (XAnimation* flight = m_MagpieAnim->AddSub(file, "PieVoleur", 1, 0)) {
            flight->m_Loop = 0;
            flight->m_Speed = 30.0f;
        }
    }
    // A magpie that already struck sits on the lamp by the water.
    if (m_MagpieState == kMagpieDone && m_MagpieAnim) {
        if (XAnimation* flight = m_MagpieAnim->FindSub("PieVoleur", 1)) {
            m_MagpieAnim->SelectSub(1, 1);
            flight->SetFrame(kMagpieLastFrame);
            flight->Play(1);
        }
    }
    // The ticket the magpie dropped still lies on the bench.
    if (m_Actions && m_Actions->m_DoneFlags[13] && !m_Actions->m_DoneFlags[12]) DropTicket();
    // A clock value of another program run counts from now.
    const std::uint32_t now = platform::timeGetTime();
    if (mode == 1 || !save || m_SellerLastCall > now) m_SellerLastCall = now;
    if (mode != 1) return 1;

    // A new visit: the player steps off the local train by the kiosk and
    // looks across the dock to the train to Rouen.
    if (XInventoryPanel* inventory = Inventory())
        if (!inventory->HasObject("U02_01P")) inventory->AddObject("U02_01P");
    {
        Sequence hold;
        if (m_Pilot) {
            m_Pilot->SetPositionVec(&kArrival);
            m_Pilot->LookAt(&kArrival, &kKiosk);
            m_Pilot->SetAngles(m_Pilot->m_Theta, kLevel);
        }
        Run(1000);
        if (m_Pilot && m_Controller) {
            const float theta = m_Pilot->m_Theta;
            m_Pilot->TravelTowardObject(1500, FindInTree(m_Controller->m_Object, "TETE", 1));
            Run(1200);
            m_Pilot->Travel(1200, nullptr, theta, kLevel, kKeep);
        }
        DebugOut("Universe 2: arrived at the harbour");
    }
    if (g_App && g_App->m_Game) g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    return 1;
}

// ---------------------------------------------------------------------------
// Clicks

void XUniverse02::ClickController() {
    if (m_Gauge && m_Gauge->IsRunning()) {
        Say("U02_02", "d1_24");
        return;
    }
    // The departure is announced: the player has a minute and a half.
    Say("U02_02", "d1_23");
    if (m_Gauge) m_Gauge->Start(kDepartureSeconds, 1, "", 0);
    DebugOut("Universe 2: the train leaves in %d s", static_cast<int>(kDepartureSeconds));
}

void XUniverse02::ClickClerk() { Say("U02_04", "d1_19"); }

void XUniverse02::GiveNoteToClerk() {
    // No change for a 100-franc note: he lays it on the counter.
    Say("U02_04", "d1_20");
    if (XObject3D* note = Node("*U02_01")) {
        note->Show("", 1, 0);
        SetCursorValueOf(note, 4);
    }
}

void XUniverse02::TakeNoteBack() {
    Say("U02_04", "d1_22");
    m_SellerInterval = 15000;
}

void XUniverse02::ClickSeller() {
    Say("U02_03", "d1_15");
    m_SellerLastCall = platform::timeGetTime();
    m_SellerInterval = 30000;
}

void XUniverse02::BuyChestnuts() {
    Say("U02_03", "d1_16");
    if (XInventoryPanel* inventory = Inventory()) {
        if (!inventory->HasObject("U02_10P")) inventory->AddObject("U02_10P");
        if (!inventory->HasObject("U02_11P")) inventory->AddObject("U02_11P");
    }
    m_SellerLastCall = platform::timeGetTime();
    m_SellerInterval = 60000;
    DebugOut("Universe 2: chestnuts and change");
}

void XUniverse02::ArmMagpie() {
    Say("U02_04", "d1_29");
    if (m_MagpieState == kMagpieWaiting) m_MagpieState = kMagpieArmed;
    DebugOut("Universe 2: the magpie has seen the ticket");
}

void XUniverse02::ClickDoor() {
    XAnimation* door = Anim("*U02_13");
    if (!door) return;
    const bool open = door->m_Frame >= 6.0f;
    door->m_Backward = open ? 1 : 0;
    door->StopAt(open ? 0.0f : 12.0f, 1);
    const ZeltVector at = PositionOf(Node("*U02_13"));
    PlayPointSound2(Name("s1_20"), &at, 0);
}

void XUniverse02::TakePlank() {
    const ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s1_21"), &eye, 0);
}

void XUniverse02::LayPlank() {
    if (XObject3D* plank = Node("*U02_07a")) plank->Show("", 1, 0);
    const ZeltVector at = PositionOf(Node("*U02_07a"));
    PlayPointSound2(Name("s1_21"), &at, 0);
    DebugOut("Universe 2: the plank lies over the water");
}

void XUniverse02::ChestnutsToMagpie() {
    Sequence hold;
    const ZeltVector at = PositionOf(m_Magpie);
    PlayPointSound2(Name("s1_17"), &at, 0);
    SetCursorValueOf(m_Magpie, 0);
    DropTicket();
    Say("U02_03", "d1_28");
    WaitWhilePlaying(m_SoundA);
}

void XUniverse02::DropTicket() {
    XObject3D* ticket = Node("*U02_12");
    if (!ticket) return;
    ticket->SetPosition("", kTicketDrop.x, kTicketDrop.y, kTicketDrop.z, 0);
    ticket->Show("", 1, 0);
    SetCursorValueOf(ticket, 4);
    DebugOut("Universe 2: the magpie drops the ticket");
}

void XUniverse02::ClickSnorer() {
    const ZeltVector at = PositionOf(Node("*U02_04"));
    PlayPointSound2(Name("s1_18"), &at, 0);
    Say("U02_04", "d1_17");
}

void XUniverse02::RingBell() {
    Say("U02_04", "d1_18");
    DebugOut("Universe 2: the clerk is awake");
}

void XUniverse02::BuyTicket() {
    Say("U02_04", "d1_21");
    if (XObject3D* ticket = Node("*U02_12")) {
        ticket->Show("", 1, 0);
        SetCursorValueOf(ticket, 4);
    }
}

void XUniverse02::TakeTicket() {
    m_SellerInterval = 20000;
    DebugOut("Universe 2: the ticket is back");
}

void XUniverse02::BoardTrain() {
    // Only from the platform: the controller does not reach across the water.
    if (CameraPosition().z - (m_Pilot ? m_Pilot->m_Height : 60.0f) < kPlatform - 5.0f) {
        Say("U02_02", "d1_25");
        return;
    }
    Sequence hold;
    m_SellerSuspended = 1;
    if (m_Actions && m_Actions->m_Table[1]) m_Actions->m_Table[1]->SetCondition("FALSE");
    if (m_Gauge) m_Gauge->Clear();
    PutDownCarried();
    if (XInventoryPanel* inventory = Inventory()) inventory->RemoveObject("U02_12P");
    XAnimation* aside = nullptr;
    if (XAnimation* controller = Anim("*U02_02")) {
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U02_02/ACTION02.A3D", m_Dir);
        aside = controller->AddSub(file, "LaisserEntrer", 1, 1);
        if (aside) {
            aside->m_Loop = 0;
            aside->m_Speed = 30.0f;
            aside->Play(0);
        }
    }
    Say("U02_02", "d1_33");
    DebugOut("Universe 2: the controller lets the player in");
    if (aside) {
        const unsigned start = platform::timeGetTime();
        while (Live() && !aside->m_Stopped && !KeyPressed(platform::VK_RETURN) && platform::timeGetTime() - start < 20000) {
            Run(0);
        }
    }
    if (m_Pilot) {
        // Up to the door, in, and along to a seat.
        const ZeltVector front{900.0f, 120.0f, kPlatform + 60.0f}, door{900.0f, 195.0f, kPlatform + 60.0f};
        const ZeltVector in{900.0f, 240.0f, 30.93f + 60.0f}, seat{880.0f, 255.0f, 30.93f + 60.0f};
        m_Pilot->m_Collision = 0;
        m_Pilot->Travel(1200, &front, -kLevel, kLevel, kKeep);
        m_Pilot->Travel(800, &door, kKeep, kKeep, kKeep);
        m_Pilot->Travel(800, &in, kKeep, kKeep, kKeep);
        m_Pilot->Travel(1000, &seat, 3.1415927f, kKeep, kKeep);
    }
    ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s1_22"), &eye, 0);
    WaitWhilePlaying(m_SoundA);
    WaitWhilePlaying(m_SoundB);
    if (g_App) g_App->PlayVideo("LeHavRou", "s6_1", 0, 1);
    DebugOut("Universe: leaving for 3");
    if (g_App && g_App->m_Game) g_App->m_Game->ChangeUniverse(3);
}

// ---------------------------------------------------------------------------
// Per frame: the seller, the magpie, the departure, the water

int XUniverse02::Render() {
    const int result = XScene::Render();
    if (!Live() || (g_Cursor && !g_Cursor->IsEnabled())) return result;
    SellerCalls();
    if (m_MagpieState == kMagpieArmed && m_Pilot && Distance(CameraPosition(), kMagpiePoint) < kMagpieReach) MagpieSequence();
    DepartureGauge();
    ZeltObject* water = nullptr;
    if (XObject3D* node = Node("*U02_08")) water = node->m_Object;
    if (m_Pilot && water && m_Pilot->m_Ground == water) FallIntoWater();
    return result;
}

void XUniverse02::SellerCalls() {
    const std::uint32_t now = platform::timeGetTime();
    if (m_SellerSuspended || static_cast<int>(now - m_SellerLastCall) < m_SellerInterval) return;
    if (m_SoundA && m_SoundA->IsPlaying()) return;
    const int r = Random() * 3 / kRandomMax;
    Say("U02_03", r == 1 ? "d1_12" : r == 2 ? "d1_13" : "d1_14");
    m_SellerLastCall = now;
}

void XUniverse02::MagpieSequence() {
    m_MagpieState = kMagpieDone;
    Sequence hold;
    DebugOut("Universe 2: the magpie strikes");
    XAnimation* flight = m_MagpieAnim ? m_MagpieAnim->FindSub("PieVoleur", 1) : nullptr;
    if (flight) {
        m_MagpieAnim->SelectSub(1, 1);
        flight->m_Backward = 0;
        flight->SetFrame(0.0f);
        flight->Play(0);
    }
    if (m_Pilot && m_Magpie) {
        m_Pilot->TravelTowardObject(400, m_Magpie->m_Object);
        // Startled, the player steps back along his view.
        const ZeltVector from = CameraPosition();
        const float theta = m_Pilot->m_Theta;
        const ZeltVector d = Ahead(theta);
        const ZeltVector to{from.x + 150.0f * d.x, from.y + 150.0f * d.y, from.z};
        m_Pilot->MoveAlong(&from, &to, theta, theta, m_Pilot->m_Phi, m_Pilot->m_Phi, 1000, nullptr);
    }
    // The ticket is gone.
    if (g_Cursor && g_Cursor->GetMode() == XCursor::kModeObject && std::strncmp(g_Cursor->GetObjectName(), "U02_12", 6) == 0)
        PutDownCarried();
    if (XInventoryPanel* inventory = Inventory()) inventory->RemoveObject("U02_12P");
    const ZeltVector at = PositionOf(m_Magpie);
    PlayPointSound2(Name("S1_17"), &at, 0);
    const unsigned start = platform::timeGetTime();
    while (flight && Live() && flight->m_Frame < kMagpieLastFrame && !flight->m_Stopped &&
           platform::timeGetTime() - start < 20000) {
        if (m_Pilot && m_Magpie && m_Magpie->m_Object) {
            ZeltVector bird{};
            Zelt_Object_Get_Global_Position(m_Magpie->m_Object, &bird);
            const ZeltVector eye = CameraPosition();
            m_Pilot->LookAt(&eye, &bird);
        }
        Run(0);
    }
    SetCursorValueOf(m_Magpie, 5);
    if (m_Pilot) m_Pilot->SetAngles(m_Pilot->m_Theta, kLevel);
    DebugOut("Universe 2: the magpie sits on the lamp by the water");
}

void XUniverse02::DepartureGauge() {
    if (!m_Gauge || !m_Gauge->IsRunning()) return;
    if (m_Gauge->Finished(1)) {
        // The train leaves without the player.
        DebugOut("Universe 2: the train has left");
        if (g_Cursor) g_Cursor->SetEnabled(0, 0);
        m_SellerSuspended = 1;
        ZeltVector eye = CameraPosition();
        PlayPointSound2(Name("s1_22"), &eye, 0);
        Say("U02_02", "d1_27");
        WaitWhilePlaying(m_SoundA);
        WaitWhilePlaying(m_SoundB);
        Fail();
        return;
    }
    const float left = (1.0f - m_Gauge->m_Fraction) * static_cast<float>(m_Gauge->m_Duration) / 1000.0f;
    if (g_DepartureWarning && left <= 20.0f && left >= 10.0f) {
        g_DepartureWarning = 0;
        Say("U02_02", "d1_26");
    }
}

void XUniverse02::FallIntoWater() {
    DebugOut("Universe 2: fell into the water");
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    m_SellerSuspended = 1;
    ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s1_19"), &eye, 0);
    // The light goes dim towards 90 over about a second.
    const int steps = std::isfinite(m_FrameRate) ? std::clamp(static_cast<int>(m_FrameRate), 1, 200) : 30;
    const int start[3] = {m_Ambient[0], m_Ambient[1], m_Ambient[2]};
    for (int i = 1; i <= steps && Live(); ++i) {
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = start[k] + (90 - start[k]) * i / steps;
        SetAmbient(c[0], c[1], c[2]);
        Run(10);
    }
    m_Pilot->m_Collision = 0;
    const float theta = m_Pilot->m_Theta;
    const ZeltVector d = Ahead(theta);
    const ZeltVector under{eye.x + m_Scale * d.x, eye.y + m_Scale * d.y, eye.z - (m_Pilot->m_Height - 30.0f)};
    m_Pilot->Fall(&eye, &under);
    m_Pilot->Travel(800, &under, kKeep, 0.5f, 40.0f);
    m_Pilot->Travel(600, nullptr, m_Pilot->m_Theta + 3.0f, kKeep, kKeep);
    m_Pilot->Travel(600, nullptr, m_Pilot->m_Theta + 3.0f, kKeep, kKeep);
    FadeOut(2000);
    Fail();
}
