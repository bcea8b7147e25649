// The kernel's private object model.
//
// Every record the game or the renderer sees (ZeltObject, ZeltFace, ZeltMaterial, ZeltCamera,
// ZeltScene ...) is the base of a kernel-side struct that adds the kernel's own state, so a
// record pointer converts to its kernel struct with static_cast (helpers K(...) below).
//
// Geometry:
//  - an object's vertices and normals are in object space; its global matrix takes them to
//    world space (p' = p . M, row vectors);
//  - a welded hierarchy is one group: the root (group == itself, kind->group = 1) holds the
//    shared pool in `vertices`/`normals`, and `poolOwner[i]` is the member whose matrix takes
//    pool entry i to world space; members (group == the root) own the range firstVertex ..
//    firstVertex + vertexCount - 1 and have no arrays of their own. Face indices of every
//    member index the pool;
//  - an unwelded object owns its arrays (firstVertex = 0); its face indices index them.
// worldVertex() and facePolygon() hide the difference.
//
// Who writes what: zelt/Collision*.cpp and zelt/Pick*.cpp implement the collision exports
// (line and sphere tests against objects and faces, face normals) and Zelt_Scene_Pick_Object;
// everything else, spheres included, is in the other zelt/*.cpp files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"

namespace zelt {

// ------------------------------------------------------------------------------------------
// Allocation through the lent allocators (std::calloc/std::free until Zelt_Init_Ptr).

void* lentAllocate(std::size_t count, std::size_t size);  // zero-filled, null on failure
void* lentReallocate(void* block, std::size_t size);
void lentFree(void* block);

template <class T>
struct LentAllocator {
  using value_type = T;
  LentAllocator() noexcept = default;
  template <class U>
  LentAllocator(const LentAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    void* p = lentAllocate(n, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { lentFree(p); }
  template <class U>
  bool operator==(const LentAllocator<U>&) const noexcept { return true; }
  template <class U>
  bool operator!=(const LentAllocator<U>&) const noexcept { return false; }
};

template <class T>
using KVec = std::vector<T, LentAllocator<T>>;

// Kernel records live in lent memory: create<T>() throws std::bad_alloc when it is refused.
template <class T, class... A>
T* create(A&&... args) {
  void* p = lentAllocate(1, sizeof(T));
  if (!p) throw std::bad_alloc();
  return new (p) T(static_cast<A&&>(args)...);
}
template <class T>
void destroy(T* p) {
  if (!p) return;
  p->~T();
  lentFree(p);
}

// ------------------------------------------------------------------------------------------
// Last error. setError formats with %s and %d; the text stays valid until the next failure.

void setError(int code, const char* format = nullptr, const char* argument = nullptr);
void clearError();

// ------------------------------------------------------------------------------------------
// Records

struct KScene;
struct KObject;

struct KTexture {
  ZeltTexture texture{};
  ZeltBitmap bitmap{};
  KVec<std::uint8_t> texels8;
  KVec<std::uint16_t> texels16;
};

struct KMap : ZeltMap {
  KTexture* owned = nullptr;  // built by Zelt_Map_Init
  KScene* scene = nullptr;    // set by Zelt_Scene_Add_Map
  ~KMap();
};

struct KMaterial : ZeltMaterial {
  KScene* scene = nullptr;
  char materialName[32]{};
  int type = 0;               // 0 self-illuminated, 1 Gouraud, 2 Gouraud RGB (render mode)
  int binaryOpacity = 0;
  int tiling = 1;
  std::uint32_t flags = 0;    // render flags word (renderFlags points here)
  KMap* map = nullptr;        // the scene map giving the texture, or null
  bool added = false;         // Zelt_Add_Material_Dll done
  KMaterial();
  ~KMaterial();
};

struct KFace : ZeltFace {
  KObject* owner = nullptr;
  int index = 0;                // position in the owner's face array
  KVec<int> indices;            // vertexIndices points here
  KVec<float> uv;               // textureCoordinates points here (zeros without mapping)
  bool mapped = false;          // the file gave texture coordinates
  ZeltVector objectNormal{};    // as stored in the file (object space)
  bool added = false;           // Zelt_Add_Face_Dll done
  ~KFace();
};

struct KLod {
  float distance = 0;
  KObject* object = nullptr;
};

struct KLight;

struct KObject : ZeltObject {
  ZeltObjectKind kindRecord{};
  ZeltObjectClass classRecord{};
  KScene* scene = nullptr;

  // Transform: local takes object space to the parent's space; global to world space.
  float local[16];
  float global[16];
  bool globalDirty = true;
  // Components the local matrix is composed from (loaded, then set by animation).
  ZeltVector pivot{};
  ZeltVector position{};
  ZeltVector scale{1, 1, 1};
  float rotation[16];

  // Geometry (see the header comment).
  KVec<ZeltVector4> vertices;
  KVec<ZeltVector4> normals;
  KObject* group = nullptr;     // root of the welded hierarchy (itself for the root) or null
  int firstVertex = 0;
  int vertexCount = 0;
  KVec<KObject*> poolOwner;     // group root only
  KVec<KFace*> faceStore;
  KVec<ZeltFace*> facePointers; // faces / faceCount point here

  ZeltVector sphereCentre{};    // object space
  float sphereRadius = 0;
  ZeltVector boxMin{};
  ZeltVector boxMax{};

  int cameraType = ZELT_BILLBOARD_NONE;
  KVec<KLod> lods;              // sorted by distance
  KObject* standsFor = nullptr; // an LOD stand-in: the object it is drawn for
  int renderState = ZELT_RENDER_NORMAL;
  KVec<KLight*> lights;         // lights that include this object

  // Per frame: object space to camera space, and whether that map mirrors.
  float toCamera[16];
  float frameWorld[16];         // global matrix with the billboard turn of this frame
  bool mirrored = false;        // toCamera keeps the handedness (its determinant is positive)

  KObject();
  ~KObject();  // frees the faces; the forest links are the scene's business
};

struct KCamera : ZeltCamera {
  KScene* scene = nullptr;
  int type = ZELT_CAMERA_POLAR;
  ZeltVector target{};
  float roll = 0;
  float matrix[16];             // world to camera space of the last prepared frame
  KCamera();
};

struct KLight : ZeltLight {
  KScene* scene = nullptr;
};

struct KTrack {
  int flags = 0;
  KVec<int> frames;
  KVec<float> params;           // tension, continuity, bias, ease to, ease from per key
  KVec<float> values;           // 3 (position, scale) or 4 (rotation w, x, y, z) per key
  KVec<int> states;             // hide track
  int morphVertexCount = 0;     // morph track: per key M vertices, M normals (3 floats each),
  KVec<float> morphVertices;    // a sphere (4 floats) and a box (6 floats)
  KVec<float> morphNormals;
  KVec<float> morphBounds;
  int keyCount() const { return static_cast<int>(frames.size()); }
};

struct KAnimation : ZeltAnimation {
  KScene* scene = nullptr;
  KAnimation* nextRoot = nullptr;
  int segmentStart = 0;
  int segmentEnd = 0;
  KTrack position, scaleTrack, rotation, hide, morph;
};

struct KSphere : ZeltSphere {
  KScene* scene = nullptr;
};

struct KScene : ZeltScene {
  ZeltRenderContext context{};  // firstRoot heads the object roots (chained by nextRoot)
  ZeltViewRecord view{};
  KVec<KMaterial*> materials;
  KVec<KCamera*> cameras;
  KVec<KLight*> lights;
  KVec<KMap*> maps;
  KVec<KSphere*> spheres;
  KVec<KObject*> detached;      // LOD stand-ins: not roots, owned by the scene
  KAnimation* firstAnimation = nullptr;  // roots chained by nextRoot
  bool counting = false;        // face counters run (inside Zelt_Render only)
  // Set by the camera's prepare-frame: projection scales and the eye in world space.
  float frameScaleX = 1, frameScaleY = 1;
  ZeltVector eye{};
  float cameraAxes[9] = {};     // right, up, forward (world space) of the frame's camera
  std::vector<std::string> missingTextures;  // texture files already reported missing
};

inline KObject* K(ZeltObject* o) { return static_cast<KObject*>(o); }
inline KScene* K(ZeltScene* s) { return static_cast<KScene*>(s); }
inline KCamera* K(ZeltCamera* c) { return static_cast<KCamera*>(c); }
inline KLight* K(ZeltLight* l) { return static_cast<KLight*>(l); }
inline KFace* K(ZeltFace* f) { return static_cast<KFace*>(f); }
inline KMaterial* K(ZeltMaterial* m) { return static_cast<KMaterial*>(m); }
inline KAnimation* K(ZeltAnimation* a) { return static_cast<KAnimation*>(a); }
inline KSphere* K(ZeltSphere* s) { return static_cast<KSphere*>(s); }
inline KMap* K(ZeltMap* m) { return static_cast<KMap*>(m); }

// ------------------------------------------------------------------------------------------
// Geometry access (world space), for collision and picking.

// Current global matrix (recomputed from the parents when a local matrix changed).
const float* globalMatrix(KObject* o);
// Marks the object and its subtree for a new global matrix.
void invalidateGlobal(KObject* o);
// Vertex `index` as a face of o indexes it, in world space (pooled entries through their owner).
ZeltVector worldVertex(KObject* o, int index);
// World-space corners of face `face` of o into out (up to max); returns the corner count, 0 for
// a bad face index.
int facePolygon(KObject* o, int face, ZeltVector* out, int max);
// World-space bounding sphere: centre through the global matrix, radius by its largest axis scale.
void worldSphere(KObject* o, ZeltVector* centre, float* radius);
// Pre-order successor of o in the scene's object forest (children, then siblings, then the
// next root), or null.
KObject* nextInForest(KObject* o);

// ------------------------------------------------------------------------------------------
// Small math on plain floats (no dependency on the loaded math build).

void matIdentity(float* m);
void matMultiply(float* out, const float* a, const float* b);  // a applied first
void matInverse(float* out, const float* m);                   // affine
ZeltVector transformPoint(const ZeltVector& v, const float* m);
ZeltVector transformVector(const ZeltVector& v, const float* m);

// ------------------------------------------------------------------------------------------
// Kernel-wide state.

struct Plugin {
  void* handle = nullptr;
#define ZELT_PLUGIN_ENTRIES(X)                                                                     \
  X(int, Zelt_Init_Render_Dll, (ZeltRenderRecord*))                                               \
  X(void, Zelt_Release_Scene_Dll, (void))                                                         \
  X(int, Zelt_Add_Material_Dll, (ZeltMaterial*))                                                  \
  X(void, Zelt_Release_Material_Dll, (ZeltMaterial*))                                             \
  X(void, Zelt_Update_Material_Dll, (ZeltMaterial*))                                              \
  X(int, Zelt_Set_Material_Render_State_Dll, (ZeltMaterial*, int, int))                           \
  X(int, Zelt_Get_Material_Render_State_Dll, (ZeltMaterial*))                                     \
  X(int, Zelt_Add_Face_Dll, (ZeltFace*))                                                          \
  X(void, Zelt_Release_Face_Dll, (ZeltFace*))                                                     \
  X(int, Zelt_Render_Dll, (ZeltRenderContext*, uint16_t*, void*, int))                            \
  X(ZeltObject*, Zelt_Pick_Dll, (ZeltRenderContext*, float, float, int*, float*))
#define ZELT_PLUGIN_FIELD(ret, name, params) ret(*name) params = nullptr;
  ZELT_PLUGIN_ENTRIES(ZELT_PLUGIN_FIELD)
#undef ZELT_PLUGIN_FIELD
};

struct Lent {
  ZeltOpenFn open = nullptr;
  ZeltReadAllFn readAll = nullptr;
  ZeltWriteFn write = nullptr;
  ZeltCloseFn close = nullptr;
  ZeltMallocFn malloc = nullptr;
  ZeltCallocFn calloc = nullptr;
  ZeltReallocFn realloc = nullptr;
  ZeltReleaseFn free = nullptr;
};

struct KernelState {
  Lent lent;
  Plugin plugin;               // loaded by Zelt_Init_Kernel
  void* mathHandle = nullptr;
  std::string mathName;
  int bits = 16;               // 15 or 16
  bool displayKind = false;    // started for the display layer (Zelt_Init_Kernel(0))
  bool methods = false;        // Zelt_Init_Vtbl done
  ZeltRenderRecord record{};
  std::size_t capacity = 0;    // entries of the per-vertex arrays
  KScene* current = nullptr;   // scene of the frame or pick under way
};

KernelState& state();

// Per-vertex arrays hold at least n entries (the largest object or pool). Throws bad_alloc.
void reserveVertices(std::size_t n);
// Prepares the scene's render context for a frame or pick with the active camera; false (with
// the last error) when there is no renderer or no camera.
bool prepareContext(KScene* scene, int pitch);
// Method tables the renderer calls.
extern const ZeltObjectMethods kObjectMethods;
extern const ZeltCameraMethods kCameraMethods;
extern const ZeltFaceClass kFaceClass;

// World-to-camera matrix of the camera (projection scales included); for the scene's active
// camera it also records the frame's eye, axes and scales in the scene.
void cameraMatrix(KCamera* camera, float* m);
// Light values of `count` object-space vertices and normals under `world` (0..255 each).
void lightVertices(KScene* s, KObject* o, const ZeltVector4* vertices, const ZeltVector4* normals, int count,
                   const float* world, ZeltVertexLight* out);

// Packs a colour the way the frame buffer holds it (15 or 16 bits).
std::uint16_t packPixel(int r, int g, int b);

}  // namespace zelt
