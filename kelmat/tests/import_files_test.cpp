// Import of the shared 3D Studio test files.
#include <gtest/gtest.h>

#include <cmath>

#include "_AssetReader.h"
#include "_ImportHelpers.h"
#include "_SceneBuilder.h"
#include "kelmat/kelmat.h"

namespace {

int Load(KelmatScene* scene, const char* name, float scale = 1.0f, int noKeyframer = 0) {
  return Kelmat_Load_3ds(TestFile3ds(name).c_str(), scene, scale, 0, 0.0f, noKeyframer, 0);
}

}  // namespace

TEST(ImportFiles, RotatingCube) {
  build::ScopedScene s;
  ASSERT_EQ(Load(s.get(), "RotatingCube.3DS"), 1) << LastError();
  EXPECT_EQ(s->objectCount, 1);
  EXPECT_EQ(s->animationCount, 1);
  ASSERT_NE(s->objects, nullptr);
  KelmatObject* box = s->objects;
  EXPECT_STREQ(box->name, "Box01");
  EXPECT_EQ(box->vertexCount, 26);
  EXPECT_EQ(box->faceCount, 12);
  // No material groups: every face gets the one default material.
  ASSERT_EQ(s->materialCount, 1);
  EXPECT_STREQ(s->materials->name, "DEFAULT");
  for (int f = 0; f < box->faceCount; ++f) {
    EXPECT_EQ(box->faces[f].material, s->materials);
    ASSERT_NE(box->faces[f].mapping, nullptr);  // 26 texture vertices for 26 vertices
    const KelmatVector& n = box->faces[f].normal;
    EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5);
  }
  KelmatAnimation* anim = s->animations;
  EXPECT_STREQ(anim->name, "Box01");
  EXPECT_EQ(anim->rotation.keyCount, 182);
  EXPECT_EQ(anim->position.keyCount, 1);
  EXPECT_EQ(anim->scale.keyCount, 1);
  EXPECT_EQ(anim->hide.keyCount, 0);
  EXPECT_EQ(anim->length, 300);
  // Rotation keys are absolute and stay in one hemisphere.
  for (int k = 1; k < anim->rotation.keyCount; ++k) {
    const KelmatQuaternion& a = anim->rotation.quaternions[k - 1];
    const KelmatQuaternion& b = anim->rotation.quaternions[k];
    EXPECT_GE(a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z, 0.0f) << k;
    EXPECT_NEAR(b.w * b.w + b.x * b.x + b.y * b.y + b.z * b.z, 1.0f, 1e-3) << k;
  }
  // Vertices in object space: the local matrix brings them back to the file's.
  for (int i = 0; i < box->vertexCount; ++i) {
    KelmatVector w;
    Kelmat_Vector_Matrix_Mult(&w, &box->vertices[i], box->localMatrix);
    EXPECT_NEAR(w.x, box->sourceVertices[i].x, 1e-3);
    EXPECT_NEAR(w.z, box->sourceVertices[i].z, 1e-3);
  }
}

TEST(ImportFiles, CameraLensAndScale) {
  build::ScopedScene s;
  ASSERT_EQ(Load(s.get(), "CameraRollAnim.3ds", 2.0f), 1) << LastError();
  ASSERT_EQ(s->cameraCount, 1);
  KelmatCamera* cam = s->cameras;
  EXPECT_STREQ(cam->name, "Camera01");
  EXPECT_EQ(cam->kind, 2);
  // A 53.33 mm lens sees 45 degrees.
  EXPECT_NEAR(cam->fieldOfView, 0.785398f, 1e-5);
  EXPECT_NEAR(cam->position.x, -153.0771f * 2, 1e-3);
  EXPECT_NEAR(cam->target.y, -0.2204752f * 2, 1e-4);
  KelmatVector d = {cam->target.x - cam->position.x, cam->target.y - cam->position.y,
                    cam->target.z - cam->position.z};
  Kelmat_Vector_Normalize(&d);
  EXPECT_NEAR(std::cos(cam->a) * std::sin(cam->b), d.x, 1e-5);
  EXPECT_NEAR(-std::sin(cam->a) * std::sin(cam->b), d.y, 1e-5);
  EXPECT_NEAR(-std::cos(cam->b), d.z, 1e-5);
  // Only object nodes make objects: the camera's nodes do not.
  EXPECT_EQ(s->objectCount, 1);
}

TEST(ImportFiles, CameraParentIsNoObject) {
  // Box02's parent node is the camera: the hierarchy pass cannot find it.
  build::ScopedScene s;
  EXPECT_EQ(Load(s.get(), "CameraRollAnimWithChildObject.3ds"), 0);
  EXPECT_EQ(LastError(), "Can't find parent object Camera01");
  // What was imported before the failure stays in the scene.
  EXPECT_EQ(s->objectCount, 2);
  EXPECT_EQ(s->cameraCount, 1);
  ASSERT_NE(Kelmat_Scene_Get_Animation(s.get(), "Box02"), nullptr);
  EXPECT_EQ(Kelmat_Scene_Get_Animation(s.get(), "Box02")->position.keyCount, 119);
  EXPECT_EQ(Kelmat_Scene_Get_Animation(s.get(), "Box02")->rotation.keyCount, 2);
}

