// Scene operations: lookups, the default material, hierarchy links, light
// links, releases and the last-error text.
#include "_SceneBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using build::ScopedScene;

std::vector<std::string> RootNames(const KelmatScene& scene) {
  std::vector<std::string> names;
  const KelmatObject* previous = nullptr;
  for (const KelmatObject* o = scene.objects; o != nullptr; o = o->next) {
    EXPECT_EQ(o->previous, previous) << o->name;  // both directions agree
    EXPECT_EQ(o->parent, nullptr) << o->name;
    names.push_back(o->name);
    previous = o;
  }
  return names;
}

std::vector<std::string> ChildNames(const KelmatObject* parent) {
  std::vector<std::string> names;
  for (const KelmatObject* c = parent->firstChild; c != nullptr; c = c->nextSibling) {
    EXPECT_EQ(c->parent, parent);
    names.push_back(c->name);
  }
  return names;
}

TEST(SceneLookup, FindsRecordsByExactNameInTheirOrder) {
  ScopedScene scene;
  KelmatMaterial* older = build::Material(scene.get(), "Stone");
  KelmatMaterial* newer = build::Material(scene.get(), "Stone");
  EXPECT_EQ(Kelmat_Scene_Get_Material(scene.get(), "Stone"), newer);  // list order: newest first
  EXPECT_EQ(Kelmat_Scene_Get_Material(scene.get(), "stone"), nullptr);
  (void)older;

  KelmatObject* root = build::Object(scene.get(), "root");
  KelmatObject* child = build::Object(scene.get(), "arm");
  KelmatObject* grandChild = build::Object(scene.get(), "hand.left");
  ASSERT_EQ(Kelmat_Object_Link(child, root, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(grandChild, child, scene.get()), 1);
  build::Object(scene.get(), "other");
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "hand.left"), grandChild);
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "arm"), child);
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "root"), root);
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "hand"), nullptr);
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "hand.left.x"), nullptr);

  // First in pre-order wins: a child of the first root before a later root.
  KelmatAnimation* laterRoot = build::Animation(scene.get(), "walk");
  KelmatAnimation* firstRoot = build::Animation(scene.get(), "body");
  KelmatAnimation* nested = build::Animation(scene.get(), "walk");
  ASSERT_EQ(Kelmat_Animation_Link(nested, firstRoot, scene.get()), 1);
  ASSERT_EQ(scene->animations, firstRoot);
  EXPECT_EQ(Kelmat_Scene_Get_Animation(scene.get(), "walk"), nested);
  (void)laterRoot;

  // A name field filled to 31 characters still matches exactly.
  std::string longName(31, 'n');
  KelmatObject* full = build::Object(scene.get(), longName.c_str());
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), longName.c_str()), full);
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), (longName + "n").c_str()), nullptr);
}

TEST(SceneLookup, DefaultMaterialGoesToTheHead) {
  ScopedScene scene;
  build::Material(scene.get(), "first");
  ASSERT_EQ(Kelmat_Scene_Create_Default_Material(scene.get()), 1);
  ASSERT_EQ(scene->materialCount, 2);
  KelmatMaterial* m = scene->materials;
  EXPECT_STREQ(m->name, "DEFAULT");
  EXPECT_EQ(m->next->previous, m);
  EXPECT_EQ(m->type, MATERIAL_GOURAUD_RGB);
  const uint8_t zero[3] = {0, 0, 0}, white[3] = {255, 255, 255};
  EXPECT_EQ(std::memcmp(m->ambient, zero, 3), 0);
  EXPECT_EQ(std::memcmp(m->diffuse, white, 3), 0);
  EXPECT_EQ(std::memcmp(m->specular, zero, 3), 0);
  EXPECT_EQ(std::memcmp(m->lightColor, white, 3), 0);
  EXPECT_EQ(m->shininess + m->shininessStrength + m->transparency + m->twoSided + m->binaryOpacity, 0);
  EXPECT_EQ(m->tiling, 1);
  EXPECT_EQ(m->textureMap, nullptr);
  EXPECT_EQ(m->lightMap, nullptr);
  EXPECT_EQ(Kelmat_Scene_Get_Material(scene.get(), "DEFAULT"), m);
}

