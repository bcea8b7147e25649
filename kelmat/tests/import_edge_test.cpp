// Import of small 3D Studio files built in memory, one feature at a time.
#include <gtest/gtest.h>

#include <cmath>

#include "_ImportHelpers.h"
#include "_SceneBuilder.h"
#include "kelmat/ftk/tests/Build3ds.h"
#include "kelmat/kelmat.h"

using build3ds::KeySpec;
using build3ds::MeshSpec;
using build3ds::NodeSpec;
using B = build3ds::Chunk;

namespace {

// A 3D file: scene data section with the given chunks, keyframer with nodes.
struct File3ds {
  B data{0x3D3D};
  B kf = build3ds::KeyframerHeader(100, 0, 100);
  bool withKeyframer = true;

  File3ds& Add(B c) {
    data.Add(std::move(c));
    return *this;
  }
  File3ds& Node(const NodeSpec& n) {
    kf.Add(build3ds::Node(n));
    return *this;
  }
  std::string Write(const std::string& name) const {
    B root(0x4D4D);
    root.Add(B(0x0002).U32(3));
    root.Add(data);
    if (withKeyframer) root.Add(kf);
    const std::string path = build::TempPath(name);
    EXPECT_TRUE(build3ds::WriteFile(path, root.Bytes()));
    return path;
  }
};

NodeSpec NodeOf(const std::string& name, int id, uint16_t parent = 0xFFFF) {
  NodeSpec n;
  n.id = id;
  n.name = name;
  n.parent = parent;
  return n;
}

int Import(KelmatScene* s, const std::string& path, float scale = 1.0f, int weld = 0, int noKf = 0) {
  return Kelmat_Load_3ds(path.c_str(), s, scale, weld, 0.0f, noKf, 0);
}

}  // namespace

TEST(ImportEdges, InstancesGetTheirOwnGeometry) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("box")));
  NodeSpec a = NodeOf("box", 0);
  a.instance = "a";
  NodeSpec b = NodeOf("box", 1);
  b.instance = "b";
  f.Node(a).Node(b);
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("instances.3ds")), 1) << LastError();
  KelmatObject* oa = Kelmat_Scene_Get_Object(s.get(), "box.a");
  KelmatObject* ob = Kelmat_Scene_Get_Object(s.get(), "box.b");
  ASSERT_NE(oa, nullptr);
  ASSERT_NE(ob, nullptr);
  EXPECT_EQ(Kelmat_Scene_Get_Object(s.get(), "box"), nullptr);
  EXPECT_EQ(oa->vertexCount, 4);
  EXPECT_EQ(ob->vertexCount, 4);
  EXPECT_NE(oa->vertices, ob->vertices);
  EXPECT_NE(oa->faces, ob->faces);
  ASSERT_NE(Kelmat_Scene_Get_Animation(s.get(), "box.b"), nullptr);
}

TEST(ImportEdges, DummyNodeAndHierarchy) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("arm")));
  NodeSpec dummy = NodeOf("$$$DUMMY", 4);
  dummy.instance = "pivot";
  NodeSpec arm = NodeOf("arm", 5, 4);
  f.Node(dummy).Node(arm);
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("dummy.3ds")), 1) << LastError();
  KelmatObject* d = Kelmat_Scene_Get_Object(s.get(), "$$$DUMMY.pivot");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->vertexCount, 0);
  EXPECT_EQ(d->faceCount, 0);
  EXPECT_EQ(d->vertices, nullptr);
  KelmatObject* o = Kelmat_Scene_Get_Object(s.get(), "arm");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->parent, d);
  EXPECT_EQ(d->firstChild, o);
  EXPECT_EQ(s->objects, d);
  EXPECT_EQ(d->next, nullptr);
  EXPECT_EQ(s->objectCount, 2);
  KelmatAnimation* a = Kelmat_Scene_Get_Animation(s.get(), "arm");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->parent, nullptr);
  EXPECT_STREQ(a->parent->name, "$$$DUMMY.pivot");
  EXPECT_EQ(s->animationCount, 2);
}

