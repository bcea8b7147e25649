#include "lumora/universes/XUniverse06.h"

#include <cmath>
#include <cstdio>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/XApplication.h"

namespace {

const char* const kOperations[] = {"OpenDoor", "UseArrosoir", "UseBiche", nullptr};

// Where a new visit begins: south of the hut, facing its door.
constexpr ZeltVector kArrival{-500.0f, -150.0f, 25.41f};
constexpr float kNorth = -1.5707964f;  // theta facing +y
// How near the clown may be come (in scale units).
constexpr float kClownReach = 3.0f;

// Sound names are handed to the scene as writable text.
struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

}  // namespace

XUniverse06::XUniverse06() { m_Dispatch = kFirstAlways; }

const char* const* XUniverse06::OperationNames() const { return kOperations; }

void XUniverse06::RunOperation(int index) {
    switch (index) {
        case 0: OpenDoor(); break;
        case 1: UseArrosoir(); break;
        case 2: UseBiche(); break;
        default: break;
    }
}

int XUniverse06::Start(int mode, XChunkFile* save) {
    PlaySound("s4_11", 1);
    if (m_Pilot) m_Pilot->SetSphereOffsetZ(5.0f);
    if (!XScene::Start(mode, save)) return 0;
    InitSpeaker("U06_18", "", "$$$DUMMY.*visage", 0, 8, nullptr);

    m_Door = Node("*U06_17");
    m_DoorAnim = Anim("lourde");
    if (m_DoorAnim) {
        // Bound stopped, where the restored state left it.
        m_DoorAnim->m_Loop = 0;
        m_DoorAnim->m_Stopped = 1;
    }
    m_Clown = Node("*U03_02");
    m_ClownAnim = Anim("*U03_02");
    m_Doe = Node("*U06_21");
    m_DoeAnim = Anim("*U06_21");
    m_Flowers = Anim("Fleurs");
    const int watered = m_Actions && m_Actions->m_DoneFlags[4];
    if (m_Flowers) {
        m_Flowers->m_Loop = 0;
        m_Flowers->SetFrame(watered ? static_cast<float>(m_Flowers->Last()) : 0.0f);
        m_Flowers->m_Stopped = 1;
    }
    if (watered) AllowFollowingTheDoe();
    if (mode != 1) return 1;

    // The opening: the keeper greets the player and warns of the clown.
    Sequence hold;
    if (m_Pilot) {
        m_Pilot->SetPositionVec(&kArrival);
        m_Pilot->SetAngles(kNorth, kLevel);
    }
    Run(800);
    {
        NoEscape noEscape;
        if (XObject3D* keeper = Node("*U06_18"); keeper && m_Pilot) {
            m_Pilot->TravelTowardObject(1000, FindInTree(keeper->m_Object, "TETE", 1));
            Say("U06_18", "d4_20");
            WaitWhilePlaying(m_SoundA);
        }
        if (m_Clown && m_Pilot) {
            m_Pilot->TravelTowardObject(1200, FindInTree(m_Clown->m_Object, "TETE", 1));
            Say("U06_18", "d4_23");
            WaitWhilePlaying(m_SoundA);
        }
        if (m_Pilot) m_Pilot->Travel(1000, &kArrival, kNorth, kLevel, kKeep);
    }
    SaveOnArrival();
    return 1;
}

// ---------------------------------------------------------------------------
// Handlers

void XUniverse06::AllowFollowingTheDoe() {
    // The doe has seen the flowers: she may be followed, the can in hand or not.
    for (int id : {7, 10})
        if (m_Actions && m_Actions->m_Table[id] && !m_Actions->m_DoneFlags[id]) m_Actions->m_Table[id]->SetCondition("TRUE");
    SetCursorValueOf(m_Doe, 5);
}

void XUniverse06::OpenDoor() {
    if (!m_DoorAnim) return;
    const bool open = m_DoorAnim->m_Frame >= 1.0f;
    m_DoorAnim->m_Loop = 0;
    m_DoorAnim->m_Backward = open ? 1 : 0;
    m_DoorAnim->StopAt(open ? 0.0f : static_cast<float>(m_DoorAnim->Last()), 1);
    const ZeltVector at = PositionOf(m_Door);
    PlayPointSound2(Name("s4_12"), &at, 0);
    DebugOut("Universe 6: the heavy door %s", open ? "closes" : "opens");
}

