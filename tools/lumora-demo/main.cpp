// lumora-demo: a small interactive screen drawn through the host layer while
// the game itself is not there yet. It shows text, a bitmap, the pointer and
// the keys pressed, and ends on Escape or the window's close button.
// Headless it plays LUMORA_INPUT and ends once the script is spent.
#include "platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct DemoState {
    POINT mouse{-1, -1};
    int clicks = 0;
    int doubleClicks = 0;
    int rightClicks = 0;
    std::string typed;
    std::vector<std::string> keys;  // most recent last
    bool active = false;
    bool quit = false;
};

DemoState g_state;

std::string KeyName(UINT vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
    if (vk >= VK_F1 && vk <= VK_F12) return "F" + std::to_string(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return "NUMPAD" + std::to_string(vk - VK_NUMPAD0);
    switch (vk) {
    case VK_ESCAPE: return "ESCAPE";
    case VK_RETURN: return "RETURN";
    case VK_SPACE: return "SPACE";
    case VK_BACK: return "BACK";
    case VK_TAB: return "TAB";
    case VK_SHIFT: return "SHIFT";
    case VK_CONTROL: return "CONTROL";
    case VK_MENU: return "ALT";
    case VK_LEFT: return "LEFT";
    case VK_RIGHT: return "RIGHT";
    case VK_UP: return "UP";
    case VK_DOWN: return "DOWN";
    case VK_PRIOR: return "PAGEUP";
    case VK_NEXT: return "PAGEDOWN";
    case VK_INSERT: return "INSERT";
    case VK_DELETE: return "DELETE";
    case VK_HOME: return "HOME";
    case VK_END: return "END";
    default: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", vk);
        return hex;
    }
    }
}

LRESULT DemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DemoState& s = g_state;
    switch (message) {
    case WM_ACTIVATEAPP:
        s.active = wParam != 0;
        return 0;
    case WM_KEYDOWN:
        if (!(lParam & (1 << 30))) {  // first press, not auto-repeat
            s.keys.push_back(KeyName(static_cast<UINT>(wParam)));
            if (s.keys.size() > 8) s.keys.erase(s.keys.begin());
        }
        if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
        return 0;
    case WM_CHAR:
        if (wParam == 0x08) {
            if (!s.typed.empty()) s.typed.pop_back();
        } else if (wParam >= 0x20) {
            // Characters arrive as Windows-1252; keep them as UTF-8 for drawing.
            unsigned c = static_cast<unsigned>(wParam);
            if (c < 0x80) {
                s.typed += static_cast<char>(c);
            } else {
                s.typed += static_cast<char>(0xC0 | (c >> 6));
                s.typed += static_cast<char>(0x80 | (c & 0x3F));
            }
            if (s.typed.size() > 40) s.typed.erase(0, s.typed.size() - 40);
        }
        return 0;
    case WM_MOUSEMOVE:
        s.mouse = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        return 0;
    case WM_LBUTTONDOWN:
        s.mouse = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ++s.clicks;
        return 0;
    case WM_LBUTTONDBLCLK:
        ++s.doubleClicks;
        return 0;
    case WM_RBUTTONDOWN:
        ++s.rightClicks;
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

// A small painter's palette: colour wheel bands over a vertical fade.
std::vector<std::uint8_t> MakePaletteBitmap(int w, int h) {
    std::vector<std::uint16_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int band = x * 6 / w, t = x * 6 * 255 / w - band * 255;
            int r = 0, g = 0, b = 0;
            switch (band) {
            case 0: r = 255; g = t; break;
            case 1: r = 255 - t; g = 255; break;
            case 2: g = 255; b = t; break;
            case 3: g = 255 - t; b = 255; break;
            case 4: r = t; b = 255; break;
            default: r = 255; b = 255 - t; break;
            }
            int shade = 255 - y * 200 / h;
            px[static_cast<size_t>(y) * w + x] = Rgb888To565(r * shade / 255, g * shade / 255, b * shade / 255);
        }
    }
    return EncodeBmp(PixelView{px.data(), w, h, w * 2, PixelFormat::RGB565});
}

void Fill(const PixelView& v, RECT r, std::uint16_t colour) {
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, v.width);
    r.bottom = std::min<LONG>(r.bottom, v.height);
    for (LONG y = r.top; y < r.bottom; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(v.bits) + y * v.pitch);
        for (LONG x = r.left; x < r.right; ++x) row[x] = colour;
    }
}

