#include "_Harness.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tarnel/Internal.h"

namespace th {

uint64_t frameHash(const Kernel& k) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < k.height; ++y)
    for (int x = 0; x < k.width; ++x) {
      h ^= k.px(x, y);
      h *= 1099511628211ull;
    }
  return h;
}

size_t AllocControl::refuseAbove = SIZE_MAX;
int AllocControl::refuseAll = 0;
long AllocControl::live = 0;
Kernel* Kernel::current = nullptr;

void* lendAllocate(size_t count, size_t size) {
  if (AllocControl::refuseAll || count * size > AllocControl::refuseAbove) return nullptr;
  void* block = std::calloc(count, size);
  if (block) ++AllocControl::live;
  return block;
}

void* lendReallocate(void* block, size_t size) {
  if (AllocControl::refuseAll || size > AllocControl::refuseAbove) return nullptr;
  return std::realloc(block, size);
}

void lendFree(void* block) {
  if (block) --AllocControl::live;
  std::free(block);
}

uint16_t pack16(int r, int g, int b) { return static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3); }
uint16_t pack15(int r, int g, int b) { return static_cast<uint16_t>((r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3); }

namespace {

Object* objectOf(ZeltObject* o) { return static_cast<Object*>(o->userData); }

void camPrepare(ZeltCamera*, ZeltRenderContext*) { ++Kernel::current->prepareFrames; }
const ZeltCameraMethods kCameraMethods{camPrepare};

void log(const char* what, ZeltObject* o) { Kernel::current->calls.push_back(std::string(what) + ":" + o->name); }

void mPrepare(ZeltObject* o) { log("prepare", o); }
ZeltObject* mChoose(ZeltObject* o, ZeltRenderContext*) {
  log("choose", o);
  Object* h = objectOf(o);
  return h->stand ? &h->stand->obj : o;
}
void mTransform(ZeltObject* o, ZeltRenderContext*, void* argument) {
  log("transform", o);
  Kernel::current->transformObject(*static_cast<Object*>(argument));
}
void mCull(ZeltObject*, ZeltObject* o, ZeltRenderContext*) {
  log("cull", o);
  o->visible = objectOf(o)->inView ? 1 : 0;
}
void mLight(ZeltObject*, ZeltObject* o, ZeltRenderContext*) { log("light", o); }
void mProject(ZeltObject*, ZeltObject* o, ZeltRenderContext*) { log("project", o); }
const ZeltObjectMethods kObjectMethods{mPrepare, mChoose, mTransform, mCull, mLight, mProject};

int faceTest(ZeltFace* f) {
  auto it = Kernel::current->faceOf.find(f);
  return it == Kernel::current->faceOf.end() ? 1 : it->second->drawn;
}
const ZeltFaceClass kFaceClass{faceTest};

}  // namespace

Kernel::Kernel(int w, int h, int depth) : width(w), height(h), pitch(w + 8) {
  current = this;
  buffer.assign(static_cast<size_t>(pitch) * (h + 2), kGuard);
  fill(0);
  cameraVertices.resize(kPool);
  projections.resize(kPool);
  lights.resize(kPool);
  outcodes.resize(kPool);
  stamps.resize(kPool);
  record.cameraVertices = cameraVertices.data();
  record.projections = projections.data();
  record.vertexLights = lights.data();
  record.outcodes = outcodes.data();
  record.projectionStamps = stamps.data();
  record.allocate = lendAllocate;
  record.reallocate = lendReallocate;
  record.free = lendFree;
  record.depth = depth;
  record.vertexCapacity = kPool;
  camera.methods = &kCameraMethods;
  context.camera = &camera;
  context.nearZ = 1.0f;
  context.farZ = 1000.0f;
  context.pitch = pitch;
  context.view = &view;
  setViewport(0, 0, static_cast<float>(w), static_cast<float>(h));
  Zelt_Init_Render_Dll(&record);
}

Kernel::~Kernel() {
  current = this;
  for (Object& o : objects_)
    for (Face& f : o.faces) Zelt_Release_Face_Dll(&f.face);
  for (Material& m : materials_) Zelt_Release_Material_Dll(&m.mat);
  Zelt_Release_Scene_Dll();
  AllocControl::refuseAbove = SIZE_MAX;
  AllocControl::refuseAll = 0;
  current = nullptr;
}

void Kernel::setViewport(float left, float top, float w, float h) {
  context.viewLeft = left;
  context.viewTop = top;
  view.right = left + w;
  view.bottom = top + h;
  view.centreX = left + w / 2;
  view.centreY = top + h / 2;
  view.scaleX = w / 2;
  view.scaleY = h / 2;
  view.f1 = 1.0f / view.scaleX;
  view.f2 = 1.0f / view.scaleY;
  view.f3 = view.centreX / view.scaleX;
  view.f4 = view.centreY / view.scaleY;
}

Texture& Kernel::texture16(int w, int h, const std::function<uint16_t(int, int)>& texel, bool fast) {
  Texture& t = textures_.emplace_back();
  t.texels16.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.texels16[static_cast<size_t>(y) * w + x] = texel(x, y);
  t.bitmap.texelDepth = 16;
  t.bitmap.fastPath = fast ? 1 : 0;
  t.bitmap.mask = static_cast<uint32_t>(w * h - 1);
  t.bitmap.log2Width = static_cast<int>(std::log2(w));
  t.bitmap.width = static_cast<float>(w);
  t.bitmap.height = static_cast<float>(h);
  t.bitmap.texels = t.texels16.data();
  t.tex.bitmap = &t.bitmap;
  return t;
}

Texture& Kernel::texture8(int w, int h, const std::function<uint8_t(int, int)>& texel,
                          const std::function<uint32_t(int)>& bgrOfIndex, bool fast) {
  Texture& t = textures_.emplace_back();
  t.texels8.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.texels8[static_cast<size_t>(y) * w + x] = texel(x, y);
  for (int j = 0; j < 256; ++j) {
    uint32_t c = bgrOfIndex(j);  // 0xRRGGBB
    t.tex.palette[j][0] = c & 0xFF;
    t.tex.palette[j][1] = (c >> 8) & 0xFF;
    t.tex.palette[j][2] = (c >> 16) & 0xFF;
  }
  t.bitmap.texelDepth = 8;
  t.bitmap.fastPath = fast ? 1 : 0;
  t.bitmap.mask = static_cast<uint32_t>(w * h - 1);
  t.bitmap.log2Width = static_cast<int>(std::log2(w));
  t.bitmap.width = static_cast<float>(w);
  t.bitmap.height = static_cast<float>(h);
  t.bitmap.texels = t.texels8.data();
  t.tex.bitmap = &t.bitmap;
  return t;
}

Material& Kernel::material(int mode, int control, Texture* texture, const std::function<void(ZeltMaterial&)>& edit) {
  current = this;
  Material& m = materials_.emplace_back();
  m.mat.renderFlags = &m.flags;
  m.mat.texture = texture ? &texture->tex : nullptr;
  if (edit) edit(m.mat);
  Zelt_Add_Material_Dll(&m.mat);
  select(m, mode, control);
  return m;
}

int Kernel::select(Material& m, int mode, int control) {
  current = this;
  return Zelt_Set_Material_Render_State_Dll(&m.mat, mode, control);
}

Object& Kernel::makeObject(const std::string& name) {
  Object& o = objects_.emplace_back();
  o.name = name;
  std::strncpy(o.obj.name, name.c_str(), sizeof(o.obj.name) - 1);
  o.obj.userData = &o;
  o.obj.kind = &o.kind;
  o.obj.objectClass = &o.cls;
  o.obj.transformArgument = &o;
  o.cls.methods = &kObjectMethods;
  return o;
}

Object& Kernel::root(const std::string& name) {
  Object& o = makeObject(name);
  if (lastRoot_)
    lastRoot_->obj.nextRoot = &o.obj;
  else
    context.firstRoot = &o.obj;
  lastRoot_ = &o;
  return o;
}

Object& Kernel::child(Object& parent, const std::string& name) {
  Object& o = makeObject(name);
  o.obj.parent = &parent.obj;
  ZeltObject** link = &parent.obj.firstChild;
  while (*link) link = &(*link)->nextSibling;
  *link = &o.obj;
  return o;
}

Object& Kernel::detached(const std::string& name) { return makeObject(name); }

int Kernel::vertex(Object& o, const Vertex& v) {
  if (o.vertices.empty()) o.base = nextVertex_;
  o.vertices.push_back(v);
  return nextVertex_++;
}

int Kernel::screenVertex(Object& o, float sx, float sy, float z, float light) {
  Vertex v;
  v.x = (sx - view.centreX) / view.scaleX * z;
  v.y = (view.centreY - sy) / view.scaleY * z;
  v.z = z;
  v.light = light;
  return vertex(o, v);
}

Face& Kernel::face(Object& o, Material& m, const std::vector<int>& indices, const std::vector<float>& uv) {
  current = this;
  Face& f = o.faces.emplace_back();
  f.indices = indices;
  f.uv = uv;
  if (f.uv.size() < indices.size() * 2) f.uv.resize(indices.size() * 2, 0.0f);
  f.face.vertexCount = static_cast<int>(indices.size());
  f.face.vertexIndices = f.indices.data();
  f.face.material = &m.mat;
  f.face.textureCoordinates = f.uv.data();
  f.face.faceClass = &kFaceClass;
  Zelt_Add_Face_Dll(&f.face);
  o.facePointers.push_back(&f.face);
  o.obj.faces = o.facePointers.data();
  o.obj.faceCount = static_cast<int>(o.facePointers.size());
  faceOf[&f.face] = &f;
  return f;
}

Face& Kernel::screenRect(Object& o, Material& m, float x0, float y0, float x1, float y1, float z,
                         const std::vector<float>& uv) {
  int a = screenVertex(o, x0, y0, z);
  int b = screenVertex(o, x0, y1, z);
  int c = screenVertex(o, x1, y1, z);
  int d = screenVertex(o, x1, y0, z);
  return face(o, m, {a, b, c, d}, uv);
}

Face& Kernel::screenTriangle(Object& o, Material& m, float ax, float ay, float bx, float by, float cx, float cy,
                             float z) {
  int a = screenVertex(o, ax, ay, z);
  int b = screenVertex(o, bx, by, z);
  int c = screenVertex(o, cx, cy, z);
  return face(o, m, {a, b, c});
}

void Kernel::transformObject(Object& g) {
  for (size_t k = 0; k < g.vertices.size(); ++k) {
    const Vertex& v = g.vertices[k];
    const int i = g.base + static_cast<int>(k);
    cameraVertices[i] = {v.x, v.y, v.z, 1.0f};
    int c = 0;
    if (v.z >= context.nearZ) c |= ZELT_IN_NEAR;
    if (v.z <= context.farZ) c |= ZELT_IN_FAR;
    if (v.x >= -v.z) c |= ZELT_IN_LEFT;
    if (v.x <= v.z) c |= ZELT_IN_RIGHT;
    if (v.y <= v.z) c |= ZELT_IN_TOP;
    if (v.y >= -v.z) c |= ZELT_IN_BOTTOM;
    outcodes[i] = c;
    lights[i] = {v.r, v.g, v.b, v.light};
  }
  for (Face& f : g.faces) {
    if (f.indices.size() < 3) continue;
    bool inPool = true;
    for (int idx : f.indices) inPool = inPool && idx >= 0 && idx < kPool;
    if (!inPool) continue;  // a deliberately broken face: the renderer must refuse it
    const ZeltVector4& p0 = cameraVertices[f.indices[0]];
    const ZeltVector4& p1 = cameraVertices[f.indices[1]];
    const ZeltVector4& p2 = cameraVertices[f.indices[2]];
    float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
    float bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
    float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
    float l = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (l > 0) {
      nx /= l;
      ny /= l;
      nz /= l;
    }
    f.face.normal[0] = nx;
    f.face.normal[1] = ny;
    f.face.normal[2] = nz;
  }
}

int Kernel::render(int flags) {
  current = this;
  calls.clear();
  return Zelt_Render_Dll(&context, pixels(), nullptr, flags);
}

ZeltObject* Kernel::pick(float x, float y, int* face, float* depth) {
  current = this;
  calls.clear();
  return Zelt_Pick_Dll(&context, x, y, face, depth);
}

void Kernel::fill(uint16_t value) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels()[y * pitch + x] = value;
}

