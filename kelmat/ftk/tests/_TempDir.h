// A per-process scratch folder for files the tests write.
#ifndef KELMAT_FTK_TESTS_TEMPDIR_H
#define KELMAT_FTK_TESTS_TEMPDIR_H

#include <filesystem>
#include <random>
#include <string>

inline std::string ScratchPath(const std::string& name) {
  static const std::filesystem::path dir = [] {
    std::random_device rd;
    auto d = std::filesystem::temp_directory_path() /
             ("lumora-ftk-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return (dir / name).string();
}

#endif
