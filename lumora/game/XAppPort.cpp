#include "lumora/game/XAppPort.h"

namespace {

XAppPort* g_AppPort = nullptr;

}  // namespace

void SetAppPort(XAppPort* port) { g_AppPort = port; }
XAppPort* GetAppPort() { return g_AppPort; }
