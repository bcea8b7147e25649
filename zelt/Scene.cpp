// Scenes, their records' life, materials and maps, cameras, lights and spheres.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "zelt/Guard.h"
#include "zelt/Kernel.h"
#include "zelt/Loaders.h"

namespace zelt {

namespace {
constexpr float kPi = 3.14159265358979f;

template <class T>
bool removeFrom(KVec<T*>& list, T* item) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == item) {
      list.erase(list.begin() + static_cast<long>(i));
      return true;
    }
  return false;
}

void updateSpotFlag(KObject* o) {
  int spots = 0;
  for (KLight* l : o->lights) spots |= l->kind == ZELT_LIGHT_SPOT;
  o->kindRecord.spotLights = spots;
}

void includeLight(KLight* l, KObject* o, bool on) {
  bool have = false;
  for (size_t i = 0; i < o->lights.size(); ++i)
    if (o->lights[i] == l) {
      have = true;
      if (!on) o->lights.erase(o->lights.begin() + static_cast<long>(i));
      break;
    }
  if (on && !have) o->lights.push_back(l);
  updateSpotFlag(o);
}

// Every object of the scene: the forest and the LOD stand-ins.
template <class F>
void forEachObject(KScene* s, F&& f) {
  for (KObject* o = K(s->context.firstRoot); o; o = nextInForest(o)) f(o);
  for (KObject* o : s->detached) f(o);
}

void destroyAnimationTree(KAnimation* a) {
  while (a) {
    KAnimation* next = K(a->nextSibling);
    destroyAnimationTree(K(a->firstChild));
    destroy(a);
    a = next;
  }
}

}  // namespace

// ------------------------------------------------------------------------------------------
// Records

KObject::KObject() {
  kind = &kindRecord;
  objectClass = &classRecord;
  classRecord.methods = &kObjectMethods;
  transformArgument = this;
  kindRecord.lights = 1;  // ambient light reaches every object
  matIdentity(local);
  matIdentity(global);
  matIdentity(rotation);
  matIdentity(toCamera);
}

KObject::~KObject() {
  for (KFace* f : faceStore) destroy(f);
}

KFace::~KFace() {
  if (added && state().plugin.Zelt_Release_Face_Dll) state().plugin.Zelt_Release_Face_Dll(this);
}

KMaterial::KMaterial() { renderFlags = &flags; }

KMaterial::~KMaterial() {
  if (added && state().plugin.Zelt_Release_Material_Dll) state().plugin.Zelt_Release_Material_Dll(this);
}

KMap::~KMap() { destroy(owned); }

KCamera::KCamera() {
  methods = &kCameraMethods;
  fov = 60.0f;
  phi = kPi / 2;
  matIdentity(matrix);
}

void registerMaterial(KMaterial* m) {
  Plugin& p = state().plugin;
  if (m->added || !p.handle) return;
  m->flatPixel = packPixel(m->diffuse.r, m->diffuse.g, m->diffuse.b);
  if (!p.Zelt_Add_Material_Dll(m)) throw std::bad_alloc();
  m->added = true;
  selectMaterialState(m, ZELT_RENDER_NORMAL);
}

void registerFace(KFace* f) {
  Plugin& p = state().plugin;
  if (f->added || !p.handle) return;
  if (!p.Zelt_Add_Face_Dll(f)) throw std::bad_alloc();
  f->added = true;
}

void selectMaterialState(KMaterial* m, int renderState) {
  Plugin& p = state().plugin;
  if (!m->added) return;
  int ok = renderState == ZELT_RENDER_DIAGNOSTIC ? p.Zelt_Set_Material_Render_State_Dll(m, 3, 0)
                                                   : p.Zelt_Set_Material_Render_State_Dll(m, m->type, ZELT_RS_FROM_MATERIAL);
  if (!ok) throw std::bad_alloc();
}

// Registers what was loaded before the renderer was.
static void registerScene(KScene* s) {
  if (!state().plugin.handle) return;
  for (KMaterial* m : s->materials) registerMaterial(m);
  forEachObject(s, [](KObject* o) {
    for (KFace* f : o->faceStore) registerFace(f);
  });
  size_t largest = 0;
  forEachObject(s, [&](KObject* o) { largest = o->vertices.size() > largest ? o->vertices.size() : largest; });
  reserveVertices(largest);
}


