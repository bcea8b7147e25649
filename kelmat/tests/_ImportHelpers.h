// Helpers of the import tests: paths of the shared 3D Studio test files, the
// last-error text, and forest walks over a scene.
#ifndef KELMAT_TESTS_IMPORTHELPERS_H
#define KELMAT_TESTS_IMPORTHELPERS_H

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "kelmat/ftk/tests/_TempDir.h"
#include "kelmat/kelmat.h"

// The shared test data: $LUMORA_TESTDATA, else the folder beside the
// repository (found from this file's own path).
inline std::string TestFile3ds(const std::string& name) {
  if (const char* root = std::getenv("LUMORA_TESTDATA")) return std::string(root) + "/3ds/" + name;
  const std::filesystem::path repo = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  return (repo.parent_path() / "shared" / "testdata" / "3ds" / name).string();
}

// A scratch path on a memory file system when there is one: tests that
// rewrite a file thousands of times would otherwise wait on the disk.
inline std::string QuickScratch(const std::string& name) { return ScratchPath(name); }

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
