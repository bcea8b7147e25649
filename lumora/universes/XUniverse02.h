// Universe 2, the harbour station of Le Havre: the clerk asleep in his
// kiosk and the bell that wakes him, the chestnut seller calling out, the
// magpie that snatches the ticket, the plank laid over the dock water, and
// the controller who lets the player board the train to Rouen before the
// departure gauge runs out.
#pragma once

#include <cstdint>

#include "lumora/universes/XUniverse.h"

class XUniverse02 : public XUniverse {
public:
    // The magpie sequence: waiting, armed (the ticket was taken), done.
    enum { kMagpieWaiting = 0, kMagpieArmed = 1, kMagpieDone = 2 };
    static constexpr float kPlatform = 18.93f;  // the platform's height

    ~XUniverse02() override;

    int RestoreState(XChunkFile* save) override;
    int SaveState(XChunkFile* save) override;
    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    int Render() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The asset files' names brought in line with the tables (also used by
    // the painting scene of this universe's group).
    static void RepairNames(XUniverse& scene);

    // The handlers, in dispatch order.
    void ClickController();
    void ClickClerk();
    void GiveNoteToClerk();
    void TakeNoteBack();
    void ClickSeller();
    void BuyChestnuts();
    void ArmMagpie();
    void ClickDoor();
    void TakePlank();
    void LayPlank();
    void ChestnutsToMagpie();
    void ClickSnorer();
    void RingBell();
    void BuyTicket();
    void TakeTicket();
    void BoardTrain();

    // Per-frame rules.
    void SellerCalls();
    void MagpieSequence();
    void DepartureGauge();
    void FallIntoWater();

    // Saved in "TIMEVENDEUSE".
    std::uint32_t m_SellerLastCall = 0;
    int m_SellerInterval = 10000;
    int m_SellerSuspended = 0;
    int m_MagpieState = kMagpieWaiting;

    XAnimation* m_MagpieAnim = nullptr;
    XObject3D* m_Magpie = nullptr;
    XObject3D* m_Controller = nullptr;

private:
    // The ticket the magpie drops lands under its lamp.
    void DropTicket();
};

// The controller's warning before the train leaves comes once in a program run.
extern int g_DepartureWarning;
