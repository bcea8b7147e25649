#include "lumora/universes/XUniverse33.h"

#include <cstdio>
#include <string>

#include "cinrey/cinrey.h"
#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/shell/XDisplay.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Types.h"

const int kCountdownImages[15] = {8, 10, 7, 9, 6, 10, 5, 9, 4, 10, 3, 9, 2, 10, 1};

namespace {

const char* const kOperations[] = {"FinTestM06",     "MaskBoiteAllu",       "DoCinema",
                                   "OuvreVolet",     "TransitionInterieurRoulotte", "OuvreTiroirFond",
                                   "OuvreMalle",     "OuvreDiablotin",      "CacheDerriereRideau",
                                   "DoGameOverClown1", "SortRideau",        "PousseMalle",
                                   "OuvrePorte",     "DoParleProjectionniste", "DoCinemaA",
                                   "AttenteFinFlicParle", "TransitionVelo", "OuvrePorteClown",
                                   nullptr};

constexpr float kEye = 68.83f;  // the ground at 8.83, the eye 60 above it
constexpr float kNorth = -1.5707964f;
constexpr float kLookingDown = 1.2f;  // inside the caravan, at the furniture
constexpr float kWide = 90.0f;         // the field of view inside the narrow caravan
constexpr float kOutside = 60.0f;
// Places of the story.
constexpr ZeltVector kArrival{200.0f, -120.0f, kEye};
constexpr ZeltVector kBeforeDoor{205.0f, 60.0f, kEye};
constexpr ZeltVector kInside{205.0f, 118.0f, kEye};
constexpr ZeltVector kBehindCurtain{275.0f, 122.0f, kEye};
constexpr ZeltVector kBackDoor{260.0f, 200.0f, kEye};
constexpr ZeltVector kBehindCaravan{260.0f, 290.0f, kEye};
constexpr ZeltVector kCinemaAisle{330.0f, 250.0f, kEye};
constexpr ZeltVector kSeat{330.0f, 345.0f, kEye};
constexpr ZeltVector kBicycle{380.0f, 570.0f, kEye};

// Sound names are handed to the scene as writable text.
struct Name {
    explicit Name(const char* text) { std::snprintf(m_Text, sizeof m_Text, "%s", text); }
    operator char*() { return m_Text; }
    char m_Text[64];
};

}  // namespace

XUniverse33::XUniverse33() {
    m_Dispatch = kFirstMatch;
    m_NeedsPickedNode = 1;
    m_NoPickAnswer = 1;
}

XUniverse33::~XUniverse33() = default;

const char* const* XUniverse33::OperationNames() const { return kOperations; }

void XUniverse33::RunOperation(int index) {
    switch (index) {
        case 0: FinTestM06(); break;
        case 1: MaskBoiteAllu(); break;
        case 2: DoCinema(); break;
        case 3: OuvreVolet(); break;
        case 4: TransitionInterieurRoulotte(); break;
        case 5: OuvreTiroirFond(); break;
        case 6: OuvreMalle(); break;
        case 7: OuvreDiablotin(); break;
        case 8: CacheDerriereRideau(); break;
        case 9: DoGameOverClown1(); break;
        case 10: SortRideau(); break;
        case 11: PousseMalle(); break;
        case 12: OuvrePorte(); break;
        case 13: DoParleProjectionniste(); break;
        case 14: DoCinemaA(); break;
        case 15: AttenteFinFlicParle(); break;
        case 16: TransitionVelo(); break;
        case 17: OuvrePorteClown(); break;
        default: break;
    }
}

int XUniverse33::IsDone(int id) const { return m_Actions && m_Actions->m_DoneFlags[id] ? 1 : 0; }

// ---------------------------------------------------------------------------
// Starting

