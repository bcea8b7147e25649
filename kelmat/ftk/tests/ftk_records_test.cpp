#include <gtest/gtest.h>

#include "_FtkFixture.h"
#include "kelmat/ftk/FtkRecords.h"

using namespace ftk;
using B = build3ds::Chunk;

TEST(FtkRecords, MaterialFields) {
  B mat(0xAFFF);
  mat.Add(B(0x8001).Add(B(0x1111)));  // bookkeeping: skipped
  mat.Add(B(0xA000).Str("Sixteen_chars_ok"));
  B amb(0xA010);  // 0012h replaces 0011h
  amb.Add(B(0x0011).U8(255).U8(0).U8(0)).Add(B(0x0012).U8(0).U8(255).U8(51));
  mat.Add(amb);
  mat.Add(build3ds::Color(0xA020, 255, 128, 0));
  mat.Add(build3ds::Color(0xA030, 1, 2, 3));
  mat.Add(build3ds::Percent(0xA040, 25));
  mat.Add(B(0xA041).Add(B(0x0031).F32(0.75f)));
  mat.Add(build3ds::Percent(0xA050, 40));
  mat.Add(B(0xA08A));  // negates the transparency read before it
  mat.Add(build3ds::Percent(0xA084, 0));
  mat.Add(B(0xA081));
  mat.Add(B(0xA100).U16(3));
  mat.Add(B(0xA200).Add(B(0x0030).U16(100)).Add(B(0xA300).Str("WALL.JPG")));
  mat.Add(B(0xA33C).Add(B(0xA300).Str("SHINE.BMP")));
  B wire(0xAFFF);
  wire.Add(B(0xA000).Str("Wire")).Add(B(0xA100).U16(2)).Add(B(0xA085));
  wire.Add(build3ds::Color(0xA020, 0, 0, 0)).Add(build3ds::Color(0xA030, 0, 0, 0));
  B root(0x4D4D);
  root.Add(B(0x3D3D).Add(mat).Add(wire));
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  ASSERT_EQ(MaterialCount(l.db), 2);
  Material m;
  ASSERT_TRUE(GetMaterial(l.db, 0, m)) << testing::PrintToString(l.Codes());
  EXPECT_EQ(m.name, "Sixteen_chars_ok");
  EXPECT_FLOAT_EQ(m.ambient.r, 0.0f);
  EXPECT_FLOAT_EQ(m.ambient.g, 255 * 0.003921569f);
  EXPECT_FLOAT_EQ(m.ambient.b, 51 * 0.003921569f);
  EXPECT_FLOAT_EQ(m.diffuse.g, 128 * 0.003921569f);
  EXPECT_FLOAT_EQ(m.specular.b, 3 * 0.003921569f);
  EXPECT_FLOAT_EQ(m.shininess, 0.25f);
  EXPECT_FLOAT_EQ(m.shininessStrength, 0.75f);
  EXPECT_FLOAT_EQ(m.transparency, -0.4f);
  EXPECT_FLOAT_EQ(m.selfIllum, 0.0f);
  EXPECT_TRUE(m.twoSided);
  EXPECT_EQ(m.shading, 3);
  EXPECT_EQ(m.textureMap, "WALL.JPG");
  EXPECT_EQ(m.shininessMap, "SHINE.BMP");
  ASSERT_TRUE(GetMaterial(l.db, 1, m));
  EXPECT_EQ(m.shading, 0);  // wire frame after gouraud
  EXPECT_FALSE(m.twoSided);
  EXPECT_TRUE(m.textureMap.empty());
  EXPECT_FALSE(ErrorPending());
  EXPECT_FALSE(GetMaterial(l.db, 2, m));
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_INVALID_ARG});
}

TEST(FtkRecords, DiffuseWithoutColorIsUnfound) {
  B mat(0xAFFF);
  mat.Add(B(0xA000).Str("NoColor")).Add(B(0xA010)).Add(B(0xA020));
  B root(0x4D4D);
  root.Add(B(0x3D3D).Add(mat));
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  Material m;
  EXPECT_FALSE(GetMaterial(l.db, 0, m));
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_UNFOUND_CHUNK});
}

