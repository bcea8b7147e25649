// Shared pieces of the engine tests that run on the built data pack: where
// the program and the pack are, and the test rooms as a scene without a
// display (kernel scene, trees, scene list).
#pragma once

#include <string>

#include "lumora/engine/XScene.h"

class XObject3D;

// The program's folder ($LUMORA_BIN or the build's bin folder) and its pack.
std::string TestBinDir();
std::string TestDataRoot();  // ends with "/"

class TestRoomScene : public XScene {
public:
    // Loads "U09/U09.ZELT" of the pack; Start applies the tables.
    int Open();
    // The action node of a kernel object named `name`.
    XObject3D* Node(const char* name);
};
