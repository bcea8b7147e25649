// Damaged asset files and textures: every truncation and each broken count or index fails
// with "Bad file", adds nothing and leaves no file open; a broken texture leaves its material
// flat.
#include <gtest/gtest.h>

#include <cstring>

#include "_Env.h"

namespace {

struct Small {
  zt::KScene ks;
  Small() {
    KelmatScene* s = ks.get();
    KelmatMaterial* m = zt::material(s, "Paint", MATERIAL_GOURAUD, 100, 50, 25);
    KelmatObject* o = zt::object(s, "Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    zt::face(o, {0, 1, 2}, m);
    zt::finish(o);
    zt::camera(s, "Eye", {0, -5, 1}, {0, 0, 0}, 50);
    KelmatLight* spot = zt::light(s, "Sun", KELMAT_LIGHT_SPOT, {0, 0, 9});
    spot->hotspot = 10;
    spot->falloff = 20;
    Kelmat_Light_Include_Object(spot, o);
    KelmatAnimation* a = zt::animation(s, "Tri");
    a->segmentEnd = 10;
    zt::keys3(a->position, {0, 10}, {{0, 0, 0}, {1, 2, 3}});
    zt::keys3(a->scale, {0}, {{1, 1, 1}});
    zt::keysRot(a->rotation, {0, 10}, {{1, 0, 0, 0}, {0, 0, 0, 1}});
    zt::keysHide(a->hide, {0, 5}, {0, 1});
    // A two-key morph over the three vertices.
    zt::keysMorph(a->morph, {0, 10}, 3);
  }
};

struct Loader {
  const char* ext;
  int (*save)(KelmatScene*, const char*);
};
const Loader kKinds[] = {{"o3d", Kelmat_Save_O3d}, {"a3d", Kelmat_Save_A3d}, {"c3d", Kelmat_Save_C3d},
                         {"l3d", Kelmat_Save_L3d}, {"s3d", Kelmat_Save_S3d}};

int loadAs(ZeltScene* s, const char* ext, const std::string& path) {
  ZeltObject* o = reinterpret_cast<ZeltObject*>(1);
  ZeltAnimation* a = reinterpret_cast<ZeltAnimation*>(1);
  int r = 0;
  if (!std::strcmp(ext, "o3d")) {
    r = Zelt_Load_Sdk_o3d(s, path.c_str(), &o);
    if (!r) {
      EXPECT_EQ(o, nullptr);
    }
  } else if (!std::strcmp(ext, "a3d")) {
    r = Zelt_Load_Sdk_a3d(s, path.c_str(), &a);
    if (!r) {
      EXPECT_EQ(a, nullptr);
    }
  } else if (!std::strcmp(ext, "c3d")) {
    r = Zelt_Load_Sdk_c3d(s, path.c_str());
  } else if (!std::strcmp(ext, "l3d")) {
    r = Zelt_Load_Sdk_l3d(s, path.c_str());
  } else {
    r = Zelt_Load_Sdk_s3d(s, path.c_str());
  }
  return r;
}

bool sceneEmpty(ZeltScene* s) {
  return !Zelt_Scene_Get_First_Object(s) && !Zelt_Scene_Get_First_Camera(s) && !Zelt_Scene_Get_First_Light(s) &&
         !Zelt_Scene_Get_Animation(s, "Tri") && !Zelt_Scene_Get_Material(s, "Paint");
}

void expectBad(const char* ext, const std::vector<uint8_t>& bytes, const char* what) {
  SCOPED_TRACE(what);
  std::string path = zt::tempPath(std::string("damaged.") + ext);
  zt::writeBytes(path, bytes);
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  EXPECT_EQ(loadAs(s, ext, path), 0);
  int code = 0;
  EXPECT_EQ(zt::lastError(&code), "Bad file " + path);
  EXPECT_EQ(code, ZELT_ERR_BAD_FILE);
  EXPECT_TRUE(sceneEmpty(s));
  EXPECT_EQ(zt::openHandles(), 0);
  Zelt_Scene_Release(s);
}

void put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  ASSERT_LE(at + 4, b.size());
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

TEST(LoaderDamage, EveryTruncationOfEachKindFails) {
  zt::startKernel();
  Small small;
  for (const Loader& k : kKinds) {
    SCOPED_TRACE(k.ext);
    std::string whole = zt::tempPath(std::string("whole.") + k.ext);
    ASSERT_EQ(k.save(small.ks.get(), whole.c_str()), 1);
    std::vector<uint8_t> bytes = zt::readBytes(whole);
    {
      ZeltScene* s = nullptr;
      ASSERT_NE(Zelt_Scene_Create(&s), 0);
      ASSERT_NE(loadAs(s, k.ext, whole), 0) << zt::lastError();
      Zelt_Scene_Release(s);
    }
    for (size_t n = 0; n < bytes.size(); ++n)
      expectBad(k.ext, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(n)),
                ("first " + std::to_string(n) + " bytes").c_str());
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    expectBad(k.ext, longer, "a byte too many");
  }
}

TEST(LoaderDamage, BrokenFieldsOfAnObjectFile) {
  zt::startKernel();
  Small small;
  std::string path = zt::tempPath("fields.o3d");
  ASSERT_EQ(Kelmat_Save_O3d(small.ks.get(), path.c_str()), 1);
  const std::vector<uint8_t> good = zt::readBytes(path);
  // banner 32, materials at 32 (one record of 76 bytes), objects at 112: name 116,
  // has parent 148, vertex count 152, welded 156, vertices 160, normals 196, face count 232,
  // corners 236, indices 240, mapping 252, material 256, ..., light links 312.
  ASSERT_EQ(good.size(), 420u);
  struct Edit {
    size_t at;
    int32_t value;
    const char* what;
  } edits[] = {{32, -1, "negative material count"},     {32, 1 << 30, "material count past the end"},
               {68, 9, "unknown material type"},         {96, 2, "binary opacity not 0 or 1"},
               {104, 1, "texture map past the end"},     {112, 2, "two objects, one written"},
               {148, 2, "parent flag 2"},                {148, 1, "parent not in the file"},
               {152, -3, "negative vertex count"},       {152, 100000, "vertices past the end"},
               {156, 1, "welded without a pool"},        {232, 1000000, "face count past the end"},
               {236, 2, "two-corner face"},              {236, -1, "negative corners"},
               {240, 3, "index past the vertices"},      {244, -1, "negative index"},
               {252, 2, "mapping neither 0 nor n"},      {256, 1, "material past the block"},
               {256, -1, "negative material"},           {312, 1, "light link without lights"}};
  for (const Edit& e : edits) {
    std::vector<uint8_t> b = good;
    put32(b, e.at, e.value);
    expectBad("o3d", b, e.what);
  }
  std::vector<uint8_t> b = good;
  const size_t letter = std::strlen(reinterpret_cast<const char*>(b.data())) - 2;
  ASSERT_EQ(b[letter], 'O');
  b[letter] = 'A';  // "(O)" becomes "(A)"
  expectBad("o3d", b, "banner of another kind");
  b = good;
  std::memset(b.data() + 116, 'x', 32);  // name without terminator
  expectBad("o3d", b, "unterminated name");
}

TEST(LoaderDamage, AnyWordSetToExtremeValuesNeverBreaksTheLoader) {
  zt::startKernel();
  Small small;
  std::string whole = zt::tempPath("sweep.s3d");
  ASSERT_EQ(Kelmat_Save_S3d(small.ks.get(), whole.c_str()), 1);
  const std::vector<uint8_t> good = zt::readBytes(whole);
  std::string path = zt::tempPath("sweep_edit.s3d");
  for (size_t at = 32; at + 4 <= good.size(); ++at) {
    for (int32_t v : {-1, 0x7FFFFFFF, 0x40000000, 7}) {
      std::vector<uint8_t> b = good;
      put32(b, at, v);
      zt::writeBytes(path, b);
      ZeltScene* s = nullptr;
      ASSERT_NE(Zelt_Scene_Create(&s), 0);
      if (!Zelt_Load_Sdk_s3d(s, path.c_str())) {
        EXPECT_TRUE(sceneEmpty(s)) << "offset " << at;
      } else {
        std::vector<uint16_t> px(64 * 64);
        Zelt_Scene_Init_Resolution(s, 0, 0, 64, 64, 64, 1, 0.1f, 100);
        Zelt_Render(s, px.data(), nullptr, 1);  // whatever loaded must render safely
      }
      Zelt_Scene_Release(s);
    }
  }
  EXPECT_EQ(zt::openHandles(), 0);
}

TEST(LoaderDamage, MissingFileIsReportedAndAddsNothing) {
  zt::startKernel();
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  std::string path = zt::tempPath("nowhere.o3d");
  ZeltObject* o = nullptr;
  EXPECT_EQ(Zelt_Load_Sdk_o3d(s, path.c_str(), &o), 0);
  int code = 0;
  EXPECT_EQ(zt::lastError(&code), "Cannot open file " + path);
  EXPECT_EQ(code, ZELT_ERR_OPEN);
  EXPECT_TRUE(sceneEmpty(s));
  Zelt_Scene_Release(s);
}

TEST(LoaderDamage, DamagedTexturesLeaveTheMaterialFlatAndAreNamedOnce) {
  zt::startKernel();
  std::string good = zt::writeTexture("wood.dmf", 8, 8, 10, 200, 30);
  std::vector<uint8_t> bytes = zt::readBytes(good);
  // Truncated texels, a side that is not a power of two, a wrong depth.
  std::vector<std::vector<uint8_t>> broken;
  broken.emplace_back(bytes.begin(), bytes.end() - 1);
  broken.push_back(bytes);
  broken.back()[4] = 6;
  broken.push_back(bytes);
  broken.back()[8] = 12;
  broken.emplace_back(bytes.begin(), bytes.begin() + 10);
  for (size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE(i);
    std::string texture = zt::tempPath("broken" + std::to_string(i) + ".dmf");
    zt::writeBytes(texture, broken[i]);
    zt::KScene ks;
    KelmatMaterial* m = zt::material(ks.get(), "Wood", MATERIAL_SELF_ILLUM, 255, 0, 0);
    KelmatMaterial* m2 = zt::material(ks.get(), "Wood2", MATERIAL_SELF_ILLUM, 255, 0, 0);
    for (KelmatMaterial* x : {m, m2}) {
      x->textureMap = static_cast<KelmatMap*>(std::calloc(1, sizeof(KelmatMap)));
      std::snprintf(x->textureMap->name, sizeof x->textureMap->name, "%s",
                    zt::tempPath("broken" + std::to_string(i) + ".bmp").c_str());
    }
    KelmatObject* o = zt::object(ks.get(), "Tri", {{10, 1, -1}, {10, -1, -1}, {10, -1, 1}});
    zt::face(o, {0, 1, 2}, m);
    zt::finish(o);
    std::string path = zt::tempPath("textured.o3d");
    ASSERT_EQ(Kelmat_Save_O3d(ks.get(), path.c_str()), 1);
    ZeltScene* s = nullptr;
    ASSERT_NE(Zelt_Scene_Create(&s), 0);
    ZeltObject* obj = nullptr;
    const int before = zt::missingOpens();
    ASSERT_NE(Zelt_Load_Sdk_o3d(s, path.c_str(), &obj), 0);
    EXPECT_EQ(zt::missingOpens(), before);
    int code = 0;
    EXPECT_EQ(zt::lastError(&code), "Bad file " + texture);
    ZeltMaterial* wood = Zelt_Scene_Get_Material(s, "Wood");
    ASSERT_NE(wood, nullptr);
    EXPECT_EQ(wood->texture, nullptr);
    EXPECT_EQ(Zelt_Scene_Get_Material(s, "Wood2")->texture, nullptr);
    EXPECT_EQ(zt::openHandles(), 0);
    Zelt_Scene_Release(s);
  }
  // A missing texture shared by two materials is tried once.
  zt::KScene ks;
  for (const char* n : {"A", "B"}) {
    KelmatMaterial* m = zt::material(ks.get(), n, MATERIAL_SELF_ILLUM, 1, 2, 3);
    m->textureMap = static_cast<KelmatMap*>(std::calloc(1, sizeof(KelmatMap)));
    std::strcpy(m->textureMap->name, "absent.bmp");
  }
  std::string path = zt::tempPath("absent.o3d");
  ASSERT_EQ(Kelmat_Save_O3d(ks.get(), path.c_str()), 1);
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  const int before = zt::missingOpens();
  ASSERT_NE(Zelt_Load_Sdk_o3d(s, path.c_str(), nullptr), 0);
  EXPECT_EQ(zt::missingOpens(), before + 1);
  EXPECT_EQ(zt::lastError(), "Cannot open file absent.dmf");
  Zelt_Scene_Release(s);
}

}  // namespace
