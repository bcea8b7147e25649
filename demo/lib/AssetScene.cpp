#include "demo/lib/AssetScene.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

namespace demo {

namespace {

constexpr float kPi = 3.14159265f;

template <class T>
T* Zeroed(std::size_t count = 1) {
    return static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)));
}

void SetName(char (&field)[KELMAT_NAME_SIZE], const char* name) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, name, KELMAT_NAME_SIZE - 1);
}

// Appends to the end of a root list, so files keep the order of creation,
// and counts the record.
template <class T>
T* Append(T*& head, std::int32_t& count, T* node) {
    ++count;
    if (!head) return head = node;
    T* last = head;
    while (last->next) last = last->next;
    last->next = node;
    node->previous = last;
    return node;
}

void Identity(float (&m)[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

struct Builder {
    std::vector<KelmatVector> vertices;
    struct Face {
        std::vector<int> indices;
        std::vector<float> uv;
    };
    std::vector<Face> faces;

    int Vertex(float x, float y, float z) {
        vertices.push_back({x, y, z});
        return static_cast<int>(vertices.size()) - 1;
    }
    // A quad a b c d (counter-clockwise seen from its front) mapped 0..tiles.
    void Quad(int a, int b, int c, int d, float tiles = 1) {
        faces.push_back({{a, b, c, d}, {0, tiles, tiles, tiles, tiles, 0, 0, 0}});
    }
    void Store(KelmatObject* object, KelmatMaterial* material) {
        object->vertexCount = static_cast<int32_t>(vertices.size());
        object->vertices = Zeroed<KelmatVector>(vertices.size());
        object->sourceVertices = Zeroed<KelmatVector>(vertices.size());
        object->normals = Zeroed<KelmatVector>(vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            object->vertices[i] = vertices[i];
            object->sourceVertices[i] = {vertices[i].x + object->position.x, vertices[i].y + object->position.y,
                                         vertices[i].z + object->position.z};
        }
        object->faceCount = static_cast<int32_t>(faces.size());
        object->faces = Zeroed<KelmatFace>(faces.size());
        for (std::size_t f = 0; f < faces.size(); ++f) {
            KelmatFace& face = object->faces[f];
            face.vertexCount = static_cast<int32_t>(faces[f].indices.size());
            face.indices = Zeroed<int32_t>(faces[f].indices.size());
            for (std::size_t k = 0; k < faces[f].indices.size(); ++k) face.indices[k] = faces[f].indices[k];
            face.mapping = Zeroed<float>(faces[f].uv.size());
            std::memcpy(face.mapping, faces[f].uv.data(), faces[f].uv.size() * sizeof(float));
            face.material = material;
        }
    }
};

KelmatKeyParams* DefaultParams(std::size_t count) { return Zeroed<KelmatKeyParams>(count); }

void Frames(KelmatTrack& track, const std::vector<Key>& keys) {
    track.keyCount = static_cast<int32_t>(keys.size());
    track.frames = Zeroed<int32_t>(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) track.frames[k] = keys[k].frame;
    track.params = DefaultParams(keys.size());
}

void VectorKeys(KelmatTrack& track, const std::vector<Key>& keys) {
    Frames(track, keys);
    track.vectors = Zeroed<KelmatVector>(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) track.vectors[k] = {keys[k].value.x, keys[k].value.y, keys[k].value.z};
}

}  // namespace

AssetScene::~AssetScene() { Kelmat_Release_Scene(&m_Scene); }

KelmatMaterial* AssetScene::Material(const char* name, int r, int g, int b, const char* map) {
    auto* m = Zeroed<KelmatMaterial>();
    SetName(m->name, name);
    m->type = MATERIAL_GOURAUD;
    m->tiling = 1;
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
    std::memcpy(m->ambient, rgb, 3);
    std::memcpy(m->diffuse, rgb, 3);
    std::memcpy(m->lightColor, rgb, 3);
    if (map) {
        m->textureMap = Zeroed<KelmatMap>();
        SetName(m->textureMap->name, map);
    }
    Append(m_Scene.materials, m_Scene.materialCount, m);
    return m;
}

KelmatObject* AssetScene::NewObject(const char* name, Vec3 position, KelmatObject* parent) {
    auto* o = Zeroed<KelmatObject>();
    SetName(o->name, name);
    o->scale = {1, 1, 1};
    o->position = {position.x, position.y, position.z};
    Identity(o->rotation);
    Identity(o->localMatrix);
    Identity(o->inverseLocalMatrix);
    Identity(o->worldMatrix);
    o->localMatrix[12] = position.x;
    o->localMatrix[13] = position.y;
    o->localMatrix[14] = position.z;
    Append(m_Scene.objects, m_Scene.objectCount, o);
    if (parent) Kelmat_Object_Link(o, parent, &m_Scene);
    return o;
}

void AssetScene::Finish(KelmatObject* o) {
    for (int i = 0; i < o->faceCount; ++i) {
        KelmatFace& f = o->faces[i];
        const KelmatVector& a = o->vertices[f.indices[0]];
        const KelmatVector& b = o->vertices[f.indices[1]];
        const KelmatVector& c = o->vertices[f.indices[2]];
        const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        KelmatVector n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        const float l = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (l > 0) n = {n.x / l, n.y / l, n.z / l};
        f.normal = n;
    }
    Kelmat_Object_Calculate_Vertex_Normal(o);
    Kelmat_Object_Calculate_Bounding_Box(o);
    Kelmat_Object_Calculate_Bounding_Sphere(o);
}

KelmatObject* AssetScene::Node(const char* name, Vec3 position, KelmatObject* parent) {
    return NewObject(name, position, parent);
}

KelmatObject* AssetScene::Box(const char* name, Vec3 position, Vec3 lo, Vec3 hi, KelmatMaterial* material,
                              KelmatObject* parent, bool inside) {
    KelmatObject* o = NewObject(name, position, parent);
    Builder b;
    // Each side has its own corners so its mapping and normals stay flat.
    auto side = [&](Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3) {
        int a = b.Vertex(p0.x, p0.y, p0.z), c1 = b.Vertex(p1.x, p1.y, p1.z), c2 = b.Vertex(p2.x, p2.y, p2.z),
            c3 = b.Vertex(p3.x, p3.y, p3.z);
        if (inside)
            b.Quad(a, c3, c2, c1);
        else
            b.Quad(a, c1, c2, c3);
    };
    side({lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z});  // bottom
    side({lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z});  // top
    side({lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z});  // front (-y)
    side({hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z});  // back (+y)
    side({lo.x, hi.y, lo.z}, {lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z});  // left (-x)
    side({hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z});  // right (+x)
    b.Store(o, material);
    Finish(o);
    return o;
}

KelmatObject* AssetScene::Floor(const char* name, Vec3 position, float width, float depth, KelmatMaterial* material,
                                int tiles, KelmatObject* parent) {
    KelmatObject* o = NewObject(name, position, parent);
    Builder b;
    const float hw = width / 2, hd = depth / 2;
    b.Quad(b.Vertex(-hw, -hd, 0), b.Vertex(hw, -hd, 0), b.Vertex(hw, hd, 0), b.Vertex(-hw, hd, 0),
           static_cast<float>(tiles < 1 ? 1 : tiles));
    b.Store(o, material);
    Finish(o);
    return o;
}

KelmatObject* AssetScene::Cylinder(const char* name, Vec3 position, float radius, float height, int sides,
                                   KelmatMaterial* material, KelmatObject* parent) {
    KelmatObject* o = NewObject(name, position, parent);
    Builder b;
    if (sides < 3) sides = 3;
    std::vector<int> top, bottom;
    for (int i = 0; i <= sides; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / static_cast<float>(sides);
        const float x = radius * std::cos(a), y = radius * std::sin(a);
        bottom.push_back(b.Vertex(x, y, 0));
        top.push_back(b.Vertex(x, y, height));
    }
    for (int i = 0; i < sides; ++i) {
        const float u0 = static_cast<float>(i) / static_cast<float>(sides), u1 = static_cast<float>(i + 1) / static_cast<float>(sides);
        b.faces.push_back({{bottom[i], bottom[i + 1], top[i + 1], top[i]}, {u0, 1, u1, 1, u1, 0, u0, 0}});
    }
    Builder::Face cap{{}, {}}, base{{}, {}};
    for (int i = 0; i < sides; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / static_cast<float>(sides);
        cap.indices.push_back(top[i]);
        cap.uv.insert(cap.uv.end(), {0.5f + 0.5f * std::cos(a), 0.5f - 0.5f * std::sin(a)});
        base.indices.insert(base.indices.begin(), bottom[i]);
        base.uv.insert(base.uv.begin(), {0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)});
    }
    b.faces.push_back(cap);
    b.faces.push_back(base);
    b.Store(o, material);
    Finish(o);
    return o;
}

