#include "lumora/universes/XUniverse00.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/WaveFile.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

namespace {

const char* const kOperations[] = {"TakeLunettes", "DonnerLunettes", nullptr};

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
    // A new visit begins on the garden path, facing the painter at his easel.
    if (mode == 1 && m_Pilot) {
        const ZeltVector painter = PositionOf(m_Painter);
        const ZeltVector eye{0.0f, -300.0f, m_Pilot->m_Position[2]};
        const ZeltVector face{painter.x, painter.y, m_Pilot->m_Position[2]};
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
        // The line is over when the source says so or, at the latest, when its
        // length has gone by on the game's clock (the source notices the end
        // a little later, on its own clock).
        const unsigned start = platform::timeGetTime();
        unsigned length = WaveMilliseconds(m_SoundA->m_Name);
        if (!length || length > kWelcomeLimit) length = kWelcomeLimit;
        while (m_SoundA && m_SoundA->IsPlaying() && platform::timeGetTime() - start < length) Run(0);
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
    if (index == 0) TakeGlasses();
    else if (index == 1) GiveGlasses();
}

void XUniverse00::TakeGlasses() {
    HideObject("*U04_80");
    m_GlassesTaken = 1;
    DebugOut("U00: the glasses are taken\r\n");
}

void XUniverse00::GiveGlasses() {
    if (ZeltObject* own = m_Scene ? Zelt_Scene_Get_Object(m_Scene, "*U04_81") : nullptr) Zelt_Object_Hide(own, 0);
    m_GlassesGiven = 1;
}