TEST(ImportEdges, HideTracks) {
  File3ds f;
  NodeSpec at0 = NodeOf("at0", 0);
  at0.hide = {{0, {}, "", 0, {}}, {5, {}, "", 0, {}}, {9, {}, "", 0, {}}};
  NodeSpec at10 = NodeOf("at10", 1);
  at10.hide = {{10, {}, "", 0, {}}, {20, {}, "", 0, {}}};
  f.Node(at0).Node(at10);
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("hide.3ds")), 1) << LastError();
  KelmatTrack& h0 = Kelmat_Scene_Get_Animation(s.get(), "at0")->hide;
  ASSERT_EQ(h0.keyCount, 3);
  EXPECT_EQ(h0.frames[1], 5);
  EXPECT_EQ(h0.states[0], 1);
  EXPECT_EQ(h0.states[1], 0);
  EXPECT_EQ(h0.states[2], 1);
  KelmatTrack& h10 = Kelmat_Scene_Get_Animation(s.get(), "at10")->hide;
  ASSERT_EQ(h10.keyCount, 3);
  EXPECT_EQ(h10.frames[0], 0);
  EXPECT_EQ(h10.states[0], 0);
  EXPECT_EQ(h10.frames[1], 10);
  EXPECT_EQ(h10.states[1], 1);
  EXPECT_EQ(h10.states[2], 0);
  // Frame 0 of the import: the dummy with a leading hidden key is hidden.
  EXPECT_EQ(Kelmat_Scene_Get_Object(s.get(), "at0")->hidden, 1);
  EXPECT_EQ(Kelmat_Scene_Get_Object(s.get(), "at10")->hidden, 0);
}

TEST(ImportEdges, DefaultMaterialOncePerScene) {
  File3ds covered;
  covered.Add(build3ds::Material({"Red", {255, 0, 0}, 3, false, ""}));
  MeshSpec all = build3ds::Square("all");
  all.groups = {{"Red", {0, 1}}};
  covered.Add(build3ds::NamedMesh(all));
  covered.Node(NodeOf("all", 0));
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), covered.Write("covered.3ds")), 1) << LastError();
  EXPECT_EQ(Kelmat_Scene_Get_Material(s.get(), "DEFAULT"), nullptr);
  EXPECT_EQ(s->materialCount, 1);

  File3ds partial;
  partial.Add(build3ds::Material({"Blue", {0, 0, 255}, 2, false, ""}));
  MeshSpec half = build3ds::Square("half");
  half.groups = {{"Blue", {1}}};
  partial.Add(build3ds::NamedMesh(half));
  partial.Add(build3ds::NamedMesh(build3ds::Square("bare", 3)));
  partial.Node(NodeOf("half", 0)).Node(NodeOf("bare", 1));
  ASSERT_EQ(Import(s.get(), partial.Write("partial.3ds")), 1) << LastError();
  int defaults = 0;
  for (KelmatMaterial* m = s->materials; m != nullptr; m = m->next) defaults += std::string(m->name) == "DEFAULT";
  EXPECT_EQ(defaults, 1);
  KelmatMaterial* def = Kelmat_Scene_Get_Material(s.get(), "DEFAULT");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->type, MATERIAL_GOURAUD_RGB);
  EXPECT_EQ(def->diffuse[0], 255);
  EXPECT_EQ(def->tiling, 1);
  KelmatObject* h = Kelmat_Scene_Get_Object(s.get(), "half");
  EXPECT_EQ(h->faces[0].material, def);
  EXPECT_STREQ(h->faces[1].material->name, "Blue");
  KelmatObject* bare = Kelmat_Scene_Get_Object(s.get(), "bare");
  EXPECT_EQ(bare->faces[0].material, def);
  EXPECT_EQ(bare->faces[1].material, def);
  EXPECT_EQ(Kelmat_Scene_Get_Material(s.get(), "Blue")->type, MATERIAL_GOURAUD);
}

