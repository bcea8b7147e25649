// Universe 5, Paris: the station master rung for at his counter, the
// left-luggage room opened with his ticket, Mazout woken and shut in with
// the help of the puppy, the hall door, the lamp that brings the grille
// down, and the flight towards the balloon beyond the platform.
#pragma once

#include "lumora/universes/XUniverse.h"

class XUniverse05 : public XUniverse {
public:
    XUniverse05();
    ~XUniverse05() override;

    int Start(int mode, XChunkFile* save) override;
    int Render() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order.
    void TestSpeakChef();
    void DogToDoor();
    void MaskGrille();
    void LampFalls();
    void OpenLuggageDoor();
    void OpenHallDoor();
    void ShowChefAndPuppy();
    void ShowCart();
    void CloseLuggageDoor();
    void LookAtPainting(const char* painting, const char* line);

    // Per frame: the gauge that ran out, the way out.
    void GaugeRanOut();
    void Leave();

    XAnimation* m_ChefAnim = nullptr;
    XObject3D* m_Chef = nullptr;
    XAnimation* m_MazoutAnim = nullptr;
    XObject3D* m_Mazout = nullptr;
    XAnimation* m_DogAnim = nullptr;
    XObject3D* m_Dog = nullptr;
    int m_Left = 0;  // the flight out has begun
    int m_Busy = 0;  // a sequence runs: the per-frame rules wait

private:
    // Swings a door's animation open (forwards) or shut, with its sound.
    void SwingDoor(const char* name, int open);
    int Done(int id) const;
};
