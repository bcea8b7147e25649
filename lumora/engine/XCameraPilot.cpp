#include "lumora/engine/XCameraPilot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "lumora/engine/InfoTables.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"
#include "platform/Window.h"

using namespace platform;

float g_WalkSpeed = 2.0f;
float g_BobPhase = 0.0f;
float g_BobStep = 1.0f;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kLevelPhi = 1.5707960f;
constexpr float kTurnStep = 0.06f;
constexpr float kPhiMin = 0.6f;
constexpr float kPhiMax = 2.7f;
constexpr float kKeep = 100.0f;        // Travel: keep the current value
constexpr float kFloorNormal = 0.7071f;  // |n.z| from which a face is floor or ceiling
constexpr float kRay = 10000.0f;
constexpr float kNothingAhead = 100000.0f;

float Length(const ZeltVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// Every object the walker may meet: collision-off ones never, and for rays
// also not those excluded from line tests.
template <class F> void ForEachSolid(ZeltScene* scene, bool lineTest, F&& f) {
    if (!scene) return;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o->collisionOff || (lineTest && o->lineTestExcluded)) continue;
        f(o);
    }
}

// Every face the segment crosses, with the hit point.
template <class F> void ForEachHit(ZeltScene* scene, bool lineTest, const float p0[3], const float p1[3], F&& f) {
    ForEachSolid(scene, lineTest, [&](ZeltObject* o) {
        if (!Zelt_Object_Check_Line_Collision(o, p0, p1)) return;
        const int faces = Zelt_Object_Get_Face_Count(o);
        for (int i = 0; i < faces; ++i) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, i, p0, p1, hit)) f(o, hit);
        }
    });
}

// Current and target angle in 0..2 pi, the target moved by a turn when that
// makes the way between them shorter than half a turn.
void ShorterWay(float& current, float& target) {
    current = NormalizeAngle(current);
    target = NormalizeAngle(target);
    if (target - current > kPi) current += 2.0f * kPi;
    else if (current - target > kPi) target += 2.0f * kPi;
}

int DebugMode() { return g_App && g_App->m_Game && g_App->m_Game->m_DebugMode; }

void LogText(const char* text) {
    if (g_App) g_App->Log(text);
    else AppLog(text);
}

}  // namespace

XCameraPilot::XCameraPilot(XScene* scene) : m_Owner(scene) {}

XCameraPilot::~XCameraPilot() {
    if (m_Sphere) Zelt_Sphere_Release(m_Sphere);
}

float XCameraPilot::Scale() const {
    const float s = m_Owner ? m_Owner->m_Scale : 40.0f;
    return std::isfinite(s) && s > 0.0f ? s : 40.0f;
}

float XCameraPilot::FrameRate() const {
    const float fps = m_Owner ? m_Owner->m_FrameRate : 30.0f;
    return std::isfinite(fps) && fps > 0.0f ? fps : 30.0f;
}

bool XCameraPilot::Live() const {
    return g_App && g_App->GetState() == APP_SCENE && g_CurrentScene == m_Owner;
}

float XCameraPilot::FallDrop(float scale, float seconds) { return 5.9f * scale * seconds * seconds; }

float XCameraPilot::JumpHeight(float scale, float seconds) { return scale * seconds - 0.5f * scale * seconds * seconds; }

