#include "lumora/shell/XApplication.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "cinrey/cinrey.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XScene.h"
#include "lumora/framework/LBehavior.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XGallery.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XDisplay.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/XSoundSource.h"
#include "mirel/GameTemplate.h"
#include "platform/Bmp.h"
#include "platform/Files.h"
#include "platform/Sound.h"
#include "platform/Surface.h"
#include "platform/Time.h"
#include "platform/Window.h"

using namespace platform;

XApplication* g_App = nullptr;
int g_Keys[256] = {};
int g_Active = 0;
float g_FrameTime = 0.0f;
XScene* g_CurrentScene = nullptr;

namespace {

// The sound manager as one of the frame manager's behaviours: it owns the
// manager and hands it the key and activation events.
class XSoundBehavior : public LBehavior {
public:
    explicit XSoundBehavior(LSoundManager* manager) : m_Manager(manager) {}
    ~XSoundBehavior() override {
        if (g_SoundManager == m_Manager) g_SoundManager = nullptr;
        delete m_Manager;
    }
    int HandleEvent(int type, void* sender, void* data) override {
        if (type == 15 || type == 17 || type == 18) return m_Manager->HandleEvent(type, sender, data);
        return 0;
    }

private:
    LSoundManager* m_Manager;
};

// The frame manager shows its screens through the display layer's flip.
void ShowThroughDisplay() {
    if (g_Display && g_Display->m_Context) Dwen_Show_BackBuffer(g_Display->m_Context);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

bool HasDataMarker(const std::string& folder) { return !ResolvePath(folder, "APP.BIN").empty(); }

// A folder the program can write into (made when missing).
bool Writable(const std::string& folder) {
    std::error_code error;
    if (!MakeDirectory(folder) && ResolvePath(folder).empty()) return false;
    const std::string probe = folder + ".lumora-write-test";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    std::remove(probe.c_str());
    return true;
}

std::string EnvFolder(const char* variable, const char* tail) {
    const char* value = std::getenv(variable);
    return value && *value ? WithSlash(value) + tail : std::string();
}

// Another place holding the data: the environment, the user's and the
// system's data folders, then a "Data" folder at the top of a mounted volume.
std::string FindDataElsewhere() {
    std::vector<std::string> candidates;
    if (const char* d = std::getenv("LUMORA_DATA"); d && *d) candidates.push_back(WithSlash(d));
    std::string xdg = EnvFolder("XDG_DATA_HOME", "lumora/Data/");
    if (xdg.empty()) xdg = EnvFolder("HOME", ".local/share/lumora/Data/");
    if (!xdg.empty()) candidates.push_back(xdg);
    candidates.push_back("/usr/share/lumora/Data/");
    for (const DirEntry& user : ListDirectory("/media", "*"))
        if (user.directory)
            for (const DirEntry& volume : ListDirectory("/media/" + user.name, "*"))
                if (volume.directory) candidates.push_back("/media/" + user.name + "/" + volume.name + "/Data/");
    for (const DirEntry& volume : ListDirectory("/mnt", "*"))
        if (volume.directory) candidates.push_back("/mnt/" + volume.name + "/Data/");
    for (const std::string& c : candidates)
        if (HasDataMarker(c)) return c;
    return {};
}

// "InfoPara.bin" of the save folder: chunk "FILTER". Reading gives 0 when
// the file does not exist (the value is left alone when the chunk is missing).
int ReadFilterParam(const char* saveDir, int* filter) {
    const std::string path = std::string(saveDir) + "InfoPara.bin";
    if (!FileExists(path.c_str())) return 0;
    auto file = std::make_unique<XChunkFile>();
    if (file->Open(ResolveForReading(path).c_str(), 0)) {
        if (file->BeginReadChunk("FILTER")) {
            file->Read(filter, 4);
            file->EndReadChunk();
        }
        file->Close();
    }
    return 1;
}

void WriteFilterParam(const char* saveDir, int filter) {
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(ResolveForWriting(std::string(saveDir) + "InfoPara.bin").c_str(), 1)) return;
    file->BeginWriteChunk("FILTER");
    file->Write(&filter, 4);
    file->EndWriteChunk();
    file->Close();
}

void CopyPath(char* field, const std::string& text) { std::snprintf(field, 260, "%s", text.c_str()); }

}  // namespace

XApplication::XApplication(HWND window) : m_hWnd(window) {
    g_App = this;
    SetAppPort(this);
}

XApplication::~XApplication() {
    // Write the filtering setting back when it changed.
    if (g_Display) {
        int filter = g_Display->m_Filter;
        if (ReadFilterParam(m_SaveDir, &filter) && filter != g_Display->m_Filter)
            WriteFilterParam(m_SaveDir, g_Display->m_Filter);
    }
    delete m_Cursor;
    m_Cursor = nullptr;
    // The player list deletes the game object, which deletes the current scene.
    delete m_Players;
    m_Players = nullptr;
    DeleteCurrentScene();
    m_Game = nullptr;
    delete m_FrameManager;
    m_FrameManager = nullptr;
    if (GetAppPort() == this) SetAppPort(nullptr);
    if (g_App == this) g_App = nullptr;
}

