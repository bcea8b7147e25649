// The game's frame manager: the framework's manager with the game's view
// classes, its named screens and its screen events, the option menu, the
// pause screen, the painting game screen and the inventory panel.
#pragma once

#include "lumora/framework/LFrameManager.h"

class XFrameManager : public LFrameManager {
public:
    XFrameManager() = default;
    ~XFrameManager() override;

    int Init(platform::DirectDraw* ddraw, platform::DirectDrawSurface* primary, platform::DirectDrawSurface* drawTarget,
             platform::HWND window, platform::HINSTANCE module, int reserved, const char* dataRoot,
             int fullScreen) override;

    virtual LFrame* GetInventoryPanel() const;
    virtual void SetInventoryPanel(LFrame* panel) { m_InventoryPanel = panel; }
    // The inventory panel of a game being played, made (active, hidden) the
    // first time a game starts.
    LFrame* EnsureInventoryPanel();
    // Screen 0 main, 1 save, 2 load; an existing menu shows its screen again.
    virtual void OpenOptionMenu(int screen);
    virtual void CloseOptionMenu();
    virtual void OpenTableauJeu(int painting);
    virtual void CloseTableauJeu();
    // 1 "Option", 2 "OptionSave", 3 "OptionLoad" shown by the menu, 4 the
    // pause screen "Save" current, 0 otherwise.
    virtual int GetOptionScreenKind() const;
    virtual void OpenPauseScreen();

    LFrame* GetTableauJeu() const { return m_TableauJeu; }

    // Where the shell resumes a paused gauge when the menu closes (the
    // camera pilot's gauge joins here).
    static void SetMenuClosedHook(void (*hook)());

protected:
    void RegisterClasses() override;
    void RegisterScripts() override;

private:
    LFrame* m_TableauJeu = nullptr;
    LFrame* m_InventoryPanel = nullptr;
};

// 1 once the option menu's training entry sent the player to universe 0.
extern int g_TrainingMode;
