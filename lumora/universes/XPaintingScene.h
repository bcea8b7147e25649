// The place where a painting of the gallery was found: the scenery of its
// universe, the camera where the painter stood. The player can walk about
// but not act; Escape returns to the gallery.
#pragma once

#include "lumora/universes/XUniverse.h"

class XPaintingScene : public XUniverse {
public:
    struct Viewpoint {
        const char* code;
        int group;  // the universe whose scenery it shows (33: the second part of 3)
        float x, y, z, theta, phi;
    };
    // The viewpoint of a painting code (its first six characters), or null.
    static const Viewpoint* FindViewpoint(const char* code);
    // The objects of the fair's second part that a still view of its place
    // leaves out (the people, the night's props, the show and what moves):
    // kFairShowCount names, null-terminated.
    static constexpr int kFairShowCount = 24;
    static const char* const* FairShowObjects();

    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    int OnLButtonDown(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    ZeltObject* Pick(int x, int y) override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The painting (the game object's code when empty at Load).
    char m_Code[7] = {};

private:
    void ApplyRepairs(int group);
    void HideFairShow();
};
