// Universe 7, the mine: the climb up the shaft to the switch, the loose
// stone and the pickaxe behind it, the plank laid across the stream, the
// cracked wall, the grille, and the burning fuse that must be put out
// before the dynamite goes off. Putting it out ends the journey: the
// epilogue plays and the option menu opens.
#pragma once

#include "lumora/universes/XUniverse.h"

class XUniverse07 : public XUniverse {
public:
    ~XUniverse07() override;

    int RestoreState(XChunkFile* save) override;
    int SaveState(XChunkFile* save) override;
    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    void Release() override;
    int Render() override;
    int Step() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order.
    void ToggleSwitch();
    void OpenFirstSecret();
    void OpenSecondSecret();
    void CutFuse();
    void OpenGrille();

    // Per-frame rules and the ways to fail.
    void Climb(int up);
    void LayPlank();
    void Explosion();
    void IntoTheWater();

    int Done(int id) const;
    float CurrentFov() const;

    XAnimation* m_StoneAnim = nullptr;   // "*U06_26", the loose stone
    XAnimation* m_GrilleAnim = nullptr;  // "*U06_24"
    XObject3D* m_Dynamite = nullptr;     // "*U06_27"
    ZeltObject* m_Plank = nullptr;       // "*U06_30", the plank's group
    int m_PlankLaid = 0;

private:
    void DeleteSources();
    void Light(int on);
};
