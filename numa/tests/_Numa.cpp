#include "_Numa.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

struct Loaded {
  void* handle = nullptr;
  NumaLib lib;
  std::string error;
};

}  // namespace

std::string BinPath(const std::string& file) {
  const char* bin = std::getenv("LUMORA_BIN");
  return std::string(bin && *bin ? bin : LUMORA_TEST_BIN_DIR) + "/" + file;
}

const NumaLib* LoadNuma(const std::string& name, std::string* error) {
  static std::map<std::string, std::unique_ptr<Loaded>> cache;
  auto& slot = cache[name];
  if (!slot) {
    slot = std::make_unique<Loaded>();
    slot->lib.name = name;
    const std::string path = BinPath("lib" + name + ".so");
    slot->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!slot->handle) {
      const char* why = dlerror();
      slot->error = "cannot load " + path + ": " + (why ? why : "?");
    } else {
#define NUMA_TEST_RESOLVE(ret, fn, params)                                               \
  slot->lib.fn = reinterpret_cast<fn##_Fn>(dlsym(slot->handle, #fn));                   \
  if (!slot->lib.fn && slot->error.empty()) slot->error = path + " lacks " #fn;
      ZELT_MATH_FUNCTIONS(NUMA_TEST_RESOLVE)
#undef NUMA_TEST_RESOLVE
    }
  }
  if (!slot->error.empty()) {
    if (error) *error = slot->error;
    return nullptr;
  }
  return &slot->lib;
}

ZeltQuaternion RandomFloats::UnitQuaternion() {
  ZeltQuaternion q{(*this)(-1, 1), (*this)(-1, 1), (*this)(-1, 1), (*this)(-1, 1)};
  float len = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (len < 0.1f) return {1, 0, 0, 0};
  return {q.w / len, q.x / len, q.y / len, q.z / len};
}

void RandomFloats::Affine(float* M) {
  // Rotation from a unit quaternion (computed here in double, independently of the library).
  const ZeltQuaternion q = UnitQuaternion();
  const double w = q.w, x = q.x, y = q.y, z = q.z;
  const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y),
                       2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                       2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
  for (int row = 0; row < 3; ++row) {
    const double s = (*this)(0.2f, 5.0f);
    for (int c = 0; c < 3; ++c) M[4 * row + c] = static_cast<float>(r[3 * row + c] * s);
    M[4 * row + 3] = 0.0f;
  }
  M[12] = (*this)(-50, 50);
  M[13] = (*this)(-50, 50);
  M[14] = (*this)(-50, 50);
  M[15] = 1.0f;
}

void RandomFloats::Any(float* M, float range) {
  for (int i = 0; i < 16; ++i) M[i] = (*this)(-range, range);
}

const NumaLib& RequireNuma(const std::string& name) {
  std::string error;
  const NumaLib* lib = LoadNuma(name, &error);
  if (!lib) throw std::runtime_error(error);
  return *lib;
}