TEST(ImportFiles, MaterialsAndObjectsOfTest1) {
  build::ScopedScene s;
  ASSERT_EQ(Load(s.get(), "test1.3ds"), 1) << LastError();
  // Reverse file order.
  EXPECT_EQ(ListNames(s->materials),
            (std::vector<std::string>{"3 - Default", "1 - Default", "2 - Default"}));
  KelmatMaterial* m = Kelmat_Scene_Get_Material(s.get(), "2 - Default");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->type, MATERIAL_GOURAUD_RGB);
  EXPECT_EQ(m->ambient[0], 150);
  EXPECT_EQ(m->specular[2], 229);
  EXPECT_EQ(m->lightColor[1], 255);
  // 10 percent is 10 * 0.01f = 0.099999994, and trunc(9.9999994) is 9.
  EXPECT_EQ(m->shininess, 9);
  EXPECT_EQ(m->tiling, 1);
  ASSERT_NE(m->textureMap, nullptr);
  EXPECT_STREQ(m->textureMap->name, "IMAGE1.JPG");
  EXPECT_EQ(m->lightMap, nullptr);
  EXPECT_EQ(s->objectCount, 9);
  EXPECT_EQ(Kelmat_Scene_Get_Object(s.get(), "Box03"), nullptr);
  KelmatObject* box = Kelmat_Scene_Get_Object(s.get(), "Box07");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->vertexCount, 32);
  EXPECT_EQ(box->faceCount, 12);
  EXPECT_EQ(Kelmat_Scene_Get_Material(s.get(), "DEFAULT"), nullptr);
  // Root list in reverse node order.
  EXPECT_STREQ(s->objects->name, "Box10");
}

TEST(ImportFiles, FileWithoutKeyframer) {
  build::ScopedScene s;
  ASSERT_EQ(Load(s.get(), "fels.3ds"), 1) << LastError();
  EXPECT_EQ(s->objectCount, 0);
  EXPECT_EQ(s->animationCount, 0);
  EXPECT_EQ(s->materialCount, 1);
  build::ScopedScene d;
  ASSERT_EQ(Load(d.get(), "fels.3ds", 1.0f, 1), 1) << LastError();
  ASSERT_EQ(d->objectCount, 1);
  KelmatObject* o = d->objects;
  EXPECT_STREQ(o->name, "Default");
  EXPECT_EQ(o->vertexCount, 386);
  EXPECT_EQ(o->faceCount, 768);
  EXPECT_EQ(o->faces[0].mapping, nullptr);
  // Direct geometry: identity local matrix, vertices equal their sources.
  EXPECT_EQ(o->vertices[100].x, o->sourceVertices[100].x);
  ASSERT_NE(d->animations, nullptr);
  EXPECT_EQ(d->animations->length, 30);
  EXPECT_EQ(d->animations->segmentEnd, 30);
  EXPECT_EQ(d->animations->position.keyCount, 0);
}

TEST(ImportFiles, EveryFileWritesAReadableSceneFile) {
  const char* names[] = {"RotatingCube.3DS", "TargetCameraAnim.3ds", "CameraRollAnim.3ds",
                         "cube_with_diffuse_texture.3DS", "cube_with_specular_texture.3DS",
                         "cubes_with_alpha.3DS", "test1.3ds"};
  for (const char* name : names) {
    build::ScopedScene s;
    ASSERT_EQ(Load(s.get(), name), 1) << name << ": " << LastError();
    const std::string path = build::TempPath(std::string(name) + ".s3d");
    ASSERT_EQ(Kelmat_Save_S3d(s.get(), path.c_str()), 1);
    asset::AssetFile file;
    std::string error;
    ASSERT_TRUE(asset::ReadAssetFile(path, file, error)) << name << ": " << error;
    EXPECT_EQ(file.objects.size(), static_cast<std::size_t>(s->objectCount)) << name;
    EXPECT_EQ(file.materials.size(), static_cast<std::size_t>(s->materialCount)) << name;
  }
}

TEST(ImportFiles, OnlyTextureAndShininessMapsAreTaken) {
  // A specular map (A204h) is neither a texture map nor a light map.
  build::ScopedScene s;
  ASSERT_EQ(Load(s.get(), "cube_with_specular_texture.3DS"), 1) << LastError();
  ASSERT_EQ(s->materialCount, 1);
  EXPECT_EQ(s->materials->textureMap, nullptr);
  EXPECT_EQ(s->materials->lightMap, nullptr);
  bool found = false;
  build::ScopedScene d;
  ASSERT_EQ(Load(d.get(), "cube_with_diffuse_texture.3DS"), 1) << LastError();
  found = false;
  for (KelmatMaterial* m = d->materials; m != nullptr; m = m->next) found = found || m->textureMap != nullptr;
  EXPECT_TRUE(found);
}