TEST(ImportEdges, GroupsThatCoverAFaceTwiceStillLeaveNoFaceBare) {
  File3ds f;
  f.Add(build3ds::Material({"Red", {255, 0, 0}, 3, false, ""}));
  MeshSpec m = build3ds::Square("twice");
  m.groups = {{"Red", {0, 0}}};  // two entries, as many as faces, one face left out
  f.Add(build3ds::NamedMesh(m));
  f.Node(NodeOf("twice", 0));
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("twice.3ds")), 1) << LastError();
  KelmatObject* o = Kelmat_Scene_Get_Object(s.get(), "twice");
  ASSERT_NE(o->faces[1].material, nullptr);
  EXPECT_STREQ(o->faces[1].material->name, "DEFAULT");
}

TEST(ImportEdges, UnknownGroupMaterialFails) {
  File3ds f;
  MeshSpec m = build3ds::Square("sq");
  m.groups = {{"Nowhere", {0, 1}}};
  f.Add(build3ds::NamedMesh(m));
  f.Node(NodeOf("sq", 0));
  build::ScopedScene s;
  EXPECT_EQ(Import(s.get(), f.Write("nomat.3ds")), 0);
  EXPECT_EQ(LastError(), "Can't find material Nowhere");
}

TEST(ImportEdges, TwoSidedFacesAreDuplicated) {
  File3ds f;
  f.Add(build3ds::Material({"One", {1, 1, 1}, 3, false, ""}));
  f.Add(build3ds::Material({"Two", {2, 2, 2}, 3, true, ""}));
  MeshSpec m = build3ds::Square("card");
  m.uv = {0, 0, 1, 0, 1, 1, 0, 1};
  m.groups = {{"One", {0}}, {"Two", {1}}};
  f.Add(build3ds::NamedMesh(m));
  f.Node(NodeOf("card", 0));
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("twosided.3ds")), 1) << LastError();
  KelmatObject* o = Kelmat_Scene_Get_Object(s.get(), "card");
  ASSERT_EQ(o->vertexCount, 8);
  ASSERT_EQ(o->faceCount, 3);
  const KelmatFace& src = o->faces[1];
  const KelmatFace& back = o->faces[2];
  EXPECT_EQ(back.indices[0], src.indices[2] + 4);
  EXPECT_EQ(back.indices[1], src.indices[1] + 4);
  EXPECT_EQ(back.indices[2], src.indices[0] + 4);
  EXPECT_EQ(back.material, src.material);
  EXPECT_FLOAT_EQ(back.normal.z, -src.normal.z);
  ASSERT_NE(back.mapping, nullptr);
  EXPECT_FLOAT_EQ(back.mapping[0], src.mapping[4]);
  EXPECT_FLOAT_EQ(back.mapping[5], src.mapping[1]);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(o->vertices[i + 4].x, o->vertices[i].x);
    EXPECT_FLOAT_EQ(o->normals[i + 4].z, -o->normals[i].z);
  }
  // With welding the duplicated half starts from the welded count.
  File3ds g;
  g.Add(build3ds::Material({"Two", {2, 2, 2}, 3, true, ""}));
  MeshSpec split;
  split.name = "split";
  split.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0};  // 6, 4 distinct
  split.faces = {0, 1, 2, 3, 4, 5};
  split.groups = {{"Two", {0, 1}}};
  g.Add(build3ds::NamedMesh(split));
  g.Node(NodeOf("split", 0));
  build::ScopedScene w;
  ASSERT_EQ(Import(w.get(), g.Write("twosided-weld.3ds"), 1.0f, 1), 1) << LastError();
  KelmatObject* ws = Kelmat_Scene_Get_Object(w.get(), "split");
  EXPECT_EQ(ws->vertexCount, 8);
  EXPECT_EQ(ws->faceCount, 4);
  EXPECT_EQ(ws->objectWelded, 1);
}

