// Pieces every universe builder uses: writing one asset file into the pack,
// collecting object names for the table checks, and rest-pose animation
// trees that scripted moves are keyed on.
#pragma once

#include <string>

#include "demo/lib/AssetScene.h"
#include "tools/lumora-pack/Pack.h"

namespace pack {

// Writes `scene` at `rel` in the pack; false with the pack's failure.
bool SaveAsset(Pack& pack, demo::AssetScene& scene, const std::string& rel);

// Every object name of the file (roots and their descendants) into `names`.
void AddAllNames(UniverseNames& names, demo::AssetScene& scene);

// An animation tree of the same shape as the object tree under `o`, every
// node keyed at its rest position; returns the animation of `o`. The kernel
// pairs children by place, and it reads an object file's children in the
// opposite order to an animation file's: the children go in reversed.
KelmatAnimation* RestPose(demo::AssetScene& a, const KelmatObject* o, int length, KelmatAnimation* parent = nullptr);

// A universe's "Scene.bin" in `folder`: ambient light (r, g, b), scale 40,
// a 60-degree camera walking at 4 with the given collision sphere.
bool WriteSceneInfo(Pack& pack, const char* folder, int r, int g, int b, float sphereRadius, float sphereOffsetZ);

// The animation node of that name in a tree, or null.
KelmatAnimation* FindAnim(KelmatAnimation* a, const char* name);

}  // namespace pack