bool prepareContext(KScene* s, int pitch) {
  KernelState& k = state();
  if (!k.plugin.handle) {
    setError(ZELT_ERR_RENDERER);
    return false;
  }
  if (!::Zelt_Vertex_Transformation) {
    setError(ZELT_ERR_MATHLIB);
    return false;
  }
  registerScene(s);
  ZeltRenderContext& c = s->context;
  c.camera = s->activeCamera;
  c.viewLeft = static_cast<float>(s->viewX);
  c.viewTop = static_cast<float>(s->viewY);
  c.nearZ = s->nearZ;
  c.farZ = s->farZ;
  c.pitch = pitch;
  c.view = &s->view;
  k.current = s;
  return true;
}

}  // namespace zelt

using namespace zelt;

extern "C" {

// ------------------------------------------------------------------------------------------
// Scenes

ZELT_API int Zelt_Scene_Create(ZeltScene** out) {
  if (!out) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  *out = nullptr;
  return guard(0, [&] {
    KScene* s = create<KScene>();
    s->viewW = 640;
    s->viewH = 480;
    s->pitch = 640;
    s->aspect = 1.0f;
    s->nearZ = 1.0f;
    s->farZ = 100000.0f;
    s->rendererKind = 1;
    s->context.view = &s->view;
    *out = s;
    return 1;
  });
}

ZELT_API int Zelt_Scene_Init_Resolution(ZeltScene* scene, int viewX, int viewY, int viewW, int viewH, int width,
                                        float aspect, float nearZ, float farZ) {
  if (!scene || viewX < 0 || viewY < 0 || viewW <= 0 || viewH <= 0 || viewW > 4096 || viewH > 4096 ||
      width < viewX + viewW || !(aspect > 0) || !(nearZ > 0) || !(farZ > nearZ)) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  scene->viewX = viewX;
  scene->viewY = viewY;
  scene->viewW = viewW;
  scene->viewH = viewH;
  scene->pitch = width;
  scene->aspect = aspect;
  scene->nearZ = nearZ;
  scene->farZ = farZ;
  return 1;
}

ZELT_API int Zelt_Scene_Init_Render(ZeltScene* scene, int rendererKind, void* displayContext) {
  if (!scene) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  if (!state().plugin.handle) {
    setError(ZELT_ERR_RENDERER);
    return 0;
  }
  if (rendererKind != 1 && !displayContext) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&] {
    registerScene(K(scene));
    scene->rendererKind = rendererKind;
    scene->displayContext = displayContext;
    // The display layer's back buffer decides the pixel layout: materials and
    // textures loaded from now on are made for it.
    KernelState& k = state();
    const int depth = rendererKind != 1 ? static_cast<ZeltDisplayTarget*>(displayContext)->depth : 0;
    if (k.displayKind && (depth == 15 || depth == 16)) {
      k.bits = depth;
      k.record.depth = depth;
    }
    return 1;
  });
}

ZELT_API int Zelt_Render(ZeltScene* scene, uint16_t* pixels, void* depth, int flags) {
  if (!scene) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&]() -> int {
    KScene* s = K(scene);
    int pitch = s->pitch;
    ZeltDisplayTarget* target = nullptr;
    if (!pixels && s->rendererKind != 1 && s->displayContext) {
      target = static_cast<ZeltDisplayTarget*>(s->displayContext);
      pixels = target->lock ? target->lock(target->user, &pitch) : nullptr;
    }
    if (!pixels || pitch < s->viewX + s->viewW) {
      if (target && pixels && target->unlock) target->unlock(target->user);
      setError(ZELT_ERR_ARGUMENT);
      return 0;
    }
    if (!s->activeCamera) {
      setError(ZELT_ERR_NAME, nullptr, "camera");
      if (target && target->unlock) target->unlock(target->user);
      return 0;
    }
    if (!prepareContext(s, pitch)) {
      if (target && target->unlock) target->unlock(target->user);
      return 0;
    }
    s->counters = ZeltFaceCounters{};
    s->counting = true;
    int r = state().plugin.Zelt_Render_Dll(&s->context, pixels, depth, flags);
    s->counting = false;
    state().current = nullptr;
    if (target && target->unlock) target->unlock(target->user);
    ++s->frame;
    if (r == 2) {
      setError(ZELT_ERR_MEMORY);
      return 0;
    }
    return 1;
  });
}

ZELT_API void Zelt_Scene_Set_Ambient_Light(ZeltScene* scene, int r, int g, int b) {
  if (!scene) return;
  auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  scene->ambientR = clamp(r);
  scene->ambientG = clamp(g);
  scene->ambientB = clamp(b);
}

