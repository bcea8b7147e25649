#include "lumora/universes/XUniverse00.h"
#include "lumora/universes/XUniverse04.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

namespace {

const char* const kOperations[] = {"DonnerLunettes", "TakeLunettes", nullptr};

// The course's fixed places: the painter's viewpoint and where the player
// gets out of the boat.
constexpr ZeltVector kPainterView{81.134f, 265.81f, 15.0f};
constexpr float kPainterViewTheta = 4.67f;
constexpr float kPainterViewPhi = 1.47f;
constexpr float kPainterViewFov = 90.0f;
constexpr ZeltVector kLanding{149.87f, 60.56f, -9.0f};
constexpr float kLandingTheta = 0.427f;
// The seat: this much above the boat's position.
constexpr float kSeatHeight = 10.0f;

const char* DataDir() { return g_App ? g_App->m_DataDir : ""; }

}  // namespace

void XUniverse00::SetSceneDir(const char* folder) {
    const std::string dir = std::string(DataDir()) + folder + "/";
    std::snprintf(m_Dir, sizeof m_Dir, "%s", dir.c_str());
}

int XUniverse00::Load(const char* listName) {
    char path[300];
    std::snprintf(path, sizeof path, "%s%s", m_Dir, listName);
    SetSceneDir("U04");
    m_MapDirs.Clear();
    char maps[300];
    std::snprintf(maps, sizeof maps, "%sU04/Maps/", DataDir());
    AddMapDir(maps);
    return LoadListFile(path);
}

void XUniverse00::ApplyRepairs() {
    XUniverse04::GardenRepairs(*this);
    // The painter's own pair is loaded first: it stays on his nose, hidden
    // until he gets his glasses back; the other lies on the table.
    if (ZeltObject* own = RenameObject("*Lunettes0", "*U04_81")) Zelt_Object_Hide(own, 1);
    RenameObject("*Lunettes0", "*U04_80");
    // Garden props the course does without: out of sight and out of the way.
    for (const char* name : {"*U04_63", "*U04_31", "*U04_44", "*U04_05", "*U04_53"}) RemoveObject(name);
}

