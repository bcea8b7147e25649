// Building blocks for the demo assets over the kelmat API: one AssetScene
// is one engine asset file (objects, cameras, lights, animations), filled
// with textured primitives and written by extension (.o3d .a3d .c3d .l3d
// .s3d). Names must be unique within a file: Save refuses duplicates.
#pragma once

#include <string>
#include <vector>

#include "kelmat/kelmat.h"

namespace demo {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// One position, rotation (about z, degrees) or hide key of an animation track.
struct Key {
    int frame = 0;
    Vec3 value;  // position, or (angle, 0, 0) for a rotation key
};

class AssetScene {
public:
    AssetScene() = default;
    ~AssetScene();
    AssetScene(const AssetScene&) = delete;
    AssetScene& operator=(const AssetScene&) = delete;

    // A lit material (Gouraud) of a flat colour, textured when `map` names a
    // texture file (its ".dmf" twin is what the kernel opens).
    KelmatMaterial* Material(const char* name, int r, int g, int b, const char* map = nullptr);

    // An object without geometry (a group or a marker node) at `position`.
    KelmatObject* Node(const char* name, Vec3 position, KelmatObject* parent = nullptr);
    // An axis-aligned box from `min` to `max` (object space, around the
    // object's position), every side mapped 0..1; with `inside` its faces
    // look inwards (a room).
    KelmatObject* Box(const char* name, Vec3 position, Vec3 min, Vec3 max, KelmatMaterial* material,
                      KelmatObject* parent = nullptr, bool inside = false);
    // A horizontal rectangle facing up at height z (a floor), tiled `tiles`
    // times along each side.
    KelmatObject* Floor(const char* name, Vec3 position, float width, float depth, KelmatMaterial* material,
                        int tiles = 1, KelmatObject* parent = nullptr);
    // An upright cylinder with `sides` sides, its base at the position.
    KelmatObject* Cylinder(const char* name, Vec3 position, float radius, float height, int sides,
                           KelmatMaterial* material, KelmatObject* parent = nullptr);

    // Turns an object's geometry about the vertical axis through its
    // position (degrees, counter-clockwise seen from above), for walls and
    // boxes that are not axis-aligned.
    void Turn(KelmatObject* object, float degrees);
    // Any polygons: each face lists vertex indices (counter-clockwise seen
    // from its front) and one u, v pair per index.
    struct Face {
        std::vector<int> indices;
        std::vector<float> uv;
    };
    KelmatObject* Mesh(const char* name, Vec3 position, const std::vector<Vec3>& vertices, const std::vector<Face>& faces,
                       KelmatMaterial* material, KelmatObject* parent = nullptr);

    KelmatCamera* Camera(const char* name, Vec3 position, Vec3 target, float fovDegrees);
    KelmatLight* Omni(const char* name, Vec3 position, int r, int g, int b, float multiplier);

    // An animation named like the object it moves, over frames 0..length.
    KelmatAnimation* Animation(const char* name, int length, KelmatAnimation* parent = nullptr);
    void PositionKeys(KelmatAnimation* animation, const std::vector<Key>& keys);
    // Rotation about z; angles in degrees, absolute.
    void RotationKeys(KelmatAnimation* animation, const std::vector<Key>& keys);
    // Scale factors along x, y and z.
    void ScaleKeys(KelmatAnimation* animation, const std::vector<Key>& keys);

    // Writes the file its extension names; false with `why` on failure.
    bool Save(const std::string& path, std::string& why);

    KelmatScene* Scene() { return &m_Scene; }

private:
    KelmatObject* NewObject(const char* name, Vec3 position, KelmatObject* parent);
    void Finish(KelmatObject* object);
    bool NamesUnique(std::string& why) const;

    KelmatScene m_Scene{};
};

// A character made of primitives: a body, a head "TETE", a face node (named
// by the caller, for example "$$$DUMMY.*visage") on the head holding the
// mouth, and an animation tree of the same shape (every node keyed at its
// rest pose, so mouth shapes and gestures can be keyed on top of it).
struct Character {
    KelmatObject* root = nullptr;
    KelmatObject* head = nullptr;
    KelmatObject* face = nullptr;
    KelmatObject* mouth = nullptr;
};
Character BuildCharacter(AssetScene& scene, const char* name, const char* faceName, Vec3 position,
                         KelmatMaterial* clothes, KelmatMaterial* skin);
// Animation tree of the same shape as the character's objects; `mouthOpen`
// (0..1) opens the mouth by scaling its height.
void BuildCharacterPose(AssetScene& scene, const Character& character, int length, float mouthOpen);
// One mouth shape: an animation tree from the face (named like it) down to
// the mouth over frames 0..length, every node at its rest place and the
// mouth scaled by `mouthScale` (width, depth, height) keys.
void BuildMouthShape(AssetScene& scene, const Character& character, int length, const std::vector<Key>& mouthScale);

}  // namespace demo
