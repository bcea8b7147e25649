// Helpers of the import tests: paths of the shared 3D Studio test files, the
// last-error text, and forest walks over a scene.
#ifndef KELMAT_TESTS_IMPORTHELPERS_H
#define KELMAT_TESTS_IMPORTHELPERS_H

#include <cstdlib>
#include <string>
#include <vector>

#include "kelmat/kelmat.h"

inline std::string TestFile3ds(const std::string& name) {
  const char* root = std::getenv("LUMORA_TESTDATA");
  return std::string(root ? root : "../shared/testdata") + "/3ds/" + name;
}

inline std::string LastError() {
  char text[KELMAT_LAST_ERROR_SIZE];
  Kelmat_Get_Last_Error(text);
  return text;
}

template <class Node>
std::vector<Node*> PreOrder(Node* head) {
  std::vector<Node*> out;
  for (Node* n = head; n != nullptr;) {
    out.push_back(n);
    if (n->firstChild != nullptr) {
      n = n->firstChild;
      continue;
    }
    while (n != nullptr && n->nextSibling == nullptr) {
      if (n->parent == nullptr) {
        n = n->next;
        goto next;
      }
      n = n->parent;
    }
    if (n != nullptr) n = n->nextSibling;
  next:;
  }
  return out;
}

template <class Record>
std::vector<std::string> ListNames(Record* head) {
  std::vector<std::string> names;
  for (Record* r = head; r != nullptr; r = r->next) names.push_back(r->name);
  return names;
}

#endif
