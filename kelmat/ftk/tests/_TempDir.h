// A per-process scratch folder for files the tests write, on a memory file
// system when there is one (tests rewrite files many times), removed at exit.
#ifndef KELMAT_FTK_TESTS_TEMPDIR_H
#define KELMAT_FTK_TESTS_TEMPDIR_H

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

inline std::string ScratchPath(const std::string& name) {
  struct Folder {
    std::filesystem::path path;
    Folder() {
      std::random_device rd;
      const std::string leaf = "lumora-test-" + std::to_string(rd()) + std::to_string(rd());
      std::error_code ec;
      path = std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm") / leaf
                                                            : std::filesystem::temp_directory_path() / leaf;
      std::filesystem::create_directories(path, ec);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return (folder.path / name).string();
}

#endif
