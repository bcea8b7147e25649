// The camera pilot walks the scene's camera like a person: the arrow keys
// move and turn, Page Up and Page Down tilt, Shift jumps, numpad 0 crouches,
// Control runs. A collision sphere below the eye slides along walls; a ray
// straight down keeps the eye at its height above the ground, climbing small
// steps and falling down larger drops; the view bobs while walking. Scripts
// fly the camera along timed paths (Travel, MoveAlong). The state goes into
// saved games (chunk "CAMERA").
#pragma once

#include <functional>

#include "include/zelt/zelt.h"

class XChunkFile;
class XScene;
struct XCameraStateRecord;

// Walking speed shared by every scene (the debug keys change it), the bob
// phase and its step.
extern float g_WalkSpeed;
extern float g_BobPhase;
extern float g_BobStep;

class XCameraPilot {
public:
    // Called after each step of MoveAlong: x, y, z, theta, phi, step number from 1, step count.
    using MoveCallback = std::function<void(float, float, float, float, float, int, int)>;

    // Speed modes: 0 normal, 1 run (x 2), 2 (x 1/4), 3 (x 1/2), 4 crouching (x 1/4).
    enum { kNormal = 0, kRun = 1, kJumpWalk = 2, kJumpRun = 3, kCrouch = 4 };
    // GroundCheck's reports.
    enum { kOnGround = 0, kFell = 2, kNoGround = 3 };

    explicit XCameraPilot(XScene* scene);
    ~XCameraPilot();
    XCameraPilot(const XCameraPilot&) = delete;
    XCameraPilot& operator=(const XCameraPilot&) = delete;

    // Takes the scene's first camera (or makes one) and the pilot's
    // parameters from "SCENE.BIN"; 0 (after message 1050) without a camera.
    int Init();
    // One frame of the keys; 1.
    int Step();
    int LoadState(XChunkFile* file);
    int SaveState(XChunkFile* file);

    void SetPosition(float x, float y, float z);
    void SetPositionVec(const ZeltVector* p);
    void SetAngles(float theta, float phi);
    void SetFov(float degrees);
    void LookAt(const ZeltVector* from, const ZeltVector* to);
    // Timed flight to `to` (null: stay) and the angles and field of view
    // given; 100.0 keeps the current value.
    void Travel(unsigned ms, const ZeltVector* to, float theta, float phi, float fov);
    void MoveAlong(const ZeltVector* from, const ZeltVector* to, float theta0, float theta1, float phi0, float phi1,
                   unsigned ms, const MoveCallback& callback);
    void TravelToward(unsigned ms, const ZeltVector* point);
    // Turns toward the object's global position.
    void TravelTowardObject(unsigned ms, ZeltObject* object);
    void SetHeight(float h);
    void SetSphereRadius(float r);
    void SetSphereOffsetZ(float o);
    // Moves the eye by m_Move: slides along walls and, with collide, follows the ground.
    void ApplyMove(int collide);
    // Puts pos at the eye height above the ground under it (falling when it
    // is far below); kOnGround, kFell or kNoGround (pos unchanged).
    int GroundCheck(ZeltVector* pos);
    // 1 when the ceiling above pos leaves room for the head.
    int CeilingClear(const ZeltVector* pos);
    // Falls from `from` down to `to` with gravity, showing each frame.
    void Fall(const ZeltVector* from, const ZeltVector* to);
    // 1 while Return is down (stopping the scene's voice source when asked).
    int ReturnPressed(int stopSound);
    // pos.z minus the highest ground point below pos (0 when none).
    float HeightAboveGround(const ZeltVector* pos);

    // Drop of a fall and height of a jump, `seconds` after their start.
    static float FallDrop(float scale, float seconds);
    static float JumpHeight(float scale, float seconds);

    XScene* m_Owner;
    ZeltCamera* m_Camera = nullptr;
    float m_Speed = 2.0f;
    float m_TurnFactor = 1.0f;
    float m_Fov = 90.0f;
    float m_Position[4] = {};
    float m_Move[3] = {};
    float m_Theta = 0.0f;
    float m_Phi = 1.5707960f;
    ZeltObject* m_Ground = nullptr;
    int m_CanMove = 1;
    int m_CanTurn = 1;
    int m_RunAllowed = 1;
    int m_JumpAllowed = 1;
    int m_Moving = 0;
    int m_SpeedMode = kNormal;
    int m_LandingSound = 1;
    float m_Height = 60.0f;
    ZeltSphere* m_Sphere = nullptr;
    float m_SphereRadius = 20.0f;
    float m_SphereOffsetZ = 40.0f;
    float m_BaseRadius = 20.0f;
    int m_Collision = 1;

private:
    // The scene's scale; a scene file without a usable one gives the default 40.
    float Scale() const;
    float FrameRate() const;
    ZeltVector Eye() const { return {m_Position[0], m_Position[1], m_Position[2]}; }
    // The arrow and page keys: moves and turns.
    void Keys();
    void DebugKeys();
    void MoveForward();
    void MoveBackward();
    void ComputeMove(bool backward);
    void Bob();
    void MarkMoved();
    // Distance from the sphere's height along dir to the nearest face ahead.
    float ObstacleDistance(const ZeltVector& dir);
    // Moves p by m_Move, the sphere pushed out of the walls it meets.
    void Slide(ZeltVector& p);
    // Height of the nearest face below / above pos; false when there is none.
    bool GroundBelow(const ZeltVector& pos, float* height, ZeltObject** object);
    bool CeilingAbove(const ZeltVector& pos, float* height);
    // 1 when the ceiling leaves `extra` more than the head needs.
    int CeilingClearBy(const ZeltVector& pos, float extra);
    // 1 when the eye can rise by `rise` and keep the head's room, above it and round it.
    int RoomToStand(float rise);
    void Jump();
    void Crouch();
    // False once the scene is no longer the one shown (the timed loops stop).
    bool Live() const;
    // The state as the saved game's "CAMERA" holds it.
    XCameraStateRecord State() const;
    // Logs the eye once a frame when debug output is on.
    void TraceFrame() const;
};

// The camera pilot's HeightAboveGround in the current scene (0 without one).
float HeightAboveGround(const ZeltVector* pos);
