// Picking through the renderer: the nearer of two objects, hidden objects skipped, misses, and
// level-of-detail stand-ins reporting the object they stand for.
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
    fs::path d = fs::temp_directory_path() / ("lumora-zelt-pick-" + std::to_string(rd()));
    fs::create_directories(d);
    return d;
  }();
  return dir / name;
}

// Square of side 2h across the x axis at distance x, facing a camera at the origin that looks
// along +x (right is -y, up is +z).
Mesh Panel(const std::string& name, float x, float h) {
  Mesh m;
  m.name = name;
  m.vertices = {{0, h, -h}, {0, -h, -h}, {0, -h, h}, {0, h, h}};
  m.faces = {{0, 1, 2, 3}};
  m.position = {x, 0, 0};
  return m;
}

constexpr int kW = 640, kH = 480;
constexpr float kCx = kW / 2.0f, kCy = kH / 2.0f;

class PickObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.ok) << session.why;
    // At 90 degrees a unit of tan covers 320 pixels: the near panel spans +-32 pixels around
    // the centre, the far one +-64, the stand-in +-64 at the near panel's distance.
    std::string why;
    const fs::path file = Scratch("panels.o3d");
    ASSERT_TRUE(WriteObjects(file.string(),
                             {Panel("Near", 100, 10), Panel("Far", 200, 40), Panel("NearLod", 100, 20)}, why))
        << why;
    ZeltObject* first = nullptr;
    ASSERT_TRUE(Zelt_Load_Sdk_o3d(session.scene, file.string().c_str(), &first));
    nearObj = Zelt_Scene_Get_Object(session.scene, "Near");
    farObj = Zelt_Scene_Get_Object(session.scene, "Far");
    lodObj = Zelt_Scene_Get_Object(session.scene, "NearLod");
    ASSERT_TRUE(nearObj && farObj && lodObj);
    ASSERT_TRUE(session.Camera({0, 0, 0}, 0.0f, float(M_PI / 2), 90.0f));
  }

  // The stand-in is only wanted by the LOD test: out of the way otherwise.
  void ParkStandIn() { Zelt_Object_Hide(lodObj, 0); }

  Session session{kW, kH};
  ZeltObject* nearObj = nullptr;
  ZeltObject* farObj = nullptr;
  ZeltObject* lodObj = nullptr;
};

}  // namespace

TEST_F(PickObjects, NearerOfTwoWins) {
  ParkStandIn();
  int face = -1;
  float depth = 0;
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, &face, &depth), nearObj);
  EXPECT_EQ(face, 0);
  EXPECT_NEAR(depth, 100, 0.5);
  // Beside the near panel but on the far one.
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 48, kCy - 10, &face, &depth), farObj);
  EXPECT_NEAR(depth, 200, 1.0);
  // The same answer after a frame has been drawn (picking does not disturb rendering state).
  ASSERT_TRUE(session.Render());
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, &face, &depth), nearObj);
}

TEST_F(PickObjects, HiddenObjectsAreSkipped) {
  ParkStandIn();
  Zelt_Object_Hide(nearObj, 0);
  float depth = 0;
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, nullptr, &depth), farObj);
  EXPECT_NEAR(depth, 200, 1.0);
  Zelt_Object_Hide(farObj, 0);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, nullptr, nullptr), nullptr);
  Zelt_Object_Unhide(nearObj, 0);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, nullptr, nullptr), nearObj);
}

TEST_F(PickObjects, MissesGiveNull) {
  ParkStandIn();
  int face = 5;
  float depth = 0;
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, 5, 5, &face, &depth), nullptr);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 70, kCy, &face, &depth), nullptr);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, -100, kCy, &face, &depth), nullptr);
  EXPECT_GE(depth, 100);  // nothing nearer than the far distance
  // Looking the other way: nothing at all under the centre.
  ASSERT_TRUE(session.Camera({0, 0, 0}, float(M_PI), float(M_PI / 2), 90.0f));
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx, kCy, &face, &depth), nullptr);
  EXPECT_EQ(Zelt_Scene_Pick_Object(nullptr, kCx, kCy, &face, &depth), nullptr);
}

TEST_F(PickObjects, StandInReportsTheObjectItStandsFor) {
  // Beyond 50 units the larger stand-in is drawn in the near panel's place.
  ASSERT_TRUE(Zelt_Object_Add_Lod(nearObj, lodObj, session.scene, 50.0f));
  int face = -1;
  float depth = 0;
  // Inside the stand-in, outside the near panel's own square: still the near panel.
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 48, kCy, &face, &depth), nearObj);
  EXPECT_NEAR(depth, 100, 0.5);
  EXPECT_EQ(face, 0);
  // Walking up close brings the object's own geometry back: the same spot now shows the far
  // panel past the near one's edge.
  ASSERT_TRUE(session.Camera({60, 0, 0}, 0.0f, float(M_PI / 2), 90.0f));
  // At 40 units the near panel covers +-80 pixels, the far one at 140 units +-91.
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 85, kCy, &face, &depth), farObj);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 70, kCy, &face, &depth), nearObj);
}

// A welded group is drawn as a whole, but picking names the member under the pixel, and a
// hidden member is skipped while the rest of its group stays pickable.
TEST(PickWelded, MembersAreReportedThemselves) {
  Session session(kW, kH);
  ASSERT_TRUE(session.ok) << session.why;
  Mesh left = Panel("Left", 100, 10);
  left.position = {100, 30, 0};
  Mesh right = Panel("Right", 0, 10);
  right.position = {0, -60, 0};  // relative to its parent: world (100, -30, 0)
  right.parent = 0;
  std::string why;
  const fs::path file = Scratch("group.o3d");
  ASSERT_TRUE(WriteObjects(file.string(), {left, right}, why, true)) << why;
  ZeltObject* root = nullptr;
  ASSERT_TRUE(Zelt_Load_Sdk_o3d(session.scene, file.string().c_str(), &root));
  ASSERT_TRUE(root && root->kind && root->kind->group);
  ZeltObject* rightObj = Zelt_Scene_Get_Object(session.scene, "Right");
  ASSERT_TRUE(rightObj);
  ASSERT_TRUE(session.Camera({0, 0, 0}, 0.0f, float(M_PI / 2), 90.0f));
  // 30 units across at 100 units: 96 pixels off the centre.
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx - 96, kCy, nullptr, nullptr), root);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 96, kCy, nullptr, nullptr), rightObj);
  Zelt_Object_Hide(rightObj, 0);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx + 96, kCy, nullptr, nullptr), nullptr);
  EXPECT_EQ(Zelt_Scene_Pick_Object(session.scene, kCx - 96, kCy, nullptr, nullptr), root);
}