bool Kernel::guardsIntact() const {
  for (int x = 0; x < pitch; ++x)
    if (buffer[x] != kGuard || buffer[static_cast<size_t>(pitch) * (height + 1) + x] != kGuard) return false;
  for (int y = 0; y < height; ++y)
    for (int x = width; x < pitch; ++x)
      if (pixels()[y * pitch + x] != kGuard) return false;
  return true;
}

int Kernel::count(uint16_t value) const {
  int n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += pixels()[y * pitch + x] == value;
  return n;
}

int Kernel::slotOf(const Material& m) const {
  // The slot table is one array: a reference material in "any other mode" with flag 2 sits in
  // slot 0, which gives the table's start.
  ZeltMaterial ref{};
  uint32_t flags = 0;
  ref.renderFlags = &flags;
  if (!Zelt_Add_Material_Dll(&ref)) return -1;
  // Keep the shared mode of slot 0 when the material itself uses it.
  int mode = Zelt_Get_Material_Render_State_Dll(const_cast<ZeltMaterial*>(&m.mat));
  Zelt_Set_Material_Render_State_Dll(&ref, mode >= 0 && mode <= 2 ? 7 : mode, 2);
  const auto* slot0 = static_cast<tarnel::MaterialBlock*>(ref.rendererBlock)->state;
  Zelt_Release_Material_Dll(&ref);
  const auto* block = static_cast<const tarnel::MaterialBlock*>(m.mat.rendererBlock);
  if (!block || !block->state) return -1;
  return static_cast<int>(block->state - slot0);
}

const uint32_t* Kernel::shadeTable(const Material& m, int* entries) const {
  const auto* block = static_cast<const tarnel::MaterialBlock*>(m.mat.rendererBlock);
  if (entries) *entries = block ? block->shadeEntries : 0;
  return block ? block->shade : nullptr;
}

}  // namespace th
