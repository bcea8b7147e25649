// Kernel start in its other kinds (15-bit pixels, the display-layer target) and refused
// allocations: a load that runs out of memory fails with "Out of memory", adds nothing and
// gives every block back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "_Env.h"

namespace {

long g_live = 0;
long g_budget = -1;  // allocations left before refusing; -1 = unlimited

bool take() {
  if (g_budget == 0) return false;
  if (g_budget > 0) --g_budget;
  return true;
}
void* countMalloc(size_t n) {
  if (!take()) return nullptr;
  ++g_live;
  return std::malloc(n);
}
void* countCalloc(size_t n, size_t s) {
  if (!take()) return nullptr;
  ++g_live;
  return std::calloc(n, s);
}
void* countRealloc(void* p, size_t n) {
  if (!take()) return nullptr;
  if (!p) ++g_live;
  return std::realloc(p, n);
}
void countFree(void* p) {
  if (p) --g_live;
  std::free(p);
}

class KernelStart : public ::testing::Test {
 protected:
  void SetUp() override {
    g_budget = -1;
    zt::lendWith(countMalloc, countCalloc, countRealloc, countFree);
    ASSERT_NE(Zelt_Init_Mathlib(0), 0);
    Zelt_Init_Vtbl(1);
  }
  void TearDown() override {
    g_budget = -1;
    Zelt_Release_Kernel();
  }
};

std::string redWall(const char* file) {
  zt::KScene ks;
  KelmatMaterial* m = zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0);
  KelmatObject* o = zt::object(ks.get(), "Wall", {{10, 5, -5}, {10, -5, -5}, {10, -5, 5}, {10, 5, 5}});
  zt::face(o, {0, 1, 2}, m);
  zt::face(o, {0, 2, 3}, m);
  zt::finish(o);
  zt::camera(ks.get(), "Eye", {0, 0, 0}, {1, 0, 0}, 90);
  std::string path = zt::tempPath(file);
  EXPECT_EQ(Kelmat_Save_S3d(ks.get(), path.c_str()), 1);
  return path;
}

TEST_F(KernelStart, FifteenBitKernelPacksFiveFiveFive) {
  ASSERT_NE(Zelt_Init_Kernel(15), 0);
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  ASSERT_NE(Zelt_Scene_Init_Resolution(s, 0, 0, 64, 64, 64, 1, 1, 1000), 0);
  ASSERT_NE(Zelt_Scene_Init_Render(s, 1, nullptr), 0);
  ASSERT_NE(Zelt_Load_Sdk_s3d(s, redWall("start15.s3d").c_str()), 0) << zt::lastError();
  std::vector<uint16_t> px(64 * 64);
  ASSERT_NE(Zelt_Render(s, px.data(), nullptr, 1), 0);
  EXPECT_EQ(px[32 * 64 + 32], 0x7C00);
  Zelt_Scene_Release(s);
}

TEST_F(KernelStart, UnknownPixelDepthIsRefused) {
  EXPECT_EQ(Zelt_Init_Kernel(8), 0);
  int code = 0;
  zt::lastError(&code);
  EXPECT_EQ(code, ZELT_ERR_ARGUMENT);
}

struct Target {
  std::vector<uint16_t> buffer = std::vector<uint16_t>(100 * 70, 0);
  int locks = 0, unlocks = 0;
  static uint16_t* lock(void* user, int* pitch) {
    auto* t = static_cast<Target*>(user);
    ++t->locks;
    *pitch = 100;
    return t->buffer.data();
  }
  static void unlock(void* user) { ++static_cast<Target*>(user)->unlocks; }
};

