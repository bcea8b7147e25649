// Render-state selection, control bits, shade tables and the material and face blocks.
#include <gtest/gtest.h>

#include "_Harness.h"

using th::Kernel;
using th::Material;

namespace {

struct Row {
  int mode;
  int texture;  // 0 none, 8 or 16 bit texels
  int flags;
  int slot;
};

// Every row of the selection table, including the "other" rows.
const Row kRows[] = {
    {1, 16, 0, 11},    {2, 16, 1, 11},     {1, 0, 0, 1},       {2, 8, 0, 1},      {1, 8, 1, 8},
    {2, 8, 3, 13},     {1, 0, 4, 7},       {1, 8, 5, 17},      {2, 8, 7, 21},     {1, 8, 0x41, 14},
    {1, 8, 0x101, 11}, {1, 0, 2, 11},      {0, 8, 1, 20},      {0, 8, 0, 11},     {0, 8, 3, 11},
    {0, 0, 0, 19},     {0, 16, 0, 19},     {0, 16, 1, 9},      {0, 16, 3, 3},     {0, 0, 4, 4},
    {0, 16, 5, 15},    {0, 16, 7, 18},     {0, 16, 0x41, 2},   {0, 16, 0x101, 5}, {0, 16, 0x201, 6},
    {0, 16, 0x1001, 16}, {0, 16, 0x2001, 11}, {3, 0, 2, 0},    {3, 16, 0x10, 0},  {-1, 8, 8, 0},
    {5, 16, 1, 11},    {5, 0, 0x40, 11},
};

class SelectionTest : public ::testing::TestWithParam<Row> {};

TEST_P(SelectionTest, ChoosesTheSlotOfItsRow) {
  const Row row = GetParam();
  Kernel k;
  th::Texture* t = nullptr;
  if (row.texture == 16) t = &k.texture16(4, 4, [](int, int) { return uint16_t(1); });
  if (row.texture == 8) t = &k.texture8(4, 4, [](int, int) { return uint8_t(1); }, [](int) { return 0u; });
  // Control values with bit 0x100 take the default mode.
  Material& m = k.material(row.mode, row.flags, t, [&](ZeltMaterial& mat) { mat.defaultMode = row.mode; });
  EXPECT_EQ(k.slotOf(m), row.slot) << "mode " << row.mode << " flags 0x" << std::hex << row.flags;
  EXPECT_EQ(m.flags, static_cast<uint32_t>(row.flags));
  EXPECT_EQ(Zelt_Get_Material_Render_State_Dll(&m.mat), row.mode);
}

INSTANTIATE_TEST_SUITE_P(AllRows, SelectionTest, ::testing::ValuesIn(kRows));

TEST(RenderStateControl, DefaultModeAndFlagsFromTheMaterial) {
  Kernel k;
  th::Texture& t16 = k.texture16(4, 4, [](int, int) { return uint16_t(1); });
  th::Texture& t8 = k.texture8(4, 4, [](int, int) { return uint8_t(1); }, [](int) { return 0u; });
  // 0x400 recomputes the flags word: texture, transparency 50 / other, kinds 1, 2, 3, 10, 11.
  struct Case {
    th::Texture* tex;
    int transparency, kind;
    uint32_t flags;
    int mode, slot;
  } cases[] = {
      {&t16, 0, 0, 1, 0, 9},        {&t16, 50, 0, 5, 0, 15},     {&t16, 30, 0, 9, 0, 11},
      {&t16, 0, 1, 3, 0, 3},        {&t16, 0, 2, 0x41, 0, 2},    {&t16, 0, 3, 0x1001, 0, 16},
      {&t16, 0, 10, 0x101, 0, 5},   {&t16, 0, 11, 0x201, 0, 6},  {&t16, 0, 7, 1, 0, 9},
      {&t8, 50, 1, 7, 1, 21},       {&t8, 0, 0, 1, 2, 8},        {nullptr, 50, 0, 4, 1, 7},
  };
  for (const Case& c : cases) {
    Material& m = k.material(c.mode, 0x400, c.tex, [&](ZeltMaterial& mat) {
      mat.transparency = c.transparency;
      mat.kind = c.kind;
    });
    EXPECT_EQ(m.flags, c.flags) << c.transparency << " " << c.kind;
    EXPECT_EQ(k.slotOf(m), c.slot) << c.transparency << " " << c.kind;
  }
  // 0x100: the material's default mode replaces the one passed.
  Material& d = k.material(0, 0x100 | 0x400, &t8, [](ZeltMaterial& mat) { mat.defaultMode = 2; });
  EXPECT_EQ(k.slotOf(d), 8);
  EXPECT_EQ(Zelt_Get_Material_Render_State_Dll(&d.mat), 2);
  // 0x800 keeps the flags word as it is.
  Material& keep = k.material(0, 0x400, &t16);
  keep.flags = 7;
  k.select(keep, 0, 0x800);
  EXPECT_EQ(keep.flags, 7u);
  EXPECT_EQ(k.slotOf(keep), 18);
}

TEST(RenderStateControl, ModeFieldIsSharedBySlot) {
  Kernel k;
  Material& a = k.material(1, 0);
  Material& b = k.material(2, 0);  // same slot 1, later selection
  EXPECT_EQ(k.slotOf(a), 1);
  EXPECT_EQ(Zelt_Get_Material_Render_State_Dll(&a.mat), 2);
  EXPECT_EQ(Zelt_Get_Material_Render_State_Dll(&b.mat), 2);
}

TEST(RenderStateControl, StatesThatReadMissingTexelsFallBackToDiagnostic) {
  Kernel k;
  th::Texture& t8 = k.texture8(4, 4, [](int, int) { return uint8_t(1); }, [](int) { return 0u; });
  EXPECT_EQ(k.slotOf(k.material(1, 1)), 11);        // lit textured without a texture
  EXPECT_EQ(k.slotOf(k.material(0, 1)), 11);        // direct texture without one
  EXPECT_EQ(k.slotOf(k.material(0, 0x41)), 11);
  EXPECT_EQ(k.slotOf(k.material(1, 1, &t8)), 8);
}

// Ambient 100, diffuse, light and specular as set, strength 100.
Material& litMaterial(Kernel& k, int shininess, th::Texture* t = nullptr, int flags = 0) {
  return k.material(1, flags, t, [&](ZeltMaterial& m) {
    m.ambient = {100, 100, 100};
    m.diffuse = {255, 255, 255};
    m.lightColour = {255, 255, 255};
    m.specular = {40, 40, 40};
    m.shininess = shininess;
    m.shininessStrength = 100;
  });
}

uint16_t entry(const uint32_t* table, int i) {
  EXPECT_EQ(table[i] & 0xFFFF, 0u);
  return static_cast<uint16_t>(table[i] >> 16);
}

TEST(ShadeTable, ShininessZeroHasThirtyTwoHighlightLevels) {
  Kernel k;
  Material& m = litMaterial(k, 0);
  int entries = 0;
  const uint32_t* t = k.shadeTable(m, &entries);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(entries, 64);
  EXPECT_EQ(entry(t, 0), th::pack16(25, 25, 25));
  EXPECT_EQ(entry(t, 10), th::pack16(54, 54, 54));
  EXPECT_EQ(entry(t, 31), th::pack16(117, 117, 117));
  EXPECT_EQ(entry(t, 32), th::pack16(120, 120, 120));  // first highlight level, s = 0
  EXPECT_EQ(entry(t, 33), th::pack16(124, 124, 124));  // s = 8: one more step of specular
  EXPECT_EQ(entry(t, 59), th::pack16(233, 233, 233));
  EXPECT_EQ(entry(t, 63), th::pack16(250, 250, 250));
}

TEST(ShadeTable, ShininessHundredHasFourHighlightLevels) {
  Kernel k;
  Material& m = litMaterial(k, 100);
  int entries = 0;
  const uint32_t* t = k.shadeTable(m, &entries);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(entry(t, 33), th::pack16(123, 123, 123));  // still plain
  EXPECT_EQ(entry(t, 59), th::pack16(200, 200, 200));  // last plain level
  EXPECT_EQ(entry(t, 60), th::pack16(203, 203, 203));  // s = 0
  EXPECT_EQ(entry(t, 61), th::pack16(216, 216, 216));  // s = 64
  EXPECT_EQ(entry(t, 63), th::pack16(242, 242, 242));
}

TEST(ShadeTable, TexturedTableFoldsThePaletteAndIsRebuiltOnUpdate) {
  Kernel k;
  // Palette entry 5 is red 255, green 128, blue 0.
  th::Texture& t8 = k.texture8(4, 4, [](int, int) { return uint8_t(5); },
                               [](int j) { return j == 5 ? 0xFF8000u : 0u; });
  Material& m = litMaterial(k, 0, &t8, 1);
  int entries = 0;
  const uint32_t* t = k.shadeTable(m, &entries);
  ASSERT_EQ(entries, 64 * 256);
  EXPECT_EQ(entry(t, 20 * 256 + 5), th::pack16(75, 38, 0));
  EXPECT_EQ(entry(t, 63 * 256 + 5), th::pack16(255, 162, 38));
  EXPECT_EQ(entry(t, 63 * 256 + 4), th::pack16(38, 38, 38));  // black plus the highlight

  m.mat.specular = {0, 0, 0};
  Zelt_Update_Material_Dll(&m.mat);
  t = k.shadeTable(m, &entries);
  EXPECT_EQ(entry(t, 63 * 256 + 5), th::pack16(247, 124, 0));
}

TEST(ShadeTable, FormFollowsTheStateThatReadsIt) {
  Kernel k;
  th::Texture& t8 = k.texture8(4, 4, [](int, int) { return uint8_t(5); }, [](int) { return 0xFFFFFFu; });
  Material& m = litMaterial(k, 0, &t8, 0);  // slot 1: plain table
  int entries = 0;
  k.shadeTable(m, &entries);
  EXPECT_EQ(entries, 64);
  k.select(m, 1, 1);  // slot 8 reads 64 x 256 entries
  k.shadeTable(m, &entries);
  EXPECT_EQ(entries, 64 * 256);
  EXPECT_EQ(k.slotOf(m), 8);
}

TEST(ShadeTable, FifteenBitPacking) {
  Kernel k(8, 8, 15);
  Material& m = litMaterial(k, 0);
  const uint32_t* t = k.shadeTable(m, nullptr);
  EXPECT_EQ(entry(t, 10), th::pack15(54, 54, 54));
}

TEST(Blocks, AddAndReleaseAndRefusedMemory) {
  Kernel k;
  ZeltMaterial mat{};
  ZeltFace face{};
  th::AllocControl::refuseAll = 1;
  EXPECT_EQ(Zelt_Add_Material_Dll(&mat), 0);
  EXPECT_EQ(Zelt_Add_Face_Dll(&face), 0);
  th::AllocControl::refuseAll = 0;
  ASSERT_EQ(Zelt_Add_Material_Dll(&mat), 1);
  ASSERT_EQ(Zelt_Add_Face_Dll(&face), 1);
  EXPECT_NE(mat.rendererBlock, nullptr);
  EXPECT_LT(*static_cast<uint16_t*>(face.rendererBlock), 63536);
  // A shade table that cannot be allocated makes the selection fail.
  uint32_t flags = 0;
  mat.renderFlags = &flags;
  th::AllocControl::refuseAll = 1;
  EXPECT_EQ(Zelt_Set_Material_Render_State_Dll(&mat, 1, 0), 0);
  th::AllocControl::refuseAll = 0;
  EXPECT_EQ(Zelt_Set_Material_Render_State_Dll(&mat, 1, 0), 1);
  Zelt_Release_Material_Dll(&mat);
  Zelt_Release_Face_Dll(&face);
  EXPECT_EQ(mat.rendererBlock, nullptr);
  EXPECT_EQ(face.rendererBlock, nullptr);
  // The acknowledging entry points.
  EXPECT_EQ(Zelt_Add_Object_Dll(nullptr), 1);
  EXPECT_EQ(Zelt_Add_Map_Dll(nullptr), 1);
  EXPECT_EQ(Zelt_Add_Light_Dll(nullptr), 1);
}

}  // namespace
