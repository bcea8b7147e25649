// The painting gallery: the paintings the current player has reached, on
// the screen "Galerie" (one button each, locked ones veiled), each painting
// on "Tableau", under the magnifier ("Loupe") and at its real size
// ("Taille"), and the way into a painting's 3D scene.
#pragma once

#include "lumora/framework/LArray.h"

class LFrame;
class LFrameManager;
class LView;

class XGallery {
public:
    static constexpr int kButtonCount = 20;
    static constexpr int kCodeSize = 7;
    // The "Galerie" buttons in unlocking order.
    static const int kButtons[kButtonCount];

    XGallery();
    virtual ~XGallery();
    XGallery(const XGallery&) = delete;
    XGallery& operator=(const XGallery&) = delete;

    virtual void Open(int showPainting);
    virtual void Deactivate();
    virtual void ShowPaintingOf(LView* button);
    virtual void ShowLoupe();
    virtual void ShowRealSize();
    virtual void BackFromLoupe(LView* view);
    virtual void ShowPaintingOfScreen(LView* view);
    virtual LFrame* ShowScreen(const char* frameName, const char* code, int flag);
    virtual void Hook() {}
    virtual void Back();
    virtual void Next();
    virtual void Prev();
    virtual void Step(int delta);
    virtual void RefreshUnlocked();

    // The painting codes and button count a progress unlocks.
    static int UnlockedFor(int progress, const char* const** codes);
    int IsUnlocked(const char* code) const;

    LFrame* m_Frame = nullptr;
    char m_Code[kCodeSize] = "0";
    LArray m_Unlocked;
    LArray m_Locked;
};

// The one gallery, or null.
extern XGallery* g_Gallery;

// The named gallery screens that set their pictures as they load.
void RegisterGalleryFrames(LFrameManager* manager);
