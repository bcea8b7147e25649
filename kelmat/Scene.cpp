// Scene model operations: lookups, the default material, hierarchy links,
// light links and the releases.
#include "kelmat/SceneWalk.h"

#include <cstdlib>
#include <vector>

using kelmat::NameEquals;
using kelmat::PreOrderNext;

namespace {

template <class Node>
Node* FindInForest(Node* head, const char* name) {
  if (name == nullptr) return nullptr;
  for (Node* node = head; node != nullptr; node = PreOrderNext(node))
    if (NameEquals(node->name, name)) return node;
  return nullptr;
}

template <class Node>
bool IsInSubtree(const Node* node, const Node* top) {
  for (; node != nullptr; node = node->parent)
    if (node == top) return true;
  return false;
}

// Links child under parent: the child becomes the parent's first child and
// leaves the root list. Refused when the child already has a parent or a next
// sibling, and when the link would close a loop.
template <class Node>
int LinkNode(Node* child, Node* parent, Node*& rootHead) {
  if (child == nullptr || parent == nullptr) return 0;
  if (child->parent != nullptr || child->nextSibling != nullptr) return 0;
  if (IsInSubtree(parent, child)) return 0;
  child->nextSibling = parent->firstChild;
  parent->firstChild = child;
  child->parent = parent;
  if (child->previous != nullptr) child->previous->next = child->next;
  if (child->next != nullptr) child->next->previous = child->previous;
  if (rootHead == child) rootHead = child->next;
  child->next = nullptr;
  child->previous = nullptr;
  return 1;
}

// Takes child out of its parent's children and puts it at the head of the
// root list.
template <class Node>
int UnlinkNode(Node* child, Node*& rootHead) {
  if (child == nullptr || child->parent == nullptr) return 0;
  Node* parent = child->parent;
  if (parent->firstChild == child) {
    parent->firstChild = child->nextSibling;
  } else {
    Node* before = parent->firstChild;
    while (before != nullptr && before->nextSibling != child) before = before->nextSibling;
    if (before == nullptr) return 0;  // not among its parent's children: leave it alone
    before->nextSibling = child->nextSibling;
  }
  child->nextSibling = nullptr;
  child->parent = nullptr;
  child->previous = nullptr;
  child->next = rootHead;
  if (rootHead != nullptr) rootHead->previous = child;
  rootHead = child;
  return 1;
}

template <class Node>
std::vector<Node*> CollectForest(Node* head) {
  std::vector<Node*> nodes;
  for (Node* node = head; node != nullptr; node = PreOrderNext(node)) nodes.push_back(node);
  return nodes;
}

void ReleaseTrack(KelmatTrack& track) {
  std::free(track.frames);
  std::free(track.params);
  std::free(track.vectors);
  std::free(track.quaternions);
  std::free(track.states);
  for (int32_t k = 0; k < track.keyCount; ++k) {
    if (track.morphVertices != nullptr) std::free(track.morphVertices[k]);
    if (track.morphNormals != nullptr) std::free(track.morphNormals[k]);
  }
  std::free(track.morphVertices);
  std::free(track.morphNormals);
  std::free(track.morphSpheres);
  std::free(track.morphBoxes);
  track = KelmatTrack{};
}

}  // namespace