int XUniverse33::Start(int mode, XChunkFile* save) {
    char name[16];
    for (int i = 1; i <= 10; ++i) {
        std::snprintf(name, sizeof name, i == 10 ? "*Ecran%i" : "*Ecran0%i", i);
        m_Screens[i] = m_Scene ? Zelt_Scene_Get_Object(m_Scene, name) : nullptr;
        if (m_Screens[i]) SetCollisionOff(m_Screens[i], 1);
    }
    PlaySound("s2_01", 1);
    if (!XScene::Start(mode, save)) return 0;
    InitSpeaker("U03_01", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    InitSpeaker("U03_02", "", "$$$DUMMY.visage", 0, 8, nullptr);
    InitSpeaker("U03_09", "", "$$$DUMMY.visage", 0, 8, nullptr);
    m_Projectionist = Node("*U03_01");
    m_Clown = Node("*U03_02");
    m_Policeman = Node("*U03_09");
    m_ClownAnim = Anim("*U03_02");
    // The policeman is on his round once he has spoken.
    if (IsDone(85) && m_Policeman) m_Policeman->Show("", 0, 1);
    if (mode != 1) return 1;

    if (m_Pilot) {
        m_Pilot->SetSphereRadius(38.5f);
        m_Pilot->SetSphereOffsetZ(19.0f);
        m_Pilot->SetPositionVec(&kArrival);
        m_Pilot->SetAngles(kNorth, kLevel);
    }
    {
        // The opening: the caravan at dusk, its clown asleep before it.
        DebugOut("Universe 33: the caravan at dusk");
        Sequence hold;
        Run(500);
        FaceCharacter(m_Clown, 1000);
        Run(1200);
        if (m_Pilot) m_Pilot->Travel(1000, nullptr, kNorth, kLevel, kKeep);
    }
    if (g_App && g_App->m_Game) g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    return 1;
}

// ---------------------------------------------------------------------------
// Per frame and clicks

int XUniverse33::Render() {
    const int result = XScene::Render();
    if (!m_Gauge || !m_Gauge->Finished(1)) return result;
    if (IsDone(85)) CaughtByPoliceman();
    else if (IsDone(92) && !IsDone(58)) DoGameOverClown1();
    else if (IsDone(92)) ClownSearches();
    return result;
}

int XUniverse33::OnLButtonDown(int x, int y) {
    // The clown stands in the open doorway: whatever the player does next,
    // he grabs him.
    if (IsDone(62) && !IsDone(64)) {
        DoGameOverClown1();
        return 1;
    }
    return XUniverse::OnLButtonDown(x, y);
}

// ---------------------------------------------------------------------------
// Helpers of the handlers

void XUniverse33::Move(const char* name, int open, const char* sound) {
    XAnimation* anim = Anim(name);
    if (anim) {
        anim->m_Loop = 0;
        anim->m_Backward = open ? 0 : 1;
        anim->StopAt(open ? 10.0f : 0.0f, 1);
    }
    if (sound) {
        const ZeltVector at = PositionOf(Node(name));
        PlayPointSound2(Name(sound), &at, 0);
    }
    WaitAnimation(anim, 3000);
}

void XUniverse33::FaceCharacter(XObject3D* character, unsigned ms) {
    if (m_Pilot && character) m_Pilot->TravelTowardObject(ms, FindInTree(character->m_Object, "TETE", 1));
}

void XUniverse33::ShowScreen(int image) {
    for (int i = 1; i <= 10; ++i)
        if (m_Screens[i]) Zelt_Object_Hide(m_Screens[i], 1);
    if (image >= 1 && image <= 10 && m_Screens[image]) Zelt_Object_Unhide(m_Screens[image], 1);
}

// ---------------------------------------------------------------------------
// The caravan

void XUniverse33::OuvreVolet() {
    Sequence hold;
    Move("*U03_20", 1, "s2_05");
    DebugOut("Universe 33: the shutter is open");
}

void XUniverse33::TransitionInterieurRoulotte() {
    Sequence hold;
    // A hand through the window lifts the latch; in, and the door shut behind.
    Move("*U03_21", 1, "s2_07");
    if (m_Pilot) {
        m_Pilot->Travel(1200, &kBeforeDoor, kNorth, kLevel, kKeep);
        m_Pilot->Travel(1500, &kInside, kNorth, kLookingDown, kWide);
    }
    Move("*U03_21", 0, "s2_07");
    DebugOut("Universe 33: inside the caravan");
}

void XUniverse33::OuvreTiroirFond() {
    Sequence hold;
    Move("*U03_22", 1, "s2_05");
    if (XObject3D* key = Node("*U03_23")) key->Show("", 1, 0);
    DebugOut("Universe 33: the key in the drawer");
}

void XUniverse33::OuvreMalle() {
    Sequence hold;
    XObject3D* trunk = Node("*U03_24");
    if (ZeltObject* lid = FindInTree(trunk ? trunk->m_Object : nullptr, "Couvercle", 1)) Zelt_Object_Hide(lid, 1);
    if (XObject3D* jack = Node("*U03_26")) jack->Show("", 1, 0);
    const ZeltVector at = PositionOf(trunk);
    PlayPointSound2(Name("s2_07"), &at, 0);
    // The lid's creak has woken the clown: he is coming.
    Say("U03_02", "d2_17");
    WaitWhileSpeaking();
    if (m_Gauge) m_Gauge->Start(20.0f, 1, "", 0);
    DebugOut("Universe 33: the clown is coming");
}

void XUniverse33::CacheDerriereRideau() {
    Sequence hold;
    if (m_Pilot) {
        m_Pilot->Travel(1200, &kBehindCurtain, kNorth, kLookingDown, kKeep);
        m_Pilot->m_CanMove = 0;
    }
    DebugOut("Universe 33: hidden behind the curtain");
}

void XUniverse33::ClownSearches() {
    Sequence hold;
    DebugOut("Universe 33: the clown looks in");
    Move("*U03_21", 1, "s2_07");
    Say("U03_02", "d2_10");
    WaitWhileSpeaking();
    Move("*U03_21", 0, "s2_07");
    if (m_Actions && m_Actions->m_Table[59]) m_Actions->m_Table[59]->SetCondition("TRUE");
    DebugOut("Universe 33: the clown has gone back out");
}

void XUniverse33::SortRideau() {
    Sequence hold;
    Move("*U03_25", 1, "s2_05");
    if (m_Pilot) {
        m_Pilot->Travel(1200, &kInside, kNorth, kLookingDown, kKeep);
        m_Pilot->m_CanMove = 1;
    }
    DebugOut("Universe 33: out from behind the curtain");
}

void XUniverse33::OuvreDiablotin() {
    Sequence hold;
    const ZeltVector at = PositionOf(Node("*U03_26"));
    PlayPointSound2(Name("s2_13"), &at, 0);
    Move("*U03_26", 1, nullptr);
    if (XObject3D* matches = Node("*U03_27")) matches->Show("", 1, 0);
    DebugOut("Universe 33: the jack-in-the-box springs up");
}

void XUniverse33::MaskBoiteAllu() {
    Sequence hold;
    // The matches are in the pocket: the jack goes back into his box.
    RemoveObject("*U03_27");
    Move("*U03_26", 0, "s2_05");
    DebugOut("Universe 33: the matches are taken");
}

void XUniverse33::PousseMalle() {
    Sequence hold;
    RemoveObject("*U03_26");
    Move("*U03_24", 1, "s2_05");
    DebugOut("Universe 33: the trunk is pushed aside");
}

void XUniverse33::OuvrePorte() {
    Sequence hold;
    Move("*U03_28", 1, "s2_07");
    if (m_Pilot) {
        m_Pilot->Travel(1000, &kBackDoor, kNorth, kLevel, kKeep);
        m_Pilot->Travel(1500, &kBehindCaravan, kNorth, kLevel, kOutside);
    }
    DebugOut("Universe 33: out to the cinema");
}

void XUniverse33::OuvrePorteClown() {
    Sequence hold;
    Move("*U03_21", 1, "s2_07");
    FaceCharacter(m_Clown);
    if (IsDone(64)) {
        // The jack-in-the-box on the trunk gives him a fright: he keeps away.
        Say("U03_02", "d2_10");
        WaitWhileSpeaking();
        Move("*U03_21", 0, "s2_07");
        DebugOut("Universe 33: the clown keeps away");
        return;
    }
    DebugOut("Universe 33: the clown stands in the doorway");
}

void XUniverse33::DoGameOverClown1() {
    // No way back from here but the menu: the cursor stays off.
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (m_Gauge) m_Gauge->Clear();
    DebugOut("Universe 33: the clown catches the player");
    if (m_ClownAnim) {
        char file[400];
        std::snprintf(file, sizeof file, "%sAnim/U03_02/choppe02.a3d", m_Dir);
        if (XAnimation* grab = m_ClownAnim->AddSub(file, "Choppe02", 1, 1)) {
            grab->m_Loop = 0;
            grab->SetFrame(0.0f);
            grab->Play(0);
        }
    }
    FaceCharacter(m_Clown, 400);
    Say("U03_02", "d2_11");
    WaitWhileSpeaking();
    if (m_ClownAnim && m_ClownAnim->m_SubCount > 1) WaitAnimation(m_ClownAnim->m_Subs[1], 3000);
    FadeOut(1500);
    Fail();
}

// ---------------------------------------------------------------------------
// The cinema

void XUniverse33::DoParleProjectionniste() {
    Sequence hold;
    FaceCharacter(m_Projectionist);
    Say("U03_01", "d2_12");
    WaitWhileSpeaking();
}

void XUniverse33::CinemaFlight() {
    if (!m_Pilot) return;
    ZeltVector above = CameraPosition();
    above.z += 3.0f * m_Scale;
    PlayPointSound(Name("s2_12"), &above);
    const ZeltVector from = CameraPosition();
    m_Pilot->MoveAlong(&from, &kCinemaAisle, m_Pilot->m_Theta, kNorth, m_Pilot->m_Phi, kLevel, 6000, nullptr);
    // The countdown on the screen while the camera comes to the bench.
    m_Pilot->MoveAlong(&kCinemaAisle, &kSeat, kNorth, kNorth, kLevel, kLevel, 6000,
                       [this, shown = 0](float, float, float, float, float, int step, int count) mutable {
                           if (ZeltObject* screen = m_Scene ? Zelt_Scene_Get_Object(m_Scene, "Box186") : nullptr)
                               Zelt_Object_Hide(screen, 1);
                           const int part = count > 0 ? (step - 1) * 15 / count : 0;
                           const int image = kCountdownImages[part < 15 ? part : 14];
                           if (image != shown) DebugOut("Universe 33: countdown %i", image);
                           shown = image;
                           ShowScreen(image);
                       });
    ShowScreen(0);
}

int XUniverse33::PlayFilmInPlace(const char* name) {
    if (!g_App) return 0;
    g_App->SetState(APP_VIDEO);
    const std::string path = ResolveForReading(std::string(g_App->m_DataDir) + "Video/" + name + ".AVI");
    if (path.empty() || Cinrey_Open(path.c_str()) == -1) {
        g_App->Log("File not found");
        g_App->SetState(APP_SCENE);
        return 0;
    }
    g_App->ClearScreen();
    Cinrey_Set_Window(g_App->m_hWnd);
    if (g_Display && g_Display->m_Context && g_Display->m_Context->directDraw)
        g_Display->m_Context->directDraw->FlipToGDISurface();
    if (Cinrey_Play(0, 0) != 0) g_App->Log("Error: CinreyMovie");
    if (m_Actions && m_Actions->m_Table[11]) m_Actions->m_Table[11]->Execute();
    while (Cinrey_Status() != 4) {
        if (KeyPressed(platform::VK_RETURN)) {
            if (m_SoundA) m_SoundA->Stop();
            break;
        }
        ::PumpMessages();
    }
    Cinrey_Close();
    g_App->SetState(APP_SCENE);
    return 1;
}

void XUniverse33::SitDown() {
    if (m_Pilot) {
        m_Pilot->SetPositionVec(&kSeat);
        m_Pilot->SetAngles(kNorth, kLevel);
    }
    if (ZeltObject* screen = m_Scene ? Zelt_Scene_Get_Object(m_Scene, "Box186") : nullptr) Zelt_Object_Unhide(screen, 1);
    Render();
}

void XUniverse33::DoCinemaA() {
    Sequence hold;
    FaceCharacter(m_Projectionist);
    Say("U03_01", "d2_13");
    WaitWhileSpeaking();
    if (XObject3D* beam = Node("*U03_37")) beam->Show("", 1, 1);
    CinemaFlight();
    DebugOut("Universe 33: the projectionist's film");
    PlayFilmInPlace("U33_01");
    SitDown();
}

void XUniverse33::DoCinema() {
    Sequence hold;
    SetCursorValueOf("*U03_10", 0);
    CinemaFlight();
    DebugOut("Universe 33: the second film");
    if (g_App) g_App->PlayVideo("U33_02", "", 1, 0);
    SitDown();
}

// ---------------------------------------------------------------------------
// The policeman and his bicycle

void XUniverse33::FinTestM06() {
    Sequence hold;
    FaceCharacter(m_Policeman);
    Say("U03_09", "d2_15");
    WaitWhileSpeaking();
}

void XUniverse33::AttenteFinFlicParle() {
    Sequence hold;
    FaceCharacter(m_Policeman);
    Say("U03_09", "d2_14");
    WaitWhileSpeaking();
    // Off on his round: the bicycle is free until he is back.
    if (m_Policeman) m_Policeman->Show("", 0, 1);
    if (m_Gauge) m_Gauge->Start(20.0f, 1, "", 0);
    DebugOut("Universe 33: the policeman does his round");
}

void XUniverse33::CaughtByPoliceman() {
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (m_Gauge) m_Gauge->Clear();
    DebugOut("Universe 33: the policeman is back");
    if (m_Policeman) m_Policeman->Show("", 1, 0);
    FaceCharacter(m_Policeman, 500);
    Say("U03_09", "d2_16");
    WaitWhileSpeaking();
    FadeOut(1500);
    Fail();
}

void XUniverse33::TransitionVelo() {
    if (m_Gauge) m_Gauge->Clear();
    {
        Sequence hold;
        if (m_Pilot) m_Pilot->Travel(1000, &kBicycle, kNorth, kLevel, kKeep);
    }
    DebugOut("Universe 33: away on the bicycle");
    LeaveForward("RouGiv", 4);
}