int XApplication::InitPaths(const char* dataOverride, const char* saveOverride) {
    std::string exe = ExecutablePath();
    exe = exe.substr(0, exe.find_last_of("/\\") + 1);
    CopyPath(m_ExePath, exe);
    std::string save = saveOverride && *saveOverride ? WithSlash(saveOverride) : exe + "Save/";
    if (!(saveOverride && *saveOverride) && !Writable(save)) {
        std::string state = EnvFolder("XDG_STATE_HOME", "lumora/Save/");
        if (state.empty()) state = EnvFolder("HOME", ".local/state/lumora/Save/");
        save = state;
        std::error_code ignored;
        Writable(save);
    } else {
        MakeDirectory(save);
    }
    CopyPath(m_SaveDir, save);
    SetSaveDir(m_SaveDir);
    StartDebugLog();

    std::string data = dataOverride && *dataOverride ? WithSlash(dataOverride) : exe + "Data/";
    if (!HasDataMarker(data)) {
        if (dataOverride && *dataOverride) return 0;
        data = FindDataElsewhere();
        if (data.empty()) return 0;
    }
    CopyPath(m_DataDir, data);
    return 1;
}

void XApplication::InitParams() {
    int filter = g_Display->m_Filter;
    if (ReadFilterParam(m_SaveDir, &filter)) {
        if (filter != g_Display->m_Filter) {
            g_Display->m_Filter = filter;
            g_Display->ApplyFilter();
        }
    } else {
        WriteFilterParam(m_SaveDir, g_Display->m_Filter);
    }
    // Only a hardware-accelerated driver and device keep the game fluid.
    const DwenContext* c = g_Display->m_Context;
    const bool hardware = c->currentDevice && c->currentDevice->hardware;
    if (!hardware) new MessageToUser(0, 950, __FILE__, __LINE__);
}

int XApplication::InitObjects() {
    LPDIRECTSOUND probe = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &probe, nullptr)) || !probe) {
        new MessageToUser(0, 27, __FILE__, __LINE__);
        return 0;
    }
    probe->Release();

    const HWND window = m_hWnd;
    LFrameManager::SetSoundManagerFactory([window](LFrameManager&) -> LBehavior* {
        auto* manager = new LSoundManager(1, 22050, 8, 1000000, 6);
        manager->Init(window);
        return new XSoundBehavior(manager);
    });
    LFrameManager::SetShowHook(&ShowThroughDisplay);
    DwenContext* c = g_Display->m_Context;
    m_FrameManager = new XFrameManager();
    if (m_FrameManager->Init(c->directDraw, c->frontBuffer, c->backBuffer, m_hWnd, nullptr, 0, m_DataDir,
                             g_Display->IsFullScreen()) != 0)
        return 0;

    LendKernelFunctions();
    Zelt_Init_Vtbl(1);

    m_Cursor = new XCursor(m_hWnd, c->directDraw, c->backBuffer);
    m_Cursor->LoadCursors();
    m_Cursor->Select(0, 0, 0);
    m_Game = new XGame();
    m_Players = new XPlayerList(m_Game);
    return 1;
}

void XApplication::SetState(int state) {
    if (state == m_State) return;
    if (state == APP_SCREENS) {
        if (g_SoundManager) {
            g_SoundManager->SetChannelVolume(1, 0);
            g_SoundManager->SetChannelVolume(4, 0);
            g_SoundManager->SetChannelVolume(5, 0);
        }
        if (m_Cursor) {
            m_Cursor->SaveCursor();
            m_Cursor->Select(0, 0, 0);
        }
    } else {
        if (m_Cursor) m_Cursor->RestoreCursor(0);
        if (g_SoundManager) {
            g_SoundManager->SetChannelVolume(1, m_AmbienceVolume);
            g_SoundManager->SetChannelVolume(4, 80);
            g_SoundManager->SetChannelVolume(5, 80);
        }
    }
    m_State = state;
}

void XApplication::Log(const char* text) { AppLog(text); }

int XApplication::OnLButtonDown(int x, int y) {
    if (m_InputLocked || m_State != APP_SCENE || !g_CurrentScene) return 1;
    const std::uint32_t now = timeGetTime();
    const float limit = 1000.0f / g_CurrentScene->m_FrameRate + 10.0f;
    if (static_cast<float>(now - m_LastClickTime) >= limit) g_CurrentScene->OnLButtonDown(x, y);
    m_LastClickTime = now;
    return 1;
}

int XApplication::OnMouseMove(int x, int y) {
    if (!m_InputLocked && m_State == APP_SCENE && g_CurrentScene) g_CurrentScene->OnMouseMove(x, y);
    return 1;
}

