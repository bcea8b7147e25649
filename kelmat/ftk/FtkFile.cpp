#include "kelmat/ftk/FtkFile.h"

#include <array>
#include <climits>
#include <cstring>
#include <new>

#include "kelmat/ftk/FtkError.h"

namespace ftk {
namespace {

std::array<File*, kMaxOpenFiles>& Table() {
  static std::array<File*, kMaxOpenFiles> table{};
  return table;
}

bool ParseMode(const char* mode, FileMode& out) {
  for (int i = 0; i < 30 && mode[i] != '\0'; ++i) {
    if (mode[i] == 'r') {
      out = FileMode::Read;
      return true;
    }
    if (mode[i] == 'w') {
      out = FileMode::Write;
      return true;
    }
  }
  return false;
}

}  // namespace

File* OpenFile(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) {
    PushError(ERR_INVALID_ARG);
    return nullptr;
  }
  FileMode wanted;
  if (!ParseMode(mode, wanted)) {
    PushError(ERR_INIT_FAILED);
    return nullptr;
  }
  auto& table = Table();
  for (File* open : table) {
    if (open != nullptr && open->path == path) {
      if (open->mode == wanted) return open;
      if (!CloseFile(open)) return nullptr;
      break;
    }
  }
  int slot = -1;
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    if (table[i] == nullptr) {
      slot = i;
      break;
    }
  }
  if (slot < 0) {
    PushError(ERR_TOO_MANY_FILES);
    return nullptr;
  }
  File* file = new (std::nothrow) File;
  if (file == nullptr) {
    PushError(ERR_NO_MEM);
    return nullptr;
  }
  file->path = path;
  file->mode = wanted;
  file->handle = std::fopen(path, wanted == FileMode::Read ? "rb" : "wb");
  if (file->handle == nullptr) {
    delete file;
    PushError(ERR_OPENING_FILE);
    return nullptr;
  }
  if (wanted == FileMode::Read) {
    if (std::fseek(file->handle, 0, SEEK_END) == 0) {
      long end = std::ftell(file->handle);
      file->size = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::rewind(file->handle);
  }
  file->slot = slot;
  table[slot] = file;
  return file;
}

bool CloseFile(File* file) {
  if (file == nullptr) {
    PushError(ERR_INVALID_ARG);
    return false;
  }
  auto& table = Table();
  if (file->slot >= 0 && file->slot < kMaxOpenFiles && table[file->slot] == file) {
    table[file->slot] = nullptr;
  }
  file->slot = kNoSlot;
  bool ok = file->handle == nullptr || std::fclose(file->handle) == 0;
  delete file;
  if (!ok) PushError(ERR_CLOSING_FILE);
  return ok;
}

int OpenFileCount() {
  int n = 0;
  for (File* f : Table()) n += f != nullptr;
  return n;
}

bool ReadAt(File* file, uint64_t pos, void* out, std::size_t n) {
  if (file == nullptr || file->handle == nullptr || file->mode != FileMode::Read) {
    PushError(ERR_READING_FILE);
    return false;
  }
  if (pos > file->size || n > file->size - pos) {
    PushError(ERR_READING_FILE);
    return false;
  }
  if (n == 0) return true;
  if (pos > static_cast<uint64_t>(LONG_MAX) ||
      std::fseek(file->handle, static_cast<long>(pos), SEEK_SET) != 0 ||
      std::fread(out, 1, n, file->handle) != n) {
    PushError(ERR_READING_FILE);
    return false;
  }
  return true;
}

}  // namespace ftk
