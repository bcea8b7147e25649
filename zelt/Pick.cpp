// Picking: the nearest drawn object under a pixel, through the renderer plug-in with the active
// camera. The plug-in walks the same forest as a frame: hidden objects are skipped (their
// children are not), and an object drawn through a level-of-detail stand-in is reported itself;
// the face index is then one of the stand-in's faces.
#include <exception>

#include "zelt/Kernel.h"

using namespace zelt;

extern "C" ZELT_API ZeltObject* Zelt_Scene_Pick_Object(ZeltScene* scene, float x, float y, int* face,
                                                      float* depth) {
  if (face) *face = 0;
  if (!scene) {
    setError(ZELT_ERR_ARGUMENT);
    return nullptr;
  }
  KScene* s = K(scene);
  if (depth) *depth = s->farZ;
  KernelState& st = state();
  if (!st.plugin.Zelt_Pick_Dll) {
    setError(ZELT_ERR_RENDERER);
    return nullptr;
  }
  ZeltObject* picked = nullptr;
  KScene* previous = st.current;
  try {
    st.current = s;
    if (prepareContext(s, s->pitch)) {
      int hitFace = 0;
      float hitDepth = s->farZ;
      picked = st.plugin.Zelt_Pick_Dll(&s->context, x, y, &hitFace, &hitDepth);
      if (face) *face = hitFace;
      if (depth) *depth = hitDepth;
    }
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
    picked = nullptr;
  }
  st.current = previous;
  return picked;
}
