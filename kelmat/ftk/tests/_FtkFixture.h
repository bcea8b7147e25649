// Writes a byte image to a scratch file and reads it into a toolkit database.
#ifndef KELMAT_FTK_TESTS_FTKFIXTURE_H
#define KELMAT_FTK_TESTS_FTKFIXTURE_H

#include <string>
#include <vector>

#include "Build3ds.h"
#include "_TempDir.h"
#include "kelmat/ftk/FtkDatabase.h"
#include "kelmat/ftk/FtkError.h"
#include "kelmat/ftk/FtkFile.h"

struct LoadedDb {
  ftk::File* file = nullptr;
  ftk::Database db;
  bool created = false;

  LoadedDb() = default;
  LoadedDb(const LoadedDb&) = delete;
  LoadedDb& operator=(const LoadedDb&) = delete;
  ~LoadedDb() {
    if (file != nullptr) ftk::CloseFile(file);
  }

  // Each load uses a file of its own: the open-file table hands back an
  // already open path instead of opening it again.
  bool Load(const std::vector<uint8_t>& bytes) {
    static int serial = 0;
    ftk::ClearErrors();
    const std::string path = ScratchPath("fixture" + std::to_string(++serial) + ".3ds");
    if (!build3ds::WriteFile(path, bytes)) return false;
    file = ftk::OpenFile(path.c_str(), "rb");
    if (file == nullptr) return false;
    created = ftk::CreateDatabase(file, db);
    return created;
  }

  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (int i = 0; i < ftk::ErrorCount(); ++i) codes.push_back(ftk::GetError(i).code);
    return codes;
  }
};

#endif
