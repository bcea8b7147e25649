// Start and end of the kernel: lent functions, the math build, the renderer plug-in, the
// per-vertex arrays of the render record and the last error.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zelt/Guard.h"
#include "zelt/Kernel.h"

// The exported math entry points, filled by Zelt_Init_Mathlib.
extern "C" {
#define ZELT_MATH_DEFINE(ret, name, params) name##_Fn name = nullptr;
ZELT_MATH_FUNCTIONS(ZELT_MATH_DEFINE)
#undef ZELT_MATH_DEFINE
}

namespace zelt {

namespace {

int g_errorCode = ZELT_OK;
char g_errorText[1024] = "No error";

const char* const kErrorTexts[] = {"No error",          "Out of memory",       "Cannot open file %s",
                                   "Bad file %s",       "Name not found %s",   "Renderer not loaded",
                                   "Math library not loaded", "Bad argument"};

// Folder of libzelt.so, with its trailing slash ("" when unknown).
std::string ownFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&Zelt_Init_Mathlib), &info) || !info.dli_fname) return "";
  std::string path = info.dli_fname;
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* openBeside(const char* file) {
  std::string path = ownFolder() + file;
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) h = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  return h;
}

void clearMathPointers() {
#define ZELT_MATH_CLEAR(ret, name, params) ::name = nullptr;
  ZELT_MATH_FUNCTIONS(ZELT_MATH_CLEAR)
#undef ZELT_MATH_CLEAR
}

void releaseRecordArrays() {
  KernelState& k = state();
  lentFree(k.record.cameraVertices);
  lentFree(k.record.projections);
  lentFree(k.record.vertexLights);
  lentFree(k.record.outcodes);
  lentFree(k.record.projectionStamps);
  k.record.cameraVertices = nullptr;
  k.record.projections = nullptr;
  k.record.vertexLights = nullptr;
  k.record.outcodes = nullptr;
  k.record.projectionStamps = nullptr;
  k.record.vertexCapacity = 0;
  k.capacity = 0;
}

void unloadPlugin() {
  KernelState& k = state();
  if (k.plugin.handle) {
    if (k.plugin.Zelt_Release_Scene_Dll) k.plugin.Zelt_Release_Scene_Dll();
    dlclose(k.plugin.handle);
  }
  k.plugin = Plugin{};
  releaseRecordArrays();
}

// Math build by processor: SSE, then a P6-class processor (cmov), else the plain build.
const char* buildForProcessor() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse")) return "numa6k";
  if (__builtin_cpu_supports("cmov")) return "numa6";
#endif
  return "numa5";
}

}  // namespace

KernelState& state() {
  static KernelState s;
  return s;
}

void* lentAllocate(std::size_t count, std::size_t size) {
  if (count == 0 || size == 0) count = size = 1;
  if (count > SIZE_MAX / size) return nullptr;
  const Lent& l = state().lent;
  if (l.calloc) return l.calloc(count, size);
  return std::calloc(count, size);
}

void* lentReallocate(void* block, std::size_t size) {
  if (size == 0) size = 1;
  const Lent& l = state().lent;
  if (l.realloc) return l.realloc(block, size);
  return std::realloc(block, size);
}

void lentFree(void* block) {
  if (!block) return;
  const Lent& l = state().lent;
  if (l.free)
    l.free(block);
  else
    std::free(block);
}

void setError(int code, const char* format, const char* argument) {
  if (code < 0 || code > ZELT_ERR_ARGUMENT) code = ZELT_ERR_ARGUMENT;
  if (!format) format = kErrorTexts[code];
  g_errorCode = code;
  // Only %s is used by the kernel's messages; anything else is copied as it is.
  std::string out;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += argument ? argument : "";
      ++p;
    } else {
      out += *p;
    }
  }
  std::snprintf(g_errorText, sizeof g_errorText, "%s", out.c_str());
}

void clearError() {
  g_errorCode = ZELT_OK;
  std::snprintf(g_errorText, sizeof g_errorText, "%s", kErrorTexts[0]);
}

void reserveVertices(std::size_t n) {
  KernelState& k = state();
  if (n <= k.capacity) return;
  std::size_t want = k.capacity ? k.capacity : 1024;
  while (want < n) want *= 2;
  // Fresh, zeroed arrays (their contents only live during one frame).
  auto* cv = static_cast<ZeltVector4*>(lentAllocate(want, sizeof(ZeltVector4)));
  auto* pr = static_cast<ZeltProjection*>(lentAllocate(want, sizeof(ZeltProjection)));
  auto* vl = static_cast<ZeltVertexLight*>(lentAllocate(want, sizeof(ZeltVertexLight)));
  auto* oc = static_cast<int*>(lentAllocate(want, sizeof(int)));
  auto* ps = static_cast<unsigned*>(lentAllocate(want, sizeof(unsigned)));
  if (!cv || !pr || !vl || !oc || !ps) {
    lentFree(cv);
    lentFree(pr);
    lentFree(vl);
    lentFree(oc);
    lentFree(ps);
    throw std::bad_alloc();
  }
  releaseRecordArrays();
  k.record.cameraVertices = cv;
  k.record.projections = pr;
  k.record.vertexLights = vl;
  k.record.outcodes = oc;
  k.record.projectionStamps = ps;
  k.record.vertexCapacity = static_cast<int>(want);
  k.capacity = want;
}