int XCameraPilot::Init() {
    ZeltScene* scene = m_Owner ? m_Owner->m_Scene : nullptr;
    m_Camera = scene ? Zelt_Scene_Get_First_Camera(scene) : nullptr;
    if (!m_Camera && (!scene || !Zelt_Camera_Create(scene, &m_Camera))) m_Camera = nullptr;
    if (!m_Camera) {
        new MessageToUser(0, 1050, __FILE__, __LINE__);
        return 0;
    }
    Zelt_Scene_Set_Active_Camera(scene, m_Camera);

    char path[300];
    std::snprintf(path, sizeof path, "%sSCENE.BIN", m_Owner->m_Dir);
    if (FileExists(path)) {
        auto file = std::make_unique<XChunkFile>();
        if (file->Open(path, 0)) {
            XCameraInfoRecord info;
            if (ReadCameraInfo(*file, info)) {
                if (std::isfinite(info.m_Fov) && info.m_Fov > 0.0f && info.m_Fov < 180.0f) m_Fov = info.m_Fov;
                m_SphereRadius = info.m_SphereRadius;
                m_SphereOffsetZ = info.m_SphereOffsetZ;
            }
            file->Close();
        }
    }
    Zelt_Camera_Set_Fov(m_Camera, m_Fov);
    Zelt_Camera_Set_Type(m_Camera, ZELT_CAMERA_POLAR);
    // The file's speed is not kept: every scene walks at the shared speed.
    g_WalkSpeed = 2.0f;
    m_Speed = 2.0f;

    const float scale = Scale();
    m_Height = scale * 1.5f;
    SetPosition(0.0f, 0.0f, m_Height);
    SetAngles(0.0f, kLevelPhi);

    if (!m_Sphere && !Zelt_Sphere_Create(scene, &m_Sphere)) {
        m_Sphere = nullptr;
        DebugOut("XCameraPilot::Init: no collision sphere");
        return 0;
    }
    Zelt_Sphere_Set_Radius(m_Sphere, m_SphereRadius);
    SetSphereRadius(scale * 0.5f);
    SetSphereOffsetZ(m_Height - 2.0f * m_SphereRadius);
    const ZeltVector eye = Eye();
    Zelt_Sphere_Set_Position(m_Sphere, &eye);
    return 1;
}

// ---------------------------------------------------------------------------
// Position, angles, heights

void XCameraPilot::SetPosition(float x, float y, float z) {
    m_Position[0] = x;
    m_Position[1] = y;
    m_Position[2] = z;
    const ZeltVector p{x, y, z};
    if (m_Camera) Zelt_Camera_Set_Position(m_Camera, &p);
}

void XCameraPilot::SetPositionVec(const ZeltVector* p) {
    if (p) SetPosition(p->x, p->y, p->z);
}

void XCameraPilot::SetAngles(float theta, float phi) {
    m_Theta = theta;
    m_Phi = phi;
    if (m_Camera) Zelt_Camera_Set_Polar(m_Camera, theta, phi);
}

void XCameraPilot::SetFov(float degrees) {
    if (m_Camera) Zelt_Camera_Set_Fov(m_Camera, degrees);
}

void XCameraPilot::SetHeight(float h) {
    m_Height = h;
    if (m_SphereOffsetZ + m_SphereRadius > h)
        LogText("SetHeight: m_SphereOffsetZ+m_SphereRadius > m_Height. Qu'est-ce que cette imagination?");
}

void XCameraPilot::SetSphereOffsetZ(float o) {
    m_SphereOffsetZ = o;
    if (o + m_SphereRadius > m_Height)
        LogText("SetSphereOffsetZ: Le sphere est au-dessous du pied. Qu'est-ce que cette imagination?");
}

void XCameraPilot::SetSphereRadius(float r) {
    m_SphereRadius = r;
    if (m_Sphere) Zelt_Sphere_Set_Radius(m_Sphere, r);
    m_BaseRadius = r;
}

void XCameraPilot::LookAt(const ZeltVector* from, const ZeltVector* to) {
    if (!from || !to) return;
    ZeltVector d{to->x - from->x, to->y - from->y, to->z - from->z};
    const float length = Length(d);
    // Looking at the point one stands on gives no direction: keep the view.
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    d = {d.x / length, d.y / length, d.z / length};
    float theta = 0.0f, phi = 0.0f;
    Zelt_Convert_To_Polar(&d, &theta, &phi);
    SetAngles(theta, phi);
}

// ---------------------------------------------------------------------------
// Keys

