// Kernel-internal helpers shared by the loaders, materials, maps and animation.
#pragma once

#include "zelt/Kernel.h"

namespace zelt {

bool sameNameIgnoringCase(const char* a, const char* b);
// Scene map of that file name (case ignored), or null.
KMap* findMap(KScene* scene, const char* name);
// True when the texture file was already reported missing in this scene.
bool knownMissing(KScene* scene, const char* name);
// Reads a .dmf file through the lent functions into the map; false with the last error.
bool loadMap(KMap* map, const char* file);
// Renderer registration; throw std::bad_alloc when the renderer refuses.
void registerMaterial(KMaterial* material);
void registerFace(KFace* face);
// Selects the material's render state for the object render state (normal or diagnostic).
void selectMaterialState(KMaterial* material, int renderState);
// Local matrix from pivot, scale, rotation and position (with the parent's pivot).
void composeLocal(KObject* o);

}  // namespace zelt
