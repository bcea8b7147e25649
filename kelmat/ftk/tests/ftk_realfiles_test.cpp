#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "_FtkFixture.h"
#include "kelmat/ftk/FtkRecords.h"

using namespace ftk;

namespace {

// $LUMORA_TESTDATA, else the shared folder beside the repository.
std::string TestFile(const std::string& name) {
  if (const char* root = std::getenv("LUMORA_TESTDATA")) return std::string(root) + "/3ds/" + name;
  const std::filesystem::path repo =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
  return (repo.parent_path() / "shared" / "testdata" / "3ds" / name).string();
}

// Reads every record the import asks for; false at the first failure.
bool ReadEverything(Database& db) {
  Material mat;
  for (int i = 0; i < MaterialCount(db); ++i) {
    if (!GetMaterial(db, i, mat)) return false;
  }
  Mesh mesh;
  for (int i = 0; i < MeshCount(db); ++i) {
    if (!GetMesh(db, i, mesh)) return false;
  }
  Camera cam;
  for (int i = 0; i < CameraCount(db); ++i) {
    if (!GetCamera(db, i, cam)) return false;
  }
  Light light;
  for (int i = 0; i < OmniLightCount(db); ++i) {
    if (!GetOmniLight(db, i, light)) return false;
  }
  for (int i = 0; i < SpotLightCount(db); ++i) {
    if (!GetSpotLight(db, i, light)) return false;
  }
  if (db.RootTag() == M3DMAGIC) {
    KeyframerSettings kf;
    if (!GetKeyframerSettings(db, kf)) return false;
    Node node;
    for (int i = 0; i < ObjectNodeCount(db); ++i) {
      if (!GetObjectNode(db, i, node)) return false;
    }
  }
  return true;
}

}  // namespace

TEST(FtkRealFiles, TestModelsReadCompletely) {
  const char* names[] = {"CameraRollAnim.3ds", "CameraRollAnimWithChildObject.3ds",
                         "RotatingCube.3DS",   "TargetCameraAnim.3ds",
                         "cube_with_diffuse_texture.3DS", "cube_with_specular_texture.3DS",
                         "cubes_with_alpha.3DS", "fels.3ds", "test1.3ds"};
  for (const char* name : names) {
    LoadedDb l;
    ASSERT_TRUE(l.Load(build3ds::ReadFile(TestFile(name)))) << name;
    EXPECT_TRUE(ReadEverything(l.db)) << name << testing::PrintToString(l.Codes());
  }
}

TEST(FtkRealFiles, ChildObjectFileDetails) {
  LoadedDb l;
  ASSERT_TRUE(l.Load(build3ds::ReadFile(TestFile("CameraRollAnimWithChildObject.3ds"))));
  Database& db = l.db;
  EXPECT_EQ(MeshCount(db), 2);
  EXPECT_EQ(CameraCount(db), 1);
  ASSERT_EQ(ObjectNodeCount(db), 2);
  Node box2;
  ASSERT_TRUE(GetObjectNode(db, 1, box2));
  EXPECT_EQ(box2.name, "Box02");
  EXPECT_EQ(box2.parentName, "Camera01");  // parent id 1 is the camera node
  EXPECT_EQ(box2.position.keys.size(), 119u);
  EXPECT_EQ(box2.rotation.keys.size(), 2u);
  Camera cam;
  ASSERT_TRUE(GetCamera(db, 0, cam));
  EXPECT_GT(cam.lens, 0.0f);
  KeyframerSettings kf;
  ASSERT_TRUE(GetKeyframerSettings(db, kf));
  EXPECT_EQ(kf.length, 300u);
}

TEST(FtkRealFiles, CorruptedBytesNeverEscapeTheFile) {
  const std::vector<uint8_t> original = build3ds::ReadFile(TestFile("test1.3ds"));
  ASSERT_FALSE(original.empty());
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes = original;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    LoadedDb l;
    if (l.Load(bytes)) ReadEverything(l.db);
    // Whatever happened, the file went back to the table cleanly.
  }
  EXPECT_EQ(OpenFileCount(), 0);
}
