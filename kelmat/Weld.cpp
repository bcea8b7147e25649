// Vertex welding: merging an object's duplicate vertices, snapping the
// scene's vertices onto one another, sharing normals between coincident
// vertices, building one vertex pool per hierarchy, and the unique-name check.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "kelmat/SceneWalk.h"
#include "kelmat/WeldGrid.h"
#include "kelmat/kelmat.h"

using kelmat::MatchGrid;
using kelmat::PreOrderNext;

namespace {

int OutOfMemory() {
  Kelmat_Set_Last_Error("Not enough memory");
  return 0;
}

std::string NameOf(const char* field) { return std::string(field, kelmat::NameLength(field)); }

// Range of vertex entries an object owns: its slice of the pool when welded.
int32_t FirstOwned(const KelmatObject* o) { return o->welded ? o->firstVertex : 0; }

// Every face index must address one of count vertices.
bool FaceIndicesBelow(const KelmatObject* o, int32_t count) {
  for (int32_t f = 0; f < o->faceCount; ++f) {
    const KelmatFace& face = o->faces[f];
    for (int32_t k = 0; k < face.vertexCount; ++k) {
      if (face.indices[k] < 0 || face.indices[k] >= count) return false;
    }
  }
  return true;
}

template <class T>
T* Allocate(std::size_t count) {
  return static_cast<T*>(std::malloc((count == 0 ? 1 : count) * sizeof(T)));
}

}  // namespace

extern "C" {

KELMAT_API int Kelmat_Weld_Object(KelmatObject* object, float distance) {
  if (object == nullptr) return 1;
  if (object->vertexCount <= 0 || object->objectWelded == 1) return 1;
  if (object->welded != 0) {
    Kelmat_Set_Last_Error("Can't weld %s: its vertices are shared with its hierarchy",
                          NameOf(object->name).c_str());
    return 0;
  }
  const int32_t count = object->vertexCount;
  if (!FaceIndicesBelow(object, count)) {
    Kelmat_Set_Last_Error("Can't weld %s: a face uses a vertex it does not have",
                          NameOf(object->name).c_str());
    return 0;
  }
  std::vector<int32_t> map;
  KelmatVector* vertices = nullptr;
  KelmatVector* sources = nullptr;
  try {
    map.resize(count);
    MatchGrid grid(distance, static_cast<std::size_t>(count));
    std::vector<int32_t> firstOf;  // the vertex each unique one came from
    for (int32_t i = 0; i < count; ++i) {
      const int64_t match = grid.Find(object->sourceVertices[i]);
      if (match >= 0) {
        map[i] = static_cast<int32_t>(match);
      } else {
        map[i] = static_cast<int32_t>(grid.Add(object->sourceVertices[i]));
        firstOf.push_back(i);
      }
    }
    const std::size_t unique = firstOf.size();
    vertices = Allocate<KelmatVector>(unique);
    sources = Allocate<KelmatVector>(unique);
    if (vertices == nullptr || sources == nullptr) {
      std::free(vertices);
      std::free(sources);
      return OutOfMemory();
    }
    for (std::size_t u = 0; u < unique; ++u) {
      vertices[u] = object->vertices[firstOf[u]];
      sources[u] = object->sourceVertices[firstOf[u]];
    }
    for (int32_t f = 0; f < object->faceCount; ++f) {
      KelmatFace& face = object->faces[f];
      for (int32_t k = 0; k < face.vertexCount; ++k) face.indices[k] = map[face.indices[k]];
    }
    object->vertexCount = static_cast<int32_t>(unique);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  std::free(object->vertices);
  std::free(object->sourceVertices);
  object->vertices = vertices;
  object->sourceVertices = sources;
  if (!Kelmat_Object_Calculate_Vertex_Normal(object)) return 0;
  object->objectWelded = 1;
  return 1;
}

KELMAT_API int Kelmat_Weld_Object_Into_Scene(KelmatScene* scene, float distance) {
  if (scene == nullptr) return 1;
  for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o)) {
    if (!Kelmat_Weld_Object(o, distance)) return 0;
  }
  return 1;
}