void Text(const PixelView& v, int x, int y, const std::string& text, COLORREF colour, int height = -16,
          bool bold = false) {
    TextStyle style;
    style.height = height;
    style.bold = bold;
    style.color = colour;
    DrawText(v, RECT{x, y, kWidth - 8, y + 40}, text, style);
}

void Draw(const PixelView& v, const BmpImage& picture, bool havePicture) {
    const DemoState& s = g_state;
    for (int y = 0; y < kHeight; ++y)
        Fill(v, RECT{0, y, kWidth, y + 1}, Rgb888To565(20, 24 + y / 12, 40 + y / 6));
    Text(v, 24, 20, "Lumora", RGB(255, 230, 160), -40, true);
    Text(v, 26, 70, std::string("Host layer demo, backend ") + BackendName(CurrentBackend()), RGB(220, 220, 230));
    if (havePicture) {
        PixelView area = v;
        area.bits = static_cast<std::uint8_t*>(v.bits) + 24 * v.pitch + 480 * 2;
        area.width = picture.width;
        area.height = picture.height;
        CopyBmpToView(picture, area);
        Fill(v, RECT{478, 22, 482 + picture.width, 24}, 0xFFFF);
        Fill(v, RECT{478, 24 + picture.height, 482 + picture.width, 26 + picture.height}, 0xFFFF);
    }
    char line[160];
    std::snprintf(line, sizeof line, "Mouse: %ld, %ld", static_cast<long>(s.mouse.x), static_cast<long>(s.mouse.y));
    Text(v, 26, 130, line, RGB(255, 255, 255));
    std::snprintf(line, sizeof line, "Clicks: %d   double: %d   right: %d", s.clicks, s.doubleClicks, s.rightClicks);
    Text(v, 26, 160, line, RGB(255, 255, 255));
    std::string keys = "Keys:";
    for (const std::string& k : s.keys) keys += " " + k;
    Text(v, 26, 190, keys, RGB(255, 255, 255));
    Text(v, 26, 220, "Typed: " + s.typed, RGB(255, 255, 255));
    std::snprintf(line, sizeof line, "Clock: %lu ms   %s", static_cast<unsigned long>(timeGetTime()),
                  s.active ? "active" : "inactive");
    Text(v, 26, 250, line, RGB(180, 200, 255));
    Text(v, 26, 440, "Escape or the close button quits", RGB(160, 160, 170));
    // The pointer: a small cross.
    if (s.mouse.x >= 0 && s.mouse.y >= 0) {
        Fill(v, RECT{s.mouse.x - 6, s.mouse.y, s.mouse.x + 7, s.mouse.y + 1}, 0xFFE0);
        Fill(v, RECT{s.mouse.x, s.mouse.y - 6, s.mouse.x + 1, s.mouse.y + 7}, 0xFFE0);
    }
}

}  // namespace

int main() {
    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DemoProc;
    wc.lpszClassName = "LumoraDemo";
    if (!RegisterClass(&wc)) return 1;
    HWND hwnd = CreateWindow("LumoraDemo", "Lumora", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);

    BmpImage picture;
    std::vector<std::uint8_t> file = MakePaletteBitmap(128, 96);
    std::string error;
    bool havePicture = DecodeBmp(file.data(), file.size(), &picture, &error);
    if (!havePicture) std::fprintf(stderr, "lumora-demo: bitmap: %s\n", error.c_str());

    const bool headless = CurrentBackend() == BackendKind::Headless;
    std::vector<std::uint16_t> frame(static_cast<size_t>(kWidth) * kHeight);
    PixelView view{frame.data(), kWidth, kHeight, kWidth * 2, PixelFormat::RGB565};
    std::uint64_t frames = 0;
    int idleFrames = 0;
    for (;;) {
        if (!PumpMessages()) break;
        Draw(view, picture, havePicture);
        Present(view);
        ++frames;
        if (headless) {
            // Nobody can type here: end once the script (if any) is spent.
            idleFrames = PendingScriptedEvents() == 0 ? idleFrames + 1 : 0;
            if (idleFrames > 2) break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    std::string keys;
    for (const std::string& k : g_state.keys) keys += (keys.empty() ? "" : " ") + k;
    std::printf("lumora-demo: frames %llu, mouse %ld %ld, clicks %d, double clicks %d, keys \"%s\", typed \"%s\"\n",
                static_cast<unsigned long long>(frames), static_cast<long>(g_state.mouse.x),
                static_cast<long>(g_state.mouse.y), g_state.clicks, g_state.doubleClicks, keys.c_str(),
                g_state.typed.c_str());
    return 0;
}