ZELT_API void Zelt_Scene_Release(ZeltScene* scene) {
  if (!scene) return;
  KScene* s = K(scene);
  if (state().current == s) state().current = nullptr;
  // Objects: collect first, the walk needs the links.
  KVec<KObject*> all;
  try {
    forEachObject(s, [&](KObject* o) { all.push_back(o); });
  } catch (...) {
    // Without room for the list, free root by root, depth first.
  }
  if (all.empty() && s->context.firstRoot) {
    while (KObject* o = K(s->context.firstRoot)) {
      KObject* leaf = o;
      while (leaf->firstChild) leaf = K(leaf->firstChild);
      if (leaf == o) {
        s->context.firstRoot = o->nextRoot;
        destroy(o);
      } else {
        K(leaf->parent)->firstChild = leaf->nextSibling;
        destroy(leaf);
      }
    }
    for (KObject* o : s->detached) destroy(o);
  } else {
    for (KObject* o : all) destroy(o);
  }
  for (KAnimation* a = s->firstAnimation; a;) {
    KAnimation* next = a->nextRoot;
    destroyAnimationTree(K(a->firstChild));
    destroy(a);
    a = next;
  }
  for (KMaterial* m : s->materials) destroy(m);
  for (KMap* m : s->maps) destroy(m);
  for (KCamera* c : s->cameras) destroy(c);
  for (KLight* l : s->lights) destroy(l);
  for (KSphere* p : s->spheres) destroy(p);
  destroy(s);
}

// ------------------------------------------------------------------------------------------
// Materials and maps

ZELT_API ZeltMaterial* Zelt_Scene_Get_Material(ZeltScene* scene, const char* name) {
  if (!scene || !name) return nullptr;
  for (KMaterial* m : K(scene)->materials)
    if (!std::strcmp(m->materialName, name)) return m;
  setError(ZELT_ERR_NAME, nullptr, name);
  return nullptr;
}

ZELT_API int Zelt_Material_Update(ZeltMaterial* material) {
  if (!material) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&] {
    KMaterial* m = K(material);
    KMap* map = nullptr;
    if (m->mapName[0] && m->scene) {
      std::string file = m->mapName;
      map = findMap(m->scene, file.c_str());
      if (!map) {
        size_t dot = file.rfind('.');
        if (dot != std::string::npos) file.erase(dot);
        file += ".dmf";
        map = findMap(m->scene, file.c_str());
      }
    }
    m->map = map;
    m->texture = map ? map->texture : nullptr;
    m->flatPixel = packPixel(m->diffuse.r, m->diffuse.g, m->diffuse.b);
    if (m->added) {
      selectMaterialState(m, ZELT_RENDER_NORMAL);
      state().plugin.Zelt_Update_Material_Dll(m);
    }
    if (m->mapName[0] && !map) {
      setError(ZELT_ERR_NAME, nullptr, m->mapName);
      return 0;
    }
    return 1;
  });
}

ZELT_API int Zelt_Map_Create(ZeltMap** out) {
  if (!out) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  *out = nullptr;
  return guard(0, [&] {
    *out = create<KMap>();
    return 1;
  });
}

ZELT_API int Zelt_Map_Init(ZeltMap* map, const char* file) {
  if (!map || !file) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&]() -> int {
    if (!loadMap(K(map), file)) return 0;
    if (!map->name[0]) {
      const char* base = file;
      for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
      std::snprintf(map->name, sizeof map->name, "%s", base);
    }
    return 1;
  });
}

ZELT_API int Zelt_Scene_Add_Map(ZeltScene* scene, ZeltMap* map) {
  if (!scene || !map || K(map)->scene) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&] {
    K(scene)->maps.push_back(K(map));
    K(map)->scene = K(scene);
    return 1;
  });
}

ZELT_API void Zelt_Map_Release(ZeltMap* map) {
  if (!map) return;
  KMap* m = K(map);
  guardVoid([&] {
    if (KScene* s = m->scene) {
      removeFrom(s->maps, m);
      for (KMaterial* mat : s->materials)
        if (mat->map == m) {
          mat->map = nullptr;
          mat->texture = nullptr;
          selectMaterialState(mat, ZELT_RENDER_NORMAL);
        }
    }
  });
  destroy(m);
}

// ------------------------------------------------------------------------------------------
// Cameras

ZELT_API ZeltCamera* Zelt_Scene_Get_First_Camera(ZeltScene* scene) {
  if (!scene || K(scene)->cameras.empty()) return nullptr;
  return K(scene)->cameras.front();
}