int XCameraPilot::Step() {
    m_SpeedMode = g_Keys[VK_CONTROL] && m_RunAllowed ? kRun : kNormal;
    if (g_Keys[VK_NUMPAD0]) {
        Crouch();
        g_Keys[VK_NUMPAD0] = 0;
    } else if (g_Keys[VK_SHIFT]) {
        Jump();
        g_Keys[VK_SHIFT] = 0;
    } else {
        Keys();
        if (m_Collision) {
            ApplyMove(1);
        } else {
            SetPosition(m_Position[0] + m_Move[0], m_Position[1] + m_Move[1], m_Position[2] + m_Move[2]);
            m_Move[0] = m_Move[1] = m_Move[2] = 0.0f;
        }
        if (DebugMode()) DebugKeys();
    }
    TraceFrame();
    return 1;
}

void XCameraPilot::Keys() {
    if (g_Keys[VK_UP]) MoveForward();
    if (g_Keys[VK_DOWN]) MoveBackward();
    if (!m_CanTurn) return;
    const float step = kTurnStep * m_TurnFactor;
    bool turned = false;
    if (g_Keys[VK_RIGHT]) {
        m_Theta += step;
        turned = true;
    }
    if (g_Keys[VK_LEFT]) {
        m_Theta -= step;
        turned = true;
    }
    if (!g_Keys[VK_CONTROL]) {
        // The tilt stays between 0.6 (down) and 2.7 (up).
        if (g_Keys[VK_PRIOR] && m_Phi < kPhiMax) {
            m_Phi = std::min(m_Phi + step, kPhiMax);
            turned = true;
        }
        if (g_Keys[VK_NEXT] && m_Phi > kPhiMin) {
            m_Phi = std::max(m_Phi - step, kPhiMin);
            turned = true;
        }
    }
    if (turned) {
        SetAngles(m_Theta, m_Phi);
        MarkMoved();
    }
}

void XCameraPilot::DebugKeys() {
    if (g_Keys[VK_INSERT]) {
        m_Collision = !m_Collision;
        g_Keys[VK_INSERT] = 0;
    }
    if (!g_Keys[VK_CONTROL]) return;
    const float old = g_WalkSpeed;
    if (g_Keys[VK_ADD]) g_WalkSpeed += 0.2f;
    if (g_Keys[VK_SUBTRACT] && g_WalkSpeed > 0.2f) g_WalkSpeed -= 0.2f;
    if (g_WalkSpeed != old) m_TurnFactor = (g_WalkSpeed - old) / (old * 5.0f) + 1.0f;
    if (g_Keys['P']) SetPosition(m_Position[0], m_Position[1], m_Position[2] + m_Speed);
    if (g_Keys['M']) SetPosition(m_Position[0], m_Position[1], m_Position[2] - m_Speed);
    if (g_Keys['O']) SetPosition(0.0f, 0.0f, 2.0f * m_SphereRadius);
    if (g_Keys['A']) SetSphereOffsetZ(std::max(0.0f, m_SphereOffsetZ - 1.0f));
    if (g_Keys['Q']) SetSphereOffsetZ(std::min(m_SphereOffsetZ + 1.0f, m_Height - m_SphereRadius));
    if (g_Keys['Z']) SetSphereRadius(m_SphereRadius + 1.0f);
    if (g_Keys['S'] && m_SphereRadius >= 1.0f) SetSphereRadius(m_SphereRadius - 1.0f);
}

void XCameraPilot::MoveForward() {
    if (!m_CanMove) return;
    m_Speed = g_WalkSpeed;
    ComputeMove(false);
    Bob();
    MarkMoved();
}

void XCameraPilot::MoveBackward() {
    if (!m_CanMove) return;
    // Backwards is slower.
    if (m_Speed == g_WalkSpeed) m_Speed = g_WalkSpeed / 2.0f;
    ComputeMove(true);
    Bob();
    MarkMoved();
}

