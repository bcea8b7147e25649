// The option menu: moves between the option screens (main options, save,
// load, credits, settings, quit). While it exists the screens that were
// active before it are put aside, so only the option screens take input;
// they come back when it is deleted.
#pragma once

#include <vector>

#include "lumora/framework/LTimer.h"

class LBitmapView;
class LFrame;
class LFrameManager;

class XOptionMenu : public LTimerClient {
public:
    static constexpr unsigned kCreditsDelay = 6000;  // ms a credits page stays
    static constexpr int kLastCredit = 5;

    enum Screen { kMain = 0, kSave = 1, kLoad = 2 };

    XOptionMenu(LFrameManager* manager, int screen);
    ~XOptionMenu() override;
    XOptionMenu(const XOptionMenu&) = delete;
    XOptionMenu& operator=(const XOptionMenu&) = delete;

    void OnTick() override;

    virtual void Open(int screen);
    virtual void RestoreFrames();
    virtual void NewGame();
    virtual void ShowQuit();
    virtual void ShowCredits();
    virtual void NextCredit(LBitmapView* picture);
    virtual void ShowLoad();
    virtual void ShowSave();
    virtual void Resume();
    virtual void ShowMain();
    virtual void LoadSelected();
    virtual void SaveSelected();
    virtual void SaveAndReturn();
    virtual void ShowSettings();
    virtual void Back();
    virtual void ApplySettings();
    virtual void OpenMain();
    virtual LFrame* GetScreen() const { return m_Screen; }

    int m_CreditsMode = 0;
    unsigned m_CreditsTime = 0;
    LFrame* m_Screen = nullptr;
    std::vector<LFrame*> m_SuspendedFrames;
    int m_SavedState = 0;
    int m_RestoreState = 0;

private:
    void SwitchTo(const char* name);
    LFrameManager* m_Manager;
};

// The one option menu, or null.
extern XOptionMenu* g_OptionMenu;
