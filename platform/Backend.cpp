#include "platform/Backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

bool DisplayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

std::unique_ptr<detail::Backend> MakeChosenBackend() {
    const char* env = std::getenv("LUMORA_BACKEND");
    bool wantSdl = DisplayAvailable();
    if (env && *env) {
        if (std::strcmp(env, "sdl") == 0) {
            wantSdl = true;
        } else if (std::strcmp(env, "headless") == 0) {
            wantSdl = false;
        } else {
            std::fprintf(stderr, "LUMORA_BACKEND: unknown backend \"%s\" (sdl or headless)\n", env);
        }
    }
    if (wantSdl) {
        if (auto sdl = detail::MakeSdlBackend()) return sdl;
        std::fprintf(stderr, "LUMORA_BACKEND: the sdl backend cannot start, running headless\n");
    }
    return detail::MakeHeadlessBackend();
}

}  // namespace

BackendKind CurrentBackend() { return detail::TheBackend().Kind(); }

const char* BackendName(BackendKind kind) { return kind == BackendKind::Sdl ? "sdl" : "headless"; }

namespace detail {

Backend& TheBackend() {
    static std::unique_ptr<Backend> backend = MakeChosenBackend();
    return *backend;
}

RECT LetterboxRect(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight) {
    RECT r{};
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) return r;
    // Compare the aspects with integers: widthW / heightW against widthP / heightP.
    long long lhs = static_cast<long long>(windowWidth) * pictureHeight;
    long long rhs = static_cast<long long>(pictureWidth) * windowHeight;
    int w = windowWidth;
    int h = windowHeight;
    if (lhs > rhs) {
        w = static_cast<int>(rhs / pictureHeight);  // window wider: bars left and right
    } else if (lhs < rhs) {
        h = static_cast<int>(lhs / pictureWidth);  // window taller: bars top and bottom
    }
    r.left = (windowWidth - w) / 2;
    r.top = (windowHeight - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

POINT WindowToClient(int x, int y, int windowWidth, int windowHeight, int clientWidth, int clientHeight) {
    RECT r = LetterboxRect(clientWidth, clientHeight, windowWidth, windowHeight);
    const long long w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return POINT{x, y};
    // Floor division, so points left of or above the picture stay negative.
    auto floorDiv = [](long long a, long long b) { return static_cast<LONG>(a >= 0 ? a / b : -((-a + b - 1) / b)); };
    return POINT{floorDiv((x - r.left) * static_cast<long long>(clientWidth), w),
                 floorDiv((y - r.top) * static_cast<long long>(clientHeight), h)};
}

}  // namespace detail
}  // namespace platform