TEST(ImportEdges, OmniAndSpotLights) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("keep")));
  f.Add(build3ds::NamedMesh(build3ds::Square("shun", 2)));
  B spot(0x4600);
  spot.F32s({1, 2, 3});
  spot.Add(B(0x0010).F32s({1.0f, 0.5f, 0.0f}));
  spot.Add(B(0x4610).F32s({1, 2, 13, 30, 40}));
  spot.Add(B(0x4654).Str("shun"));
  f.Add(B(0x4000).Str("Spot").Add(spot));
  B omni(0x4600);
  omni.F32s({0, 0, 5});
  f.Add(B(0x4000).Str("Omni").Add(omni));
  f.Node(NodeOf("keep", 0)).Node(NodeOf("shun", 1));
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("lights.3ds"), 2.0f), 1) << LastError();
  ASSERT_EQ(s->lightCount, 2);
  // Omni lights first, spot lights after: the spot is at the head.
  KelmatLight* sp = s->lights;
  KelmatLight* om = sp->next;
  EXPECT_STREQ(om->name, "Omni");
  EXPECT_EQ(om->kind, 5);
  EXPECT_EQ(om->color[0], 180);
  EXPECT_EQ(om->color[2], 180);
  EXPECT_FLOAT_EQ(om->multiplier, 1.0f);
  EXPECT_FLOAT_EQ(om->innerRange, 20.0f);
  EXPECT_FLOAT_EQ(om->outerRange, 200.0f);
  EXPECT_FLOAT_EQ(om->position.z, 10.0f);
  EXPECT_STREQ(sp->name, "Spot");
  EXPECT_EQ(sp->kind, 7);
  EXPECT_EQ(sp->color[0], 255);
  EXPECT_EQ(sp->color[1], 127);
  EXPECT_FLOAT_EQ(sp->target.z, 26.0f);
  EXPECT_FLOAT_EQ(sp->hotspot, 30.0f);
  EXPECT_FLOAT_EQ(sp->falloff, 40.0f);
  EXPECT_NEAR(sp->b, 3.1415927f, 1e-6);  // looking straight up: b = acos(-1)
  auto linked = [](KelmatObject* o, KelmatLight* l) {
    for (KelmatLightLink* k = o->lightLinks; k != nullptr; k = k->next)
      if (k->light == l) return true;
    return false;
  };
  KelmatObject* keep = Kelmat_Scene_Get_Object(s.get(), "keep");
  KelmatObject* shun = Kelmat_Scene_Get_Object(s.get(), "shun");
  EXPECT_TRUE(linked(keep, sp));
  EXPECT_TRUE(linked(keep, om));
  EXPECT_FALSE(linked(shun, sp));
  EXPECT_TRUE(linked(shun, om));
}

TEST(ImportEdges, ShortTextureListLeavesFacesUnmapped) {
  File3ds f;
  MeshSpec m = build3ds::Square("short");
  m.uv = {0, 0, 1, 0, 1, 1};  // three coordinates for four vertices
  f.Add(build3ds::NamedMesh(m));
  f.Node(NodeOf("short", 0));
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("shortuv.3ds")), 1) << LastError();
  KelmatObject* o = Kelmat_Scene_Get_Object(s.get(), "short");
  ASSERT_NE(o->faces[0].mapping, nullptr);  // vertices 0, 1, 2
  EXPECT_FLOAT_EQ(o->faces[0].mapping[4], 1.0f);
  EXPECT_EQ(o->faces[1].mapping, nullptr);  // uses vertex 3
}

TEST(ImportEdges, VertexIndexBeyondTheMeshFails) {
  File3ds f;
  MeshSpec m = build3ds::Square("broken");
  m.faces[5] = 4;  // only four vertices
  f.Add(build3ds::NamedMesh(m));
  f.Node(NodeOf("broken", 0));
  build::ScopedScene s;
  EXPECT_EQ(Import(s.get(), f.Write("badindex.3ds")), 0);
  EXPECT_NE(LastError().find("broken"), std::string::npos) << LastError();
  EXPECT_EQ(s->objectCount, 0);
}

