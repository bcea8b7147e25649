// Chunk files: named chunks of raw bytes followed by a directory, the
// container of the game's binary data files.
//
// Layout (little-endian): the chunks' bytes in writing order; the directory,
// one 28-byte entry per chunk (20-byte flag "#" + name + "#" NUL-terminated
// and zero-filled, 4-byte offset, 4-byte length); the 4-byte entry count.
//
// One chunk is open at a time. Writing appends to the chunk begun last;
// reading seeks to a named chunk and refuses to start a read beyond its end
// (a read that starts inside may run past it: records of a known size rely on
// this). Callers create the object on the heap, Close it and delete it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// One directory entry as held in memory.
struct XChunkDirEntry {
    char flag[20];
    std::uint32_t offset;
    std::uint32_t length;
};

class XChunkFile {
public:
    static constexpr int kMaxChunks = 50;
    static constexpr int kFlagSize = 20;
    static constexpr int kEntrySize = 28;
    static constexpr int kPathSize = 260;

    XChunkFile() = default;
    XChunkFile(const XChunkFile&) = delete;
    XChunkFile& operator=(const XChunkFile&) = delete;
    // A file still open here is closed; an unfinished new file is dropped and
    // the old one stays.
    ~XChunkFile();

    // Write (a new file replaces any old one at Close) or read (loads the
    // directory). 1 or 0.
    int Open(const char* path, int write);
    // Write mode: writes the directory and the count and puts the new file in
    // place. 1 when nothing was open; in write mode whether the file reached
    // the disk; 0 after a file opened for reading.
    int Close();

    int BeginWriteChunk(const char* name);
    int EndWriteChunk();
    int Write(const void* data, unsigned length);

    int BeginReadChunk(const char* name);
    int EndReadChunk();
    int Read(void* buffer, int length);

    int m_Current = -1;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_File{nullptr, &std::fclose};
    int m_Writing = 0;
    char m_Path[kPathSize] = {};
    XChunkDirEntry m_Dir[kMaxChunks] = {};
    int m_Count = 0;
    int m_InChunk = 0;

private:
    std::string m_RealPath;  // the file on disk
    std::string m_TempPath;  // write mode: the new file until Close
    bool LoadDirectory();
    bool WriteRaw(const void* data, std::size_t length);
};