ZELT_API ZeltCamera* Zelt_Scene_Get_Next_Camera(ZeltScene* scene, ZeltCamera* camera) {
  if (!scene || !camera) return nullptr;
  auto& list = K(scene)->cameras;
  for (size_t i = 0; i + 1 < list.size(); ++i)
    if (list[i] == camera) return list[i + 1];
  return nullptr;
}

ZELT_API ZeltCamera* Zelt_Scene_Get_Camera(ZeltScene* scene, const char* name) {
  if (!scene || !name) return nullptr;
  for (KCamera* c : K(scene)->cameras)
    if (!std::strcmp(c->name, name)) return c;
  setError(ZELT_ERR_NAME, nullptr, name);
  return nullptr;
}

ZELT_API int Zelt_Camera_Create(ZeltScene* scene, ZeltCamera** out) {
  if (!scene || !out) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  *out = nullptr;
  return guard(0, [&] {
    KScene* s = K(scene);
    s->cameras.reserve(s->cameras.size() + 1);
    KCamera* c = create<KCamera>();
    c->scene = s;
    std::snprintf(c->name, sizeof c->name, "Camera%d", static_cast<int>(s->cameras.size()) + 1);
    s->cameras.push_back(c);
    if (!s->activeCamera) {
      s->activeCamera = c;
      c->active = 1;
    }
    *out = c;
    return 1;
  });
}

ZELT_API int Zelt_Scene_Set_Active_Camera(ZeltScene* scene, ZeltCamera* camera) {
  if (!scene || !camera || K(camera)->scene != K(scene)) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  if (scene->activeCamera) scene->activeCamera->active = 0;
  scene->activeCamera = camera;
  camera->active = 1;
  return 1;
}

ZELT_API void Zelt_Camera_Set_Fov(ZeltCamera* camera, float degrees) {
  if (camera && degrees > 0 && degrees < 180) camera->fov = degrees;
}

ZELT_API void Zelt_Camera_Set_Type(ZeltCamera* camera, int type) {
  if (camera && (type == ZELT_CAMERA_POLAR || type == ZELT_CAMERA_TARGET)) K(camera)->type = type;
}

ZELT_API void Zelt_Camera_Set_Position(ZeltCamera* camera, const ZeltVector* position) {
  if (camera && position) camera->position = *position;
}

ZELT_API void Zelt_Camera_Set_Polar(ZeltCamera* camera, float theta, float phi) {
  if (!camera) return;
  camera->theta = theta;
  camera->phi = phi;
}

ZELT_API void Zelt_Camera_Set_Target(ZeltCamera* camera, const ZeltVector* target) {
  if (!camera || !target) return;
  KCamera* c = K(camera);
  c->target = *target;
  ZeltVector d{target->x - c->position.x, target->y - c->position.y, target->z - c->position.z};
  float l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (l < 1e-6f) return;
  c->theta = std::atan2(-d.y / l, d.x / l);
  float z = -d.z / l;
  c->phi = std::acos(z < -1 ? -1 : (z > 1 ? 1 : z));
}

ZELT_API void Zelt_Camera_Get_Matrix(ZeltCamera* camera, float matrix[16]) {
  if (!camera || !matrix) return;
  cameraMatrix(K(camera), matrix);
}

ZELT_API void Zelt_Camera_Release(ZeltCamera* camera) {
  if (!camera) return;
  KCamera* c = K(camera);
  if (KScene* s = c->scene) {
    removeFrom(s->cameras, c);
    if (s->activeCamera == c) {
      s->activeCamera = s->cameras.empty() ? nullptr : s->cameras.front();
      if (s->activeCamera) s->activeCamera->active = 1;
    }
  }
  destroy(c);
}

// ------------------------------------------------------------------------------------------
// Lights

ZELT_API ZeltLight* Zelt_Scene_Get_First_Light(ZeltScene* scene) {
  if (!scene || K(scene)->lights.empty()) return nullptr;
  return K(scene)->lights.front();
}

ZELT_API ZeltLight* Zelt_Scene_Get_Next_Light(ZeltScene* scene, ZeltLight* light) {
  if (!scene || !light) return nullptr;
  auto& list = K(scene)->lights;
  for (size_t i = 0; i + 1 < list.size(); ++i)
    if (list[i] == light) return list[i + 1];
  return nullptr;
}

