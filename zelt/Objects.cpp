// Objects of a scene: enumeration, transforms, hide, billboards, levels of detail, render
// state, faces, bounds and release; animations by name and their release.
#include <cmath>
#include <cstring>

#include "zelt/Guard.h"
#include "zelt/Kernel.h"
#include "zelt/Loaders.h"

namespace zelt {
namespace {

template <class F>
void forSubtree(KObject* o, bool withChildren, F&& f) {
  f(o);
  if (!withChildren) return;
  KObject* c = K(o->firstChild);
  while (c) {
    f(c);
    if (c->firstChild) {
      c = K(c->firstChild);
      continue;
    }
    while (c != o && !c->nextSibling) c = K(c->parent);
    if (c == o) break;
    c = K(c->nextSibling);
  }
}

void destroyAnimation(KAnimation* a) {
  KAnimation* c = K(a->firstChild);
  while (c) {
    KAnimation* next = K(c->nextSibling);
    destroyAnimation(c);
    c = next;
  }
  destroy(a);
}

}  // namespace
}  // namespace zelt

using namespace zelt;

extern "C" {

ZELT_API ZeltObject* Zelt_Scene_Get_First_Object(ZeltScene* scene) {
  return scene ? K(scene)->context.firstRoot : nullptr;
}

ZELT_API ZeltObject* Zelt_Scene_Get_Next_Object(ZeltScene* scene, ZeltObject* object) {
  if (!scene || !object || K(object)->standsFor) return nullptr;
  return nextInForest(K(object));
}

ZELT_API ZeltObject* Zelt_Scene_Get_Object(ZeltScene* scene, const char* name) {
  if (!scene || !name) {
    setError(ZELT_ERR_ARGUMENT);
    return nullptr;
  }
  for (KObject* o = K(K(scene)->context.firstRoot); o; o = nextInForest(o))
    if (!std::strncmp(o->name, name, sizeof o->name)) return o;
  setError(ZELT_ERR_NAME, nullptr, name);
  return nullptr;
}

ZELT_API void Zelt_Object_Get_Local_Matrix(ZeltObject* object, float matrix[16]) {
  if (!object || !matrix) return;
  std::memcpy(matrix, K(object)->local, sizeof(float) * 16);
}

ZELT_API void Zelt_Object_Set_Local_Matrix(ZeltObject* object, const float matrix[16]) {
  if (!object || !matrix) return;
  std::memcpy(K(object)->local, matrix, sizeof(float) * 16);
  invalidateGlobal(K(object));
}

ZELT_API void Zelt_Object_Get_Global_Matrix(ZeltObject* object, float matrix[16]) {
  if (!object || !matrix) return;
  std::memcpy(matrix, globalMatrix(K(object)), sizeof(float) * 16);
}

ZELT_API void Zelt_Object_Get_Global_Position(ZeltObject* object, ZeltVector* position) {
  if (!object || !position) return;
  const float* m = globalMatrix(K(object));
  *position = {m[12], m[13], m[14]};
}

ZELT_API void Zelt_Object_Set_Local_Position(ZeltObject* object, const ZeltVector* position) {
  if (!object || !position) return;
  KObject* o = K(object);
  o->local[12] = position->x;
  o->local[13] = position->y;
  o->local[14] = position->z;
  invalidateGlobal(o);
}

ZELT_API void Zelt_Object_Hide(ZeltObject* object, int withChildren) {
  if (object) forSubtree(K(object), withChildren != 0, [](KObject* o) { o->hidden = 1; });
}

ZELT_API void Zelt_Object_Unhide(ZeltObject* object, int withChildren) {
  if (object) forSubtree(K(object), withChildren != 0, [](KObject* o) { o->hidden = 0; });
}

ZELT_API void Zelt_Object_Set_Camera_Type(ZeltObject* object, int type) {
  if (object && type >= ZELT_BILLBOARD_NONE && type <= ZELT_BILLBOARD_XZ) K(object)->cameraType = type;
}

ZELT_API int Zelt_Object_Add_Lod(ZeltObject* object, ZeltObject* lod, ZeltScene* scene, float distance) {
  if (!object || !lod || !scene || object == lod || !(distance >= 0) || K(lod)->parent || K(lod)->standsFor ||
      K(object)->scene != K(scene) || K(lod)->scene != K(scene) || object->kind->group) {
    // The renderer draws a welded group as a whole, without a stand-in.
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&]() -> int {
    KScene* s = K(scene);
    KObject* o = K(object);
    KObject* l = K(lod);
    // Find the stand-in among the roots (the loader put it there).
    ZeltObject** link = &s->context.firstRoot;
    while (*link && *link != lod) link = &(*link)->nextRoot;
    if (!*link) {
      setError(ZELT_ERR_ARGUMENT);
      return 0;
    }
    s->detached.reserve(s->detached.size() + 1);
    KLod entry{distance, l};
    size_t at = 0;
    while (at < o->lods.size() && o->lods[at].distance <= distance) ++at;
    o->lods.insert(o->lods.begin() + static_cast<long>(at), entry);
    *link = lod->nextRoot;
    lod->nextRoot = nullptr;
    l->standsFor = o;
    s->detached.push_back(l);
    return 1;
  });
}

