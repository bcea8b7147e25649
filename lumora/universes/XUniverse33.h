// Universe 33, the second part of the fair, at dusk: the clown's caravan
// (shutter, door, drawer and key, trunk, curtain, jack-in-the-box and its
// matches, back door), the clown asleep before it who must not catch the
// player, the open-air cinema with its projectionist, and the policeman's
// bicycle that leaves for universe 4.
#pragma once

#include "lumora/universes/XUniverse.h"

class XUniverse33 : public XUniverse {
public:
    XUniverse33();
    ~XUniverse33() override;

    int Start(int mode, XChunkFile* save) override;
    int Render() override;
    int OnLButtonDown(int x, int y) override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order.
    void FinTestM06();
    void MaskBoiteAllu();
    void DoCinema();
    void OuvreVolet();
    void TransitionInterieurRoulotte();
    void OuvreTiroirFond();
    void OuvreMalle();
    void OuvreDiablotin();
    void CacheDerriereRideau();
    void DoGameOverClown1();
    void SortRideau();
    void PousseMalle();
    void OuvrePorte();
    void DoParleProjectionniste();
    void DoCinemaA();
    void AttenteFinFlicParle();
    void TransitionVelo();
    void OuvrePorteClown();

    // The cinema's approach and countdown (both cinema handlers).
    void CinemaFlight();
    // The projectionist's film in place: 1 when it played, 0 when its file
    // could not be opened (logged; back to the scene at once).
    int PlayFilmInPlace(const char* name);
    // Puts the camera on the red bench facing the screen.
    void SitDown();
    // The policeman is back and finds his bicycle still there.
    void CaughtByPoliceman();
    // The clown comes in while the player hides: he looks and goes.
    void ClownSearches();

    XObject3D* m_Projectionist = nullptr;
    XObject3D* m_Clown = nullptr;
    XObject3D* m_Policeman = nullptr;
    XAnimation* m_ClownAnim = nullptr;
    // The countdown's images, "*Ecran01" to "*Ecran10" (index 1 to 10).
    ZeltObject* m_Screens[11] = {};

private:
    // Plays a part's animation to its open (frame 10) or closed (0) end
    // with a sound at it, and waits for it.
    void Move(const char* name, int open, const char* sound);
    int IsDone(int id) const;
    void FaceCharacter(XObject3D* character, unsigned ms = 600);
    void ShowScreen(int image);
};

// The countdown's order of images over the fifteen parts of the flight.
extern const int kCountdownImages[15];
