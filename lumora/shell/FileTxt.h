// A small text-file stream (install log and similar). Open leaves the
// position at the end of the file and records its size.
#pragma once

#include <cstdio>
#include <memory>

class XFileTxt {
public:
    XFileTxt() = default;
    XFileTxt(const XFileTxt&) = delete;
    XFileTxt& operator=(const XFileTxt&) = delete;
    ~XFileTxt() = default;  // closes the file

    // C modes "w", "a", "a+", "rt" ...; on failure a "Cannot open file %s"
    // warning and 0.
    int Open(const char* path, const char* mode);
    // The text and a line feed; 1 or 0.
    int WriteLine(const char* text);
    // Position from the start; 1, or 0 with a debug line.
    int Seek(long offset);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_File{nullptr, &std::fclose};
    long m_Size = 0;
};
