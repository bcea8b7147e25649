// Merging of adjacent coplanar faces into convex polygons.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "kelmat/SceneWalk.h"
#include "kelmat/kelmat.h"

namespace {

constexpr int kMaxPolygonCorners = 10;

enum class State { Open, Absorbed, Done };

int OutOfMemory() {
  Kelmat_Set_Last_Error("Not enough memory");
  return 0;
}

bool SameUV(const KelmatFace& a, int ca, const KelmatFace& b, int cb) {
  return a.mapping[2 * ca] == b.mapping[2 * cb] && a.mapping[2 * ca + 1] == b.mapping[2 * cb + 1];
}

// Whether A's edge from corner e to e + 1 is also an edge of B (either
// direction), with equal texture coordinates at both ends when mapped.
bool EdgeShared(const KelmatFace& a, int e, const KelmatFace& b) {
  if ((a.mapping == nullptr) != (b.mapping == nullptr)) return false;
  const int na = a.vertexCount, nb = b.vertexCount;
  const int e1 = (e + 1) % na;
  const int32_t v0 = a.indices[e], v1 = a.indices[e1];
  for (int k = 0; k < nb; ++k) {
    const int k1 = (k + 1) % nb;
    int m0, m1;  // B's corners matching A's corners e and e1
    if (b.indices[k] == v0 && b.indices[k1] == v1) {
      m0 = k;
      m1 = k1;
    } else if (b.indices[k] == v1 && b.indices[k1] == v0) {
      m0 = k1;
      m1 = k;
    } else {
      continue;
    }
    if (a.mapping == nullptr || (SameUV(a, e, b, m0) && SameUV(a, e1, b, m1))) return true;
  }
  return false;
}

std::vector<char> SharedEdges(const KelmatFace& a, const KelmatFace& b) {
  std::vector<char> shared(static_cast<std::size_t>(a.vertexCount));
  for (int e = 0; e < a.vertexCount; ++e) shared[e] = EdgeShared(a, e, b);
  return shared;
}

KelmatVector Sub(const KelmatVector& a, const KelmatVector& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

bool Convex(const std::vector<int32_t>& corners, const KelmatVector* p) {
  const int n = static_cast<int>(corners.size());
  if (n < 3) return false;
  auto cornerCross = [&](int k) {
    const KelmatVector& here = p[corners[k]];
    KelmatVector in = Sub(p[corners[(k + n - 1) % n]], here);
    KelmatVector out = Sub(p[corners[(k + 1) % n]], here);
    Kelmat_Vector_Normalize(&in);
    Kelmat_Vector_Normalize(&out);
    KelmatVector c;
    Kelmat_Vector_Cross(&c, &in, &out);
    return c;
  };
  const KelmatVector r = cornerCross(1);
  for (int step = 0; step < n; ++step) {
    const int k = (1 + step) % n;  // 1, 2, ..., n - 1, 0
    const KelmatVector c = step == 0 ? r : cornerCross(k);
    if (Kelmat_Vector_Dot(&c, &r) < 0.0001f) return false;
  }
  return true;
}

// Appends the corners of one face for the merged polygon: from the end of the
// first run of shared edges, onwards up to the next corner whose outgoing edge
// is shared.
void AppendCorners(const KelmatFace& f, const std::vector<char>& shared,
                   std::vector<int32_t>& corners, std::vector<float>& uv) {
  const int n = f.vertexCount;
  int s = 0;
  while (s < n && !shared[s]) ++s;
  if (s == n) return;
  int t = s, run = 1;
  while (run < n && shared[(t + 1) % n]) {
    t = (t + 1) % n;
    ++run;
  }
  int k = (t + 1) % n;
  for (int count = 0; count < n && !shared[k]; ++count, k = (k + 1) % n) {
    corners.push_back(f.indices[k]);
    if (f.mapping != nullptr) {
      uv.push_back(f.mapping[2 * k]);
      uv.push_back(f.mapping[2 * k + 1]);
    }
  }
}

// Tries to merge B into A; on success out holds the new polygon (arrays
// allocated) and true is returned.
bool Merge(KelmatFace& a, KelmatFace& b, double minDot, const KelmatVector* p, KelmatFace& out,
           bool& noMemory) {
  if (a.material != b.material) return false;
  Kelmat_Vector_Normalize(&a.normal);
  Kelmat_Vector_Normalize(&b.normal);
  if (Kelmat_Vector_Dot(&a.normal, &b.normal) < minDot) return false;
  const std::vector<char> sharedA = SharedEdges(a, b);
  bool any = false;
  for (char s : sharedA) any = any || s;
  if (!any) return false;
  const std::vector<char> sharedB = SharedEdges(b, a);
  std::vector<int32_t> corners;
  std::vector<float> uv;
  AppendCorners(a, sharedA, corners, uv);
  AppendCorners(b, sharedB, corners, uv);
  if (corners.size() > static_cast<std::size_t>(kMaxPolygonCorners) || !Convex(corners, p)) return false;
  out = KelmatFace{};
  out.vertexCount = static_cast<int32_t>(corners.size());
  out.material = a.material;
  out.indices = static_cast<int32_t*>(std::malloc(corners.size() * sizeof(int32_t)));
  if (a.mapping != nullptr) out.mapping = static_cast<float*>(std::malloc(uv.size() * sizeof(float)));
  if (out.indices == nullptr || (a.mapping != nullptr && out.mapping == nullptr)) {
    std::free(out.indices);
    std::free(out.mapping);
    noMemory = true;
    return false;
  }
  std::memcpy(out.indices, corners.data(), corners.size() * sizeof(int32_t));
  if (out.mapping != nullptr) std::memcpy(out.mapping, uv.data(), uv.size() * sizeof(float));
  KelmatVector n = {(a.normal.x + b.normal.x) * 0.5f, (a.normal.y + b.normal.y) * 0.5f,
                    (a.normal.z + b.normal.z) * 0.5f};
  Kelmat_Vector_Normalize(&n);
  out.normal = n;
  return true;
}

bool AllEdgesShared(const KelmatFace& c, const KelmatFace& i) {
  for (int e = 0; e < c.vertexCount; ++e) {
    if (!EdgeShared(c, e, i)) return false;
  }
  return true;
}

int OptimizeObject(KelmatObject* o, double minDot) {
  if (o->faceCount <= 1 || o->faces == nullptr) return 1;
  for (;;) {
    const int32_t count = o->faceCount;
    std::vector<KelmatFace> w(o->faces, o->faces + count);
    std::vector<State> state(static_cast<std::size_t>(count), State::Open);
    bool merged = false;
    for (int32_t c = 0; c < count; ++c) {
      if (state[c] != State::Open) continue;
      for (int32_t i = c + 1; i < count; ++i) {
        if (state[i] != State::Open) continue;
        if (AllEdgesShared(w[c], w[i])) continue;
        KelmatFace m;
        bool noMemory = false;
        if (Merge(w[c], w[i], minDot, o->vertices, m, noMemory)) {
          std::free(w[c].indices);
          std::free(w[c].mapping);
          std::free(w[i].indices);
          std::free(w[i].mapping);
          w[c] = m;
          state[i] = State::Absorbed;
          merged = true;
          break;
        }
        if (noMemory) {
          // Keep the object whole: write back what this pass did so far.
          int32_t kept = 0;
          for (int32_t f = 0; f < count; ++f)
            if (state[f] != State::Absorbed) o->faces[kept++] = w[f];
          o->faceCount = kept;
          return OutOfMemory();
        }
      }
      state[c] = State::Done;
    }
    int32_t kept = 0;
    for (int32_t f = 0; f < count; ++f)
      if (state[f] == State::Done) o->faces[kept++] = w[f];
    o->faceCount = kept;
    if (!merged) return 1;
  }
}

}  // namespace

extern "C" KELMAT_API int Kelmat_Optimize_Scene(KelmatScene* scene, float angle) {
  std::printf("Max ngone vertex: %d\n", kMaxPolygonCorners);
  if (scene == nullptr) return 1;
  const double minDot = std::cos(static_cast<double>(angle) * 0.0174532925);
  try {
    for (KelmatObject* o = scene->objects; o != nullptr; o = kelmat::PreOrderNext(o)) {
      if (!OptimizeObject(o, minDot)) return 0;
    }
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return 1;
}
