// Fuzz target of binary frame files: any byte string is loaded as a frame
// through the frame manager. Nothing may read outside the file, and a frame
// that fails to load leaves no view behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "lumora/framework/LFrameManager.h"
#include "lumora/shell/Report.h"

namespace {

namespace fs = std::filesystem;

LFrameManager* Manager(fs::path* frameFile) {
    static fs::path root;
    static LFrameManager* manager = [] {
        std::error_code ec;
        const fs::path dir = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        root = dir / ("lumora-frame-fuzz-" + std::to_string(std::rand()));
        fs::create_directories(root / "2DBIT");
        fs::create_directories(root / "2DFRA");
        std::ofstream(root / "2DBIT" / "Media.txt") << "back;0;0;back.bmp;;\nsheet;3;2;s.bmp;0,0,4,4;1,2,3\n";
        SetMessageBoxHook([](platform::HWND, const char*, const char*, platform::UINT) { return 1; });
        auto* m = new LFrameManager();
        m->Init(nullptr, nullptr, nullptr, nullptr, nullptr, 0, (root.string() + "/").c_str(), 0);
        return m;
    }();
    *frameFile = root / "2DFRA" / "fuzz.fra";
    return manager;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fs::path file;
    LFrameManager* manager = Manager(&file);
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    if (LFrame* frame = manager->CreateFrame("fuzz", 0)) {
        manager->DrawFrames(nullptr);
        manager->CloseFrame(frame);
    }
    if (manager->CountFrames() != 0) std::abort();
    return 0;
}