TEST(ImportEdges, MeshOriginFromPositionKeys) {
  File3ds f;
  MeshSpec m = build3ds::Square("child");  // matrix origin exactly zero
  f.Add(build3ds::NamedMesh(m));
  MeshSpec keep = build3ds::Square("fixed");
  f.Add(build3ds::NamedMesh(keep));
  NodeSpec parent = NodeOf("$$$DUMMY", 1);
  parent.instance = "top";
  parent.position = {{0, {100, 0, 0}, "", 0, {}}};
  NodeSpec child = NodeOf("child", 2, 1);
  child.pivot = {1, 2, 3};
  child.position = {{0, {10, 20, 30}, "", 0, {}}, {5, {0, 0, 0}, "", 0, {}}};
  NodeSpec fixed = NodeOf("fixed", 3);
  fixed.position.clear();
  f.Node(parent).Node(child).Node(fixed);
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("origin.3ds"), 2.0f), 1) << LastError();
  KelmatObject* c = Kelmat_Scene_Get_Object(s.get(), "child");
  EXPECT_FLOAT_EQ(c->localMatrix[12], 2.0f * (10 - 1 + 100));
  EXPECT_FLOAT_EQ(c->localMatrix[13], 2.0f * (20 - 2));
  EXPECT_FLOAT_EQ(c->localMatrix[14], 2.0f * (30 - 3));
  EXPECT_FLOAT_EQ(c->inverseLocalMatrix[12], -c->localMatrix[12]);
  EXPECT_FLOAT_EQ(c->vertices[1].x, 2.0f - c->localMatrix[12]);
  EXPECT_FLOAT_EQ(c->pivot.y, 4.0f);
  // No position keys: the mesh keeps its own (zero) origin.
  KelmatObject* k = Kelmat_Scene_Get_Object(s.get(), "fixed");
  EXPECT_FLOAT_EQ(k->localMatrix[12], 0.0f);
  EXPECT_FLOAT_EQ(k->vertices[2].y, 2.0f);
  EXPECT_EQ(Kelmat_Scene_Get_Animation(s.get(), "fixed")->position.keyCount, 0);
}

TEST(ImportEdges, DoubleImportFailsTheNameCheck) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("Box")));
  f.Node(NodeOf("Box", 0));
  const std::string path = f.Write("double.3ds");
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), path), 1) << LastError();
  EXPECT_EQ(Import(s.get(), path), 0);
  EXPECT_EQ(LastError(), "Double object Box and Box");
  EXPECT_EQ(s->objectCount, 2);  // the second copy stays
}

TEST(ImportEdges, MorphTargetsLeaveTheScene) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("face")));
  f.Add(build3ds::NamedMesh(build3ds::Square("smile", 0, 5)));
  f.Add(build3ds::NamedMesh(build3ds::Square("frown", 0, 9)));
  NodeSpec face = NodeOf("face", 0);
  face.morph = {{0, {}, "smile", 0, {}}, {10, {}, "frown", 0, {}}, {20, {}, "smile", 0, {}}};
  NodeSpec smile = NodeOf("smile", 1);  // also animated on its own
  smile.position = {{0, {1, 1, 1}, "", 0, {}}, {10, {2, 2, 2}, "", 0, {}}};
  NodeSpec frown = NodeOf("frown", 2);
  f.Node(face).Node(smile).Node(frown);
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), f.Write("morph.3ds")), 1) << LastError();
  EXPECT_EQ(s->objectCount, 1);
  EXPECT_EQ(s->animationCount, 1);
  EXPECT_EQ(Kelmat_Scene_Get_Object(s.get(), "smile"), nullptr);
  EXPECT_EQ(Kelmat_Scene_Get_Animation(s.get(), "frown"), nullptr);
  KelmatTrack& morph = Kelmat_Scene_Get_Animation(s.get(), "face")->morph;
  ASSERT_EQ(morph.keyCount, 3);
  EXPECT_EQ(morph.morphVertexCount, 4);
  EXPECT_EQ(morph.frames[1], 10);
  // Targets in their own object space: smile's first position key (1, 1, 1)
  // became its origin.
  EXPECT_FLOAT_EQ(morph.morphVertices[0][0].y, 4.0f);
  EXPECT_FLOAT_EQ(morph.morphVertices[1][2].y, 10.0f);
  EXPECT_FLOAT_EQ(morph.morphVertices[2][0].y, 4.0f);
  EXPECT_FLOAT_EQ(morph.morphBoxes[1].max.y, 10.0f);
  EXPECT_FLOAT_EQ(morph.morphNormals[0][0].z, 1.0f);
  // At frame 0 the object shows the first target.
  EXPECT_FLOAT_EQ(s->objects->vertices[0].y, 4.0f);
}

