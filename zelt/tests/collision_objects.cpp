// Collision calls on loaded objects: world-space bounds and faces (moved, scaled, hidden and
// welded objects), walking-style ground probes, sphere contacts and bad arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "zelt/CollisionTestScene.h"

namespace fs = std::filesystem;
using namespace zelt::testscene;

namespace {

fs::path Scratch(const std::string& name) {
  static const fs::path dir = [] {
    std::random_device rd;
    fs::path d = fs::temp_directory_path() / ("lumora-zelt-collision-" + std::to_string(rd()));
    fs::create_directories(d);
    return d;
  }();
  return dir / name;
}

// Nearest face hit along p0-p1 among the object's faces, as the walker looks for obstacles.
bool NearestHit(ZeltObject* o, const float p0[3], const float p1[3], float hit[3], int* face = nullptr) {
  bool any = false;
  float best = INFINITY;
  for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
    float h[3];
    if (!Zelt_Line_Face_Collision(o, f, p0, p1, h)) continue;
    float d = std::hypot(h[0] - p0[0], h[1] - p0[1], h[2] - p0[2]);
    if (d < best) {
      best = d;
      any = true;
      for (int k = 0; k < 3; ++k) hit[k] = h[k];
      if (face) *face = f;
    }
  }
  return any;
}

class CollisionObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.ok) << session.why;
    Mesh floor = Quad("Floor", 100, true);
    Mesh wall = Box("Wall", 5, 50, 50);
    wall.position = {50, 0, 50};
    Mesh crate = Box("Crate", 1, 1, 1);
    crate.position = {0, 200, 0};
    crate.scale = 2;
    Mesh ghost = Quad("Ghost", 10);
    ghost.position = {0, -300, 0};
    ghost.hidden = true;
    std::string why;
    const fs::path file = Scratch("room.o3d");
    ASSERT_TRUE(WriteObjects(file.string(), {floor, wall, crate, ghost}, why)) << why;
    ZeltObject* first = nullptr;
    ASSERT_TRUE(Zelt_Load_Sdk_o3d(session.scene, file.string().c_str(), &first));
    floorObj = Zelt_Scene_Get_Object(session.scene, "Floor");
    wallObj = Zelt_Scene_Get_Object(session.scene, "Wall");
    crateObj = Zelt_Scene_Get_Object(session.scene, "Crate");
    ghostObj = Zelt_Scene_Get_Object(session.scene, "Ghost");
    ASSERT_TRUE(floorObj && wallObj && crateObj && ghostObj);
    ASSERT_TRUE(Zelt_Sphere_Create(session.scene, &sphere));
  }

  void Place(float x, float y, float z, float r) {
    ZeltVector c{x, y, z};
    Zelt_Sphere_Set_Position(sphere, &c);
    Zelt_Sphere_Set_Radius(sphere, r);
  }

  Session session{320, 240};
  ZeltObject* floorObj = nullptr;
  ZeltObject* wallObj = nullptr;
  ZeltObject* crateObj = nullptr;
  ZeltObject* ghostObj = nullptr;
  ZeltSphere* sphere = nullptr;
};

}  // namespace

TEST_F(CollisionObjects, GroundProbeFindsTheFloorBeneath) {
  const float eye[3] = {10, -20, 60}, below[3] = {10, -20, 60 - 10000};
  EXPECT_TRUE(Zelt_Object_Check_Line_Collision(floorObj, eye, below));
  float hit[3];
  ASSERT_TRUE(NearestHit(floorObj, eye, below, hit));
  EXPECT_NEAR(hit[0], 10, 1e-3);
  EXPECT_NEAR(hit[1], -20, 1e-3);
  EXPECT_NEAR(hit[2], 0, 1e-3);
  // Off the floor's side the bounds already refuse the probe.
  const float out0[3] = {160, 0, 60}, out1[3] = {160, 0, -9940};
  EXPECT_FALSE(Zelt_Object_Check_Line_Collision(floorObj, out0, out1));
  EXPECT_FALSE(NearestHit(floorObj, out0, out1, hit));
  // On the diagonal shared by the floor's two triangles: a hit, at the right place.
  const float d0[3] = {30, 30, 5}, d1[3] = {30, 30, -5};
  ASSERT_TRUE(NearestHit(floorObj, d0, d1, hit));
  EXPECT_NEAR(hit[2], 0, 1e-3);
}

