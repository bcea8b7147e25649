// Fuzz target of the bitmap archive: any byte string is read as
// "BDataHeader.vit" beside two small archive files, and every picture the
// header names is loaded. Nothing may read outside the files or make a
// surface larger than what the files can fill.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "lumora/framework/LBitmapReader.h"
#include "lumora/shell/Report.h"
#include "platform/Surface.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
    static const fs::path folder = [] {
        std::error_code ec;
        const fs::path dir = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path f = dir / ("lumora-archive-fuzz-" + std::to_string(std::rand()));
        fs::create_directories(f);
        std::ofstream(f / "BData1.arn", std::ios::binary) << std::string(4096, '\x5A');
        std::ofstream(f / "BData2.arn", std::ios::binary) << std::string(100, '\x11');
        SetMessageBoxHook([](platform::HWND, const char*, const char*, platform::UINT) { return 1; });
        SetDebugOutSink([](std::string_view) {});
        return f;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::DirectDraw* dd = [] {
        platform::DirectDraw* d = nullptr;
        platform::DirectDrawCreate(nullptr, &d);
        return d;
    }();
    const fs::path& folder = Folder();
    {
        std::ofstream out(folder / LBitmapReader::kHeaderName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    LBitmapReader reader(folder.string() + "/");
    reader.SetPixelFormat(platform::PixelFormat::RGB565);
    if (!reader.Open()) return 0;
    for (int i = 0; i < reader.CountEntries() && i < 64; ++i) {
        const std::uint8_t* entry = data + LBitmapReader::kHeaderSize + static_cast<std::size_t>(i) * LBitmapReader::kEntrySize;
        char name[kFrameNameSize] = {};
        for (int c = 0; c < kFrameNameSize - 1 && entry[c]; ++c) name[c] = static_cast<char>(entry[c]);
        platform::RECT r;
        if (platform::DirectDrawSurface* s = reader.LoadBitmap(dd, name, &r)) {
            if (s->Width() != r.right || s->Height() != r.bottom) std::abort();
            s->Release();
        }
    }
    return 0;
}