TEST(FtkRecords, MaterialLibraryWithoutSceneSection) {
  B lib(0x3DAA);
  lib.Add(build3ds::Material({"LibMat", {1, 2, 3}, 2, false, ""}));
  LoadedDb l;
  ASSERT_TRUE(l.Load(lib.Bytes()));
  ASSERT_EQ(MaterialCount(l.db), 1);
  Material m;
  ASSERT_TRUE(GetMaterial(l.db, 0, m));
  EXPECT_EQ(m.name, "LibMat");
  KeyframerSettings kf;
  EXPECT_FALSE(GetKeyframerSettings(l.db, kf));
  EXPECT_EQ(kf.length, 30u);
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_WRONG_DATABASE});
}

TEST(FtkRecords, MeshesCamerasLights) {
  build3ds::MeshSpec sq = build3ds::Square("Sq");
  sq.uv = {0, 0, 1, 0, 1, 1};
  sq.groups = {{"A", {1}}, {"B", {0}}};
  sq.matrix[9] = 4;
  B data(0x3D3D);
  data.Add(build3ds::NamedMesh(sq));
  data.Add(build3ds::NamedCamera("Cam", {1, 2, 3}, {4, 5, 6}, 10, 50));
  B omni(0x4600);
  omni.F32s({7, 8, 9});
  data.Add(B(0x4000).Str("Omni").Add(omni));
  B spot(0x4600);
  spot.F32s({1, 1, 1});
  spot.Add(B(0x0011).U8(255).U8(0).U8(51));
  spot.Add(B(0x4610).F32s({0, 0, 0, 20, 30}));
  spot.Add(B(0x4620)).Add(B(0x4625));
  spot.Add(B(0x4654).Str("Sq")).Add(B(0x4654).Str("Other"));
  spot.Add(B(0x4659).F32(2)).Add(B(0x465A).F32(3)).Add(B(0x465B).F32(0.5f));
  data.Add(B(0x4000).Str("Spot").Add(spot));
  B root(0x4D4D);
  root.Add(data);
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  Database& db = l.db;
  EXPECT_EQ(NamedObjectCount(db), 4);
  ASSERT_EQ(MeshCount(db), 1);
  Mesh mesh;
  ASSERT_TRUE(GetMesh(db, 0, mesh));
  EXPECT_EQ(mesh.name, "Sq");
  EXPECT_EQ(mesh.VertexCount(), 4u);
  EXPECT_EQ(mesh.MappingCount(), 3u);
  ASSERT_EQ(mesh.faces.size(), 2u);
  EXPECT_EQ(mesh.faces[1].c, 3);
  ASSERT_EQ(mesh.groups.size(), 2u);
  EXPECT_EQ(mesh.groups[0].name, "A");
  EXPECT_EQ(mesh.groups[1].faces, std::vector<uint16_t>{0});
  EXPECT_FLOAT_EQ(mesh.matrix[9], 4);
  Mesh byName;
  ASSERT_TRUE(GetMeshByName(db, "Sq", byName));
  EXPECT_EQ(byName.vertices, mesh.vertices);
  EXPECT_FALSE(GetMeshByName(db, "Missing", byName));
  EXPECT_FALSE(ErrorPending());
  EXPECT_FALSE(GetMeshByName(db, "Cam", byName));
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_WRONG_OBJECT});
  ClearErrors();

  ASSERT_EQ(CameraCount(db), 1);
  Camera cam;
  ASSERT_TRUE(GetCamera(db, 0, cam));
  EXPECT_EQ(cam.name, "Cam");
  EXPECT_FLOAT_EQ(cam.target[2], 6);
  EXPECT_FLOAT_EQ(cam.roll, 10);
  EXPECT_FLOAT_EQ(cam.lens, 50);

  ASSERT_EQ(OmniLightCount(db), 1);
  ASSERT_EQ(SpotLightCount(db), 1);
  Light light;
  ASSERT_TRUE(GetOmniLight(db, 0, light));
  EXPECT_EQ(light.name, "Omni");
  EXPECT_FALSE(light.spot);
  EXPECT_FLOAT_EQ(light.color.r, 0.708852f);
  EXPECT_FLOAT_EQ(light.multiplier, 1.0f);
  EXPECT_FLOAT_EQ(light.innerRange, 10.0f);
  EXPECT_FLOAT_EQ(light.outerRange, 100.0f);
  EXPECT_FLOAT_EQ(light.position[2], 9);
  ASSERT_TRUE(GetSpotLight(db, 0, light));
  EXPECT_TRUE(light.spot);
  EXPECT_FLOAT_EQ(light.color.b, 51 * 0.003921569f);
  EXPECT_FLOAT_EQ(light.hotspot, 20);
  EXPECT_FLOAT_EQ(light.falloff, 30);
  EXPECT_TRUE(light.off);
  EXPECT_TRUE(light.attenuate);
  EXPECT_EQ(light.excludes, (std::vector<std::string>{"Sq", "Other"}));
  EXPECT_FLOAT_EQ(light.innerRange, 2);
  EXPECT_FLOAT_EQ(light.outerRange, 3);
  EXPECT_FLOAT_EQ(light.multiplier, 0.5f);
  EXPECT_FALSE(GetSpotLight(db, 1, light));
  EXPECT_FALSE(GetOmniLight(db, -1, light));
}