TEST_F(CollisionObjects, ObstacleRayStopsAtTheNearWallFace) {
  const float p0[3] = {0, 0, 40}, p1[3] = {10000, 0, 40};
  EXPECT_TRUE(Zelt_Object_Check_Line_Collision(wallObj, p0, p1));
  float hit[3];
  int face = -1;
  ASSERT_TRUE(NearestHit(wallObj, p0, p1, hit, &face));
  EXPECT_NEAR(hit[0], 45, 1e-3);  // the wall spans x 45..55
  EXPECT_NEAR(hit[2], 40, 1e-3);
  float n[3];
  Zelt_Face_Get_Collision_Normal(wallObj, face, n);
  EXPECT_NEAR(n[0], -1, 1e-5);  // outward, towards the walker
  EXPECT_NEAR(n[1], 0, 1e-5);
  EXPECT_NEAR(n[2], 0, 1e-5);
  // Every face normal is unit length.
  for (int f = 0; f < Zelt_Object_Get_Face_Count(wallObj); ++f) {
    Zelt_Face_Get_Collision_Normal(wallObj, f, n);
    EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1.0, 1e-5) << f;
  }
}

TEST_F(CollisionObjects, MovedAndScaledObjectsCollideWhereTheyAre) {
  // The crate: half size 1, scaled by 2, at (0, 200, 0): its top is at z = 2.
  const float a0[3] = {1.5f, 201.5f, 50}, a1[3] = {1.5f, 201.5f, -50};
  float hit[3];
  ASSERT_TRUE(Zelt_Object_Check_Line_Collision(crateObj, a0, a1));
  ASSERT_TRUE(NearestHit(crateObj, a0, a1, hit));
  EXPECT_NEAR(hit[2], 2, 1e-4);
  // Just outside its scaled side.
  const float b0[3] = {2.1f, 200, 50}, b1[3] = {2.1f, 200, -50};
  EXPECT_FALSE(NearestHit(crateObj, b0, b1, hit));
  // Moving it moves its faces and bounds with it.
  ZeltVector there{0, 300, 0};
  Zelt_Object_Set_Local_Position(crateObj, &there);
  EXPECT_FALSE(Zelt_Object_Check_Line_Collision(crateObj, a0, a1));
  EXPECT_FALSE(NearestHit(crateObj, a0, a1, hit));
  const float c0[3] = {1.5f, 301.5f, 50}, c1[3] = {1.5f, 301.5f, -50};
  ASSERT_TRUE(Zelt_Object_Check_Line_Collision(crateObj, c0, c1));
  ASSERT_TRUE(NearestHit(crateObj, c0, c1, hit));
  EXPECT_NEAR(hit[1], 301.5f, 1e-4);
  EXPECT_NEAR(hit[2], 2, 1e-4);
}

TEST_F(CollisionObjects, HiddenObjectsStillCollide) {
  const float p0[3] = {0, -300, 10}, p1[3] = {0, -300, -10};
  float hit[3];
  ASSERT_TRUE(Zelt_Object_Check_Line_Collision(ghostObj, p0, p1));
  ASSERT_TRUE(NearestHit(ghostObj, p0, p1, hit));
  Place(0, -300, 3, 5);
  EXPECT_TRUE(Zelt_Object_Check_Sphere_Collision(ghostObj, sphere));
}

TEST_F(CollisionObjects, SphereOnTheFloorInsideEdgeAndCorner) {
  float contact[3];
  auto touch = [&](int mode) {
    int best = 0;
    for (int f = 0; f < Zelt_Object_Get_Face_Count(floorObj); ++f)
      best = std::max(best, Zelt_Sphere_Face_Collision(sphere, floorObj, f, contact, mode));
    return best;
  };
  Place(10, 20, 15, 20);
  EXPECT_TRUE(Zelt_Object_Check_Sphere_Collision(floorObj, sphere));
  ASSERT_EQ(touch(2), 2);
  EXPECT_NEAR(contact[0], 10, 1e-3);
  EXPECT_NEAR(contact[1], 20, 1e-3);
  EXPECT_NEAR(contact[2], 0, 1e-3);
  // Beside the floor's edge x = 100.
  Place(110, 20, 5, 20);
  ASSERT_EQ(touch(2), 1);
  EXPECT_NEAR(contact[0], 100, 1e-3);
  EXPECT_NEAR(contact[1], 20, 1e-3);
  // Off the corner (100, 100).
  Place(108, 108, 4, 20);
  ASSERT_EQ(touch(2), 1);
  EXPECT_NEAR(contact[0], 100, 1e-3);
  EXPECT_NEAR(contact[1], 100, 1e-3);
  // Too high, and too far off the corner.
  Place(10, 20, 21, 20);
  EXPECT_EQ(touch(2), 0);
  Place(115, 115, 4, 20);
  EXPECT_EQ(touch(2), 0);
  // Under the floor: the walker's mode ignores the back of a face; mode 0 does not.
  Place(10, 20, -15, 20);
  EXPECT_EQ(touch(2), 0);
  EXPECT_EQ(touch(0), 2);
  EXPECT_NEAR(contact[2], 0, 1e-3);
  // Far away: even the bounds are not met.
  Place(1000, 1000, 1000, 20);
  EXPECT_FALSE(Zelt_Object_Check_Sphere_Collision(floorObj, sphere));
}

