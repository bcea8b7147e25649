// Math build selection: by processor, by request and by the ZELT_MATHLIB override; the
// exported entry points are filled and work.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "_Env.h"

namespace {

struct Override {
  explicit Override(const char* value) {
    if (value)
      setenv("ZELT_MATHLIB", value, 1);
    else
      unsetenv("ZELT_MATHLIB");
  }
  ~Override() { unsetenv("ZELT_MATHLIB"); }
};

void expectWorking() {
  ASSERT_NE(Zelt_Matrice_Mult, nullptr);
  float a[16], b[16], out[16];
  Zelt_Matrice_Init(a);
  Zelt_Make_Rotation_Matrice_Z(b, 0.5f);
  a[12] = 3;
  Zelt_Matrice_Mult(out, a, b);
  ZeltVector v{1, 0, 0};
  EXPECT_NEAR(Zelt_Vecteur_Scalaire(&v, &v), 1, 1e-6f);
  EXPECT_NE(out[0], 0);
}

TEST(MathLib, ProcessorChoosesTheSseBuildHere) {
  Override none(nullptr);
  ASSERT_NE(Zelt_Init_Mathlib(0), 0);
#if defined(__x86_64__)
  EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "numa6k");
#endif
  expectWorking();
}

TEST(MathLib, RequestedBuilds) {
  Override none(nullptr);
  const std::pair<int, const char*> asks[] = {{5, "numa5"}, {6, "numa6"}, {7, "numa6k"}};
  for (auto [cpu, name] : asks) {
    ASSERT_NE(Zelt_Init_Mathlib(cpu), 0) << name;
    EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), name);
    expectWorking();
  }
}

TEST(MathLib, EnvironmentOverridesTheChoice) {
  {
    Override o("numa5");
    ASSERT_NE(Zelt_Init_Mathlib(0), 0);
    EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "numa5");
    ASSERT_NE(Zelt_Init_Mathlib(7), 0);
    EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "numa5");
  }
  {
    Override o("numa6");
    ASSERT_NE(Zelt_Init_Mathlib(0), 0);
    EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "numa6");
  }
  {
    Override o("quantum");  // not a build: ignored
    ASSERT_NE(Zelt_Init_Mathlib(5), 0);
    EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "numa5");
  }
}

TEST(MathLib, ReleaseClearsTheEntryPointsAndRenderingNeedsThem) {
  Override none(nullptr);
  zt::startKernel();
  Zelt_Release_Kernel();
  EXPECT_EQ(Zelt_Matrice_Mult, nullptr);
  EXPECT_EQ(std::string(Zelt_Get_Mathlib_Name()), "");
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  EXPECT_EQ(Zelt_Scene_Init_Render(s, 1, nullptr), 0);
  int code = 0;
  zt::lastError(&code);
  EXPECT_EQ(code, ZELT_ERR_RENDERER);
  Zelt_Scene_Release(s);
  // Started again, the kernel renders.
  ASSERT_NE(Zelt_Init_Mathlib(0), 0);
  ASSERT_NE(Zelt_Init_Kernel(16), 0);
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  EXPECT_NE(Zelt_Scene_Init_Render(s, 1, nullptr), 0);
  Zelt_Scene_Release(s);
}

}  // namespace
