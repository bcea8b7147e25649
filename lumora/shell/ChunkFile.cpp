#include "lumora/shell/ChunkFile.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lumora/shell/DataPath.h"
#include "lumora/shell/Report.h"

namespace {

void Put32(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v >> 16);
    out[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t Get32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

std::string MakeFlag(const char* name) {
    std::string flag = "#";
    flag += name ? name : "";
    flag += '#';
    return flag;
}

std::string_view FlagOf(const XChunkDirEntry& entry) {
    return std::string_view(entry.flag, strnlen(entry.flag, sizeof entry.flag));
}

}  // namespace

XChunkFile::~XChunkFile() {
    // A writer that was never closed leaves the old file as it was.
    if (m_File && m_Writing) {
        m_File.reset();
        std::remove(m_TempPath.c_str());
    }
}

int XChunkFile::Open(const char* path, int write) {
    if (m_File) Close();
    m_Current = -1;
    m_Writing = 0;
    m_Count = 0;
    m_InChunk = 0;
    std::memset(m_Dir, 0, sizeof m_Dir);
    m_Path[0] = '\0';

    const char* shown = path ? path : "";
    std::string real = write ? ResolveForWriting(shown) : ResolveForReading(shown);
    // A new file is written beside the old one and renamed over it by Close,
    // so a crash or a failed write never leaves a broken file behind.
    m_RealPath = real;
    m_TempPath = write && !real.empty() ? real + ".tmp" : std::string();
    if (!real.empty()) m_File.reset(std::fopen(write ? m_TempPath.c_str() : real.c_str(), write ? "wb" : "rb"));
    if (!m_File) {
        WarningBox("Cannot open file %s", shown);
        return 0;
    }
    m_Writing = write ? 1 : 0;
    std::strncpy(m_Path, shown, sizeof m_Path - 1);
    m_Path[sizeof m_Path - 1] = '\0';
    if (!m_Writing) LoadDirectory();
    return 1;
}

// Reads the count and the directory from the end of the file. A file too
// short to hold a count has no chunks. A count above the capacity, or a
// directory or chunk lying outside the file, leaves the file with no chunks.
bool XChunkFile::LoadDirectory() {
    std::FILE* file = m_File.get();
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    long fileSize = std::ftell(file);
    if (fileSize < 4) return false;
    const auto size = static_cast<std::uint64_t>(fileSize);

    std::uint8_t countBytes[4];
    if (std::fseek(file, fileSize - 4, SEEK_SET) != 0 || std::fread(countBytes, 1, 4, file) != 4) return false;
    std::uint32_t count = Get32(countBytes);
    if (count == 0) return true;
    if (count > static_cast<std::uint32_t>(kMaxChunks)) {
        WarningBox("Chunk file %s: %u chunks, at most %i are read", m_Path, count, kMaxChunks);
        return false;
    }
    const std::uint64_t dirSize = std::uint64_t{count} * kEntrySize;
    if (dirSize + 4 > size) {
        WarningBox("Chunk file %s: directory outside the file", m_Path);
        return false;
    }
    const std::uint64_t dataEnd = size - 4 - dirSize;
    std::vector<std::uint8_t> bytes(dirSize);
    if (std::fseek(file, static_cast<long>(dataEnd), SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        WarningBox("Chunk file %s: directory outside the file", m_Path);
        return false;
    }
    XChunkDirEntry entries[kMaxChunks] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* in = bytes.data() + i * kEntrySize;
        XChunkDirEntry& entry = entries[i];
        std::memcpy(entry.flag, in, kFlagSize);
        entry.flag[kFlagSize - 1] = '\0';
        entry.offset = Get32(in + 20);
        entry.length = Get32(in + 24);
        if (std::uint64_t{entry.offset} + entry.length > dataEnd) {
            WarningBox("Chunk file %s: chunk %s lies outside the file", m_Path, entry.flag);
            return false;
        }
    }
    std::memcpy(m_Dir, entries, sizeof entries);
    m_Count = static_cast<int>(count);
    return true;
}

bool XChunkFile::WriteRaw(const void* data, std::size_t length) {
    return m_File && std::fwrite(data, 1, length, m_File.get()) == length;
}

int XChunkFile::Close() {
    if (!m_File) return 1;
    int result = 0;
    if (m_Writing) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(m_Count) * kEntrySize + 4, 0);
        for (int i = 0; i < m_Count; ++i) {
            std::uint8_t* out = bytes.data() + static_cast<std::size_t>(i) * kEntrySize;
            std::string_view flag = FlagOf(m_Dir[i]);
            std::memcpy(out, flag.data(), flag.size());  // the rest stays zero
            Put32(out + 20, m_Dir[i].offset);
            Put32(out + 24, m_Dir[i].length);
        }
        Put32(bytes.data() + bytes.size() - 4, static_cast<std::uint32_t>(m_Count));
        bool written = WriteRaw(bytes.data(), bytes.size());
        if (!written) WarningBox("Error to write data");
        m_Writing = 0;
        // A failed flush means the directory never reached the disk.
        bool closed = std::fclose(m_File.release()) == 0;
        bool replaced = written && closed && std::rename(m_TempPath.c_str(), m_RealPath.c_str()) == 0;
        if (!replaced) {
            std::remove(m_TempPath.c_str());
            if (written) WarningBox("Error to write data");
        }
        result = replaced ? 1 : 0;
    } else {
        m_File.reset();
    }
    m_InChunk = 0;
    return result;
}

