// Shared by the fuzz targets whose readers open files by name: each input is
// written to one file per process (in /dev/shm when there is one) and that
// file's path is handed to the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Writes the input; gives its path, or null when the file cannot be written.
inline const char* WriteFuzzInput(const char* extension, const std::uint8_t* data, std::size_t size) {
    static const std::string path = [extension] {
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm", ec)
                                              ? "/dev/shm"
                                              : std::filesystem::temp_directory_path();
        return (dir / ("lumora-fuzz-" + std::to_string(std::rand()) + extension)).string();
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return nullptr;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path.c_str();
}