void AssetScene::Turn(KelmatObject* o, float degrees) {
    const float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
    for (int i = 0; i < o->vertexCount; ++i) {
        KelmatVector& v = o->vertices[i];
        v = {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
        o->sourceVertices[i] = {v.x + o->position.x, v.y + o->position.y, v.z + o->position.z};
    }
    Finish(o);
}

KelmatObject* AssetScene::Mesh(const char* name, Vec3 position, const std::vector<Vec3>& vertices,
                              const std::vector<Face>& faces, KelmatMaterial* material, KelmatObject* parent) {
    KelmatObject* o = NewObject(name, position, parent);
    Builder b;
    for (const Vec3& v : vertices) b.Vertex(v.x, v.y, v.z);
    for (const Face& f : faces) b.faces.push_back({f.indices, f.uv});
    b.Store(o, material);
    Finish(o);
    return o;
}

KelmatCamera* AssetScene::Camera(const char* name, Vec3 position, Vec3 target, float fovDegrees) {
    auto* c = Zeroed<KelmatCamera>();
    c->kind = KELMAT_CAMERA_KIND;
    SetName(c->name, name);
    c->position = {position.x, position.y, position.z};
    c->target = {target.x, target.y, target.z};
    c->fieldOfView = fovDegrees * kPi / 180.0f;
    Append(m_Scene.cameras, m_Scene.cameraCount, c);
    return c;
}

KelmatLight* AssetScene::Omni(const char* name, Vec3 position, int r, int g, int b, float multiplier) {
    auto* l = Zeroed<KelmatLight>();
    l->kind = KELMAT_LIGHT_OMNI;
    SetName(l->name, name);
    l->position = {position.x, position.y, position.z};
    l->color[0] = static_cast<std::uint8_t>(r);
    l->color[1] = static_cast<std::uint8_t>(g);
    l->color[2] = static_cast<std::uint8_t>(b);
    l->multiplier = multiplier;
    l->outerRange = 10000;
    Append(m_Scene.lights, m_Scene.lightCount, l);
    return l;
}

KelmatAnimation* AssetScene::Animation(const char* name, int length, KelmatAnimation* parent) {
    auto* a = Zeroed<KelmatAnimation>();
    SetName(a->name, name);
    a->length = length;
    a->segmentEnd = length;
    Append(m_Scene.animations, m_Scene.animationCount, a);
    if (parent) Kelmat_Animation_Link(a, parent, &m_Scene);
    return a;
}

void AssetScene::PositionKeys(KelmatAnimation* animation, const std::vector<Key>& keys) {
    VectorKeys(animation->position, keys);
}

void AssetScene::RotationKeys(KelmatAnimation* animation, const std::vector<Key>& keys) {
    Frames(animation->rotation, keys);
    animation->rotation.quaternions = Zeroed<KelmatQuaternion>(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const float half = keys[k].value.x * kPi / 360.0f;
        animation->rotation.quaternions[k] = {std::cos(half), 0, 0, std::sin(half)};
    }
}

void AssetScene::ScaleKeys(KelmatAnimation* animation, const std::vector<Key>& keys) { VectorKeys(animation->scale, keys); }

bool AssetScene::NamesUnique(std::string& why) const {
    std::set<std::string> seen;
    // Every object of the forest, children included, in pre-order.
    std::vector<const KelmatObject*> stack;
    for (const KelmatObject* o = m_Scene.objects; o; o = o->next) stack.push_back(o);
    while (!stack.empty()) {
        const KelmatObject* o = stack.back();
        stack.pop_back();
        if (!seen.insert(o->name).second) {
            why = std::string("two objects are named ") + o->name;
            return false;
        }
        for (const KelmatObject* c = o->firstChild; c; c = c->nextSibling) stack.push_back(c);
    }
    return true;
}

bool AssetScene::Save(const std::string& path, std::string& why) {
    if (!NamesUnique(why)) return false;
    const std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    int ok = 0;
    if (ext == ".o3d" || ext == ".O3D")
        ok = Kelmat_Save_O3d(&m_Scene, path.c_str());
    else if (ext == ".a3d" || ext == ".A3D")
        ok = Kelmat_Save_A3d(&m_Scene, path.c_str());
    else if (ext == ".c3d" || ext == ".C3D")
        ok = Kelmat_Save_C3d(&m_Scene, path.c_str());
    else if (ext == ".l3d" || ext == ".L3D")
        ok = Kelmat_Save_L3d(&m_Scene, path.c_str());
    else if (ext == ".s3d" || ext == ".S3D")
        ok = Kelmat_Save_S3d(&m_Scene, path.c_str());
    else {
        why = "unknown asset file kind: " + path;
        return false;
    }
    if (!ok) {
        char text[KELMAT_LAST_ERROR_SIZE] = {};
        Kelmat_Get_Last_Error(text);
        why = path + ": " + text;
        return false;
    }
    return true;
}

Character BuildCharacter(AssetScene& scene, const char* name, const char* faceName, Vec3 position,
                         KelmatMaterial* clothes, KelmatMaterial* skin) {
    Character c;
    c.root = scene.Cylinder(name, position, 12, 50, 8, clothes);
    c.head = scene.Box("TETE", {0, 0, 62}, {-9, -9, -10}, {9, 9, 10}, skin, c.root);
    c.face = scene.Node(faceName, {0, -9.5f, 0}, c.head);
    c.mouth = scene.Box("Bouche", {0, 0, -4}, {-4, -0.5f, -1}, {4, 0.5f, 1}, clothes, c.face);
    return c;
}

namespace {

// An animation of `object` keyed at its rest place.
KelmatAnimation* RestAnimation(AssetScene& scene, const KelmatObject* o, int length, KelmatAnimation* parent) {
    KelmatAnimation* a = scene.Animation(o->name, length, parent);
    scene.PositionKeys(a, {{0, {o->position.x, o->position.y, o->position.z}}});
    return a;
}

}  // namespace

void BuildCharacterPose(AssetScene& scene, const Character& character, int length, float mouthOpen) {
    auto rest = [&](const KelmatObject* o, KelmatAnimation* parent) { return RestAnimation(scene, o, length, parent); };
    KelmatAnimation* root = rest(character.root, nullptr);
    KelmatAnimation* head = rest(character.head, root);
    KelmatAnimation* face = rest(character.face, head);
    KelmatAnimation* mouth = rest(character.mouth, face);
    VectorKeys(mouth->scale, {{0, {1, 1, 1.0f + 3.0f * mouthOpen}}});
}

void BuildMouthShape(AssetScene& scene, const Character& character, int length, const std::vector<Key>& mouthScale) {
    KelmatAnimation* face = RestAnimation(scene, character.face, length, nullptr);
    scene.ScaleKeys(RestAnimation(scene, character.mouth, length, face), mouthScale);
}

}  // namespace demo