void XCameraPilot::ComputeMove(bool backward) {
    ZeltVector dir{};
    Zelt_Convert_From_Polar(&dir, m_Camera ? m_Camera->theta : m_Theta, m_Camera ? m_Camera->phi : m_Phi);
    const float fps = std::max(FrameRate(), 8.0f);
    float v = m_Speed;
    if (ObstacleDistance(dir) < 2.0f * m_SphereRadius) v /= 2.0f;
    float step = v * Scale() / fps;
    switch (m_SpeedMode) {
    case kRun: step *= 2.0f; break;
    case kJumpWalk:
    case kCrouch: step /= 4.0f; break;
    case kJumpRun: step /= 2.0f; break;
    default: break;
    }
    const float sign = backward ? -1.0f : 1.0f;
    m_Move[0] = sign * step * dir.x;
    m_Move[1] = sign * step * dir.y;
    m_Move[2] = 0.0f;
}

void XCameraPilot::Bob() {
    g_BobPhase += g_BobStep / std::max(FrameRate(), 8.0f);
    if (g_BobPhase > 0.4f || g_BobPhase < -0.4f) {
        g_BobPhase = g_BobPhase > 0.0f ? 0.4f : -0.4f;
        g_BobStep = -g_BobStep;
    }
    if (m_Camera) m_Camera->bob = g_BobPhase;
}

void XCameraPilot::MarkMoved() {
    m_Moving = 1;
    if (g_Cursor) g_Cursor->Suspend(1, 0);
    if (m_Owner) m_Owner->UpdateSoundSources();
}

// ---------------------------------------------------------------------------
// Collision

float XCameraPilot::ObstacleDistance(const ZeltVector& dir) {
    const float p0[3] = {m_Position[0], m_Position[1], m_Position[2] - m_SphereOffsetZ};
    const float p1[3] = {p0[0] + dir.x * kRay, p0[1] + dir.y * kRay, p0[2] + dir.z};
    float nearest = kNothingAhead;
    ForEachHit(m_Owner ? m_Owner->m_Scene : nullptr, true, p0, p1, [&](ZeltObject*, const float* hit) {
        const ZeltVector d{hit[0] - p0[0], hit[1] - p0[1], hit[2] - p0[2]};
        nearest = std::min(nearest, Length(d));
    });
    return nearest;
}

void XCameraPilot::Slide(ZeltVector& p) {
    if (m_Move[0] == 0.0f && m_Move[1] == 0.0f && m_Move[2] == 0.0f) return;
    ZeltVector c{p.x + m_Move[0], p.y + m_Move[1], p.z + m_Move[2] - m_SphereOffsetZ};
    if (m_Sphere) {
        Zelt_Sphere_Set_Position(m_Sphere, &c);
        ForEachSolid(m_Owner ? m_Owner->m_Scene : nullptr, false, [&](ZeltObject* o) {
            if (!Zelt_Object_Check_Sphere_Collision(o, m_Sphere)) return;
            const int faces = Zelt_Object_Get_Face_Count(o);
            for (int i = 0; i < faces; ++i) {
                float contact[3];
                const int result = Zelt_Sphere_Face_Collision(m_Sphere, o, i, contact, 2);
                if (result != 1 && result != 2) continue;
                float n[3] = {c.x - contact[0], c.y - contact[1], c.z - contact[2]};
                const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                // A centre right on an edge gives no direction: the face's own normal does.
                if (result == 2 || !(length > 1e-6f)) {
                    Zelt_Face_Get_Collision_Normal(o, i, n);
                } else {
                    for (float& k : n) k /= length;
                }
                // Floors and ceilings do not push sideways.
                if (std::fabs(n[2]) >= kFloorNormal) continue;
                c = {contact[0] + m_SphereRadius * n[0], contact[1] + m_SphereRadius * n[1],
                     contact[2] + m_SphereRadius * n[2]};
                Zelt_Sphere_Set_Position(m_Sphere, &c);
            }
        });
    }
    p = {c.x, c.y, c.z + m_SphereOffsetZ};
}