KELMAT_API int Kelmat_Snap_Scene(KelmatScene* scene, float distance) {
  if (scene == nullptr) return 1;
  try {
    std::size_t total = 0;
    for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o))
      total += static_cast<std::size_t>(std::max(o->vertexCount, 0));
    MatchGrid grid(distance, total);
    for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o)) {
      const int32_t first = FirstOwned(o);
      for (int32_t i = first; i < first + o->vertexCount; ++i) {
        const int64_t match = grid.Find(o->sourceVertices[i]);
        if (match >= 0) {
          o->sourceVertices[i] = grid[static_cast<std::size_t>(match)];
          Kelmat_Vector_Matrix_Mult(&o->vertices[i], &o->sourceVertices[i], o->inverseLocalMatrix);
        } else {
          grid.Add(o->sourceVertices[i]);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return 1;
}

KELMAT_API int Kelmat_Weld_Normal_Into_Scene(KelmatScene* scene, float distance) {
  if (scene == nullptr) return 1;
  try {
    std::size_t total = 0;
    for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o))
      total += static_cast<std::size_t>(std::max(o->vertexCount, 0));
    MatchGrid grid(distance, total);
    std::vector<KelmatVector> normals;
    normals.reserve(total);
    for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o)) {
      const int32_t first = FirstOwned(o);
      for (int32_t i = first; i < first + o->vertexCount; ++i) {
        const int64_t match = grid.Find(o->sourceVertices[i]);
        if (match >= 0) {
          o->normals[i] = normals[static_cast<std::size_t>(match)];
        } else {
          grid.Add(o->sourceVertices[i]);
          normals.push_back(o->normals[i]);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return 1;
}

}  // extern "C"

namespace {

// The number the one or two characters after a leading at sign spell:
// leading digits only, none gives 0.
int AtSignNumber(const char* name) {
  int value = 0;
  for (int i = 1; i <= 2 && name[i] >= '0' && name[i] <= '9'; ++i) value = value * 10 + (name[i] - '0');
  return value;
}

// Members of the hierarchy under root in level order (depth by depth, each
// depth in pre-order), then those named with a leading at sign moved first by
// their number.
std::vector<KelmatObject*> PoolOrder(KelmatObject* root) {
  std::vector<std::pair<KelmatObject*, int>> withDepth;
  for (KelmatObject* o = root; o != nullptr; o = kelmat::SubtreeNext(o, root)) {
    int depth = 0;
    for (KelmatObject* p = o; p != root; p = p->parent) ++depth;
    withDepth.emplace_back(o, depth);
  }
  std::stable_sort(withDepth.begin(), withDepth.end(),
                   [](const auto& a, const auto& b) { return a.second < b.second; });
  std::vector<KelmatObject*> level;
  for (const auto& entry : withDepth) level.push_back(entry.first);
  std::vector<KelmatObject*> marked, rest;
  for (KelmatObject* o : level) (o->name[0] == '@' ? marked : rest).push_back(o);
  std::stable_sort(marked.begin(), marked.end(), [](KelmatObject* a, KelmatObject* b) {
    return AtSignNumber(a->name) < AtSignNumber(b->name);
  });
  marked.insert(marked.end(), rest.begin(), rest.end());
  return marked;
}

int PoolHierarchy(KelmatObject* root, float distance) {
  const std::vector<KelmatObject*> members = PoolOrder(root);
  std::size_t total = 0;
  for (KelmatObject* m : members) {
    if (m->welded != 0) {
      Kelmat_Set_Last_Error("Can't weld %s: its vertices are already shared",
                            NameOf(m->name).c_str());
      return 0;
    }
    if (!FaceIndicesBelow(m, m->vertexCount)) {
      Kelmat_Set_Last_Error("Can't weld %s: a face uses a vertex it does not have",
                            NameOf(m->name).c_str());
      return 0;
    }
    total += static_cast<std::size_t>(std::max(m->vertexCount, 0));
  }
  KelmatVector* vertices = nullptr;
  KelmatVector* sources = nullptr;
  KelmatVector* normals = nullptr;
  if (total > 0) {
    vertices = Allocate<KelmatVector>(total);
    sources = Allocate<KelmatVector>(total);
    normals = Allocate<KelmatVector>(total);
    if (vertices == nullptr || sources == nullptr || normals == nullptr) {
      std::free(vertices);
      std::free(sources);
      std::free(normals);
      return OutOfMemory();
    }
  }
  MatchGrid grid(distance, total);  // world positions of the pool entries
  std::vector<int32_t> map;
  for (KelmatObject* m : members) {
    const int32_t added0 = static_cast<int32_t>(grid.size());
    m->firstVertex = added0;
    map.assign(static_cast<std::size_t>(std::max(m->vertexCount, 0)), 0);
    for (int32_t j = 0; j < m->vertexCount; ++j) {
      KelmatVector w;
      Kelmat_Vector_Matrix_Mult(&w, &m->vertices[j], m->worldMatrix);
      const int64_t match = grid.Find(w);
      if (match >= 0) {
        map[j] = static_cast<int32_t>(match);
      } else {
        const int32_t p = static_cast<int32_t>(grid.Add(w));
        vertices[p] = m->vertices[j];
        sources[p] = m->sourceVertices[j];
        normals[p] = m->normals[j];
        map[j] = p;
      }
    }
    for (int32_t f = 0; f < m->faceCount; ++f) {
      KelmatFace& face = m->faces[f];
      for (int32_t k = 0; k < face.vertexCount; ++k) face.indices[k] = map[face.indices[k]];
    }
    m->welded = 1;
    m->vertexCount = static_cast<int32_t>(grid.size()) - added0;
    std::free(m->vertices);
    std::free(m->sourceVertices);
    std::free(m->normals);
    m->vertices = vertices;
    m->sourceVertices = sources;
    m->normals = normals;
    m->poolSize = 0;
  }
  root->poolSize = static_cast<int32_t>(grid.size());
  if (root->poolSize == 0) {
    // Nothing was pooled: no member owns arrays, and none were allocated.
    for (KelmatObject* m : members) m->vertices = m->sourceVertices = m->normals = nullptr;
  }
  return 1;
}

}  // namespace

extern "C" {

KELMAT_API int Kelmat_Weld_Scene(KelmatScene* scene, float distance) {
  if (scene == nullptr) return 1;
  try {
    for (KelmatObject* root = scene->objects; root != nullptr; root = root->next) {
      if (!PoolHierarchy(root, distance)) return 0;
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return 1;
}

KELMAT_API int Kelmat_Check_Double(KelmatScene* scene) {
  if (scene == nullptr) return 1;
  try {
    // The first record in pre-order whose name occurs again names the pair.
    {
      std::unordered_set<std::string> seen, repeated;
      for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o)) {
        if (!seen.insert(NameOf(o->name)).second) repeated.insert(NameOf(o->name));
      }
      for (KelmatObject* o = scene->objects; o != nullptr; o = PreOrderNext(o)) {
        if (repeated.count(NameOf(o->name)) != 0) {
          Kelmat_Set_Last_Error("Double object %s and %s", NameOf(o->name).c_str(),
                                NameOf(o->name).c_str());
          return 0;
        }
      }
    }
    std::unordered_set<std::string> seen, repeated;
    for (KelmatAnimation* a = scene->animations; a != nullptr; a = PreOrderNext(a)) {
      if (!seen.insert(NameOf(a->name)).second) repeated.insert(NameOf(a->name));
    }
    for (KelmatAnimation* a = scene->animations; a != nullptr; a = PreOrderNext(a)) {
      if (repeated.count(NameOf(a->name)) != 0) {
        Kelmat_Set_Last_Error("Double animation %s and %s", NameOf(a->name).c_str(),
                              NameOf(a->name).c_str());
        return 0;
      }
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return 1;
}

}  // extern "C"