std::uint16_t packPixel(int r, int g, int b) {
  r = r < 0 ? 0 : (r > 255 ? 255 : r);
  g = g < 0 ? 0 : (g > 255 ? 255 : g);
  b = b < 0 ? 0 : (b > 255 ? 255 : b);
  if (state().bits == 15) return static_cast<std::uint16_t>((r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3);
  return static_cast<std::uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

}  // namespace zelt

using namespace zelt;

extern "C" {

ZELT_API int Zelt_Get_Last_Error(int* code, const char** text) {
  if (code) *code = g_errorCode;
  if (text) *text = g_errorText;
  return g_errorCode;
}

ZELT_API int Zelt_Init_Mathlib(int cpu) {
  KernelState& k = state();
  const char* name = nullptr;
  const char* forced = std::getenv("ZELT_MATHLIB");
  if (forced && (!std::strcmp(forced, "numa5") || !std::strcmp(forced, "numa6") || !std::strcmp(forced, "numa6k")))
    name = forced;
  else if (cpu == 5)
    name = "numa5";
  else if (cpu == 6)
    name = "numa6";
  else if (cpu == 7)
    name = "numa6k";
  else
    name = buildForProcessor();
  std::string file = std::string("lib") + name + ".so";
  void* h = openBeside(file.c_str());
  if (!h) {
    setError(ZELT_ERR_MATHLIB);
    return 0;
  }
  // Resolve all 31 before touching the exported pointers.
  void* found[ZELT_MATH_FUNCTION_COUNT];
  int n = 0;
#define ZELT_MATH_RESOLVE(ret, fn, params) found[n++] = dlsym(h, #fn);
  ZELT_MATH_FUNCTIONS(ZELT_MATH_RESOLVE)
#undef ZELT_MATH_RESOLVE
  for (void* f : found)
    if (!f) {
      dlclose(h);
      setError(ZELT_ERR_MATHLIB);
      return 0;
    }
  n = 0;
#define ZELT_MATH_ASSIGN(ret, fn, params) ::fn = reinterpret_cast<fn##_Fn>(found[n++]);
  ZELT_MATH_FUNCTIONS(ZELT_MATH_ASSIGN)
#undef ZELT_MATH_ASSIGN
  if (k.mathHandle) dlclose(k.mathHandle);
  k.mathHandle = h;
  k.mathName = name;
  return 1;
}

ZELT_API const char* Zelt_Get_Mathlib_Name(void) { return state().mathName.c_str(); }

ZELT_API void Zelt_Init_Ptr(ZeltOpenFn open, ZeltReadAllFn readAll, ZeltWriteFn write, ZeltCloseFn close,
                            ZeltMallocFn malloc_, ZeltCallocFn calloc_, ZeltReallocFn realloc_,
                            ZeltReleaseFn free_) {
  Lent& l = state().lent;
  l.open = open;
  l.readAll = readAll;
  l.write = write;
  l.close = close;
  // The allocators go together: a partial set would free blocks with the wrong function.
  if (calloc_ && realloc_ && free_) {
    l.malloc = malloc_;
    l.calloc = calloc_;
    l.realloc = realloc_;
    l.free = free_;
  } else {
    l.malloc = nullptr;
    l.calloc = nullptr;
    l.realloc = nullptr;
    l.free = nullptr;
  }
}

ZELT_API void Zelt_Init_Vtbl(int kind) { state().methods = kind != 0; }

ZELT_API int Zelt_Init_Kernel(int bits) {
  return guard(0, [&]() -> int {
    KernelState& k = state();
    if (bits != 0 && bits != 15 && bits != 16) {
      setError(ZELT_ERR_ARGUMENT);
      return 0;
    }
    unloadPlugin();
    k.bits = bits == 16 ? 16 : 15;
    k.displayKind = bits == 0;
    void* h = openBeside("libtarnel.so");
    if (!h) {
      setError(ZELT_ERR_RENDERER);
      return 0;
    }
    Plugin p;
    p.handle = h;
    bool ok = true;
#define ZELT_PLUGIN_RESOLVE(ret, fn, params)                   \
  p.fn = reinterpret_cast<ret(*) params>(dlsym(h, #fn));       \
  ok = ok && p.fn != nullptr;
    ZELT_PLUGIN_ENTRIES(ZELT_PLUGIN_RESOLVE)
#undef ZELT_PLUGIN_RESOLVE
    if (!ok) {
      dlclose(h);
      setError(ZELT_ERR_RENDERER);
      return 0;
    }
    k.record = ZeltRenderRecord{};
    k.record.allocate = lentAllocate;
    k.record.reallocate = lentReallocate;
    k.record.free = lentFree;
    k.record.depth = k.bits;
    reserveVertices(1024);
    if (!p.Zelt_Init_Render_Dll(&k.record)) {
      dlclose(h);
      releaseRecordArrays();
      setError(ZELT_ERR_RENDERER);
      return 0;
    }
    k.plugin = p;
    if (!k.methods) k.methods = true;  // the kernel's own method tables are the only kind
    return 1;
  });
}

ZELT_API void Zelt_Release_Kernel(void) {
  KernelState& k = state();
  unloadPlugin();
  if (k.mathHandle) dlclose(k.mathHandle);
  k.mathHandle = nullptr;
  k.mathName.clear();
  clearMathPointers();
}

}  // extern "C"
