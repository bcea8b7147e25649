#include "lumora/universes/XUniverse00.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "lumora/engine/XCameraPilot.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/WaveFile.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

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
    if (!XScene::Start(mode, save)) return 0;
    // A new visit begins at the studio's doorway, looking at the easel.
    if (mode == 1 && m_Pilot) {
        const ZeltVector eye{0.0f, -140.0f, m_Pilot->m_Position[2]}, easel{0.0f, 100.0f, m_Pilot->m_Position[2] - 5.0f};
        m_Pilot->SetPositionVec(&eye);
        m_Pilot->LookAt(&eye, &easel);
    }
    // A saved game and the training entry go on in the scene.
    if (save || g_TrainingMode) return 1;
    // The welcome is not skipped: Escape waits for the player screen.
    const int escape = g_App ? g_App->m_EscapeEnabled : 1;
    if (g_App) g_App->m_EscapeEnabled = 0;
    Run(0);
    char line[] = "sb01";
    if (PlayPointSound(line, nullptr)) {
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
