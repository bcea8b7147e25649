#include "platform/Present.h"

#include "platform/Bmp.h"
#include "platform/Files.h"
#include "platform/Time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

struct Presenter {
    std::mutex mutex;  // the capture may read from another thread
    std::vector<std::uint8_t> last;
    PixelView lastView{};
    bool haveLast = false;
    std::uint64_t frames = 0;
    std::string dumpFolder;
    bool dumpFailed = false;
    bool dumpFolderMade = false;

    Presenter() {
        if (const char* dir = std::getenv("LUMORA_FRAMES"); dir && *dir) dumpFolder = dir;
    }
};

Presenter& ThePresenter() {
    static Presenter p;
    return p;
}

}  // namespace

void Present(const PixelView& frame) {
    if (!frame.bits || frame.width <= 0 || frame.height <= 0 || frame.format == PixelFormat::PAL8) return;
    const int bpp = BytesPerPixel(frame.format);
    if (frame.pitch < frame.width * bpp && frame.height > 1) return;
    Presenter& p = ThePresenter();
    std::uint64_t number;
    std::string folder;
    {
        std::lock_guard lock(p.mutex);
        const std::size_t row = static_cast<std::size_t>(frame.width) * bpp;
        p.last.resize(row * static_cast<std::size_t>(frame.height));
        const auto* src = static_cast<const std::uint8_t*>(frame.bits);
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(p.last.data() + row * y, src + static_cast<std::ptrdiff_t>(frame.pitch) * y, row);
        p.lastView = PixelView{p.last.data(), frame.width, frame.height, static_cast<int>(row), frame.format};
        p.haveLast = true;
        number = ++p.frames;
        folder = p.dumpFolder;
        if (!folder.empty() && !p.dumpFolderMade) {
            MakeDirectory(folder);  // a missing last folder is made once
            p.dumpFolderMade = true;
        }
    }
    detail::TheBackend().Present(frame);
    if (!folder.empty()) {
        std::string path = FrameDumpPath(folder, number);
        if (!WriteBmpFile(path.c_str(), frame) && !p.dumpFailed) {
            p.dumpFailed = true;  // say it once, not at every frame
            std::fprintf(stderr, "LUMORA_FRAMES: cannot write %s\n", path.c_str());
        }
    }
    detail::AdvanceClockOneFrame();
}

bool GrabLastFrame(std::vector<std::uint8_t>& storage, PixelView& view) {
    Presenter& p = ThePresenter();
    std::lock_guard lock(p.mutex);
    if (!p.haveLast) return false;
    storage = p.last;
    view = p.lastView;
    view.bits = storage.data();
    return true;
}

std::uint64_t PresentedFrameCount() {
    Presenter& p = ThePresenter();
    std::lock_guard lock(p.mutex);
    return p.frames;
}

std::vector<DisplayMode> EnumDisplayModes() {
    std::vector<DisplayMode> modes{{640, 480, 16}};
    std::vector<DisplayMode> desk = detail::TheBackend().DesktopModes();
    std::sort(desk.begin(), desk.end(), [](const DisplayMode& a, const DisplayMode& b) {
        return a.width != b.width ? a.width > b.width : a.height > b.height;
    });
    for (DisplayMode m : desk) {
        m.bitsPerPixel = 16;
        bool seen = std::any_of(modes.begin(), modes.end(),
                                [&](const DisplayMode& k) { return k.width == m.width && k.height == m.height; });
        if (!seen && m.width > 0 && m.height > 0) modes.push_back(m);
    }
    return modes;
}

std::string FrameDumpPath(const std::string& folder, std::uint64_t number) {
    char name[40];
    std::snprintf(name, sizeof name, "frame_%06llu.bmp", static_cast<unsigned long long>(number));
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + name;
}

void SetFrameDumpFolder(const std::string& folder) {
    Presenter& p = ThePresenter();
    std::lock_guard lock(p.mutex);
    p.dumpFolder = folder;
    p.dumpFailed = false;
    p.dumpFolderMade = false;
}

}  // namespace platform