TEST_F(CollisionObjects, SlidingAlongTheWallKeepsTheSphereOut) {
  // One walking step into the wall: the sphere is pushed back to touch the wall's near face.
  const float r = 20;
  Place(40, 0, 40, r);
  float c[3] = {40, 0, 40};
  ASSERT_TRUE(Zelt_Object_Check_Sphere_Collision(wallObj, sphere));
  bool pushed = false;
  for (int f = 0; f < Zelt_Object_Get_Face_Count(wallObj); ++f) {
    float contact[3], n[3];
    int res = Zelt_Sphere_Face_Collision(sphere, wallObj, f, contact, 2);
    if (res == 1) {
      float d = std::hypot(c[0] - contact[0], c[1] - contact[1], c[2] - contact[2]);
      for (int k = 0; k < 3; ++k) n[k] = (c[k] - contact[k]) / d;
    } else if (res == 2) {
      Zelt_Face_Get_Collision_Normal(wallObj, f, n);
    } else {
      continue;
    }
    for (int k = 0; k < 3; ++k) c[k] = contact[k] + r * n[k];
    ZeltVector moved{c[0], c[1], c[2]};
    Zelt_Sphere_Set_Position(sphere, &moved);
    pushed = true;
  }
  ASSERT_TRUE(pushed);
  EXPECT_NEAR(c[0], 25, 1e-3);  // near face x = 45, minus the radius
  EXPECT_NEAR(c[1], 0, 1e-3);
  EXPECT_NEAR(c[2], 40, 1e-3);
}

TEST_F(CollisionObjects, BadArgumentsFailWithTheLastError) {
  const float p0[3] = {0, 0, 1}, p1[3] = {0, 0, -1};
  float out[3] = {7, 7, 7};
  int code = 0;
  EXPECT_FALSE(Zelt_Line_Face_Collision(floorObj, 99, p0, p1, out));
  Zelt_Get_Last_Error(&code, nullptr);
  EXPECT_EQ(code, ZELT_ERR_ARGUMENT);
  EXPECT_FALSE(Zelt_Line_Face_Collision(floorObj, -1, p0, p1, out));
  EXPECT_FALSE(Zelt_Line_Face_Collision(nullptr, 0, p0, p1, out));
  EXPECT_FALSE(Zelt_Line_Face_Collision(floorObj, 0, nullptr, p1, out));
  EXPECT_FALSE(Zelt_Object_Check_Line_Collision(nullptr, p0, p1));
  EXPECT_FALSE(Zelt_Object_Check_Sphere_Collision(floorObj, nullptr));
  Place(0, 0, 0, 10);
  EXPECT_EQ(Zelt_Sphere_Face_Collision(sphere, floorObj, 5, out, 2), 0);
  EXPECT_EQ(Zelt_Sphere_Face_Collision(nullptr, floorObj, 0, out, 2), 0);
  EXPECT_FLOAT_EQ(out[0], 7);  // untouched by failures
  Zelt_Face_Get_Collision_Normal(floorObj, 99, out);
  EXPECT_FLOAT_EQ(out[0], 0);
  EXPECT_FLOAT_EQ(out[2], 0);
  // A hit without a place to put the point is still reported.
  const float q0[3] = {10, 5, 1}, q1[3] = {10, 5, -1};
  EXPECT_TRUE(Zelt_Line_Face_Collision(floorObj, 0, q0, q1, nullptr) ||
              Zelt_Line_Face_Collision(floorObj, 1, q0, q1, nullptr));
}

