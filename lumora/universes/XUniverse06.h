// Universe 6, the clearing: the keeper by her hut, the heavy door, the
// watering can, the wilted flowers that bring the doe, and the clown who
// has followed the player from the circus. The doe leads on to the mine.
#pragma once

#include "lumora/universes/XUniverse.h"

class XUniverse06 : public XUniverse {
public:
    XUniverse06();

    int Start(int mode, XChunkFile* save) override;
    int Step() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order ("OpenDoor" is always asked).
    void OpenDoor();
    void UseArrosoir();
    void UseBiche();

    void AllowFollowingTheDoe();
    // Coming too near the clown: he catches the player.
    void Caught();

    XAnimation* m_DoorAnim = nullptr;   // "lourde", the heavy door
    XObject3D* m_Door = nullptr;        // "*U06_17", its frame
    XAnimation* m_ClownAnim = nullptr;  // "*U03_02"
    XObject3D* m_Clown = nullptr;
    XAnimation* m_DoeAnim = nullptr;    // "*U06_21"
    XObject3D* m_Doe = nullptr;
    XAnimation* m_Flowers = nullptr;    // "Fleurs", rising from the bed "*U06_20"
};
