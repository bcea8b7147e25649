// Universe 1, the station: the mayor and his card, the station master's
// office with its telephone, a roof to hide on, the points, and the train
// that leaves for universe 2 on the second track.
#pragma once

#include "lumora/universes/XUniverse.h"

class XUniverse01 : public XUniverse {
public:
    ~XUniverse01() override;

    int RestoreState(XChunkFile* save) override;
    int SaveState(XChunkFile* save) override;
    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    int Render() override;
    int OnLButtonDown(int x, int y) override;
    int Step() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order.
    void TakeCard();
    void ClickMayor();
    void OpenDoor();
    void CloseDoor();
    void TakeClockCard();
    void OpenCabinet();
    void LowerLever();
    void ClickTelephone();
    void OpenDrawer(const char* name);
    void ClimbRoof();
    void ToggleSwitch();

    // Per-frame rules.
    void Ride();
    void GaugeRanOut();

    XAnimation* m_Character1Anim = nullptr;
    XObject3D* m_Character1 = nullptr;
    XAnimation* m_MayorAnim = nullptr;
    XObject3D* m_Mayor = nullptr;
    XAnimation* m_TrainAnim = nullptr;
    XObject3D* m_Train = nullptr;
    int m_SwitchOn = 0;
    int m_TrainChanged = 0;
    int m_OnTrain = 0;

private:
    void CallSequence(XAnimation* phone);
    void DeleteRingingTone();
};

// The mayor's first greeting of the program run is always the same line.
extern int g_MayorFirstGreeting;
