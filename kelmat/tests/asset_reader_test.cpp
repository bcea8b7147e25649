// The checked asset reader: a full scene reads back field for field, and
// damaged files (truncated, inflated counts, bad flags, bad indices, extra
// bytes) are refused with a message instead of being read out of bounds.
#include "_AssetReader.h"
#include "_SceneBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using build::ScopedScene;

std::vector<uint8_t> SavedScene(const char* name) {
  ScopedScene scene;
  KelmatMaterial* m = build::Material(scene.get(), "mat");
  m->textureMap = build::Map("tex.bmp", 1);
  m->lightMap = build::Map("light.bmp", 0);
  KelmatLight* spot = build::Light(scene.get(), "spot", KELMAT_LIGHT_SPOT);
  build::Light(scene.get(), "omni", KELMAT_LIGHT_OMNI);
  build::Camera(scene.get(), "cam")->roll = 0.25f;
  KelmatObject* root = build::Object(scene.get(), "root", 4);
  KelmatObject* child = build::Object(scene.get(), "child", 3);
  Kelmat_Object_Link(child, root, scene.get());
  build::Face(root, {0, 1, 2}, m, {0, 0, 1, 0, 1, 1});
  build::Face(root, {0, 2, 3}, m);
  build::Face(child, {0, 1, 2}, m);
  Kelmat_Light_Include_Object(spot, child);
  KelmatAnimation* a = build::Animation(scene.get(), "root");
  KelmatAnimation* b = build::Animation(scene.get(), "child");
  Kelmat_Animation_Link(b, a, scene.get());
  build::PositionKeys(a->position, {0, 10}, {{1, 2, 3}, {4, 5, 6}});
  build::RotationKeys(a->rotation, {0}, {{1, 0, 0, 0}});
  build::HideKeys(b->hide, {0, 5}, {1, 0});
  build::MorphKeys(b->morph, {0, 8}, 3);
  std::string path = build::TempPath(name);
  testing::internal::CaptureStdout();
  EXPECT_EQ(Kelmat_Save_S3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  return asset::ReadBytes(path);
}

TEST(AssetReader, ReadsAFullSceneBack) {
  auto bytes = SavedScene("full.s3d");
  asset::AssetFile f;
  std::string error;
  ASSERT_TRUE(asset::ParseAsset(bytes.data(), bytes.size(), f, error)) << error;
  EXPECT_EQ(f.banner, "Lumora kelmat 1.0 0.95 (S)");
  ASSERT_EQ(f.materials.size(), 1u);
  EXPECT_TRUE(f.materials[0].hasTextureMap);
  EXPECT_EQ(f.materials[0].textureMap.name, "tex.bmp");
  EXPECT_EQ(f.materials[0].textureMap.reflection, 1);
  EXPECT_EQ(f.materials[0].lightMap.name, "light.bmp");
  ASSERT_EQ(f.lights.size(), 2u);
  EXPECT_EQ(f.lights[1].name, "spot");
  ASSERT_EQ(f.objects.size(), 2u);
  EXPECT_EQ(f.objects[1].lights, (std::vector<int32_t>{1}));
  EXPECT_EQ(f.objects[0].faces.size(), 2u);
  ASSERT_EQ(f.animations.size(), 2u);
  const asset::Animation& root = f.animations[0];
  EXPECT_EQ(root.position.frames, (std::vector<int32_t>{0, 10}));
  EXPECT_EQ(root.position.values, (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(root.rotation.values, (std::vector<float>{1, 0, 0, 0}));
  const asset::Animation& child = f.animations[1];
  EXPECT_EQ(child.hide.states, (std::vector<int32_t>{1, 0}));
  EXPECT_TRUE(child.hide.params.empty());
  ASSERT_EQ(child.morph.morph.size(), 2u);
  EXPECT_EQ(child.morph.morphVertexCount, 3);
  EXPECT_EQ(child.morph.morph[1].vertices[2], (asset::Vec3{2, 10, 0}));
  EXPECT_EQ(f.cameras[0].roll, 0.25f);
}

TEST(AssetReader, RefusesEveryTruncation) {
  auto bytes = SavedScene("truncated.s3d");
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);  // exact size for the checker
    asset::AssetFile f;
    std::string error;
    EXPECT_FALSE(asset::ParseAsset(cut.data(), cut.size(), f, error)) << size;
    EXPECT_FALSE(error.empty());
  }
  bytes.push_back(0);
  asset::AssetFile f;
  std::string error;
  EXPECT_FALSE(asset::ParseAsset(bytes.data(), bytes.size(), f, error));
  EXPECT_NE(error.find("left over"), std::string::npos) << error;
}

void Put(std::vector<uint8_t>& bytes, std::size_t offset, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

TEST(AssetReader, RefusesInflatedCountsBadFlagsAndIndices) {
  const auto good = SavedScene("damaged.s3d");
  // Offsets inside the scene file: banner 32, camera count at 32.
  const std::size_t cameraCount = 32;
  const std::size_t lightCount = cameraCount + 4 + 72;
  struct Damage {
    std::size_t offset;
    int32_t value;
    const char* expected;
  } damages[] = {
      {cameraCount, 0x7fffffff, "exceeds"},
      {cameraCount, -1, "negative"},
      {lightCount, 1 << 20, "exceeds"},
  };
  for (const Damage& d : damages) {
    auto bytes = good;
    Put(bytes, d.offset, d.value);
    asset::AssetFile f;
    std::string error;
    EXPECT_FALSE(asset::ParseAsset(bytes.data(), bytes.size(), f, error));
    EXPECT_NE(error.find(d.expected), std::string::npos) << error;
  }

  // Hand-built object files with one bad field each.
  auto objectFile = [](int32_t welded, int32_t faceIndex, int32_t material, int32_t lightLinks) {
    std::vector<uint8_t> b(32, 0);
    std::memcpy(b.data(), "Lumora kelmat 1.0 0.95 (O)", 26);
    auto i32 = [&](int32_t v) {
      for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    };
    auto name = [&](const char* n) {
      std::size_t at = b.size();
      b.resize(at + 32, 0);
      std::memcpy(b.data() + at, n, std::strlen(n));
    };
    i32(1);  // one material, no maps
    name("m");
    i32(0);
    b.resize(b.size() + 12, 0);
    for (int k = 0; k < 7; ++k) i32(0);
    i32(1);  // one object
    name("o");
    i32(0);
    i32(3);
    i32(welded);
    for (int k = 0; k < 18; ++k) i32(0);  // 3 vertices, 3 normals
    i32(1);
    i32(3);
    i32(0), i32(1), i32(faceIndex);
    i32(0);
    i32(material);
    for (int k = 0; k < 3 + 10; ++k) i32(0);
    i32(lightLinks);
    for (int k = 0; k < 1 + 9 + 16; ++k) i32(0);
    return b;
  };
  asset::AssetFile f;
  std::string error;
  auto ok = objectFile(0, 2, 0, 0);
  EXPECT_TRUE(asset::ParseAsset(ok.data(), ok.size(), f, error)) << error;
  auto badWeld = objectFile(2, 2, 0, 0);
  EXPECT_FALSE(asset::ParseAsset(badWeld.data(), badWeld.size(), f, error));
  EXPECT_NE(error.find("welded"), std::string::npos) << error;
  auto badIndex = objectFile(0, 3, 0, 0);
  EXPECT_FALSE(asset::ParseAsset(badIndex.data(), badIndex.size(), f, error));
  EXPECT_NE(error.find("out of range"), std::string::npos) << error;
  auto badMaterial = objectFile(0, 2, 1, 0);
  EXPECT_FALSE(asset::ParseAsset(badMaterial.data(), badMaterial.size(), f, error));
  EXPECT_NE(error.find("material index"), std::string::npos) << error;
  auto links = objectFile(0, 2, 0, 1);
  links.insert(links.end() - (1 + 9 + 16) * 4, {0, 0, 0, 0});
  EXPECT_FALSE(asset::ParseAsset(links.data(), links.size(), f, error));
  EXPECT_NE(error.find("light links"), std::string::npos) << error;

  std::vector<uint8_t> unterminated(36, 'B');
  EXPECT_FALSE(asset::ParseAsset(unterminated.data(), unterminated.size(), f, error));
  EXPECT_NE(error.find("banner"), std::string::npos) << error;
  EXPECT_FALSE(asset::ReadAssetFile(build::TempPath("nothing-here.o3d"), f, error));
}

}  // namespace
