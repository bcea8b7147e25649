// The bitmap archive: pictures stored as ready-made 5-6-5 pixels, so that
// screens open without converting bitmaps. "BDataHeader.vit" in "2DBIT/"
// lists the pictures; their pixels lie in "BData1.arn", "BData2.arn" ...
//
// Header (little-endian int32): pixel depth, entry count N, archive file
// count K, then N entries of: name (32 bytes, NUL-terminated), rectangle
// (left, top, right, bottom), archive file number (1 to K), size in bytes.
// A picture is `bottom` rows of `right` pixels; its offset in its archive
// file is the sum of the sizes of the earlier entries of that file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/FrameFormat.h"

class LBitmapReader : public LBitmapSource {
public:
    static constexpr const char* kHeaderName = "BDataHeader.vit";
    static constexpr int kHeaderSize = 12;
    static constexpr int kEntrySize = 56;
    static constexpr int kDepth = 16;
    static constexpr int kMaxArchiveFiles = 999;

    struct Entry {
        char name[kFrameNameSize] = {};
        platform::RECT rect{0, 0, 0, 0};
        int file = 0;  // 1-based
        std::uint32_t size = 0;
        std::uint64_t offset = 0;
    };

    // mediaFolder is the data root's "2DBIT/".
    explicit LBitmapReader(const std::string& mediaFolder);
    ~LBitmapReader() override;

    // Reads the header; 0 when it is missing or damaged (the archive is then
    // not used).
    int Open();
    // The same on header bytes held in memory (tests, fuzzing).
    int ReadHeader(const std::uint8_t* data, std::size_t size);
    // Opens every archive file; 0 when one is missing.
    int OpenArchives();
    // Whether pictures can go into surfaces of this format: only 16-bit
    // 5-6-5 surfaces take the archive's pixels as they are.
    int CheckPixelFormat() const;
    void SetPixelFormat(platform::PixelFormat format) { m_Format = format; }
    // Whether the archive is open and fits the display.
    int IsUsable() const { return m_Open && CheckPixelFormat(); }

    // A new off-screen surface holding the named picture (names are matched
    // without regard to case), or null.
    platform::DirectDrawSurface* LoadBitmap(platform::DirectDraw* dd, const char* name,
                                            platform::RECT* outRect) override;

    int CountEntries() const { return static_cast<int>(m_Entries.size()); }
    const Entry* FindEntry(const char* name) const;
    int GetDepth() const { return m_Depth; }
    int GetArchiveCount() const { return m_ArchiveCount; }

private:
    std::string m_Folder;
    int m_Depth = 0;
    int m_ArchiveCount = 0;
    std::vector<Entry> m_Entries;
    std::unordered_map<std::string, std::size_t> m_Index;  // lower-case name -> entry
    std::vector<std::unique_ptr<std::ifstream>> m_Archives;  // file k at k - 1
    std::vector<std::uint64_t> m_ArchiveSizes;               // bytes of file k at k - 1
    platform::PixelFormat m_Format = platform::PixelFormat::RGB565;
    int m_Open = 0;
};

// The archive file name of number k: "BData" + k + ".arn".
std::string ArchiveFileName(int k);

// Archive writing, shared by the packing tool and the tests: the header bytes
// for the entries, offsets computed from the order.
std::vector<std::uint8_t> BuildArchiveHeader(const std::vector<LBitmapReader::Entry>& entries, int archiveCount);