int XUniverse00::PlayPointSound(char* name, const ZeltVector* pos) {
    if (!name || !g_App) return 0;
    for (char* c = name; *c; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    char path[400];
    if (std::strstr(name, ".wav")) std::snprintf(path, sizeof path, "%sU00/Sound/%s", g_App->m_DataDir, name);
    else std::snprintf(path, sizeof path, "%sU00/Sound/%s.wav", g_App->m_DataDir, name);
    if (!FileExists(path)) {
        new MessageToUser(0, 1002, __FILE__, __LINE__, path);
        return 0;
    }
    const ZeltVector at = pos ? *pos : SoundListenerPosition();
    return m_SoundA && m_SoundA->Play(ResolveForReading(path).c_str(), &at, 0) ? 1 : 0;
}

int XUniverse00::Start(int mode, XChunkFile* save) {
    // The garden's ambience, from universe 4's sound folder.
    PlaySound("s3_01", 1);
    ApplyRepairs();
    // The tables and the saved state come from universe 0's folder, the
    // rest of the visit from universe 4's.
    SetSceneDir("U00");
    const int started = XScene::Start(mode, save);
    SetSceneDir("U04");
    if (!started) return 0;
    if (m_Pilot) {
        m_Pilot->SetSphereRadius(3.0f);
        m_Pilot->SetSphereOffsetZ(1.0f);
    }
    m_Painter = Node("*U04_03");
    m_Boat = Node("*U04_32");
    char shapes[320];
    std::snprintf(shapes, sizeof shapes, "%sAnim/U04_03_Lunettes/", m_Dir);
    InitSpeaker("U04_03", "", "$$$DUMMY.*visage", 0, 8, shapes);
    // A new visit begins on the lawn below the terrace, facing the painter at his easel.
    if (mode == 1 && m_Pilot) {
        const ZeltVector painter = PositionOf(m_Painter);
        ZeltVector eye{60.0f, 150.0f, m_Pilot->m_Position[2]};
        // At eye height above the lawn, whatever height the pilot began at.
        eye.z += m_Pilot->m_Height - m_Pilot->HeightAboveGround(&eye);
        const ZeltVector face{painter.x, painter.y, eye.z};
        m_Pilot->SetPositionVec(&eye);
        m_Pilot->LookAt(&eye, &face);
    }
    // A saved game and the training entry go on in the scene.
    if (save || g_TrainingMode) return 1;
    // The welcome is not skipped: Escape waits for the player screen.
    const int escape = g_App ? g_App->m_EscapeEnabled : 1;
    if (g_App) g_App->m_EscapeEnabled = 0;
    Run(0);
    // The painter says it; without him the line plays at the camera.
    int playing = Say("U04_03", "sb01");
    if (!playing) {
        char line[] = "sb01";
        playing = PlayPointSound(line, nullptr);
    }
    if (playing) {
        const unsigned start = platform::timeGetTime();
        while (m_SoundA && m_SoundA->IsSounding() && platform::timeGetTime() - start < kWelcomeLimit) Run(0);
    }
    if (g_App) {
        g_App->m_EscapeEnabled = escape;
        g_App->SetState(APP_SCREENS);
    }
    if (LFrameManager* fm = g_App ? g_App->m_FrameManager : nullptr) fm->OpenFrame("OptionUser");
    return 1;
}

const char* const* XUniverse00::OperationNames() const { return kOperations; }

void XUniverse00::RunOperation(int index) {
    if (index == 0) GiveGlasses();
    else if (index == 1) TakeGlasses();
}

void XUniverse00::TakeGlasses() {
    // The table's action put them on the cursor; the table is empty now.
    HideObject("*U04_80");
    if (m_Gauge) m_Gauge->Clear();
    StartStep("", 7);
    m_GlassesTaken = 1;
    DebugOut("U00: the glasses are taken");
}

void XUniverse00::GiveGlasses() {
    // The cursor comes back at the end without a redraw: the menu is up then.
    const int busy = m_CourseBusy;
    m_CourseBusy = 1;
    if (g_Cursor) {
        g_Cursor->Select(0, 0, 0);
        g_Cursor->SetEnabled(0, 0);
    }
    m_InventorySeen = 1;
    if (m_Gauge) m_Gauge->Clear();
    XAnimation* painter = Anim("*U04_03");
    char file[400];
    XAnimation* gesture = nullptr;
    if (painter) {
        std::snprintf(file, sizeof file, "%sANIM/U04_03_Lunettes/prend.A3D", m_Dir);
        gesture = painter->AddSub(file, "virel", 1, 1);
        if (gesture) gesture->m_Loop = 0;
    }
    if (m_Pilot) m_Pilot->Travel(1000, &kPainterView, kPainterViewTheta, kPainterViewPhi, kPainterViewFov);
    if (gesture) WaitAnimation(gesture);
    if (ZeltObject* own = m_Scene ? Zelt_Scene_Get_Object(m_Scene, "*U04_81") : nullptr) Zelt_Object_Unhide(own, 1);
    m_GlassesGiven = 1;
    gesture = nullptr;
    if (painter) {
        std::snprintf(file, sizeof file, "%sANIM/U04_03_Lunettes/MET.A3D", m_Dir);
        gesture = painter->AddSub(file, "virel", 1, 1);
        if (gesture) gesture->m_Loop = 0;
    }
    Say("U04_03", "sb14");
    if (gesture) {
        const unsigned start = platform::timeGetTime();
        while (Live() && !gesture->m_Stopped && gesture->m_Frame < 50.0f && platform::timeGetTime() - start < 20000) Run(0);
        WaitAnimation(gesture);
    }
    Run(2000);
    DebugOut("U00: the course is over");
    m_CourseBusy = busy;
    if (g_App) g_App->OpenOptionMenu(0);
    if (g_Cursor) g_Cursor->SetEnabled(1, 0);
}

// ---------------------------------------------------------------------------
// The training course

XUniverse00::FollowUp XUniverse00::NextStep(int step, const CourseState& state) {
    FollowUp f;
    auto line = [&f](const char* name, int painter, int cut, const char* label, int number) {
        f.applies = 1;
        f.line = name;
        f.byPainter = painter;
        f.cut = cut;
        f.label = label;
        f.number = number;
    };
    switch (step) {
    case 1: line("sb04", 1, 1, "deplace", 1); break;
    case 2: if (state.inBoat) line("sb06", 0, 0, "Sauter", 2); break;
    case 3: if (state.inBoat) line("sb05", 0, 0, "Sauter", 3); break;
    case 4:
        if (state.inBoat) {
            line("sb07", 0, 0, "Take2", 5);
            f.glassesTaken = 1;
        }
        break;
    case 5: if (state.inBoat) line("sb08", 0, 0, "Take2", 5); break;
    case 7:
        if (state.carrying) {
            line("sb09", 0, 0, "", 7);
        } else if (!state.sentBack && !state.nearPainter) {
            f.applies = 1;
            f.clearGauge = 1;
            if (state.inBoat) f.number = 3;
        }
        break;
    case 8: if (!state.inventorySeen) line("sb11", 1, 0, "", 8); break;
    default: break;
    }
    return f;
}

int XUniverse00::CourseRuns() const {
    return g_TrainingMode && m_Gauge && m_Pilot && !m_GlassesGiven && Live();
}

void XUniverse00::StartStep(const char* label, int number) {
    if (!m_Gauge) return;
    m_Gauge->Start(kStepSeconds, 0, label, number);
    DebugOut("U00: step %d \"%s\"", number, label);
}

int XUniverse00::CurrentStep() const { return m_Gauge && m_Gauge->IsRunning() ? m_Gauge->m_Kind : 0; }

void XUniverse00::ClearStep(int number) {
    if (CurrentStep() != number) return;
    m_Gauge->Clear();
    DebugOut("U00: step %d done", number);
}

void XUniverse00::PainterSays(const char* line) {
    if (!Say("U04_03", line)) {
        // Without the painter the line plays at the camera.
        char name[32];
        std::snprintf(name, sizeof name, "%s", line);
        PlayPointSound(name, nullptr);
    }
    WaitWhilePlaying(m_SoundA);
}

void XUniverse00::CourseVoice(const char* line) {
    DebugOut("U00: voice %s", line);
    char name[32];
    std::snprintf(name, sizeof name, "%s", line);
    SetSceneDir("U00");
    PlayVoice(name, 0, 100);
    SetSceneDir("U04");
}

void XUniverse00::ToPainterView() {
    m_Pilot->SetPositionVec(&kPainterView);
    m_Pilot->SetAngles(kPainterViewTheta, kPainterViewPhi);
    m_Pilot->SetFov(kPainterViewFov);
}

int XUniverse00::Render() {
    const int result = XScene::Render();
    if (!CourseRuns() || m_CourseBusy) return result;
    if (!m_CourseStarted) {
        m_CourseStarted = 1;
        DebugOut("U00: the training course begins");
        Say("U04_03", g_TrainingMode ? "sb03_bis" : "sb03");
        StartStep("deplace", 1);
        ToPainterView();
        return result;
    }
    if (m_Gauge->IsRunning() && m_Gauge->Finished(0)) StepRanOut();
    return result;
}

void XUniverse00::StepRanOut() {
    CourseState state;
    state.inBoat = m_InBoat;
    state.carrying = g_Cursor && g_Cursor->GetMode() == XCursor::kModeObject ? 1 : 0;
    state.sentBack = m_SentBack;
    state.nearPainter = m_NearPainter;
    state.inventorySeen = m_InventorySeen;
    const int step = m_Gauge->m_Kind;
    const FollowUp f = NextStep(step, state);
    if (!f.applies) return;
    DebugOut("U00: step %d ran out", step);
    m_CourseBusy = 1;
    if (f.clearGauge) {
        m_Gauge->Clear();
        m_SentBack = 1;
    }
    if (f.glassesTaken) m_GlassesTaken = 1;
    if (f.line && f.byPainter) {
        Sequence hold;
        if (f.cut) {
            const ZeltVector eye = CameraPosition();
            const float theta = m_Pilot->m_Theta, phi = m_Pilot->m_Phi, fov = m_Pilot->m_Fov;
            ToPainterView();
            PainterSays(f.line);
            m_Pilot->SetPositionVec(&eye);
            m_Pilot->SetAngles(theta, phi);
            m_Pilot->SetFov(fov);
        } else {
            PainterSays(f.line);
        }
    } else if (f.line) {
        CourseVoice(f.line);
    }
    if (f.number) StartStep(f.label, f.number);
    m_CourseBusy = 0;
}

int XUniverse00::Step() {
    const int course = CourseRuns() && m_CourseStarted && !m_CourseBusy;
    if (course) {
        // What the player did completes the step that asked for it.
        const int step = CurrentStep();
        if (step == 1 && (g_Keys[platform::VK_UP] || g_Keys[platform::VK_DOWN])) ClearStep(1);
        if (step == 2 && (g_Keys[platform::VK_LEFT] || g_Keys[platform::VK_RIGHT] || g_Keys[platform::VK_PRIOR] ||
                          g_Keys[platform::VK_NEXT])) {
            m_Turned = 1;
            ClearStep(2);
        }
        if (m_InBoat && g_Keys[platform::VK_SHIFT]) LeaveBoat();
        // The strip may take the space key before the shell sees it: the
        // strip coming up counts as well.
        const XInventoryPanel* panel = XInventoryPanel::Current();
        if (g_Keys[platform::VK_SPACE] || (panel && panel->IsShown())) {
            if (!m_InventorySeen) DebugOut("U00: the inventory is seen");
            m_InventorySeen = 1;
            ClearStep(8);
        }
    }
    const int result = XScene::Step();
    if (!course || !CourseRuns() || m_CourseBusy) return result;
    if (!m_InBoat && m_Boat && m_Boat->m_Object && m_Pilot->m_Ground == m_Boat->m_Object) SeatInBoat();
    if (m_InBoat && m_Turned && !m_GlassesTaken && CurrentStep() != 4) StartStep("Take", 4);
    if (!m_InBoat && m_Painter && m_GlassesTaken && !m_InventorySeen && !m_NearPainter) {
        const ZeltVector eye = CameraPosition(), painter = PositionOf(m_Painter);
        if (std::hypot(eye.x - painter.x, eye.y - painter.y) < 2.0f * m_Scale) NearPainter();
    }
    return result;
}

void XUniverse00::SeatInBoat() {
    m_InBoat = 1;
    ZeltVector seat = PositionOf(m_Boat);
    seat.z += kSeatHeight;
    m_Pilot->SetPositionVec(&seat);
    m_Pilot->m_CanMove = 0;
    m_Pilot->m_Collision = 0;
    m_Pilot->m_JumpAllowed = 0;
    if (ZeltObject* target = FindObject("*U04_43", 1)) {
        ZeltVector at{};
        Zelt_Object_Get_Global_Position(target, &at);
        at.z = seat.z;
        m_Pilot->LookAt(&seat, &at);
    }
    char line[96];
    std::snprintf(line, sizeof line, "U00: seated in the boat at (%.2f, %.2f, %.2f)", static_cast<double>(seat.x),
                  static_cast<double>(seat.y), static_cast<double>(seat.z));
    DebugOut("%s", line);
    if (!m_Turned) StartStep("Tourner", 2);
}

void XUniverse00::LeaveBoat() {
    m_InBoat = 0;
    m_CourseBusy = 1;
    // The key that got out does not jump as well.
    g_Keys[platform::VK_SHIFT] = 0;
    DebugOut("U00: out of the boat");
    m_Pilot->Travel(2000, &kLanding, kLandingTheta, kLevel, kKeep);
    m_Pilot->m_CanMove = 1;
    m_Pilot->m_Collision = 1;
    m_Pilot->m_JumpAllowed = 1;
    m_Pilot->m_Ground = nullptr;
    ClearStep(2);
    m_CourseBusy = 0;
}

void XUniverse00::NearPainter() {
    m_NearPainter = 1;
    m_CourseBusy = 1;
    {
        Sequence hold;
        ZeltObject* head = FindInTree(m_Painter->m_Object, "TETE", 1);
        m_Pilot->TravelTowardObject(1000, head ? head : m_Painter->m_Object);
        PainterSays("sb10");
        StartStep("", 8);
    }
    m_CourseBusy = 0;
}