TEST(FtkRecords, KeyTracksAndSettings) {
  using build3ds::KeySpec;
  build3ds::NodeSpec n;
  n.id = 0;
  n.name = "Mover";
  n.pivot = {1, 2, 3};
  // Tension and ease from present (bits 0 and 4).
  n.position = {{0, {1, 2, 3}, "", 0x11, {0.5f, 0.25f}}, {10, {4, 5, 6}, "", 0, {}}};
  n.rotation = {{0, {1.5f, 0, 0, 1}, "", 0, {}}};
  n.morph = {{5, {}, "Target", 0x02, {0.125f}}};
  n.hide = {{3, {}, "", 0, {}}, {8, {}, "", 0, {}}};
  B kf = build3ds::KeyframerHeader(120, 10, 90);
  kf.Add(build3ds::Node(n));
  B root(0x4D4D);
  root.Add(kf);
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  KeyframerSettings s;
  ASSERT_TRUE(GetKeyframerSettings(l.db, s));
  EXPECT_EQ(s.length, 120u);
  EXPECT_EQ(s.segmentStart, 10u);
  EXPECT_EQ(s.segmentEnd, 90u);
  Node node;
  ASSERT_TRUE(GetObjectNode(l.db, 0, node));
  EXPECT_FLOAT_EQ(node.pivot[1], 2);
  ASSERT_EQ(node.position.keys.size(), 2u);
  EXPECT_FLOAT_EQ(node.position.keys[0].tension, 0.5f);
  EXPECT_FLOAT_EQ(node.position.keys[0].easeFrom, 0.25f);
  EXPECT_FLOAT_EQ(node.position.keys[0].continuity, 0.0f);
  EXPECT_EQ(node.position.keys[1].frame, 10u);
  EXPECT_EQ(node.position.values, (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(node.rotation.values, (std::vector<float>{1.5f, 0, 0, 1}));
  ASSERT_EQ(node.morph.morphNames, std::vector<std::string>{"Target"});
  EXPECT_FLOAT_EQ(node.morph.keys[0].continuity, 0.125f);
  ASSERT_EQ(node.hide.keys.size(), 2u);
  EXPECT_EQ(node.hide.keys[1].frame, 8u);
  EXPECT_FALSE(ErrorPending());
}

TEST(FtkRecords, TruncatedTrackStopsTheRead) {
  build3ds::NodeSpec n;
  n.name = "Liar";
  B kf(0xB000);
  B node = build3ds::Node(n);
  // A position track that announces a million keys but holds one.
  node.kids[2] = build3ds::Track(0xB020, {{0, {1, 2, 3}, "", 0, {}}});
  node.kids[2].data[10] = 0x40;
  node.kids[2].data[11] = 0x42;
  node.kids[2].data[12] = 0x0F;
  kf.Add(node);
  B root(0x4D4D);
  root.Add(kf);
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  Node out;
  EXPECT_FALSE(GetObjectNode(l.db, 0, out));
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_READING_FILE});
}