TEST_F(KernelStart, DisplayKindDrawsIntoTheLockedBackBuffer) {
  ASSERT_NE(Zelt_Init_Kernel(0), 0);
  Target t;
  ZeltDisplayTarget target{&t, Target::lock, Target::unlock, 0};  // the kernel's own 15 bits
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  ASSERT_NE(Zelt_Scene_Init_Resolution(s, 0, 0, 64, 64, 64, 1, 1, 1000), 0);
  EXPECT_EQ(Zelt_Scene_Init_Render(s, 0, nullptr), 0);  // this kind needs its target
  ASSERT_NE(Zelt_Scene_Init_Render(s, 0, &target), 0);
  ASSERT_NE(Zelt_Load_Sdk_s3d(s, redWall("startd3d.s3d").c_str()), 0);
  ASSERT_NE(Zelt_Render(s, nullptr, nullptr, 1), 0);
  EXPECT_EQ(t.locks, 1);
  EXPECT_EQ(t.unlocks, 1);
  EXPECT_EQ(t.buffer[32 * 100 + 32], 0x7C00);  // 15 bits, the target's pitch
  EXPECT_EQ(t.buffer[32 * 100 + 80], 0);       // beyond the viewport
  Zelt_Scene_Release(s);

  // A 5-6-5 back buffer: the target says so before the scene is loaded.
  ZeltDisplayTarget target565{&t, Target::lock, Target::unlock, 16};
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  ASSERT_NE(Zelt_Scene_Init_Resolution(s, 0, 0, 64, 64, 64, 1, 1, 1000), 0);
  ASSERT_NE(Zelt_Scene_Init_Render(s, 0, &target565), 0);
  ASSERT_NE(Zelt_Load_Sdk_s3d(s, redWall("startd3d.s3d").c_str()), 0);
  ASSERT_NE(Zelt_Render(s, nullptr, nullptr, 1), 0);
  EXPECT_EQ(t.buffer[32 * 100 + 32], 0xF800);
  Zelt_Scene_Release(s);
}

TEST_F(KernelStart, RefusedAllocationsFailCleanlyAndLeakNothing) {
  ASSERT_NE(Zelt_Init_Kernel(16), 0);
  const std::string path = redWall("startmem.s3d");
  const long baseline = g_live;
  bool loaded = false;
  for (long budget = 0; budget < 400 && !loaded; ++budget) {
    SCOPED_TRACE(budget);
    g_budget = -1;
    ZeltScene* s = nullptr;
    ASSERT_NE(Zelt_Scene_Create(&s), 0);
    g_budget = budget;
    if (Zelt_Load_Sdk_s3d(s, path.c_str())) {
      loaded = true;
      EXPECT_NE(Zelt_Scene_Get_Object(s, "Wall"), nullptr);
    } else {
      int code = 0;
      std::string text = zt::lastError(&code);
      // The lent file functions allocate outside the kernel: their refusal reads as a file error.
      EXPECT_TRUE(code == ZELT_ERR_MEMORY || code == ZELT_ERR_OPEN) << text;
      EXPECT_EQ(Zelt_Scene_Get_First_Object(s), nullptr);
      EXPECT_EQ(Zelt_Scene_Get_First_Camera(s), nullptr);
    }
    g_budget = -1;
    Zelt_Scene_Release(s);
    EXPECT_EQ(g_live, baseline);
  }
  EXPECT_TRUE(loaded);
  // The renderer keeps its frame pools between frames; the kernel's own blocks all come back.
  g_budget = -1;
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  ASSERT_NE(Zelt_Load_Sdk_s3d(s, path.c_str()), 0);
  ASSERT_NE(Zelt_Scene_Init_Resolution(s, 0, 0, 64, 64, 64, 1, 1, 1000), 0);
  std::vector<uint16_t> px(64 * 64);
  ASSERT_NE(Zelt_Render(s, px.data(), nullptr, 1), 0);
  EXPECT_EQ(px[32 * 64 + 32], zt::pack16(255, 0, 0));
  Zelt_Scene_Release(s);
  Zelt_Release_Kernel();
  EXPECT_EQ(g_live, baseline - 5);  // the render record's five per-vertex arrays went too
}

}  // namespace
