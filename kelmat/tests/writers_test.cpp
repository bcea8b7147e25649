// The five asset file writers: sizes, exact bytes, block contents and
// refusals, checked against hand-built byte strings and the checked reader.
#include "_AssetReader.h"
#include "_SceneBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using build::ScopedScene;

// Expected bytes, assembled field by field.
struct Bytes {
  std::vector<uint8_t> data;
  Bytes& I32(int32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return I32(static_cast<int32_t>(u));
  }
  Bytes& U8(uint8_t v) {
    data.push_back(v);
    return *this;
  }
  Bytes& Name(const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
    data.insert(data.end(), 32 - text.size(), 0);
    return *this;
  }
  Bytes& Banner(char kind) { return Name(std::string("Lumora kelmat 1.0 0.95 (") + kind + ")"); }
};

std::string LastError() {
  char text[KELMAT_LAST_ERROR_SIZE];
  Kelmat_Get_Last_Error(text);
  return text;
}

asset::AssetFile ReadBack(const std::string& path) {
  asset::AssetFile file;
  std::string error;
  EXPECT_TRUE(asset::ReadAssetFile(path, file, error)) << error;
  return file;
}

TEST(Writers, EmptySceneGivesBannerAndZeroCounts) {
  ScopedScene scene;
  struct Case {
    int (*save)(KelmatScene*, const char*);
    char kind;
    int counts;
  } cases[] = {{Kelmat_Save_O3d, 'O', 2}, {Kelmat_Save_A3d, 'A', 1}, {Kelmat_Save_C3d, 'C', 1},
               {Kelmat_Save_L3d, 'L', 1}, {Kelmat_Save_S3d, 'S', 5}};
  for (const Case& c : cases) {
    std::string path = build::TempPath(std::string("empty.") + c.kind);
    testing::internal::CaptureStdout();
    ASSERT_EQ(c.save(scene.get(), path.c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Saving " + path + "...\n");
    Bytes expected;
    expected.Banner(c.kind);
    for (int i = 0; i < c.counts; ++i) expected.I32(0);
    EXPECT_EQ(asset::ReadBytes(path), expected.data) << c.kind;
  }
  EXPECT_EQ(std::filesystem::file_size(build::TempPath("empty.O")), 40u);
  EXPECT_EQ(std::filesystem::file_size(build::TempPath("empty.S")), 52u);
}

TEST(Writers, ObjectFileMatchesHandBuiltBytes) {
  ScopedScene scene;
  KelmatMaterial* plain = build::Material(scene.get(), "plain");
  plain->type = MATERIAL_SELF_ILLUM;
  plain->twoSided = 1;  // never reaches a file
  KelmatMaterial* wood = build::Material(scene.get(), "wood");
  wood->type = MATERIAL_GOURAUD_RGB;
  wood->ambient[0] = 1, wood->ambient[1] = 2, wood->ambient[2] = 3;
  wood->diffuse[0] = 200, wood->diffuse[1] = 201, wood->diffuse[2] = 255;
  wood->specular[2] = 9;
  wood->lightColor[0] = 128;
  wood->shininess = 40, wood->shininessStrength = 50, wood->transparency = 5;
  wood->binaryOpacity = 1, wood->tiling = 0;
  wood->textureMap = build::Map("wood.bmp", 1);

  KelmatObject* box = build::Object(scene.get(), "box", 0);
  build::SetVertices(box, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  for (int i = 0; i < 3; ++i) box->normals[i] = {0, 0, 1};
  build::Face(box, {0, 1, 2}, wood, {0, 0, 1, 0, 0, 1});
  build::Face(box, {2, 1, 0}, plain);
  box->faces[1].normal = {0, 0, -1};
  box->sphereCenter = {0.5f, 0.5f, 0};
  box->sphereRadius = 0.75f;
  box->boxMax = {1, 1, 0};
  box->hidden = 1;
  box->pivot = {1, 2, 3};
  box->position = {4, 5, 6};
  box->scale = {7, 8, 9};
  box->rotation[1] = 0.5f;
  KelmatLight* lamp = build::Light(scene.get(), "lamp", KELMAT_LIGHT_OMNI);
  ASSERT_EQ(Kelmat_Light_Include_Object(lamp, box), 1);

  std::string path = build::TempPath("box.o3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();

  Bytes e;
  e.Banner('O').I32(2);
  // wood comes first: the list runs in reverse order of creation
  e.Name("wood").I32(2).U8(1).U8(2).U8(3).U8(200).U8(201).U8(255).U8(0).U8(0).U8(9);
  e.U8(128).U8(0).U8(0).I32(40).I32(50).I32(5).I32(1).I32(0);
  e.I32(1).Name("wood.bmp").I32(1).I32(0);
  e.Name("plain").I32(0);
  for (int i = 0; i < 12; ++i) e.U8(0);
  e.I32(0).I32(0).I32(0).I32(0).I32(1).I32(0).I32(0);
  e.I32(1).Name("box").I32(0).I32(3).I32(0);
  for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) e.F32(v);
  for (int i = 0; i < 3; ++i) e.F32(0).F32(0).F32(1);
  e.I32(2);
  e.I32(3).I32(0).I32(1).I32(2).I32(3);
  for (float v : {0.f, 0.f, 1.f, 0.f, 0.f, 1.f}) e.F32(v);
  e.I32(0).F32(0).F32(0).F32(1);
  e.I32(3).I32(2).I32(1).I32(0).I32(0).I32(1).F32(0).F32(0).F32(-1);
  e.F32(0.5f).F32(0.5f).F32(0).F32(0.75f);
  e.F32(0).F32(0).F32(0).F32(1).F32(1).F32(0);
  e.I32(0);  // no light indices in an object file, even with a light linked
  e.I32(1).F32(1).F32(2).F32(3).F32(4).F32(5).F32(6).F32(7).F32(8).F32(9);
  for (int i = 0; i < 16; ++i) e.F32(i == 1 ? 0.5f : (i % 5 == 0 ? 1.f : 0.f));
  EXPECT_EQ(asset::ReadBytes(path), e.data);
}

TEST(Writers, SceneFileListsLightIndicesInListOrder) {
  ScopedScene scene;
  KelmatMaterial* m = build::Material(scene.get(), "m");
  KelmatLight* first = build::Light(scene.get(), "first", KELMAT_LIGHT_OMNI);
  KelmatLight* spot = build::Light(scene.get(), "spot", KELMAT_LIGHT_SPOT);
  spot->target = {1, 2, 3};
  spot->hotspot = 44;
  spot->falloff = 45;
  KelmatObject* o = build::Object(scene.get(), "o", 3);
  build::Face(o, {0, 1, 2}, m);
  ASSERT_EQ(Kelmat_Light_Include_Object(first, o), 1);
  ASSERT_EQ(Kelmat_Light_Include_Object(spot, o), 1);
  build::Camera(scene.get(), "cam")->fieldOfView = 0.837758f;

  std::string scenePath = build::TempPath("lights.s3d");
  std::string objectPath = build::TempPath("lights.o3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_S3d(scene.get(), scenePath.c_str()), 1);
  ASSERT_EQ(Kelmat_Save_O3d(scene.get(), objectPath.c_str()), 1);
  testing::internal::GetCapturedStdout();

  asset::AssetFile s = ReadBack(scenePath);
  ASSERT_EQ(s.kind, 'S');
  ASSERT_EQ(s.lights.size(), 2u);
  EXPECT_EQ(s.lights[0].name, "spot");  // list head first
  EXPECT_TRUE(s.lights[0].spot);
  EXPECT_EQ(s.lights[0].target, (asset::Vec3{1, 2, 3}));
  EXPECT_EQ(s.lights[0].falloff, 45);
  EXPECT_FALSE(s.lights[1].spot);
  ASSERT_EQ(s.objects.size(), 1u);
  // links are inserted at the head: spot, then first
  EXPECT_EQ(s.objects[0].lights, (std::vector<int32_t>{0, 1}));
  ASSERT_EQ(s.cameras.size(), 1u);
  EXPECT_FLOAT_EQ(s.cameras[0].fieldOfView, 0.837758f);

  asset::AssetFile obj = ReadBack(objectPath);
  ASSERT_EQ(obj.objects.size(), 1u);
  EXPECT_TRUE(obj.objects[0].lights.empty());

  // Omni light: 71 bytes; spot light: 20 more.
  std::string lightPath = build::TempPath("lights.l3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_L3d(scene.get(), lightPath.c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::filesystem::file_size(lightPath), 32u + 4 + 71 + 91);
}

TEST(Writers, ForestsAreWrittenInPreOrderWithParentNames) {
  ScopedScene scene;
  // Roots created r2 then r1, so the root list is r1, r2.
  KelmatObject* r2 = build::Object(scene.get(), "r2");
  KelmatObject* r1 = build::Object(scene.get(), "r1");
  KelmatObject* a = build::Object(scene.get(), "a");
  KelmatObject* b = build::Object(scene.get(), "b");
  KelmatObject* a1 = build::Object(scene.get(), "a.1");
  ASSERT_EQ(Kelmat_Object_Link(a, r1, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(b, r1, scene.get()), 1);   // children of r1: b, a
  ASSERT_EQ(Kelmat_Object_Link(a1, a, scene.get()), 1);
  KelmatAnimation* ar = build::Animation(scene.get(), "r1");
  KelmatAnimation* ac = build::Animation(scene.get(), "a");
  ASSERT_EQ(Kelmat_Animation_Link(ac, ar, scene.get()), 1);
  (void)r2;

  std::string path = build::TempPath("forest.s3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_S3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  asset::AssetFile f = ReadBack(path);
  std::vector<std::string> names, parents;
  for (const auto& o : f.objects) {
    names.push_back(o.name);
    parents.push_back(o.hasParent ? o.parentName : "-");
  }
  EXPECT_EQ(names, (std::vector<std::string>{"r1", "b", "a", "a.1", "r2"}));
  EXPECT_EQ(parents, (std::vector<std::string>{"-", "r1", "r1", "a", "-"}));
  ASSERT_EQ(f.animations.size(), 2u);
  EXPECT_EQ(f.animations[0].name, "r1");
  EXPECT_EQ(f.animations[1].parentName, "r1");
}

TEST(Writers, WeldedHierarchyCarriesOnlyTheRootsPool) {
  ScopedScene scene;
  KelmatMaterial* m = build::Material(scene.get(), "m");
  KelmatObject* root = build::Object(scene.get(), "root", 5);
  KelmatObject* child = build::Object(scene.get(), "child");
  ASSERT_EQ(Kelmat_Object_Link(child, root, scene.get()), 1);
  for (int i = 0; i < 5; ++i) {
    root->vertices[i] = {float(i), 0, 0};
    root->normals[i] = {0, 1, 0};
  }
  root->welded = 1;
  root->poolSize = 5;
  root->vertexCount = 3;
  child->welded = 1;
  child->firstVertex = 3;
  child->vertexCount = 2;
  child->vertices = root->vertices;
  child->sourceVertices = root->sourceVertices;
  child->normals = root->normals;
  build::Face(root, {0, 1, 2}, m);
  build::Face(child, {2, 3, 4}, m);  // uses an entry the root owns

  std::string path = build::TempPath("welded.o3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  asset::AssetFile f = ReadBack(path);
  ASSERT_EQ(f.objects.size(), 2u);
  EXPECT_EQ(f.objects[0].welded, 1);
  EXPECT_EQ(f.objects[0].poolSize, 5);
  EXPECT_EQ(f.objects[0].vertices.size(), 5u);
  EXPECT_EQ(f.objects[1].welded, 1);
  EXPECT_EQ(f.objects[1].firstVertex, 3);
  EXPECT_EQ(f.objects[1].poolSize, 0);
  EXPECT_TRUE(f.objects[1].vertices.empty());
  EXPECT_TRUE(f.objects[1].normals.empty());
  std::string error;
  auto owned = f.VerticesOf(1, error);
  ASSERT_EQ(owned.size(), 2u) << error;
  EXPECT_EQ(owned[0][0], 3.f);
  EXPECT_EQ(owned[1][0], 4.f);
  // The member's record size: no vertex data at all.
  std::size_t memberRecord = 32 + 4 + 32 + 4 + 4 + 8 + 4 + (4 + 12 + 4 + 4 + 12) + 16 + 24 + 4 +
                             4 + 36 + 64;
  std::size_t rootRecord = 32 + 4 + 4 + 4 + 8 + 120 + 4 + (4 + 12 + 4 + 4 + 12) + 16 + 24 + 4 +
                           4 + 36 + 64;
  std::size_t materialRecord = 32 + 4 + 12 + 20 + 8;
  EXPECT_EQ(std::filesystem::file_size(path), 32 + 4 + materialRecord + 4 + rootRecord + memberRecord);
}

TEST(Writers, KeylessAnimationWritesTwoIntegersPerTrack) {
  ScopedScene scene;
  KelmatAnimation* a = build::Animation(scene.get(), "still");
  a->pivot = {1, 2, 3};
  a->length = 100;
  a->segmentStart = 5;
  a->segmentEnd = 60;
  a->rotation.flags = -2;  // sign-extended source flags go through as they are
  std::string path = build::TempPath("still.a3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_A3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  Bytes e;
  e.Banner('A').I32(1).Name("still").I32(0).F32(1).F32(2).F32(3).I32(100).I32(5).I32(60);
  e.I32(0).I32(0).I32(0).I32(0).I32(0).I32(-2).I32(0).I32(0).I32(0).I32(0);
  EXPECT_EQ(asset::ReadBytes(path), e.data);
}

TEST(Writers, TracksWriteFramesThenParametersThenValues) {
  ScopedScene scene;
  KelmatAnimation* a = build::Animation(scene.get(), "moving");
  build::PositionKeys(a->position, {0, 10}, {{1, 2, 3}, {4, 5, 6}});
  a->position.params[1] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
  build::HideKeys(a->hide, {0, 7}, {1, 0});
  build::MorphKeys(a->morph, {0, 20}, 2);
  build::RotationKeys(a->rotation, {3}, {{1, 0, 0, 0}});
  std::string path = build::TempPath("moving.a3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_A3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();

  Bytes e;
  e.Banner('A').I32(1).Name("moving").I32(0).F32(0).F32(0).F32(0).I32(30).I32(0).I32(30);
  e.I32(2).I32(0).I32(0).I32(10);
  for (int i = 0; i < 5; ++i) e.F32(0);
  e.F32(0.1f).F32(0.2f).F32(0.3f).F32(0.4f).F32(0.5f);
  e.F32(1).F32(2).F32(3).F32(4).F32(5).F32(6);
  e.I32(0).I32(0);                                   // scale: no keys
  e.I32(1).I32(0).I32(3);
  for (int i = 0; i < 5; ++i) e.F32(0);
  e.F32(1).F32(0).F32(0).F32(0);
  e.I32(2).I32(0).I32(0).I32(7).I32(1).I32(0);       // hide: no parameters
  e.I32(2).I32(0).I32(0).I32(20);
  for (int i = 0; i < 10; ++i) e.F32(0);
  e.I32(2);
  for (int k = 0; k < 2; ++k) {
    e.F32(0).F32(10.f * k).F32(0).F32(1).F32(10.f * k).F32(0);
    e.F32(0).F32(0).F32(1).F32(0).F32(0).F32(1);
    e.F32(float(k)).F32(0).F32(0).F32(float(k + 1));
    e.F32(-float(k)).F32(-1).F32(-1).F32(float(k)).F32(1).F32(1);
  }
  EXPECT_EQ(asset::ReadBytes(path), e.data);
}

TEST(Writers, NamesAreCutToThirtyOneCharacters) {
  ScopedScene scene;
  KelmatCamera* c = build::Camera(scene.get(), "");
  std::memset(c->name, 'x', sizeof c->name);  // a full field without terminator
  KelmatCamera* d = build::Camera(scene.get(), "0123456789012345678901234567890");
  (void)d;
  std::string path = build::TempPath("names.c3d");
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_C3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  auto bytes = asset::ReadBytes(path);
  ASSERT_EQ(bytes.size(), 32u + 4 + 2 * 72);
  EXPECT_EQ(bytes[36 + 31], 0);               // 31 characters and the terminator
  EXPECT_EQ(bytes[36 + 30], '0');
  EXPECT_EQ(bytes[36 + 72 + 30], 'x');
  EXPECT_EQ(bytes[36 + 72 + 31], 0);          // the unterminated name was cut
  asset::AssetFile f = ReadBack(path);
  EXPECT_EQ(f.cameras[1].name, std::string(31, 'x'));
}

TEST(Writers, RefusesScenesItCannotWriteFaithfully) {
  std::string path = build::TempPath("refused.s3d");
  std::filesystem::remove(path);
  {
    ScopedScene scene;
    build::Material(scene.get(), "in");
    KelmatObject* o = build::Object(scene.get(), "o", 3);
    KelmatMaterial stray{};
    build::Face(o, {0, 1, 2}, &stray);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(LastError().find("material"), std::string::npos) << LastError();
    EXPECT_FALSE(std::filesystem::exists(path));
    o->faces[0].material = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 0);
    testing::internal::GetCapturedStdout();
  }
  {
    ScopedScene scene;
    KelmatMaterial* m = build::Material(scene.get(), "m");
    KelmatObject* o = build::Object(scene.get(), "o", 3);
    build::Face(o, {0, 1, 3}, m);  // vertex 3 does not exist
    testing::internal::CaptureStdout();
    EXPECT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(LastError().find("out of range"), std::string::npos) << LastError();
  }
  {
    ScopedScene scene;
    KelmatObject* o = build::Object(scene.get(), "o");
    KelmatLight stray{};
    ASSERT_EQ(Kelmat_Light_Include_Object(&stray, o), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Kelmat_Save_S3d(scene.get(), path.c_str()), 0);
    // the object file does not write light links, so it can be written
    EXPECT_EQ(Kelmat_Save_O3d(scene.get(), build::TempPath("stray.o3d").c_str()), 1);
    testing::internal::GetCapturedStdout();
    Kelmat_Light_Exclude_Object(&stray, o);
  }
  {
    ScopedScene scene;
    build::Object(scene.get(), "o");
    scene->objectCount = 2;  // miscounted forest
    testing::internal::CaptureStdout();
    EXPECT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 0);
    testing::internal::GetCapturedStdout();
    scene->objectCount = 1;
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Writers, ReportsAFileThatCannotBeCreated) {
  ScopedScene scene;
  std::string path = build::TempPath("no-such-folder/x.o3d");
  testing::internal::CaptureStdout();
  EXPECT_EQ(Kelmat_Save_O3d(scene.get(), path.c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Saving " + path + "...\n");
  EXPECT_EQ(LastError(), "Can't create file " + path + " !");
}

TEST(Writers, ReplacesAnExistingFileAndLeavesTheSceneUnchanged) {
  ScopedScene scene;
  KelmatMaterial* m = build::Material(scene.get(), "m");
  KelmatObject* o = build::Object(scene.get(), "o", 3);
  build::Face(o, {0, 1, 2}, m, {0, 0, 1, 0, 1, 1});
  std::string path = build::TempPath("replace.o3d");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<char> junk(5000, 'j');
    std::fwrite(junk.data(), 1, junk.size(), f);
    std::fclose(f);
  }
  KelmatObject before = *o;
  KelmatMaterial materialBefore = *m;
  testing::internal::CaptureStdout();
  ASSERT_EQ(Kelmat_Save_S3d(scene.get(), path.c_str()), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::memcmp(&before, o, sizeof before), 0);
  EXPECT_EQ(std::memcmp(&materialBefore, m, sizeof materialBefore), 0);
  asset::AssetFile f = ReadBack(path);
  ASSERT_EQ(f.objects.size(), 1u);
  EXPECT_EQ(f.objects[0].faces[0].mapping, 3);
  EXPECT_EQ(f.objects[0].faces[0].uv, (std::vector<float>{0, 0, 1, 0, 1, 1}));
}

}  // namespace

namespace {

// A device that accepts the open but fails every write: the failure is
// reported instead of a success with a lost file.
TEST(Writers, ReportsWriteFailuresAfterCreation) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ScopedScene scene;
  build::Material(scene.get(), "m");
  testing::internal::CaptureStdout();
  EXPECT_EQ(Kelmat_Save_O3d(scene.get(), "/dev/full"), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(LastError(), "Can't write file /dev/full !");
  EXPECT_EQ(Kelmat_Generate_Material_File(scene.get(), "/dev/full"), 0);
  EXPECT_EQ(LastError(), "Can't write /dev/full");
}

}  // namespace
