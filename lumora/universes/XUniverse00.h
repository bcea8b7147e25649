// Universe 0, the start universe: it plays on universe 4's garden, where the
// painter bids the player welcome before the player screen opens. Its own
// folder gives the scene list, the tables and the voices; the scene stays
// loaded behind the menus.
#pragma once

#include "lumora/universes/XUniverse.h"

class XObject3D;

class XUniverse00 : public XUniverse {
public:
    // Longest wait for the welcome line, in milliseconds of the game clock.
    static constexpr unsigned kWelcomeLimit = 20000;

    // The list "U00.ZELT" of universe 0's folder, its entries and maps
    // taken from universe 4's folder (the scene's folder from then on).
    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    // Sounds of the start universe's own "Sound" folder, on source A, at
    // pos or at the camera.
    int PlayPointSound(char* name, const ZeltVector* pos) override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;
    // The player takes the pair of glasses from the table.
    void TakeGlasses();
    // The player hands them to the painter, who puts them on.
    void GiveGlasses();

    XObject3D* m_Painter = nullptr;
    XObject3D* m_Boat = nullptr;
    int m_GlassesTaken = 0;
    int m_GlassesGiven = 0;

private:
    // The scene folder "<data><folder>/" into m_Dir.
    void SetSceneDir(const char* folder);
    // Universe 4's name repairs and what the start universe puts away.
    void ApplyRepairs();
};
