#include "lumora/universes/XUniverse05.h"

#include <cmath>
#include <cstdio>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"

namespace {

const char* const kOperations[] = {"TestSpeakChef",      "ChienVersPorte",  "MaskGrille",         "LampeTombe",
                                   "OuvrePorteConsigne", "OuvrePorteSalle", "AfficheChefEtChiot", "AfficheCariolle",
                                   "FermePorteConsigne", "DoTableauA",      "DoTableauB",         nullptr};

// The hall's eye height and the place where the opening ends, facing the
// station master's counter.
constexpr float kHallEye = 45.83f;
constexpr ZeltVector kForecourt{250.0f, -900.0f, 47.58f};
constexpr ZeltVector kEntrance{250.0f, -380.0f, kHallEye};
constexpr ZeltVector kCounterView{560.0f, -90.0f, kHallEye};
constexpr float kNorth = 4.712389f;
// Past this y the player has left the station behind: the flight out.
constexpr float kExitY = 928.0f;
constexpr unsigned kFlightMs = 7000;
constexpr float kGaugeSeconds = 40.0f;

// The action ids the script reads (see the universe's tables).
enum : int {
    kBellRung = 1,
    kTicketTaken = 3,
    kLuggageOpened = 4,
    kDogRan = 6,
    kMazoutShutIn = 7,
    kHallOpened = 8,
    kLampFallen = 10,
    kGrilleDown = 16,
};

// Sound names are handed to the scene as writable text.
struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

float ThetaTowards(const ZeltVector& from, const ZeltVector& to) { return std::atan2(-(to.y - from.y), to.x - from.x); }

float PhiTowards(const ZeltVector& from, const ZeltVector& to) {
    const float dx = to.x - from.x, dy = to.y - from.y;
    return XUniverse::kLevel + std::atan2(to.z - from.z, std::sqrt(dx * dx + dy * dy));
}

// A scripted sequence: the cursor held, and the per-frame rules waiting
// until it is over.
class Scripted {
public:
    explicit Scripted(int& busy) : m_Busy(busy) { ++m_Busy; }
    ~Scripted() { --m_Busy; }
    Scripted(const Scripted&) = delete;
    Scripted& operator=(const Scripted&) = delete;

private:
    XUniverse::Sequence m_Hold;
    int& m_Busy;
};

}  // namespace

XUniverse05::XUniverse05() {
    m_Dispatch = kEveryMatch;
    m_NeedsPickedNode = 1;
    m_NoPickAnswer = 1;
}

XUniverse05::~XUniverse05() {
    // The flight's wind is the last sound of the visit.
    if (m_SoundB) m_SoundB->Stop();
}

const char* const* XUniverse05::OperationNames() const { return kOperations; }

void XUniverse05::RunOperation(int index) {
    switch (index) {
        case 0: TestSpeakChef(); break;
        case 1: DogToDoor(); break;
        case 2: MaskGrille(); break;
        case 3: LampFalls(); break;
        case 4: OpenLuggageDoor(); break;
        case 5: OpenHallDoor(); break;
        case 6: ShowChefAndPuppy(); break;
        case 7: ShowCart(); break;
        case 8: CloseLuggageDoor(); break;
        case 9: LookAtPainting("*U05_03", "d4_08"); break;
        case 10: LookAtPainting("*U05_04", "d4_09"); break;
        default: break;
    }
}

int XUniverse05::Done(int id) const { return m_Actions && id >= 0 && id < 256 && m_Actions->m_DoneFlags[id] ? 1 : 0; }

// ---------------------------------------------------------------------------
// Starting