bool XCameraPilot::GroundBelow(const ZeltVector& pos, float* height, ZeltObject** object) {
    const float p0[3] = {pos.x, pos.y, pos.z};
    const float p1[3] = {pos.x, pos.y, pos.z - kRay};
    // The highest face below is the ground, at whatever height it lies (a
    // station's platform and track bed lie below height 0).
    float best = 0.0f;
    ZeltObject* found = nullptr;
    ForEachHit(m_Owner ? m_Owner->m_Scene : nullptr, false, p0, p1, [&](ZeltObject* o, const float* hit) {
        if (!found || hit[2] > best) {
            best = hit[2];
            found = o;
        }
    });
    if (height) *height = best;
    if (object) *object = found;
    return found != nullptr;
}

bool XCameraPilot::CeilingAbove(const ZeltVector& pos, float* height) {
    const float p0[3] = {pos.x, pos.y, pos.z};
    const float p1[3] = {pos.x, pos.y, pos.z + kRay};
    float lowest = p1[2];
    bool any = false;
    ForEachHit(m_Owner ? m_Owner->m_Scene : nullptr, false, p0, p1, [&](ZeltObject*, const float* hit) {
        if (hit[2] < lowest) lowest = hit[2];
        any = true;
    });
    *height = lowest;
    return any;
}

int XCameraPilot::CeilingClearBy(const ZeltVector& pos, float extra) {
    float ceiling = 0.0f;
    CeilingAbove(pos, &ceiling);
    return ceiling - pos.z >= Scale() * 0.4f + extra ? 1 : 0;
}

int XCameraPilot::RoomToStand(float rise) {
    // Straight above the eye and above eight points round it at the
    // sphere's radius, so that the standing sphere does not end up in the
    // edge of what one crouched under.
    const ZeltVector eye = Eye();
    for (int i = -1; i < 8; ++i) {
        const float a = static_cast<float>(i) * kPi / 4.0f, r = i < 0 ? 0.0f : m_SphereRadius;
        const ZeltVector at{eye.x + r * std::cos(a), eye.y + r * std::sin(a), eye.z};
        if (!CeilingClearBy(at, rise)) return 0;
    }
    return 1;
}

int XCameraPilot::CeilingClear(const ZeltVector* pos) { return pos ? CeilingClearBy(*pos, 0.0f) : 1; }

float XCameraPilot::HeightAboveGround(const ZeltVector* pos) {
    if (!pos) return 0.0f;
    float ground = 0.0f;
    GroundBelow(*pos, &ground, nullptr);
    return pos->z - ground;
}

int XCameraPilot::GroundCheck(ZeltVector* pos) {
    float ground = 0.0f;
    ZeltObject* object = nullptr;
    if (!GroundBelow(*pos, &ground, &object)) {
        DebugOut("Au secours, sans sol!!!");
        return kNoGround;
    }
    m_Ground = object;
    const float drop = pos->z - ground;
    if (drop <= m_Height * 1.3f) {
        pos->z = ground + m_Height;
        return kOnGround;
    }
    DebugOut("Cà tombe ......");
    const ZeltVector to{pos->x, pos->y, ground + m_Height};
    Fall(pos, &to);
    pos->z = ground + m_Height;
    return kFell;
}

void XCameraPilot::ApplyMove(int collide) {
    ZeltVector p = Eye();
    Slide(p);
    if (collide && GroundCheck(&p) == kFell) Slide(p);
    SetPosition(p.x, p.y, p.z);
    m_Move[0] = m_Move[1] = m_Move[2] = 0.0f;
}

// ---------------------------------------------------------------------------
// Falls, jumps, crouching