TEST(ImportEdges, MissingMorphTargetFails) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("face")));
  NodeSpec face = NodeOf("face", 0);
  face.morph = {{0, {}, "ghost", 0, {}}};
  f.Node(face);
  build::ScopedScene s;
  EXPECT_EQ(Import(s.get(), f.Write("ghost.3ds")), 0);
  EXPECT_EQ(LastError(), "Can't find morph object ghost");
}

TEST(ImportEdges, DirectGeometryAndOddRoots) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("a")));
  f.Add(build3ds::NamedMesh(build3ds::Square("b", 2)));
  f.Add(build3ds::NamedCamera("cam", {0, 0, 0}, {0, 10, 0}, 90, 50));
  f.withKeyframer = false;
  const std::string path = f.Write("direct.3ds");
  build::ScopedScene s;
  ASSERT_EQ(Import(s.get(), path, 1.0f, 0, 0), 1) << LastError();
  EXPECT_EQ(s->objectCount, 0);
  EXPECT_EQ(s->cameraCount, 1);
  EXPECT_NEAR(s->cameras->fieldOfView, 0.837758f, 1e-6);
  EXPECT_NEAR(s->cameras->roll, 1.5707963f, 1e-6);
  build::ScopedScene d;
  ASSERT_EQ(Import(d.get(), path, 1.0f, 0, 1), 1) << LastError();
  EXPECT_EQ(ListNames(d->objects), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(d->animationCount, 2);

  // A material library gives its materials only.
  B lib(0x3DAA);
  lib.Add(build3ds::Material({"LibOne", {1, 2, 3}, 1, false, "T.BMP"}));
  const std::string libPath = build::TempPath("lib.3ds");
  ASSERT_TRUE(build3ds::WriteFile(libPath, lib.Bytes()));
  build::ScopedScene l;
  ASSERT_EQ(Import(l.get(), libPath), 1) << LastError();
  EXPECT_EQ(l->materialCount, 1);
  EXPECT_EQ(l->objectCount, 0);

  // Any other root: nothing is added, and that is no failure.
  B other(0x1234);
  other.Add(B(0x3D3D));
  const std::string otherPath = build::TempPath("other.3ds");
  ASSERT_TRUE(build3ds::WriteFile(otherPath, other.Bytes()));
  build::ScopedScene o;
  EXPECT_EQ(Import(o.get(), otherPath), 1);
  EXPECT_EQ(o->materialCount + o->objectCount + o->cameraCount, 0);
}

TEST(ImportEdges, MissingFileReportsTheToolkitError) {
  build::ScopedScene s;
  EXPECT_EQ(Import(s.get(), build::TempPath("no/such.3ds")), 0);
  EXPECT_NE(LastError().find("ERR_OPENING_FILE"), std::string::npos) << LastError();
  EXPECT_EQ(Kelmat_Load_3ds(nullptr, s.get(), 1, 0, 0, 0, 0), 0);
  EXPECT_EQ(Kelmat_Load_3ds("x", nullptr, 1, 0, 0, 0, 0), 0);
}

TEST(ImportEdges, ManyImportsReuseTheFileTable) {
  File3ds f;
  f.Add(build3ds::NamedMesh(build3ds::Square("sq")));
  f.Node(NodeOf("sq", 0));
  const std::string path = f.Write("again.3ds");
  // More imports than the table has slots; each re-reads from the start.
  for (int i = 0; i < 300; ++i) {
    build::ScopedScene s;
    ASSERT_EQ(Import(s.get(), path), 1) << i << ": " << LastError();
    ASSERT_EQ(s->objectCount, 1);
  }
  for (int i = 0; i < 260; ++i) {
    const std::string other = f.Write("many" + std::to_string(i) + ".3ds");
    build::ScopedScene s;
    ASSERT_EQ(Import(s.get(), other), 1) << i << ": " << LastError();
  }
}
