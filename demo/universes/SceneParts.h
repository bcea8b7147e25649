// Pieces every universe builder uses: writing one asset file into the pack,
// collecting object names for the table checks, rest-pose animation trees
// that scripted moves are keyed on, the sky, the speakers and the lists.
#pragma once

#include <string>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
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

// A sky cylinder of 16 sides round `at`, `radius` wide, from `bottom` to
// `top`, textured on its inside.
KelmatObject* SkyCylinder(demo::AssetScene& s, const char* name, demo::Vec3 at, float radius, float bottom, float top,
                          KelmatMaterial* m);

// A character of BuildCharacter dressed in `coat` ("Habit<name>") with its
// skin ("Peau<name>").
demo::Character ClothedCharacter(demo::AssetScene& s, const char* name, const char* face, demo::Vec3 at, demo::Rgb coat,
                                 demo::Rgb skin);

// The eight mouth shapes of `c` into the folder `rel` of the pack.
bool MouthShapes(Pack& pack, const demo::Character& c, const std::string& rel);

// A speaker of universe `folder`: its file "Perso/<id>.O3D" from `s`, its
// rest-pose animation "Anim/<id>/Attente.A3D" (a slow breath) and its mouth
// shapes; its names into `names`.
bool SpeakerFiles(Pack& pack, const std::string& folder, demo::AssetScene& s, const demo::Character& c, const std::string& id,
                  UniverseNames& names);

// A universe's lists: "<folder>.ZELT" holding `list`, and "<folder>D.ZELT"
// the paintings load, scenery and lights only, headed by `paintings`.
bool WriteLists(Pack& pack, const std::string& folder, const std::string& list, const std::string& paintings);

}  // namespace pack