void XCameraPilot::Fall(const ZeltVector* from, const ZeltVector* to) {
    if (!from || !to) return;
    const ZeltVector start = *from;
    const ZeltVector d3{to->x - from->x, to->y - from->y, to->z - from->z};
    const float d = Length(d3);
    const float scale = Scale();
    const std::uint32_t begin = timeGetTime();
    float drop = 0.0f;
    do {
        const float t = static_cast<float>(timeGetTime() - begin) / 1000.0f;
        drop = FallDrop(scale, t);
        SetPosition(start.x, start.y, start.z - std::min(drop, d));
        if (!Live()) break;
        if (m_Owner) m_Owner->Run(0);
        TraceFrame();
    } while (drop < d);
    SetPosition(start.x, start.y, start.z - d);
    char line[120];
    std::snprintf(line, sizeof line, "Fall: %.2f units in %u ms", static_cast<double>(d),
                  static_cast<unsigned>(timeGetTime() - begin));
    DebugOut("%s", line);
    if (!m_LandingSound || !(d > scale * 1.5f) || !g_App || !m_Owner || !m_Owner->m_SoundB) return;
    char path[400];
    std::snprintf(path, sizeof path, "%s/SAUT.WAV", g_App->m_DataDir);
    if (!FileExists(path)) return;
    const ZeltVector eye = Eye();
    if (m_Owner->m_SoundB->Play(ResolveForReading(path).c_str(), &eye, 0)) DebugOut("Landing: SAUT.WAV");
}

void XCameraPilot::Jump() {
    if (!m_JumpAllowed || !m_CanMove) return;
    m_SpeedMode = m_SpeedMode == kRun ? kJumpRun : kJumpWalk;
    const float z0 = m_Position[2];
    const bool forward = KeyPressed(VK_UP) != 0, backward = KeyPressed(VK_DOWN) != 0;
    const float scale = Scale();
    const std::uint32_t begin = timeGetTime();
    float peak = z0;
    for (;;) {
        const float t = static_cast<float>(timeGetTime() - begin) / 1000.0f;
        const float h = JumpHeight(scale, t);
        const bool last = h < 0.0f;
        const float z = last ? z0 : z0 + h;
        const ZeltVector from{m_Position[0], m_Position[1], z0};
        const ZeltVector here{m_Position[0], m_Position[1], z};
        // A landing higher than the start, or a ceiling in the way, ends the jump.
        if (HeightAboveGround(&from) < m_Height - 1e-3f * scale || !CeilingClear(&here)) break;
        if (forward) MoveForward();
        else if (backward) MoveBackward();
        ZeltVector p = here;
        Slide(p);
        m_Move[0] = m_Move[1] = m_Move[2] = 0.0f;
        SetPosition(p.x, p.y, z);
        peak = std::max(peak, z);
        if (!Live() || last) break;
        if (m_Owner) m_Owner->Run(0);
        TraceFrame();
    }
    char line[120];
    std::snprintf(line, sizeof line, "Jump: peak %.2f above the start in %u ms", static_cast<double>(peak - z0),
                  static_cast<unsigned>(timeGetTime() - begin));
    DebugOut("%s", line);
    m_Move[0] = m_Move[1] = m_Move[2] = 0.0f;
    m_SpeedMode = kNormal;
    m_Moving = 0;
    if (g_App && g_App->m_hWnd) SendMessage(g_App->m_hWnd, WM_KEYUP, 0, 0);
    if (g_Cursor) g_Cursor->Resume(1);
}

void XCameraPilot::Crouch() {
    m_SpeedMode = kCrouch;
    const float savedHeight = m_Height, savedOffset = m_SphereOffsetZ;
    const float low = Scale() / 2.0f + 3.0f;
    SetSphereOffsetZ(low - m_SphereRadius - 1.0f);
    SetHeight(low);
    const float difference = savedHeight - low;
    ZeltVector down{m_Position[0], m_Position[1], m_Position[2] - difference};
    Travel(1000, &down, kKeep, kKeep, kKeep);
    // Stay down while the key is held or while there is no room to stand up
    // (the whole height difference plus the head's room).
    while (Live() && (g_Keys[VK_NUMPAD0] || !RoomToStand(difference))) {
        m_SpeedMode = kCrouch;
        Keys();
        ApplyMove(1);
        m_Owner->Run(0);
        TraceFrame();
    }
    ZeltVector up{m_Position[0], m_Position[1], m_Position[2] + difference};
    Travel(2000, &up, kKeep, kKeep, kKeep);
    SetHeight(savedHeight);
    SetSphereOffsetZ(savedOffset);
    m_SpeedMode = kNormal;
}

