// Internal helpers of the SDK: forest walks and bounded name copies.
#ifndef KELMAT_SCENEWALK_H
#define KELMAT_SCENEWALK_H

#include "kelmat/kelmat.h"

#include <cstring>

namespace kelmat {

// Next record of a forest in pre-order: first child, else next sibling, else
// climb through parents to the first one with a next sibling; a climb that
// reaches a root continues with that root's next root.
template <class Node>
Node* PreOrderNext(Node* node) {
  if (node->firstChild != nullptr) return node->firstChild;
  for (;;) {
    if (node->nextSibling != nullptr) return node->nextSibling;
    if (node->parent == nullptr) return node->next;
    node = node->parent;
  }
}

// Next record of the subtree under top, top's own siblings excepted.
template <class Node>
Node* SubtreeNext(Node* node, const Node* top) {
  if (node->firstChild != nullptr) return node->firstChild;
  while (node != top) {
    if (node->nextSibling != nullptr) return node->nextSibling;
    node = node->parent;
    if (node == nullptr) return nullptr;
  }
  return nullptr;
}

// Length of a name field's text: at most 31 characters, even when the field
// lacks its terminator.
inline std::size_t NameLength(const char* name) {
  return strnlen(name, KELMAT_NAME_SIZE - 1);
}

// Copies text into a 32-byte name field, cut to 31 characters, rest zero.
inline void CopyName(char (&field)[KELMAT_NAME_SIZE], const char* text) {
  std::memset(field, 0, sizeof field);
  if (text != nullptr) std::memcpy(field, text, strnlen(text, KELMAT_NAME_SIZE - 1));
}

inline bool NameEquals(const char* field, const char* name) {
  std::size_t length = NameLength(field);
  return std::strncmp(field, name, length) == 0 && name[length] == '\0';
}

}  // namespace kelmat

#endif