extern "C" {

KELMAT_API KelmatMaterial* Kelmat_Scene_Get_Material(KelmatScene* scene, const char* name) {
  if (scene == nullptr || name == nullptr) return nullptr;
  for (KelmatMaterial* m = scene->materials; m != nullptr; m = m->next)
    if (NameEquals(m->name, name)) return m;
  return nullptr;
}

KELMAT_API KelmatObject* Kelmat_Scene_Get_Object(KelmatScene* scene, const char* name) {
  return scene == nullptr ? nullptr : FindInForest(scene->objects, name);
}

KELMAT_API KelmatAnimation* Kelmat_Scene_Get_Animation(KelmatScene* scene, const char* name) {
  return scene == nullptr ? nullptr : FindInForest(scene->animations, name);
}

KELMAT_API int Kelmat_Scene_Create_Default_Material(KelmatScene* scene) {
  if (scene == nullptr) return 0;
  auto* m = static_cast<KelmatMaterial*>(std::calloc(1, sizeof(KelmatMaterial)));
  if (m == nullptr) return 0;
  kelmat::CopyName(m->name, "DEFAULT");
  m->type = MATERIAL_GOURAUD_RGB;
  for (int i = 0; i < 3; ++i) {
    m->diffuse[i] = 255;
    m->lightColor[i] = 255;
  }
  m->tiling = 1;
  m->next = scene->materials;
  if (scene->materials != nullptr) scene->materials->previous = m;
  scene->materials = m;
  ++scene->materialCount;
  return 1;
}

KELMAT_API int Kelmat_Object_Link(KelmatObject* child, KelmatObject* parent, KelmatScene* scene) {
  if (scene == nullptr) return 0;
  return LinkNode(child, parent, scene->objects);
}

KELMAT_API int Kelmat_Animation_Link(KelmatAnimation* child, KelmatAnimation* parent,
                                     KelmatScene* scene) {
  if (scene == nullptr) return 0;
  return LinkNode(child, parent, scene->animations);
}

KELMAT_API int Kelmat_Object_Unlink(KelmatObject* child, KelmatScene* scene) {
  if (scene == nullptr) return 0;
  return UnlinkNode(child, scene->objects);
}

KELMAT_API int Kelmat_Animation_Unlink(KelmatAnimation* child, KelmatScene* scene) {
  if (scene == nullptr) return 0;
  return UnlinkNode(child, scene->animations);
}

KELMAT_API int Kelmat_Light_Include_Object(KelmatLight* light, KelmatObject* object) {
  if (object == nullptr) return 1;
  if (light == nullptr) return 0;
  for (KelmatLightLink* link = object->lightLinks; link != nullptr; link = link->next)
    if (link->light == light) return 1;
  auto* link = static_cast<KelmatLightLink*>(std::calloc(1, sizeof(KelmatLightLink)));
  if (link == nullptr) return 0;
  link->light = light;
  link->next = object->lightLinks;
  object->lightLinks = link;
  return 1;
}

KELMAT_API void Kelmat_Light_Exclude_Object(KelmatLight* light, KelmatObject* object) {
  if (object == nullptr) return;
  for (KelmatLightLink** at = &object->lightLinks; *at != nullptr; at = &(*at)->next) {
    if ((*at)->light == light) {
      KelmatLightLink* gone = *at;
      *at = gone->next;
      std::free(gone);
      return;
    }
  }
}

KELMAT_API void Kelmat_Release_Object(KelmatObject* object) {
  if (object == nullptr) return;
  if (object->faces != nullptr) {
    for (int32_t f = 0; f < object->faceCount; ++f) {
      std::free(object->faces[f].indices);
      std::free(object->faces[f].mapping);
    }
  }
  std::free(object->faces);
  for (KelmatLightLink* link = object->lightLinks; link != nullptr;) {
    KelmatLightLink* next = link->next;
    std::free(link);
    link = next;
  }
  // A welded member shares its hierarchy's pool; only the pool's owner frees it.
  if (object->welded == 0 || object->poolSize != 0) {
    std::free(object->vertices);
    std::free(object->sourceVertices);
    std::free(object->normals);
  }
  std::free(object);
}

KELMAT_API void Kelmat_Release_Animation(KelmatAnimation* animation) {
  if (animation == nullptr) return;
  ReleaseTrack(animation->position);
  ReleaseTrack(animation->scale);
  ReleaseTrack(animation->rotation);
  ReleaseTrack(animation->hide);
  ReleaseTrack(animation->morph);
  std::free(animation);
}

KELMAT_API void Kelmat_Release_Material(KelmatMaterial* material) {
  if (material == nullptr) return;
  std::free(material->textureMap);
  std::free(material->lightMap);
  std::free(material);
}

KELMAT_API void Kelmat_Release_Scene(KelmatScene* scene) {
  if (scene == nullptr) return;
  // Collect both forests before freeing anything: a record's links are read
  // while walking, so nothing may be freed until the walk is over.
  for (KelmatObject* object : CollectForest(scene->objects)) Kelmat_Release_Object(object);
  for (KelmatAnimation* animation : CollectForest(scene->animations))
    Kelmat_Release_Animation(animation);
  for (KelmatMaterial* m = scene->materials; m != nullptr;) {
    KelmatMaterial* next = m->next;
    Kelmat_Release_Material(m);
    m = next;
  }
  for (KelmatCamera* c = scene->cameras; c != nullptr;) {
    KelmatCamera* next = c->next;
    std::free(c);
    c = next;
  }
  for (KelmatLight* l = scene->lights; l != nullptr;) {
    KelmatLight* next = l->next;
    std::free(l);
    l = next;
  }
  // Leave an empty scene behind rather than dangling heads, so a second
  // release or a reuse without zero-filling is harmless.
  *scene = KelmatScene{};
}

}  // extern "C"