TEST(SceneLinks, LinkOrderRefusalsAndRootList) {
  ScopedScene scene;
  KelmatObject* c = build::Object(scene.get(), "c");
  KelmatObject* b = build::Object(scene.get(), "b");
  KelmatObject* a = build::Object(scene.get(), "a");
  KelmatObject* parent = build::Object(scene.get(), "parent");
  ASSERT_EQ(RootNames(scene.scene), (std::vector<std::string>{"parent", "a", "b", "c"}));

  ASSERT_EQ(Kelmat_Object_Link(a, parent, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(b, parent, scene.get()), 1);
  EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(RootNames(scene.scene), (std::vector<std::string>{"parent", "c"}));
  EXPECT_EQ(scene->objectCount, 4);

  EXPECT_EQ(Kelmat_Object_Link(a, parent, scene.get()), 0);  // already has a parent
  EXPECT_EQ(Kelmat_Object_Link(a, c, scene.get()), 0);
  EXPECT_EQ(Kelmat_Object_Link(parent, a, scene.get()), 0);  // would close a loop
  EXPECT_EQ(Kelmat_Object_Link(c, c, scene.get()), 0);
  EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"b", "a"}));

  // The head of the root list can be linked away too.
  ASSERT_EQ(Kelmat_Object_Link(parent, c, scene.get()), 1);
  EXPECT_EQ(RootNames(scene.scene), (std::vector<std::string>{"c"}));
  EXPECT_EQ(Kelmat_Scene_Get_Object(scene.get(), "a"), a);

  // Unlink: the child leaves its siblings and heads the root list.
  EXPECT_EQ(Kelmat_Object_Unlink(c, scene.get()), 0);  // a root
  ASSERT_EQ(Kelmat_Object_Unlink(a, scene.get()), 1);
  EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"b"}));
  EXPECT_EQ(a->nextSibling, nullptr);
  EXPECT_EQ(RootNames(scene.scene), (std::vector<std::string>{"a", "c"}));
  ASSERT_EQ(Kelmat_Object_Unlink(b, scene.get()), 1);
  EXPECT_EQ(parent->firstChild, nullptr);
  EXPECT_EQ(RootNames(scene.scene), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(scene->objectCount, 4);
  // Unlinking the first of two children keeps the second.
  ASSERT_EQ(Kelmat_Object_Link(a, parent, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(b, parent, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Unlink(b, scene.get()), 1);
  EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"a"}));
}

TEST(SceneLinks, AnimationsLinkLikeObjects) {
  ScopedScene scene;
  KelmatAnimation* a = build::Animation(scene.get(), "a");
  KelmatAnimation* b = build::Animation(scene.get(), "b");
  KelmatAnimation* p = build::Animation(scene.get(), "p");
  ASSERT_EQ(Kelmat_Animation_Link(a, p, scene.get()), 1);
  ASSERT_EQ(Kelmat_Animation_Link(b, p, scene.get()), 1);
  EXPECT_EQ(p->firstChild, b);
  EXPECT_EQ(b->nextSibling, a);
  EXPECT_EQ(Kelmat_Animation_Link(b, p, scene.get()), 0);
  EXPECT_EQ(scene->animations, p);
  EXPECT_EQ(p->next, nullptr);
  ASSERT_EQ(Kelmat_Animation_Unlink(a, scene.get()), 1);
  EXPECT_EQ(scene->animations, a);
  EXPECT_EQ(a->next, p);
  EXPECT_EQ(p->previous, a);
  EXPECT_EQ(b->nextSibling, nullptr);
  EXPECT_EQ(Kelmat_Animation_Unlink(a, scene.get()), 0);
}

TEST(SceneLights, IncludeOnceExcludeReleases) {
  ScopedScene scene;
  KelmatLight* l1 = build::Light(scene.get(), "l1", KELMAT_LIGHT_OMNI);
  KelmatLight* l2 = build::Light(scene.get(), "l2", KELMAT_LIGHT_SPOT);
  KelmatObject* o = build::Object(scene.get(), "o");
  EXPECT_EQ(Kelmat_Light_Include_Object(l1, nullptr), 1);
  ASSERT_EQ(Kelmat_Light_Include_Object(l1, o), 1);
  ASSERT_EQ(Kelmat_Light_Include_Object(l1, o), 1);
  ASSERT_EQ(Kelmat_Light_Include_Object(l2, o), 1);
  ASSERT_NE(o->lightLinks, nullptr);
  EXPECT_EQ(o->lightLinks->light, l2);  // newest at the head
  ASSERT_NE(o->lightLinks->next, nullptr);
  EXPECT_EQ(o->lightLinks->next->light, l1);
  EXPECT_EQ(o->lightLinks->next->next, nullptr);

  Kelmat_Light_Exclude_Object(l1, o);
  ASSERT_NE(o->lightLinks, nullptr);
  EXPECT_EQ(o->lightLinks->light, l2);
  EXPECT_EQ(o->lightLinks->next, nullptr);
  Kelmat_Light_Exclude_Object(l1, o);  // not linked: nothing happens
  Kelmat_Light_Exclude_Object(l2, o);
  EXPECT_EQ(o->lightLinks, nullptr);
}

