// "@gcu": shows a game cursor while the pointer is over the view, and the
// plain pointer when it leaves, unless the cursor is busy with a carried
// object or an animation.
#pragma once

#include "lumora/framework/LBehavior.h"

class LGameCursorBehavior : public LBehavior {
public:
    LGameCursorBehavior();  // from the frame record
    explicit LGameCursorBehavior(int cursorIndex);
    int HandleEvent(int type, void* sender, void* data) override;
    int GetCursorIndex() const { return m_CursorIndex; }

private:
    int m_CursorIndex = 0;
};
