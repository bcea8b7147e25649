// Open-file table of the 3D Studio file toolkit: at most 252 files open at
// once, each in a numbered slot. Reads are positioned and bounded by the file
// size, so nothing is ever read outside the file.
#ifndef KELMAT_FTK_FTKFILE_H
#define KELMAT_FTK_FTKFILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ftk {

constexpr int kMaxOpenFiles = 252;
constexpr int kNoSlot = 255;

enum class FileMode { Read, Write };

struct File {
  std::string path;
  FileMode mode = FileMode::Read;
  std::FILE* handle = nullptr;
  int slot = kNoSlot;
  uint64_t size = 0;  // bytes in the file when it was opened for reading
};

// Opens path; the first 'r' or 'w' within the first 30 characters of mode
// chooses reading ("rb") or writing ("wb"). A path already open in the same
// mode gives back that file; in the other mode it is closed first.
// Null on failure, with an error recorded.
File* OpenFile(const char* path, const char* mode);

// Closes the file and frees its slot; the record is released. False (with
// ERR_CLOSING_FILE) when the system refuses the close.
bool CloseFile(File* file);

// Number of slots in use.
int OpenFileCount();

// Copies n bytes from offset pos. Records ERR_READING_FILE and returns false
// when any of them lies beyond the end of the file or the read fails.
bool ReadAt(File* file, uint64_t pos, void* out, std::size_t n);

}  // namespace ftk

#endif