// ---------------------------------------------------------------------------
// Scripted moves

void XCameraPilot::Travel(unsigned ms, const ZeltVector* to, float theta, float phi, float fov) {
    const int steps = std::max(1, static_cast<int>(static_cast<float>(ms) * FrameRate() / 1000.0f));
    ZeltVector step{};
    if (to) step = {(to->x - m_Position[0]) / steps, (to->y - m_Position[1]) / steps, (to->z - m_Position[2]) / steps};
    float curTheta = m_Theta, curPhi = m_Phi;
    float endTheta = theta == kKeep ? m_Theta : theta, endPhi = phi == kKeep ? m_Phi : phi;
    ShorterWay(curTheta, endTheta);
    ShorterWay(curPhi, endPhi);
    float curFov = m_Camera ? m_Camera->fov : m_Fov;
    const float endFov = fov == kKeep ? curFov : fov;
    const float incTheta = (endTheta - curTheta) / steps, incPhi = (endPhi - curPhi) / steps;
    const float incFov = (endFov - curFov) / steps;
    for (int i = 0; i < steps; ++i) {
        if (DebugMode()) ::PumpMessages();
        if (to) SetPosition(m_Position[0] + step.x, m_Position[1] + step.y, m_Position[2] + step.z);
        curTheta += incTheta;
        curPhi += incPhi;
        curFov += incFov;
        SetAngles(curTheta, curPhi);
        SetFov(curFov);
        if (m_Owner) {
            m_Owner->Animate();
            m_Owner->Render();
            m_Owner->UpdateSoundSources();
        }
        ::PumpMessages();
    }
    if (to) SetPosition(to->x, to->y, to->z);
    SetAngles(NormalizeAngle(endTheta), endPhi);
    SetFov(endFov);
}

void XCameraPilot::MoveAlong(const ZeltVector* from, const ZeltVector* to, float theta0, float theta1, float phi0,
                             float phi1, unsigned ms, const MoveCallback& callback) {
    if (!from || !to) return;
    const int steps = std::max(1, static_cast<int>(static_cast<float>(ms) * FrameRate() / 1000.0f));
    const ZeltVector step{(to->x - from->x) / steps, (to->y - from->y) / steps, (to->z - from->z) / steps};
    ShorterWay(theta0, theta1);
    phi0 = NormalizeAngle(phi0);
    phi1 = NormalizeAngle(phi1);
    const float incTheta = (theta1 - theta0) / steps, incPhi = (phi1 - phi0) / steps;
    ZeltVector eye = *from;
    float theta = theta0, phi = phi0;
    for (int i = 1; i <= steps; ++i) {
        eye = {eye.x + step.x, eye.y + step.y, eye.z + step.z};
        theta += incTheta;
        phi += incPhi;
        SetPosition(eye.x, eye.y, eye.z);
        SetAngles(theta, phi);
        if (callback) callback(eye.x, eye.y, eye.z, theta, phi, i, steps);
        if (m_Owner) {
            m_Owner->Animate();
            m_Owner->Render();
            m_Owner->UpdateSoundSources();
        }
        ::PumpMessages();
    }
    SetPosition(to->x, to->y, to->z);
    SetAngles(NormalizeAngle(theta1), phi1);
}

void XCameraPilot::TravelToward(unsigned ms, const ZeltVector* point) {
    if (!point) return;
    const ZeltVector eye = Eye();
    if (ms == 0) {
        LookAt(&eye, point);
        if (m_Owner) m_Owner->Run(0);
        return;
    }
    ZeltVector d{point->x - eye.x, point->y - eye.y, point->z - eye.z};
    const float length = Length(d);
    float theta = m_Theta, phi = m_Phi;
    if (length > 0.0f && std::isfinite(length)) {
        d = {d.x / length, d.y / length, d.z / length};
        Zelt_Convert_To_Polar(&d, &theta, &phi);
    }
    Travel(ms, &eye, theta, phi, kKeep);
}