// A mirrored object (negative scale) keeps its faces' fronts: normals point outwards and the
// walker's one-sided sphere test still meets it from outside.
TEST(CollisionMirrored, FacesKeepTheirFront) {
  Session session(160, 120);
  ASSERT_TRUE(session.ok) << session.why;
  Mesh box = Box("Mirror", 5, 5, 5);
  box.position = {100, 0, 0};
  box.scale = -1;
  std::string why;
  const fs::path file = Scratch("mirror.o3d");
  ASSERT_TRUE(WriteObjects(file.string(), {box}, why)) << why;
  ZeltObject* o = nullptr;
  ASSERT_TRUE(Zelt_Load_Sdk_o3d(session.scene, file.string().c_str(), &o));
  ASSERT_TRUE(o);
  float m[16];
  Zelt_Object_Get_Global_Matrix(o, m);
  ASSERT_LT(m[0] * m[5] * m[10], 0.0f);  // really mirrored
  const float p0[3] = {0, 1, 1}, p1[3] = {200, 1, 1};
  float hit[3];
  int face = -1;
  ASSERT_TRUE(NearestHit(o, p0, p1, hit, &face));
  EXPECT_NEAR(hit[0], 95, 1e-3);
  float n[3];
  Zelt_Face_Get_Collision_Normal(o, face, n);
  EXPECT_NEAR(n[0], -1, 1e-5);
  ZeltSphere* sphere = nullptr;
  ASSERT_TRUE(Zelt_Sphere_Create(session.scene, &sphere));
  ZeltVector c{88, 1, 1};
  Zelt_Sphere_Set_Position(sphere, &c);
  Zelt_Sphere_Set_Radius(sphere, 10);
  float contact[3];
  EXPECT_EQ(Zelt_Sphere_Face_Collision(sphere, o, face, contact, 2), 2);
  EXPECT_NEAR(contact[0], 95, 1e-3);
}

// A welded hierarchy: the child's faces index the shared pool and are placed by the child's own
// matrix; the same scene unwelded collides in the same places.
TEST(CollisionWelded, PooledFacesFollowTheirOwner) {
  for (bool weld : {true, false}) {
    SCOPED_TRACE(weld ? "welded" : "separate");
    Session session(160, 120);
    ASSERT_TRUE(session.ok) << session.why;
    Mesh body = Box("Body", 10, 10, 10);
    Mesh arm = Box("Arm", 2, 2, 2);
    arm.position = {30, 0, 0};
    arm.parent = 0;
    std::string why;
    const fs::path file = Scratch(weld ? "welded.o3d" : "separate.o3d");
    ASSERT_TRUE(WriteObjects(file.string(), {body, arm}, why, weld)) << why;
    ZeltObject* root = nullptr;
    ASSERT_TRUE(Zelt_Load_Sdk_o3d(session.scene, file.string().c_str(), &root));
    ZeltObject* armObj = Zelt_Scene_Get_Object(session.scene, "Arm");
    ZeltObject* bodyObj = Zelt_Scene_Get_Object(session.scene, "Body");
    ASSERT_TRUE(armObj && bodyObj);
    ASSERT_TRUE(root && root->kind);
    EXPECT_EQ(root->kind->group != 0, weld);  // the welded file really pools its vertices
    const float p0[3] = {31, 1, 50}, p1[3] = {31, 1, -50};
    float hit[3];
    ASSERT_TRUE(NearestHit(armObj, p0, p1, hit));
    EXPECT_NEAR(hit[0], 31, 1e-4);
    EXPECT_NEAR(hit[2], 2, 1e-4);
    EXPECT_FALSE(NearestHit(bodyObj, p0, p1, hit));
    const float b0[3] = {-5, 5, 50}, b1[3] = {-5, 5, -50};
    ASSERT_TRUE(NearestHit(bodyObj, b0, b1, hit));
    EXPECT_NEAR(hit[2], 10, 1e-4);
    // Moving the body carries the arm along.
    ZeltVector up{0, 0, 100};
    Zelt_Object_Set_Local_Position(bodyObj, &up);
    const float h0[3] = {31, 1, 200}, h1[3] = {31, 1, -200};
    ASSERT_TRUE(NearestHit(armObj, h0, h1, hit));
    EXPECT_NEAR(hit[2], 102, 1e-3);
    // The members' own bounds moved too: the walker's first test lets the probe through at the
    // new place and refuses it at the old one.
    EXPECT_TRUE(Zelt_Object_Check_Line_Collision(armObj, h0, h1));
    const float old0[3] = {31, 1, 50}, old1[3] = {31, 1, -50};
    EXPECT_FALSE(Zelt_Object_Check_Line_Collision(armObj, old0, old1));
    ZeltSphere* sphere = nullptr;
    ASSERT_TRUE(Zelt_Sphere_Create(session.scene, &sphere));
    ZeltVector near{30, 0, 100 + 2 + 3};
    Zelt_Sphere_Set_Position(sphere, &near);
    Zelt_Sphere_Set_Radius(sphere, 4);
    EXPECT_TRUE(Zelt_Object_Check_Sphere_Collision(armObj, sphere));
    int best = 0;
    float contact[3];
    for (int f = 0; f < Zelt_Object_Get_Face_Count(armObj); ++f)
      best = std::max(best, Zelt_Sphere_Face_Collision(sphere, armObj, f, contact, 2));
    EXPECT_EQ(best, 2);
  }
}