// Everything a full scene holds is released (the leak checker run of the
// suite watches this); the scene is left empty and a second release is safe.
TEST(SceneRelease, ReleasesEverythingIncludingSharedPools) {
  KelmatScene scene{};
  KelmatMaterial* m = build::Material(&scene, "m");
  m->textureMap = build::Map("t.bmp", 0);
  m->lightMap = build::Map("l.bmp", 1);
  KelmatLight* light = build::Light(&scene, "light", KELMAT_LIGHT_OMNI);
  build::Camera(&scene, "cam");
  KelmatObject* root = build::Object(&scene, "root", 4);
  KelmatObject* child = build::Object(&scene, "child");
  KelmatObject* grandChild = build::Object(&scene, "grandchild", 3);
  ASSERT_EQ(Kelmat_Object_Link(child, root, &scene), 1);
  ASSERT_EQ(Kelmat_Object_Link(grandChild, child, &scene), 1);
  root->welded = child->welded = 1;
  root->poolSize = 4;
  child->vertices = root->vertices;
  child->sourceVertices = root->sourceVertices;
  child->normals = root->normals;
  build::Face(root, {0, 1, 2}, m, {0, 0, 1, 0, 0, 1});
  build::Face(child, {1, 2, 3}, m);
  ASSERT_EQ(Kelmat_Light_Include_Object(light, child), 1);
  KelmatAnimation* a = build::Animation(&scene, "root");
  KelmatAnimation* b = build::Animation(&scene, "child");
  ASSERT_EQ(Kelmat_Animation_Link(b, a, &scene), 1);
  build::PositionKeys(a->position, {0, 5}, {{0, 0, 0}, {1, 1, 1}});
  build::RotationKeys(a->rotation, {0}, {{1, 0, 0, 0}});
  build::HideKeys(b->hide, {0, 3}, {1, 0});
  build::MorphKeys(b->morph, {0, 1, 2}, 3);

  Kelmat_Release_Scene(&scene);
  EXPECT_EQ(scene.objects, nullptr);
  EXPECT_EQ(scene.materials, nullptr);
  EXPECT_EQ(scene.objectCount, 0);
  Kelmat_Release_Scene(&scene);
  Kelmat_Release_Scene(nullptr);
  Kelmat_Release_Object(nullptr);
  Kelmat_Release_Animation(nullptr);
  Kelmat_Release_Material(nullptr);
}

TEST(LastError, FormatsOverwritesAndTruncates) {
  char out[KELMAT_LAST_ERROR_SIZE + 64];
  ASSERT_EQ(Kelmat_Set_Last_Error("Double object %s and %s", "Box", "Box"), 1);
  Kelmat_Get_Last_Error(out);
  EXPECT_STREQ(out, "Double object Box and Box");
  Kelmat_Set_Last_Error("Syntax error line %d", 12);
  Kelmat_Get_Last_Error(out);
  EXPECT_STREQ(out, "Syntax error line 12");

  std::string huge(5000, 'z');
  std::memset(out, 'q', sizeof out);
  Kelmat_Set_Last_Error("Can't create file %s !", huge.c_str());
  Kelmat_Get_Last_Error(out);
  EXPECT_EQ(std::strlen(out), KELMAT_LAST_ERROR_SIZE - 1u);
  EXPECT_EQ(out[KELMAT_LAST_ERROR_SIZE], 'q');  // nothing copied past the terminator
  EXPECT_EQ(std::string(out).substr(0, 18), "Can't create file ");

  // A message may quote the previous one.
  Kelmat_Set_Last_Error("first");
  Kelmat_Get_Last_Error(out);
  std::string previous = out;
  Kelmat_Set_Last_Error("%s, then second", previous.c_str());
  Kelmat_Get_Last_Error(out);
  EXPECT_STREQ(out, "first, then second");
}

}  // namespace
