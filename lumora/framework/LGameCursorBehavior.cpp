#include "lumora/framework/LGameCursorBehavior.h"

#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LFrameReader.h"

LGameCursorBehavior::LGameCursorBehavior() { GetFrameReader()->ReadInt(&m_CursorIndex); }

LGameCursorBehavior::LGameCursorBehavior(int cursorIndex) : m_CursorIndex(cursorIndex) {}

int LGameCursorBehavior::HandleEvent(int type, void*, void*) {
    if (!m_Enabled) return 0;
    if (type != kEventLeave && type != kEventEnter) return 0;
    LCursorPort* port = GetCursorPort();
    if (!port || port->IsCursorLocked()) return 1;
    port->SelectCursor(type == kEventLeave ? 0 : m_CursorIndex);
    return 1;
}