ZELT_API int Zelt_Object_Set_Render_State(ZeltObject* object, ZeltScene* scene, int state, int withChildren) {
  if (!object || !scene || (state != ZELT_RENDER_NORMAL && state != ZELT_RENDER_DIAGNOSTIC)) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&] {
    forSubtree(K(object), withChildren != 0, [&](KObject* o) {
      o->renderState = state;
      auto select = [&](KObject* g) {
        for (KFace* f : g->faceStore) selectMaterialState(K(f->material), state);
      };
      select(o);
      for (KLod& l : o->lods) {
        l.object->renderState = state;
        select(l.object);
      }
    });
    return 1;
  });
}

ZELT_API void Zelt_Object_Get_Bounds(ZeltObject* object, ZeltVector* centre, float* radius, ZeltVector* boxMin,
                                     ZeltVector* boxMax) {
  if (!object) return;
  KObject* o = K(object);
  if (centre) *centre = o->sphereCentre;
  if (radius) *radius = o->sphereRadius;
  if (boxMin) *boxMin = o->boxMin;
  if (boxMax) *boxMax = o->boxMax;
}

ZELT_API int Zelt_Object_Get_Vertex_Count(ZeltObject* object) {
  if (!object) return 0;
  KObject* o = K(object);
  return static_cast<int>((o->group ? o->group : o)->vertices.size());
}

ZELT_API int Zelt_Object_Get_Vertex(ZeltObject* object, int index, ZeltVector* world, ZeltVector* normal) {
  if (!object) return 0;
  KObject* o = K(object);
  KObject* holder = o->group ? o->group : o;
  if (index < 0 || static_cast<size_t>(index) >= holder->vertices.size()) return 0;
  if (world) *world = worldVertex(o, index);
  if (normal) {
    KObject* owner = o->group ? holder->poolOwner[static_cast<size_t>(index)] : o;
    const ZeltVector4& n = holder->normals[static_cast<size_t>(index)];
    ZeltVector w = transformVector({n.x, n.y, n.z}, globalMatrix(owner));
    float l = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
    *normal = l > 1e-20f ? ZeltVector{w.x / l, w.y / l, w.z / l} : ZeltVector{0, 0, 0};
  }
  return 1;
}

ZELT_API int Zelt_Object_Get_Vertex_Lights(ZeltScene* scene, ZeltObject* object, float* values, int max) {
  if (!scene || !object || !values || max <= 0) return 0;
  return guard(0, [&] {
    KObject* o = K(object);
    KObject* holder = o->group ? o->group : o;
    int first = o->group ? o->firstVertex : 0;
    int count = o->group ? o->vertexCount : static_cast<int>(o->vertices.size());
    if (count > max) count = max;
    KVec<ZeltVertexLight> out(static_cast<size_t>(count));
    lightVertices(K(scene), o, holder->vertices.data() + first, holder->normals.data() + first, count,
                  globalMatrix(o), out.data());
    for (int i = 0; i < count; ++i) values[i] = out[static_cast<size_t>(i)].value;
    return count;
  });
}