int XUniverse05::Start(int mode, XChunkFile* save) {
    // The asset file's name of the grille, brought in line with the tables.
    RenameObject("Grille01", "*U05_08");
    PlaySound("s4_01a", 1);
    if (!XScene::Start(mode, save)) return 0;
    if (m_Pilot) {
        m_Pilot->SetSphereRadius(32.0f);
        m_Pilot->SetSphereOffsetZ(0.0f);
    }
    InitSpeaker("U05_02", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    InitSpeaker("U04_04", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    m_ChefAnim = Anim("*U05_02");
    m_Chef = Node("*U05_02");
    m_MazoutAnim = Anim("*U04_04");
    m_Mazout = Node("*U04_04");
    m_DogAnim = Anim("*U05_05");
    m_Dog = Node("*U05_05");

    // What the restored actions say about the place.
    if (Done(kGrilleDown)) RemoveObject("*U05_08");
    if (Done(kMazoutShutIn) && m_Mazout) m_Mazout->Show("", 0, 1);
    if (mode != 1) return 1;

    char file[400];
    if (m_DogAnim) {
        std::snprintf(file, sizeof file, "%sAnim/U05_05/Attente.A3D", m_Dir);
        m_DogAnim->AddSub(file, "ChienTourne", 1, 1);
    }
    if (m_MazoutAnim) {
        std::snprintf(file, sizeof file, "%sAnim/U04_04/Attente.A3D", m_Dir);
        m_MazoutAnim->AddSub(file, "MazoutAttente", 1, 1);
    }

    // The opening: from the forecourt into the hall, up to the counter,
    // where nobody waits; Mazout snores by the left-luggage room.
    {
        Scripted hold(m_Busy);
        m_ActionsEnabled = 0;
        if (m_Pilot) {
            m_Pilot->SetPositionVec(&kForecourt);
            m_Pilot->SetAngles(kNorth, kLevel);
            Run(800);
            m_Pilot->Travel(3000, &kEntrance, kNorth, kLevel, kKeep);
            m_Pilot->Travel(1800, &kCounterView, kNorth, kLevel, kKeep);
        }
        const ZeltVector mazout = PositionOf(m_Mazout);
        PlayPointSound(Name("s4_09"), &mazout);
        Run(500);
        m_ActionsEnabled = 1;
    }
    DebugOut("Universe 5: arrived in Paris");
    if (g_App && g_App->m_Game) g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    return 1;
}

// ---------------------------------------------------------------------------
// Handlers

void XUniverse05::TestSpeakChef() {
    Scripted hold(m_Busy);
    const char* line = "d4_12";
    if (Done(kLampFallen)) line = "d4_07";
    else if (Done(kMazoutShutIn)) line = "d4_06";
    else if (Done(kLuggageOpened)) line = "d4_04";
    else if (Done(kTicketTaken)) line = "d4_02";
    Say("U05_02", line);
    WaitWhilePlaying(m_SoundA);
}

void XUniverse05::ShowChefAndPuppy() {
    Scripted hold(m_Busy);
    if (m_Chef) m_Chef->Show("", 1, 0);
    if (m_Dog) m_Dog->Show("", 1, 0);
    if (XObject3D* ticket = Node("*U05_11")) ticket->Show("", 1, 0);
    if (m_Pilot && m_Chef) m_Pilot->TravelTowardObject(600, FindInTree(m_Chef->m_Object, "TETE", 1));
    DebugOut("Universe 5: the station master comes to his counter");
    Say("U05_02", "d4_01");
    WaitWhilePlaying(m_SoundA);
    if (m_Pilot) m_Pilot->Travel(600, nullptr, kNorth, kLevel, kKeep);
}

void XUniverse05::SwingDoor(const char* name, int open) {
    XAnimation* door = Anim(name);
    if (door) {
        door->m_Loop = 0;
        door->m_Backward = open ? 0 : 1;
        door->StopAt(open ? static_cast<float>(door->Last()) : 0.0f, 1);
    }
    const ZeltVector at = PositionOf(Node(name));
    PlayPointSound2(Name(open ? "s4_03" : "s4_07"), &at, 0);
    WaitAnimation(door, 3000);
}

void XUniverse05::OpenLuggageDoor() {
    Scripted hold(m_Busy);
    SwingDoor("*U05_06", 1);
    // The creak wakes Mazout: he has the time of the gauge to catch the player.
    if (m_Pilot && m_Mazout) m_Pilot->TravelTowardObject(600, FindInTree(m_Mazout->m_Object, "TETE", 1));
    Say("U04_04", "d4_03");
    WaitWhilePlaying(m_SoundA);
    if (m_Gauge) m_Gauge->Start(kGaugeSeconds, 1, "", 0);
    DebugOut("Universe 5: Mazout is awake");
}

void XUniverse05::ShowCart() {
    XObject3D* cart = Node("*U05_10");
    if (!cart) return;
    cart->Show("", 1, 0);
    const ZeltVector at = PositionOf(cart);
    PlayPointSound2(Name("s4_08"), &at, 0);
}

void XUniverse05::DogToDoor() {
    Scripted hold(m_Busy);
    XAnimation* run = nullptr;
    if (m_DogAnim) {
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U05_05/VersPorte.A3D", m_Dir);
        run = m_DogAnim->AddSub(file, "ChienVersPorte", 2, 1);
        if (run) {
            run->m_Loop = 0;
            run->m_Speed = 20.0f;
        }
    }
    const ZeltVector at = PositionOf(m_Dog);
    PlayPointSound2(Name("s4_05"), &at, 0);
    if (m_Pilot) {
        const ZeltVector door = PositionOf(Node("*U05_06"));
        const ZeltVector eye = CameraPosition();
        m_Pilot->Travel(800, nullptr, ThetaTowards(eye, door), kLevel, kKeep);
    }
    WaitAnimation(run, 4000);
    if (m_Dog) m_Dog->Show("", 0, 1);
    // Mazout runs after the puppy into the room.
    Say("U04_04", "d4_05");
    if (m_Mazout) m_Mazout->Show("", 0, 1);
    WaitWhilePlaying(m_SoundA);
    DebugOut("Universe 5: the puppy and Mazout are in the left-luggage room");
}

void XUniverse05::CloseLuggageDoor() {
    Scripted hold(m_Busy);
    SwingDoor("*U05_06", 0);
    if (m_Gauge) m_Gauge->Clear();
    DebugOut("Universe 5: Mazout is shut in");
    Say("U05_02", "d4_06");
    WaitWhilePlaying(m_SoundA);
}

void XUniverse05::OpenHallDoor() {
    Scripted hold(m_Busy);
    SwingDoor("*U05_07", 1);
    DebugOut("Universe 5: the hall door is open");
}

void XUniverse05::LampFalls() {
    Scripted hold(m_Busy);
    XAnimation* lamp = Anim("*U05_09");
    if (lamp) {
        lamp->m_Loop = 0;
        lamp->m_Backward = 0;
        lamp->StopAt(static_cast<float>(lamp->Last()), 1);
    }
    WaitAnimation(lamp, 3000);
    const ZeltVector at = PositionOf(Node("*U05_09"));
    PlayPointSound2(Name("s4_06"), &at, 0);
    SetCursorValueOf("*U05_09", 0);
    Run(400);
}

void XUniverse05::MaskGrille() {
    // The grille, its lock broken by the lamp, is pushed aside: out of
    // sight and out of the way.
    RemoveObject("*U05_08");
    DebugOut("Universe 5: the grille is down");
}

void XUniverse05::LookAtPainting(const char* painting, const char* line) {
    Scripted hold(m_Busy);
    XObject3D* node = Node(painting);
    if (!node || !m_Pilot) return;
    const ZeltVector back = CameraPosition();
    const float theta = m_Pilot->m_Theta, phi = m_Pilot->m_Phi;
    ZeltVector centre = PositionOf(node);
    centre.z += 40.0f;
    const ZeltVector before{centre.x, centre.y - 130.0f, kHallEye};
    m_Pilot->Travel(1200, &before, kNorth, PhiTowards(before, centre), kKeep);
    // The station master tells what it shows, once he is at his counter.
    if (Done(kBellRung)) {
        Say("U05_02", line);
        WaitWhilePlaying(m_SoundA);
    } else {
        Run(2000);
    }
    m_Pilot->Travel(1000, &back, theta, phi, kKeep);
}

// ---------------------------------------------------------------------------
// Per frame

int XUniverse05::Render() {
    const int result = XScene::Render();
    if (m_Busy || m_Left) return result;
    if (m_Gauge && m_Gauge->Finished(1)) GaugeRanOut();
    else if (m_Pilot && m_Pilot->m_Position[1] > kExitY) Leave();
    return result;
}

void XUniverse05::GaugeRanOut() {
    ++m_Busy;
    DebugOut("Universe 5: too late, Mazout has caught the player");
    // The cursor stays off until the menu takes it back.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    if (m_Mazout) m_Mazout->Show("", 1, 0);
    XAnimation* grab = nullptr;
    if (m_MazoutAnim) {
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U04_04/Action02.A3D", m_Dir);
        grab = m_MazoutAnim->AddSub(file, "MazoutA03", 3, 1);
        if (grab) grab->m_Loop = 0;
    }
    if (m_Pilot && m_Mazout) m_Pilot->TravelTowardObject(400, FindInTree(m_Mazout->m_Object, "TETE", 1));
    ZeltVector eye = CameraPosition();
    PlayPointSound2(Name("s4_04.wav"), &eye, 0);
    Say("U04_04", "d4_10");
    WaitAnimation(grab, 4000);
    WaitWhilePlaying(m_SoundA);
    FadeOut(2000);
    --m_Busy;
    Fail();
}

void XUniverse05::Leave() {
    m_Left = 1;
    ++m_Busy;
    DebugOut("Universe 5: the flight towards the balloon");
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (m_Pilot) {
        m_Pilot->m_Collision = 0;
        const ZeltVector from = CameraPosition();
        ZeltVector balloon{from.x, from.y + 1500.0f, from.z + 400.0f};
        if (ZeltObject* target = FindObject("*U05_13", 1)) Zelt_Object_Get_Global_Position(target, &balloon);
        // Most of the way there, rising and turning towards it.
        const ZeltVector to{from.x + 0.7f * (balloon.x - from.x), from.y + 0.7f * (balloon.y - from.y),
                            from.z + 0.7f * (balloon.z - from.z)};
        PlayPointSound2(Name("s4_10"), &from, 0);
        m_Pilot->MoveAlong(&from, &to, m_Pilot->m_Theta, ThetaTowards(from, balloon), m_Pilot->m_Phi,
                           PhiTowards(from, balloon), kFlightMs, {});
    }
    --m_Busy;
    LeaveForward(nullptr, 6, 2000);
}