void XCameraPilot::TravelTowardObject(unsigned ms, ZeltObject* object) {
    if (!object) return;
    ZeltVector p{};
    Zelt_Object_Get_Global_Position(object, &p);
    TravelToward(ms, &p);
}

int XCameraPilot::ReturnPressed(int stopSound) {
    if (!KeyPressed(VK_RETURN)) return 0;
    if (stopSound && m_Owner && m_Owner->m_SoundA) m_Owner->m_SoundA->Stop();
    return 1;
}

// ---------------------------------------------------------------------------
// Saved games

XCameraStateRecord XCameraPilot::State() const {
    XCameraStateRecord r;
    std::copy(std::begin(m_Position), std::end(m_Position), r.m_Position);
    r.m_Theta = m_Theta;
    r.m_Phi = m_Phi;
    r.m_SphereRadius = m_SphereRadius;
    r.m_SphereOffsetZ = m_SphereOffsetZ;
    r.m_CanMove = m_CanMove;
    r.m_CanTurn = m_CanTurn;
    r.m_Collision = m_Collision;
    r.m_Height = m_Height;
    return r;
}

int XCameraPilot::LoadState(XChunkFile* file) {
    // Fields a shorter record does not hold keep their values.
    XCameraStateRecord r = State();
    if (file && ReadCameraState(*file, r)) {
        const float values[] = {r.m_Position[0], r.m_Position[1], r.m_Position[2], r.m_Position[3], r.m_Theta,
                                r.m_Phi, r.m_SphereRadius, r.m_SphereOffsetZ, r.m_Height};
        // A damaged record must not put the camera nowhere.
        if (std::all_of(std::begin(values), std::end(values), [](float v) { return std::isfinite(v); }) &&
            r.m_SphereRadius >= 0.0f) {
            std::copy(std::begin(r.m_Position), std::end(r.m_Position), m_Position);
            m_Theta = r.m_Theta;
            m_Phi = r.m_Phi;
            SetSphereRadius(r.m_SphereRadius);
            m_SphereOffsetZ = r.m_SphereOffsetZ;
            m_CanMove = r.m_CanMove;
            m_CanTurn = r.m_CanTurn;
            m_Collision = r.m_Collision;
            m_Height = r.m_Height;
        } else {
            DebugOut("XCameraPilot::LoadState: damaged camera record ignored");
        }
    }
    SetPosition(m_Position[0], m_Position[1], m_Position[2]);
    SetAngles(m_Theta, m_Phi);
    const ZeltVector eye = Eye();
    if (m_Sphere) Zelt_Sphere_Set_Position(m_Sphere, &eye);
    return 1;
}

int XCameraPilot::SaveState(XChunkFile* file) {
    return file ? WriteCameraState(*file, State()) : 0;
}

void XCameraPilot::TraceFrame() const {
    if (!DebugOutEnabled()) return;
    char line[240];
    std::snprintf(line, sizeof line, "Pilot: x=%.3f y=%.3f z=%.3f theta=%.4f phi=%.4f fps=%.3f mode=%d ground=%s",
                  static_cast<double>(m_Position[0]), static_cast<double>(m_Position[1]),
                  static_cast<double>(m_Position[2]), static_cast<double>(m_Theta), static_cast<double>(m_Phi),
                  static_cast<double>(FrameRate()), m_SpeedMode, m_Ground ? m_Ground->name : "");
    DebugOut("%s", line);
}

float HeightAboveGround(const ZeltVector* pos) {
    return g_CurrentScene && g_CurrentScene->m_Pilot ? g_CurrentScene->m_Pilot->HeightAboveGround(pos) : 0.0f;
}
