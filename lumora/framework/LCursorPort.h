// How the framework reaches the pointer shapes without knowing the game's
// cursor manager: the game installs a port; without one, cursor behaviours
// change nothing.
#pragma once

class LCursorPort {
public:
    virtual ~LCursorPort() = default;
    // Whether a pointer shape exists for a cursor resource identifier
    // (those named by "@CUR" records and the drag shapes 1002 and 1003).
    virtual int HasResourceCursor(int resourceId) = 0;
    // Shows that shape as the pointer.
    virtual void SetResourceCursor(int resourceId) = 0;
    // Whether the pointer is busy with an object or an animation, and must
    // not be replaced by a hover shape.
    virtual int IsCursorLocked() = 0;
    // Selects game cursor `index` (0 is the default pointer), without redrawing.
    virtual void SelectCursor(int index) = 0;
};

void SetCursorPort(LCursorPort* port);
LCursorPort* GetCursorPort();