void XApplication::SetCursorShown(int shown) {
    m_CursorShown = shown;
    if (!shown)
        if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->Hide();
}

void XApplication::ShowBackBuffer() { ShowThroughDisplay(); }

void XApplication::PickAt(int x, int y) {
    if (g_CurrentScene) g_CurrentScene->Pick(x, y);
}

void XApplication::OpenOptionMenu(int screen) {
    if (auto* fm = dynamic_cast<XFrameManager*>(m_FrameManager)) fm->OpenOptionMenu(screen);
    else SetState(APP_SCREENS);
}

void XApplication::Escape(int) {
    if (!m_EscapeEnabled) return;
    if (m_Cursor && !m_Cursor->IsEnabled()) {
        m_Cursor->SetEnabled(1, 1);
        m_InputLocked = 0;
    }
    auto* fm = dynamic_cast<XFrameManager*>(m_FrameManager);
    if (m_State == APP_SCENE) {
        if (m_Game && m_Game->m_GalleryVisit) {
            if (g_SoundManager) g_SoundManager->StopChannel(1);
            OpenOptionMenu(0);
            (new XGallery())->Open(0);
            m_Game->m_GalleryVisit = 0;
            SetState(APP_SCREENS);
        } else if (!m_Game || m_Game->m_Universe == 0) {
            if (g_SoundManager) g_SoundManager->StopChannel(1);
            OpenOptionMenu(0);
        } else {
            if (g_CurrentScene && g_CurrentScene->m_SoundA) g_CurrentScene->m_SoundA->Stop();
            // The time given by a running gauge stops while the game is paused.
            if (g_CurrentScene && g_CurrentScene->m_Gauge && g_CurrentScene->m_Gauge->IsRunning())
                g_CurrentScene->m_Gauge->Pause();
            if (m_Cursor) m_Cursor->ReturnObjectToInventory();
            if (fm) fm->OpenPauseScreen();
            m_InputLocked = 1;
        }
    } else if (m_State == APP_SCREENS) {
        LFrame* current = m_FrameManager ? m_FrameManager->GetCurrentFrame() : nullptr;
        if (current && std::strcmp(current->GetName(), "OptionUser") == 0) {
            SendMessage(m_hWnd, WM_DESTROY, 0, 0);
            return;
        }
        if (!fm || fm->GetOptionScreenKind() != 1) OpenOptionMenu(0);
    }
}

void XApplication::ClearScreen() {
    DwenContext* c = g_Display ? g_Display->m_Context : nullptr;
    if (!c || !c->backBuffer) return;
    DDBLTFX fx;
    fx.dwFillColor = 0;
    RECT r{0, 0, 640, 480};
    c->backBuffer->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    Dwen_Show_BackBuffer(c);
}

void XApplication::ShowBitmap(const char* path) {
    DwenContext* c = g_Display ? g_Display->m_Context : nullptr;
    if (!c || !c->backBuffer || !path) return;
    const std::string real = ResolveForReading(path);
    if (real.empty()) return;
    DirectDrawSurface* picture = nullptr;
    if (FAILED(LoadBmpSurface(c->directDraw, real.c_str(), &picture)) || !picture) return;
    RECT r{0, 0, 640, 480};
    while (c->backBuffer->BltFast(0, 0, picture, &r, DDBLTFAST_WAIT) == DDERR_WASSTILLDRAWING) {
    }
    picture->Release();
    Dwen_Show_BackBuffer(c);
}

void XApplication::PlayVideo(const char* name, const char* waveName, int redrawScene, int stopVoiceAfter) {
    SetState(APP_VIDEO);
    char path[400];
    std::snprintf(path, sizeof path, "%sVideo/%s.AVI", m_DataDir, name);
    if (Cinrey_Open(path) == -1) {
        Log("File not found");
        SetState(APP_SCENE);
        return;
    }
    ClearScreen();
    ClearScreen();
    Cinrey_Set_Window(m_hWnd);
    if (g_Display && g_Display->m_Context->directDraw) g_Display->m_Context->directDraw->FlipToGDISurface();
    if (Cinrey_Play(0, 0) != 0) Log("Error: CinreyMovie");
    if (g_SoundManager && waveName && *waveName) {
        g_SoundManager->StopAll();
        char wave[400];
        std::snprintf(wave, sizeof wave, "%sVideo/%s.wav", m_DataDir, waveName);
        // Centred (pan 100/100): the sound has no pan control to take any other.
        g_SoundManager->Play(ResolveForReading(wave).c_str(), 0, 1, 0, 2, 1, 100, 100, 100);
    }
    while (!KeyPressed(VK_RETURN) && !KeyPressed(VK_ESCAPE) && Cinrey_Status() != 4) ::PumpMessages();
    Cinrey_Close();
    if (stopVoiceAfter && g_SoundManager) g_SoundManager->StopChannel(2);
    SetState(APP_SCENE);
    if (g_CurrentScene && redrawScene) g_CurrentScene->Render();
    else ClearScreen();
}