int XChunkFile::BeginWriteChunk(const char* name) {
    if (m_InChunk) {
        WarningBox("Error to BeginReadChunk before End another");
        return 0;
    }
    std::string flag = MakeFlag(name);
    if (flag.size() >= static_cast<std::size_t>(kFlagSize)) {
        WarningBox("Flag Chunk too long. Must < %i", kFlagSize);
        return 0;
    }
    for (int i = 0; i < m_Count; ++i) {
        if (FlagOf(m_Dir[i]) == flag) {
            WarningBox("Chunk %s already exist int file %s", flag.c_str(), m_Path);
            return 0;
        }
    }
    if (m_Count >= kMaxChunks) {
        WarningBox("Chunk file %s: at most %i chunks", m_Path, kMaxChunks);
        return 0;
    }
    long position = m_File ? std::ftell(m_File.get()) : -1;
    if (position < 0) {
        WarningBox("Error to write data");
        return 0;
    }
    XChunkDirEntry& entry = m_Dir[m_Count];
    std::memset(entry.flag, 0, sizeof entry.flag);
    std::memcpy(entry.flag, flag.data(), flag.size());
    entry.offset = static_cast<std::uint32_t>(position);
    entry.length = 0;
    m_Current = m_Count;
    ++m_Count;
    m_InChunk = 1;
    return 1;
}

int XChunkFile::EndWriteChunk() {
    m_InChunk = 0;
    return 1;
}

int XChunkFile::Write(const void* data, unsigned length) {
    if (length == 0) return 1;
    if (!data || !WriteRaw(data, length)) {
        WarningBox("Error to write data");
        return 0;
    }
    // Writing always extends the chunk begun last.
    if (m_Count > 0) m_Dir[m_Count - 1].length += length;
    return 1;
}

int XChunkFile::BeginReadChunk(const char* name) {
    if (m_InChunk) {
        WarningBox("Error BeginReadChunk: Must End one and begin another");
        return 0;
    }
    std::string flag = MakeFlag(name);
    m_Current = -1;
    for (int i = 0; i < m_Count; ++i) {
        if (FlagOf(m_Dir[i]) == flag) {
            m_Current = i;
            break;
        }
    }
    if (m_Current < 0) {
        // A missing chunk is normal (older saved games): no box.
        DebugOut("Alerte: Cannot to find the chunk Flag %s", name ? name : "");
        return 0;
    }
    if (!m_File || std::fseek(m_File.get(), static_cast<long>(m_Dir[m_Current].offset), SEEK_SET) != 0) {
        WarningBox("Error: BeginReadChunk cannot to seek the chunk offset");
        return 0;
    }
    m_InChunk = 1;
    return 1;
}

int XChunkFile::EndReadChunk() {
    m_InChunk = 0;
    return 1;
}

int XChunkFile::Read(void* buffer, int length) {
    if (!m_File || m_Current < 0 || m_Current >= m_Count) return 0;
    if (length < 0 || (!buffer && length > 0)) {
        WarningBox("Error to read data");
        return 0;
    }
    long position = std::ftell(m_File.get());
    const XChunkDirEntry& chunk = m_Dir[m_Current];
    // Only the start of a read is held to the chunk: once it is exhausted,
    // reads fail silently.
    if (position < 0 || static_cast<std::uint64_t>(position) >= std::uint64_t{chunk.offset} + chunk.length) return 0;
    auto wanted = static_cast<std::size_t>(length);
    if (std::fread(buffer, 1, wanted, m_File.get()) != wanted) {
        WarningBox("Error to read data");
        return 0;
    }
    return 1;
}
