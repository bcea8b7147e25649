// What the cursor manager and the inventory panel ask of the application
// object, the display and the current 3D scene. The shell installs a port
// when it creates them; without one the game behaves as in the 2D screens
// state with the cursor shown, and nothing is flipped or picked.
#pragma once

class XAppPort {
public:
    virtual ~XAppPort() = default;
    // Whether the main loop is in its 3D scene state.
    virtual int IsSceneState() = 0;
    // Whether the shell shows the game cursor (m_CursorShown).
    virtual int IsCursorShown() = 0;
    // The shell's SetCursorShown (hiding also hides the inventory panel).
    virtual void SetCursorShown(int shown) = 0;
    // The shell's input lock.
    virtual void SetInputLock(int locked) = 0;
    // Shows the back buffer (Dwen_Show_BackBuffer).
    virtual void ShowBackBuffer() = 0;
    // The current 3D scene picks the object under the pointer again.
    virtual void PickAt(int x, int y) = 0;
};

void SetAppPort(XAppPort* port);
XAppPort* GetAppPort();