void XUniverse06::UseArrosoir() {
    Sequence hold;
    XObject3D* bed = Node("*U06_20");
    const ZeltVector at = PositionOf(bed);
    if (m_Pilot && bed) m_Pilot->TravelTowardObject(800, bed->m_Object);
    PlayPointSound2(Name("s4_13"), &at, 0);
    if (m_Flowers) {
        m_Flowers->m_Backward = 0;
        m_Flowers->StopAt(static_cast<float>(m_Flowers->Last()), 1);
        WaitAnimation(m_Flowers, 6000);
    }
    AllowFollowingTheDoe();
    if (m_Pilot && m_Doe) {
        m_Pilot->TravelTowardObject(1200, m_Doe->m_Object);
        Run(600);
        const ZeltVector here = CameraPosition();
        m_Pilot->Travel(600, &here, kKeep, kLevel, kKeep);
    }
    DebugOut("Universe 6: the flowers are up, the doe is waiting");
}

void XUniverse06::UseBiche() {
    // The cursor stays off: the next universe's loading takes over.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    NoEscape noEscape;
    // She comes up to the flowers...
    const ZeltVector start = PositionOf(m_Doe);
    PlayPointSound2(Name("s4_15"), &start, 0);
    if (m_DoeAnim) {
        m_DoeAnim->m_Loop = 0;
        m_DoeAnim->m_Backward = 0;
        m_DoeAnim->SetFrame(0.0f);
        m_DoeAnim->StopAt(static_cast<float>(m_DoeAnim->Last()), 1);
    }
    if (m_Pilot && m_Doe) m_Pilot->TravelTowardObject(1000, m_Doe->m_Object);
    WaitAnimation(m_DoeAnim, 8000);
    const ZeltVector near = PositionOf(m_Doe);
    if (m_Pilot) {
        const ZeltVector beside{near.x + 40.0f, near.y + 70.0f, kArrival.z};
        m_Pilot->Travel(1500, &beside, kKeep, kLevel, kKeep);
        m_Pilot->TravelTowardObject(600, m_Doe ? m_Doe->m_Object : nullptr);
    }
    // ...and leads the way back into the wood, the player behind her.
    PlayPointSound2(Name("s4_15"), &near, 0);
    if (m_DoeAnim) {
        m_DoeAnim->m_Backward = 1;
        m_DoeAnim->StopAt(0.0f, 1);
    }
    if (m_Pilot) {
        const ZeltVector wood{start.x + 20.0f, start.y + 60.0f, kArrival.z};
        m_Pilot->Travel(2500, &wood, -kNorth, kLevel, kKeep);
    }
    WaitAnimation(m_DoeAnim, 8000);
    DebugOut("Universe 6: following the doe");
    LeaveForward(nullptr, 7, 1500);
}

// ---------------------------------------------------------------------------
// Per frame: the clown

int XUniverse06::Step() {
    const int result = XScene::Step();
    if (!m_Clown || !m_Clown->m_Object || m_Clown->m_Object->hidden || !m_Pilot || !Live()) return result;
    const ZeltVector eye = CameraPosition(), at = PositionOf(m_Clown);
    if (std::hypot(eye.x - at.x, eye.y - at.y) < kClownReach * m_Scale) Caught();
    return result;
}

void XUniverse06::Caught() {
    DebugOut("Universe 6: the clown has caught the player");
    // The cursor stays off until the menu takes it back.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (g_App) g_App->m_CursorShown = 0;
    const ZeltVector at = PositionOf(m_Clown);
    PlayPointSound2(Name("s4_14"), &at, 0);
    if (m_Pilot) {
        m_Pilot->TravelTowardObject(500, FindInTree(m_Clown->m_Object, "TETE", 1));
        // Spun round and round by the clown.
        const ZeltVector here = CameraPosition();
        m_Pilot->Travel(600, &here, m_Pilot->m_Theta + 3.0f, kKeep, kKeep);
        m_Pilot->Travel(600, &here, m_Pilot->m_Theta + 3.0f, kKeep, kKeep);
    }
    FadeOut(2000);
    Fail();
}