ZELT_API int Zelt_Object_Get_Face_Count(ZeltObject* object) { return object ? object->faceCount : 0; }

ZELT_API ZeltFace* Zelt_Object_Get_Face(ZeltObject* object, int index) {
  if (!object || index < 0 || index >= object->faceCount) return nullptr;
  return object->faces[index];
}

ZELT_API void Zelt_Object_Release(ZeltObject* object) {
  if (!object) return;
  KObject* o = K(object);
  KScene* s = o->scene;
  if (s && state().current == s) state().current = nullptr;
  // Members of a welded group cannot leave their pool: the whole group goes.
  while (o->group && o->group != o) o = o->group;
  if (s) {
    if (o->parent) {
      ZeltObject** link = &o->parent->firstChild;
      while (*link && *link != o) link = &(*link)->nextSibling;
      if (*link) *link = o->nextSibling;
    } else if (o->standsFor) {
      KObject* owner = o->standsFor;
      for (size_t i = 0; i < owner->lods.size(); ++i)
        if (owner->lods[i].object == o) owner->lods.erase(owner->lods.begin() + static_cast<long>(i));
      for (size_t i = 0; i < s->detached.size(); ++i)
        if (s->detached[i] == o) s->detached.erase(s->detached.begin() + static_cast<long>(i));
    } else {
      ZeltObject** link = &s->context.firstRoot;
      while (*link && *link != o) link = &(*link)->nextRoot;
      if (*link) *link = o->nextRoot;
    }
  }
  o->nextSibling = nullptr;
  o->parent = nullptr;
  // Depth-first: children before their parent; stand-ins of released objects go too.
  KVec<KObject*> doomed;
  try {
    forSubtree(o, true, [&](KObject* x) { doomed.push_back(x); });
  } catch (...) {
    doomed.clear();
  }
  for (size_t i = doomed.size(); i-- > 0;) {
    KObject* x = doomed[i];
    for (KLod& l : x->lods) {
      l.object->standsFor = nullptr;
      if (s)
        for (size_t j = 0; j < s->detached.size(); ++j)
          if (s->detached[j] == l.object) {
            s->detached.erase(s->detached.begin() + static_cast<long>(j));
            destroy(l.object);
            break;
          }
    }
    destroy(x);
  }
  if (doomed.empty()) destroy(o);  // no room for the list: the top object at least
}

ZELT_API ZeltAnimation* Zelt_Scene_Get_Animation(ZeltScene* scene, const char* name) {
  if (!scene || !name) return nullptr;
  for (KAnimation* a = K(scene)->firstAnimation; a; a = a->nextRoot) {
    // Pre-order over this root's tree.
    KAnimation* x = a;
    while (x) {
      if (!std::strcmp(x->name, name)) return x;
      if (x->firstChild) {
        x = K(x->firstChild);
        continue;
      }
      while (x != a && !x->nextSibling) x = K(x->parent);
      if (x == a) break;
      x = K(x->nextSibling);
    }
  }
  setError(ZELT_ERR_NAME, nullptr, name);
  return nullptr;
}

ZELT_API void Zelt_Animation_Release(ZeltAnimation* animation) {
  if (!animation) return;
  KAnimation* a = K(animation);
  if (a->parent) {
    ZeltAnimation** link = &a->parent->firstChild;
    while (*link && *link != a) link = &(*link)->nextSibling;
    if (*link) *link = a->nextSibling;
  } else if (a->scene) {
    KAnimation** link = &a->scene->firstAnimation;
    while (*link && *link != a) link = &(*link)->nextRoot;
    if (*link) *link = a->nextRoot;
  }
  destroyAnimation(a);
}

}  // extern "C"