static int createLight(ZeltScene* scene, ZeltLight** out, int kind) {
  if (!scene || !out) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  *out = nullptr;
  return guard(0, [&] {
    KScene* s = K(scene);
    s->lights.reserve(s->lights.size() + 1);
    KLight* l = create<KLight>();
    l->scene = s;
    l->kind = kind;
    std::snprintf(l->name, sizeof l->name, "%s%d", kind == ZELT_LIGHT_SPOT ? "Spot" : "Light",
                  static_cast<int>(s->lights.size()) + 1);
    l->r = l->g = l->b = 255;
    l->multiplier = 1.0f;
    l->innerRange = 0;
    l->outerRange = 1000.0f;
    l->hotspot = 30.0f;
    l->falloff = 45.0f;
    s->lights.push_back(l);
    *out = l;
    return 1;
  });
}

ZELT_API int Zelt_Light_Create(ZeltScene* scene, ZeltLight** out) { return createLight(scene, out, ZELT_LIGHT_OMNI); }
ZELT_API int Zelt_Spot_Light_Create(ZeltScene* scene, ZeltLight** out) {
  return createLight(scene, out, ZELT_LIGHT_SPOT);
}

ZELT_API void Zelt_Light_Set_Name(ZeltLight* light, const char* name) {
  if (light && name) std::snprintf(light->name, sizeof light->name, "%s", name);
}

ZELT_API void Zelt_Light_Set_Colour(ZeltLight* light, int r, int g, int b) {
  if (!light) return;
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  light->r = clamp(r);
  light->g = clamp(g);
  light->b = clamp(b);
}

ZELT_API void Zelt_Light_Set_Multiplier(ZeltLight* light, float multiplier) {
  if (light) light->multiplier = multiplier;
}

ZELT_API void Zelt_Light_Set_Global_Position(ZeltLight* light, const ZeltVector* position) {
  if (light && position) light->position = *position;
}

ZELT_API void Zelt_Light_Set_Range(ZeltLight* light, int attenuate, float innerRange, float outerRange) {
  if (!light) return;
  light->attenuate = attenuate ? 1 : 0;
  light->innerRange = innerRange;
  light->outerRange = outerRange;
}

ZELT_API void Zelt_Spot_Light_Set_Target(ZeltLight* light, const ZeltVector* target) {
  if (light && target) light->target = *target;
}

ZELT_API void Zelt_Spot_Light_Set_Cone(ZeltLight* light, float hotspot, float falloff) {
  if (!light) return;
  light->hotspot = hotspot;
  light->falloff = falloff;
}

ZELT_API void Zelt_Light_Include_Object(ZeltLight* light, ZeltObject* object, int on) {
  if (!light || !object) return;
  guardVoid([&] { includeLight(K(light), K(object), on != 0); });
}

ZELT_API int Zelt_Light_Includes_Object(ZeltLight* light, ZeltObject* object) {
  if (!light || !object) return 0;
  for (KLight* l : K(object)->lights)
    if (l == light) return 1;
  return 0;
}

ZELT_API void Zelt_Scene_All_Light_Include_Scene_All_Object(ZeltScene* scene, int on) {
  if (!scene) return;
  guardVoid([&] {
    KScene* s = K(scene);
    forEachObject(s, [&](KObject* o) {
      for (KLight* l : s->lights) includeLight(l, o, on != 0);
    });
  });
}

ZELT_API void Zelt_Scene_All_Light_Include_Object(ZeltScene* scene, ZeltObject* object, int on) {
  if (!scene || !object) return;
  guardVoid([&] {
    for (KLight* l : K(scene)->lights) includeLight(l, K(object), on != 0);
  });
}

// ------------------------------------------------------------------------------------------
// Spheres

ZELT_API int Zelt_Sphere_Create(ZeltScene* scene, ZeltSphere** out) {
  if (!scene || !out) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  *out = nullptr;
  return guard(0, [&] {
    KScene* s = K(scene);
    s->spheres.reserve(s->spheres.size() + 1);
    KSphere* p = create<KSphere>();
    p->scene = s;
    p->radius = 1.0f;
    s->spheres.push_back(p);
    *out = p;
    return 1;
  });
}

ZELT_API void Zelt_Sphere_Set_Radius(ZeltSphere* sphere, float radius) {
  if (sphere && radius >= 0) sphere->radius = radius;
}

ZELT_API void Zelt_Sphere_Set_Position(ZeltSphere* sphere, const ZeltVector* position) {
  if (sphere && position) sphere->position = *position;
}

ZELT_API void Zelt_Sphere_Release(ZeltSphere* sphere) {
  if (!sphere) return;
  KSphere* p = K(sphere);
  if (p->scene) removeFrom(p->scene->spheres, p);
  destroy(p);
}

}  // extern "C"
