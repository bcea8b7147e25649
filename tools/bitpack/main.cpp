// bitpack: packs every Windows bitmap of a folder into the bitmap archive
// ("BDataHeader.vit", "BData1.arn", "BData2.arn" ...), in 5-6-5 pixels
// converted exactly as the game converts bitmap files, so a data pack can
// ship either form. Each picture is named by its file name, as "Media.txt"
// names it.
//
//     bitpack PICTURES_FOLDER OUT_FOLDER [--file-size BYTES]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "lumora/framework/LBitmapReader.h"
#include "platform/Bmp.h"
#include "platform/Files.h"

using namespace platform;

namespace {

// Pictures go into one archive file until it would pass this size.
constexpr std::uint64_t kDefaultFileSize = 32u << 20;

int Usage() {
    std::fprintf(stderr, "usage: bitpack PICTURES_FOLDER OUT_FOLDER [--file-size BYTES]\n");
    return 2;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string OutPath(const std::string& folder, const std::string& name) {
    std::string path = ResolvePathForCreate(folder, name);
    return path.empty() ? folder + "/" + name : path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return Usage();
    std::uint64_t fileSize = kDefaultFileSize;
    if (argc == 5) {
        if (std::strcmp(argv[3], "--file-size") != 0) return Usage();
        fileSize = std::strtoull(argv[4], nullptr, 10);
        if (fileSize == 0) return Usage();
    }
    const std::string in = ResolvePath(argv[1]);
    const std::string out = ResolvePath(argv[2]);
    if (in.empty()) {
        std::fprintf(stderr, "bitpack: no folder %s\n", argv[1]);
        return 1;
    }
    if (out.empty()) {
        std::fprintf(stderr, "bitpack: no folder %s\n", argv[2]);
        return 1;
    }
    std::vector<DirEntry> files = ListDirectory(in, "*.bmp");
    std::sort(files.begin(), files.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });

    std::vector<LBitmapReader::Entry> entries;
    std::vector<std::vector<std::uint8_t>> archives;
    std::uint64_t current = 0;
    int skipped = 0;
    for (const DirEntry& file : files) {
        if (file.directory) continue;
        if (file.name.size() >= static_cast<std::size_t>(kFrameNameSize)) {
            std::fprintf(stderr, "bitpack: %s: name longer than %d characters, left out\n", file.name.c_str(),
                         kFrameNameSize - 1);
            ++skipped;
            continue;
        }
        BmpImage image;
        std::string error;
        const std::string path = ResolvePath(in, file.name);
        if (!ReadBmpFile(path.c_str(), &image, &error)) {
            std::fprintf(stderr, "bitpack: %s: %s, left out\n", file.name.c_str(), error.c_str());
            ++skipped;
            continue;
        }
        // The same conversion as a bitmap file loaded into a 5-6-5 surface.
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(image.width) * image.height * 2);
        PixelView view;
        view.bits = pixels.data();
        view.width = image.width;
        view.height = image.height;
        view.pitch = image.width * 2;
        view.format = PixelFormat::RGB565;
        if (!CopyBmpToView(image, view)) {
            std::fprintf(stderr, "bitpack: %s: cannot convert, left out\n", file.name.c_str());
            ++skipped;
            continue;
        }
        if (archives.empty() || (current > 0 && current + pixels.size() > fileSize)) {
            archives.emplace_back();
            current = 0;
        }
        LBitmapReader::Entry e;
        std::memcpy(e.name, file.name.c_str(), file.name.size() + 1);
        e.rect = RECT{0, 0, image.width, image.height};
        e.file = static_cast<int>(archives.size());
        e.size = static_cast<std::uint32_t>(pixels.size());
        entries.push_back(e);
        archives.back().insert(archives.back().end(), pixels.begin(), pixels.end());
        current += pixels.size();
    }
    if (archives.empty()) archives.emplace_back();

    for (std::size_t k = 0; k < archives.size(); ++k) {
        const std::string path = OutPath(out, ArchiveFileName(static_cast<int>(k) + 1));
        if (!WriteBytes(path, archives[k])) {
            std::fprintf(stderr, "bitpack: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const std::string header = OutPath(out, LBitmapReader::kHeaderName);
    if (!WriteBytes(header, BuildArchiveHeader(entries, static_cast<int>(archives.size())))) {
        std::fprintf(stderr, "bitpack: cannot write %s\n", header.c_str());
        return 1;
    }
    std::printf("bitpack: %zu pictures in %zu archive files, %d left out\n", entries.size(), archives.size(), skipped);
    return skipped == 0 ? 0 : 1;
}
