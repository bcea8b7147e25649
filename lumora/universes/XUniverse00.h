// Universe 0, the start universe: a small room where the painter bids the
// player welcome before the player screen opens. The scene stays loaded
// behind the menus.
#pragma once

#include "lumora/engine/XScene.h"

class XUniverse00 : public XScene {
public:
    // Longest wait for the welcome line, in milliseconds of the game clock.
    static constexpr unsigned kWelcomeLimit = 20000;

    int Start(int mode, XChunkFile* save) override;
    // Sounds of the start universe's own "Sound" folder, on source A, at
    // pos or at the camera.
    int PlayPointSound(char* name, const ZeltVector* pos) override;
};
