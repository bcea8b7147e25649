// Entry points the kernel resolves from the plug-in, and the plug-in's lent-memory helpers.
#include <cstdlib>
#include <new>

#include "tarnel/Internal.h"
#include "tarnel/tarnel.h"

namespace tarnel {

// Constant-initialized: usable from any entry point without a guard on every access.
constinit Renderer gRenderer;

void* allocZeroed(size_t count, size_t size) {
  const ZeltRenderRecord* r = renderer().record;
  if (r && r->allocate) return r->allocate(count, size);
  return std::calloc(count, size);
}

void* reallocBlock(void* block, size_t size) {
  const ZeltRenderRecord* r = renderer().record;
  if (r && r->reallocate) return r->reallocate(block, size);
  return std::realloc(block, size);
}

void freeBlock(void* block) {
  const ZeltRenderRecord* r = renderer().record;
  if (r && r->free) {
    r->free(block);
    return;
  }
  std::free(block);
}

void releaseFramePools() {
  FrameLists& p = renderer().pools;
  for (int i = 0; i < 3; ++i) {
    releasePool(p.faces[i]);
    releasePool(p.order[i]);
  }
  releasePool(p.spans);
  releasePool(p.edges);
  p.corners = 0;
  releaseSpanScratch();
}

}  // namespace tarnel

using namespace tarnel;

namespace {

int depthOf() {
  const ZeltRenderRecord* r = renderer().record;
  return r && r->depth == 15 ? 15 : 16;
}

MaterialBlock* blockOf(const ZeltMaterial* material) {
  return material ? static_cast<MaterialBlock*>(material->rendererBlock) : nullptr;
}

}  // namespace

extern "C" {

TARNEL_EXPORT int Zelt_Init_Render_Dll(ZeltRenderRecord* record) {
  Renderer& r = renderer();
  r.record = record;
  fillSlots(r.slots);
  ++r.initCount;
  return 1;
}

TARNEL_EXPORT void Zelt_Release_Scene_Dll(void) {
  Renderer& r = renderer();
  if (r.initCount > 0) --r.initCount;
  if (r.initCount == 0) releaseFramePools();
}

TARNEL_EXPORT int Zelt_Add_Material_Dll(ZeltMaterial* material) {
  if (!material) return 0;
  auto* block = static_cast<MaterialBlock*>(allocZeroed(1, sizeof(MaterialBlock)));
  if (!block) return 0;
  material->rendererBlock = block;
  return 1;
}

TARNEL_EXPORT void Zelt_Release_Material_Dll(ZeltMaterial* material) {
  MaterialBlock* block = blockOf(material);
  if (!block) return;
  if (block->shade) freeBlock(block->shade);
  freeBlock(block);
  material->rendererBlock = nullptr;
}

TARNEL_EXPORT void Zelt_Update_Material_Dll(ZeltMaterial* material) {
  MaterialBlock* block = blockOf(material);
  if (!block || !block->shade) return;
  // Keep the form the current state reads; otherwise the flags word decides.
  bool textured;
  if (block->state && block->state->shade != ShadeNeed::None)
    textured = block->state->shade == ShadeNeed::Textured;
  else
    textured = material->renderFlags && (*material->renderFlags & ZELT_RF_TEXTURED);
  buildShadeTable(material, block, textured, depthOf());
}

TARNEL_EXPORT int Zelt_Set_Material_Render_State_Dll(ZeltMaterial* material, int mode, int control) {
  Renderer& r = renderer();
  MaterialBlock* block = blockOf(material);
  if (!block || !r.record) return 0;
  if (control & ZELT_RS_DEFAULT_MODE) mode = material->defaultMode;
  uint32_t localFlags = 0;
  uint32_t* flags = material->renderFlags ? material->renderFlags : &localFlags;
  if (control & ZELT_RS_FROM_MATERIAL) {
    uint32_t f = 0;
    if (material->texture) f |= ZELT_RF_TEXTURED;
    if (material->transparency == 50)
      f |= ZELT_RF_HALF;
    else if (material->transparency != 0)
      f |= ZELT_RF_TRANSPARENT;
    switch (material->kind) {
      case 1: f |= ZELT_RF_KEYED; break;
      case 2: f |= ZELT_RF_ADDITIVE; break;
      case 3: f |= ZELT_RF_KEYED_OCCLUDING; break;
      case 10: f |= ZELT_RF_ADDITIVE_OVERLAY; break;
      case 11: f |= ZELT_RF_ADDITIVE_SPRITE; break;
      default: break;
    }
    *flags = f;
  } else if (!(control & ZELT_RS_KEEP_FLAGS)) {
    *flags = static_cast<uint32_t>(control);
  }
  int slot = selectSlot(mode, material, *flags);
  RenderState& state = r.slots[slot];
  if (state.shade != ShadeNeed::None) {
    int wanted = state.shade == ShadeNeed::Textured ? 64 * 256 : 64;
    // A table of the other form would be read out of its bounds: rebuild it.
    if (!block->shade || block->shadeEntries != wanted) {
      if (!buildShadeTable(material, block, state.shade == ShadeNeed::Textured, depthOf())) return 0;
    }
  }
  state.mode = mode;
  block->state = &state;
  return 1;
}

TARNEL_EXPORT int Zelt_Get_Material_Render_State_Dll(ZeltMaterial* material) {
  MaterialBlock* block = blockOf(material);
  if (!block || !block->state) return 0;
  return block->state->mode;
}

TARNEL_EXPORT int Zelt_Add_Face_Dll(ZeltFace* face) {
  if (!face) return 0;
  auto* block = static_cast<FaceBlock*>(allocZeroed(1, sizeof(FaceBlock)));
  if (!block) return 0;
  block->random = static_cast<uint16_t>(std::rand() % 63536);
  face->rendererBlock = block;
  return 1;
}

TARNEL_EXPORT void Zelt_Release_Face_Dll(ZeltFace* face) {
  if (!face || !face->rendererBlock) return;
  freeBlock(face->rendererBlock);
  face->rendererBlock = nullptr;
}

// Entry points that only acknowledge: the plug-in keeps nothing for these records.
TARNEL_EXPORT int Zelt_Add_Animation_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Camera_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Light_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Light_Map_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Map_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Object_Dll(void*) { return 1; }
TARNEL_EXPORT int Zelt_Add_Spot_Light_Dll(void*) { return 1; }
TARNEL_EXPORT void Zelt_Release_Animation_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Camera_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Light_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Light_Map_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Map_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Object_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Spot_Light_Dll(void*) {}
TARNEL_EXPORT void Zelt_Release_Render_Dll(void*) {}
TARNEL_EXPORT void Zelt_Update_Light_Map_Dll(void*) {}
TARNEL_EXPORT void Zelt_Update_Map_Dll(void*) {}

}  // extern "C"
