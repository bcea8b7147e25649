// Cameras: the polar angles, the bob, targets and the active camera.
#include <gtest/gtest.h>

#include <cmath>

#include "_Env.h"

namespace {

ZeltVector apply(const float* m, ZeltVector p) {
  return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

TEST(Camera, PolarAnglesLookAlongTheDirectionAngles) {
  zt::View v(64, 48, {1, 2, 3}, {2, 2, 3}, 90);
  ZeltVector d{};
  const float theta = 0.7f, phi = 1.2f;
  Zelt_Convert_From_Polar(&d, theta, phi);
  Zelt_Camera_Set_Polar(v.camera, theta, phi);
  float m[16];
  Zelt_Camera_Get_Matrix(v.camera, m);
  ZeltVector ahead = apply(m, {1 + 5 * d.x, 2 + 5 * d.y, 3 + 5 * d.z});
  EXPECT_NEAR(ahead.x, 0, 1e-4f);
  EXPECT_NEAR(ahead.y, 0, 1e-4f);
  EXPECT_NEAR(ahead.z, 5, 1e-4f);
  // Straight up in the world is up on the screen; 90 degrees across spans the whole width.
  ZeltVector level{};
  Zelt_Camera_Set_Polar(v.camera, 0, 3.14159265f / 2);
  Zelt_Camera_Get_Matrix(v.camera, m);
  level = apply(m, {11, 2, 4});  // 10 ahead, 1 up
  EXPECT_NEAR(level.y / level.z, 1.0f / 10 / 0.75f, 1e-4f);  // 64 x 48: the vertical half-angle is narrower
  level = apply(m, {11, -8, 3});  // 10 ahead, 10 to the right (-y)
  EXPECT_NEAR(level.x / level.z, 1, 1e-4f);
}

TEST(Camera, BobRaisesTheEye) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  float m[16];
  Zelt_Camera_Get_Matrix(v.camera, m);
  const ZeltVector before = apply(m, {10, 0, 0});
  v.camera->bob = 0.4f;
  Zelt_Camera_Get_Matrix(v.camera, m);
  const ZeltVector after = apply(m, {10, 0, 0});
  EXPECT_NEAR(before.y, 0, 1e-5f);
  EXPECT_NEAR(after.y / after.z, -0.04f, 1e-5f);  // the point now lies 0.4 below the eye, 10 ahead
}

TEST(Camera, TargetCameraFollowsItsTargetAndTheActiveCameraRenders) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  ZeltCamera* other = nullptr;
  ASSERT_NE(Zelt_Camera_Create(v.scene, &other), 0);
  EXPECT_EQ(v.scene->activeCamera, v.camera);  // the first camera stays active
  Zelt_Camera_Set_Type(other, ZELT_CAMERA_TARGET);
  ZeltVector eye{0, 0, 10}, target{0, 10, 10};
  Zelt_Camera_Set_Position(other, &eye);
  Zelt_Camera_Set_Target(other, &target);
  target = {-10, 0, 10};
  Zelt_Camera_Set_Target(other, &target);
  float m[16];
  Zelt_Camera_Get_Matrix(other, m);
  ZeltVector p = apply(m, {-5, 0, 10});
  EXPECT_NEAR(p.x, 0, 1e-4f);
  EXPECT_NEAR(p.z, 5, 1e-4f);
  ASSERT_NE(Zelt_Scene_Set_Active_Camera(v.scene, other), 0);
  EXPECT_EQ(other->active, 1);
  EXPECT_EQ(v.camera->active, 0);
  Zelt_Camera_Release(other);
  EXPECT_EQ(v.scene->activeCamera, v.camera);
  EXPECT_EQ(v.camera->active, 1);
}

}  // namespace
