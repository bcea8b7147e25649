// Universe 4, the painter's garden: Virel found gagged, his locked
// workshop, the leaking rowing boat and its oars, the key across the pond,
// the postcard of Paris, and the way out on foot for universe 5.
#pragma once

#include "lumora/engine/XGauge.h"
#include "lumora/universes/XUniverse.h"

struct ZeltMap;

class XUniverse04 : public XUniverse {
public:
    static constexpr int kZoneCapacity = 4;

    ~XUniverse04() override;

    int RestoreState(XChunkFile* save) override;
    int SaveState(XChunkFile* save) override;
    int Start(int mode, XChunkFile* save) override;
    int Render() override;
    int OnLButtonDown(int x, int y) override;
    int Step() override;
    // The invisible click zones can be picked while the base pick runs.
    ZeltObject* Pick(int x, int y) override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The garden's name repairs, shared with the start universe and the
    // paintings of the garden.
    static void GardenRepairs(XUniverse& scene);
    // Whether Up at (x, y) looking along theta walks out towards Paris.
    static int LeavesOnFoot(float x, float y, float theta);

    // The handlers, in dispatch order.
    void VirelOpenDoor();
    void EnterWorkshop();
    void UsePot();
    void UseTube();
    void ScrollPainting();
    void UsePostcard();
    void RemoveGag();
    void BreakWindow();
    void UseLadder();
    void ClimbLadder();
    void UseCork();
    void UseKey();
    void VirelTalkAfterGag();
    void VirelTalkAfterHammer();
    void OarToLeft();
    void OarToRight();

    // The boat.
    void GetIntoBoat();
    void GetOutOfBoat();
    void Row(int backward);
    // The camera rides 10 above the boat after a rowing step.
    void RideBoat();
    void Sink();
    void LeaveOnFoot();

    XObject3D* m_Painter = nullptr;
    XAnimation* m_PainterAnim = nullptr;
    XObject3D* m_Boat = nullptr;
    XAnimation* m_BoatAnim = nullptr;
    // Saved with the game ("PARAMS").
    int m_InBoat = 0;
    int m_FaceReplaced = 0;
    int m_PainterMoved = 0;

    ZeltObject* m_Zones[kZoneCapacity] = {};
    int m_ZoneCount = 0;
    float m_LandScale = 0.0f;
    // A gauge that ran when the player got into the boat, put back on leaving it.
    XGauge m_SetAside;
    int m_HasSetAside = 0;
    ZeltMap* m_GagMap = nullptr;
    char m_Face[32] = {};
    int m_FaceKept = 0;
    int m_Leaving = 0;
    int m_Rowed = 0;
    int m_Turning = 0;

    // The painter's face: gagged or not.
    void SetFace(int gagged);

private:
    int Done(int id) const;
    void SetCondition(int id, const char* condition);
    void Seat();
    XAnimation* BoatPath(const char* file, const char* name);
    ZeltVector PostPosition();
    void MovePainter();
};
