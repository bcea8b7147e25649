// The SDL2 backend: one real window showing the picture scaled with its
// aspect kept, keyboard, mouse, focus and message boxes. Full screen is the
// desktop-sized window; the client area keeps its picture size and pointer
// positions are mapped back into it.
#include "platform/Backend.h"

#include "platform/MessageBox.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

namespace platform::detail {
namespace {

UINT VkFromSdl(const SDL_Keysym& key) {
    SDL_Scancode sc = key.scancode;
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
        // Letters follow the layout, as Windows virtual keys do.
        if (key.sym >= 'a' && key.sym <= 'z') return static_cast<UINT>(key.sym - 'a' + 'A');
        return static_cast<UINT>('A' + (sc - SDL_SCANCODE_A));
    }
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return static_cast<UINT>('1' + (sc - SDL_SCANCODE_1));
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + static_cast<UINT>(sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD1 + static_cast<UINT>(sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    default: return 0;
    }
}

Uint32 SdlFormat(PixelFormat f) {
    switch (f) {
    case PixelFormat::RGB565: return SDL_PIXELFORMAT_RGB565;
    case PixelFormat::RGB555: return SDL_PIXELFORMAT_RGB555;
    case PixelFormat::XRGB8888: return SDL_PIXELFORMAT_RGB888;
    default: return SDL_PIXELFORMAT_UNKNOWN;
    }
}

class SdlBackend final : public Backend {
public:
    bool Start() {
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
            return false;
        }
        wakeEvent_ = SDL_RegisterEvents(1);
        return true;
    }

    ~SdlBackend() override {
        DestroyHostWindow();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }

    BackendKind Kind() const override { return BackendKind::Sdl; }

    void PumpEvents() override {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Translate(e);
    }

    void WaitEvents(int timeoutMs) override {
        if (timeoutMs < 0)
            SDL_WaitEvent(nullptr);
        else
            SDL_WaitEventTimeout(nullptr, timeoutMs);
    }

    void Wake() override {
        if (wakeEvent_ == static_cast<Uint32>(-1)) return;
        SDL_Event e{};
        e.type = wakeEvent_;
        SDL_PushEvent(&e);
    }

    void CreateHostWindow(const std::string& title, int width, int height) override {
        DestroyHostWindow();
        window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
        if (!window_) {
            std::fprintf(stderr, "SDL: cannot create the window: %s\n", SDL_GetError());
            return;
        }
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
        if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) std::fprintf(stderr, "SDL: cannot create a renderer: %s\n", SDL_GetError());
    }

    void DestroyHostWindow() override {
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
    }

    void SetTitle(const std::string& title) override {
        if (window_) SDL_SetWindowTitle(window_, title.c_str());
    }

    void SetVisible(bool visible) override {
        if (!window_) return;
        if (visible) {
            SDL_ShowWindow(window_);
            SDL_RaiseWindow(window_);
        } else {
            SDL_HideWindow(window_);
        }
    }

    void Minimize() override {
        if (window_) SDL_MinimizeWindow(window_);
    }
    void Restore() override {
        if (window_) SDL_RestoreWindow(window_);
    }

    void SetFullScreen(bool fullScreen) override {
        if (window_) SDL_SetWindowFullscreen(window_, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        Repaint();
    }

    void SetClientSize(int width, int height) override {
        if (window_ && !(SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP))
            SDL_SetWindowSize(window_, width, height);
    }

    void SetPosition(int x, int y) override {
        if (window_) SDL_SetWindowPosition(window_, x, y);
    }

    void ShowSystemCursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

    void WarpMouse(int clientX, int clientY) override {
        if (!window_) return;
        RECT r = PictureInWindow();
        int cw, ch;
        MainClientSize(cw, ch);
        if (cw <= 0 || ch <= 0) return;
        int x = r.left + static_cast<int>(static_cast<long long>(clientX) * (r.right - r.left) / cw);
        int y = r.top + static_cast<int>(static_cast<long long>(clientY) * (r.bottom - r.top) / ch);
        SDL_WarpMouseInWindow(window_, x, y);
    }

    RECT DesktopRect() override {
        SDL_Rect b{0, 0, 1024, 768};
        SDL_GetDisplayBounds(0, &b);
        return RECT{b.x, b.y, b.x + b.w, b.y + b.h};
    }

    RECT WorkArea() override {
        SDL_Rect b{};
        if (SDL_GetDisplayUsableBounds(0, &b) != 0) return DesktopRect();
        return RECT{b.x, b.y, b.x + b.w, b.y + b.h};
    }

    std::vector<DisplayMode> DesktopModes() override {
        std::vector<DisplayMode> modes;
        int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(0, i, &m) == 0) modes.push_back(DisplayMode{m.w, m.h, 16});
        }
        if (modes.empty()) {
            RECT d = DesktopRect();
            modes.push_back(DisplayMode{d.right - d.left, d.bottom - d.top, 16});
        }
        return modes;
    }

    void Present(const PixelView& frame) override {
        if (!renderer_) return;
        // 5-5-5 frames are widened to 5-6-5 while uploading: one pass here is
        // much cheaper than the renderer's own conversion at every draw.
        const bool widen = frame.format == PixelFormat::RGB555;
        Uint32 format = widen ? Uint32{SDL_PIXELFORMAT_RGB565} : SdlFormat(frame.format);
        if (format == SDL_PIXELFORMAT_UNKNOWN) return;
        if (!texture_ || texWidth_ != frame.width || texHeight_ != frame.height || texFormat_ != format) {
            if (texture_) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
            texWidth_ = frame.width;
            texHeight_ = frame.height;
            texFormat_ = format;
            if (!texture_) return;
        }
        if (widen) {
            void* pixels = nullptr;
            int pitch = 0;
            if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
            for (int y = 0; y < frame.height; ++y) {
                const auto* src = reinterpret_cast<const std::uint16_t*>(static_cast<const std::uint8_t*>(frame.bits) +
                                                                         static_cast<std::ptrdiff_t>(y) * frame.pitch);
                auto* dst = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(pixels) +
                                                             static_cast<std::ptrdiff_t>(y) * pitch);
                for (int x = 0; x < frame.width; ++x) dst[x] = Rgb555To565(src[x]);
            }
            SDL_UnlockTexture(texture_);
        } else {
            SDL_UpdateTexture(texture_, nullptr, frame.bits, frame.pitch);
        }
        Repaint();
    }

    int ShowMessageBox(const char* text, const char* caption, UINT type) override {
        std::vector<int> ids = MessageBoxButtons(type);
        const int def = MessageBoxDefault(type);
        static const char* const kLabels[] = {"", "OK", "Cancel", "", "Retry", "", "Yes", "No"};
        std::vector<SDL_MessageBoxButtonData> buttons;
        for (int id : ids) {
            SDL_MessageBoxButtonData b{};
            b.buttonid = id;
            b.text = kLabels[id];
            if (id == def) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (id == IDCANCEL || (id == IDNO && ids.size() == 2) || ids.size() == 1)
                b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            buttons.push_back(b);
        }
        SDL_MessageBoxData data{};
        UINT icon = type & MB_ICONMASK;
        data.flags = icon == MB_ICONERROR ? SDL_MESSAGEBOX_ERROR
                     : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                              : SDL_MESSAGEBOX_INFORMATION;
        data.flags |= SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
        data.window = window_;  // over the game window, full screen or not
        data.title = caption ? caption : "";
        data.message = text ? text : "";
        data.numbuttons = static_cast<int>(buttons.size());
        data.buttons = buttons.data();
        int chosen = 0;
        if (SDL_ShowMessageBox(&data, &chosen) != 0) {
            // Some window managers refuse a parent; try once without one.
            data.window = nullptr;
            if (SDL_ShowMessageBox(&data, &chosen) != 0) return 0;
        }
        return chosen > 0 ? chosen : (std::find(ids.begin(), ids.end(), IDCANCEL) != ids.end() ? IDCANCEL : def);
    }

private:
    RECT PictureInWindow() {
        int ww = 0, wh = 0, cw = 640, ch = 480;
        if (window_) SDL_GetWindowSize(window_, &ww, &wh);
        MainClientSize(cw, ch);
        return LetterboxRect(cw, ch, ww, wh);
    }

    POINT ToClient(int x, int y) {
        int ww = 0, wh = 0, cw = 640, ch = 480;
        if (window_) SDL_GetWindowSize(window_, &ww, &wh);
        MainClientSize(cw, ch);
        return WindowToClient(x, y, ww, wh, cw, ch);
    }

    void Repaint() {
        if (!renderer_) return;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (texture_) {
            int ow = 0, oh = 0;
            SDL_GetRendererOutputSize(renderer_, &ow, &oh);
            RECT r = LetterboxRect(texWidth_, texHeight_, ow, oh);
            SDL_Rect dst{r.left, r.top, r.right - r.left, r.bottom - r.top};
            SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
        }
        SDL_RenderPresent(renderer_);
    }

    void Translate(const SDL_Event& e) {
        BackendEvent out;
        using T = BackendEvent::Type;
        switch (e.type) {
        case SDL_QUIT:
            out.type = T::Quit;
            break;
        case SDL_WINDOWEVENT:
            if (window_ && e.window.windowID != SDL_GetWindowID(window_)) return;
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE: out.type = T::Close; break;
            case SDL_WINDOWEVENT_FOCUS_GAINED: out.type = T::FocusGained; break;
            case SDL_WINDOWEVENT_FOCUS_LOST: out.type = T::FocusLost; break;
            case SDL_WINDOWEVENT_MINIMIZED: out.type = T::Minimize; break;
            case SDL_WINDOWEVENT_RESTORED: out.type = T::Restore; break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                Repaint();
                out.type = T::Expose;
                break;
            default: return;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out.type = e.type == SDL_KEYDOWN ? T::KeyDown : T::KeyUp;
            out.vk = VkFromSdl(e.key.keysym);
            out.repeat = e.key.repeat != 0;
            if (out.vk == 0) return;
            break;
        case SDL_TEXTINPUT:
            out.type = T::Text;
            out.text = e.text.text;
            break;
        case SDL_MOUSEMOTION: {
            POINT p = ToClient(e.motion.x, e.motion.y);
            out.type = T::MouseMove;
            out.x = p.x;
            out.y = p.y;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (e.button.button == SDL_BUTTON_LEFT) out.button = MouseButton::Left;
            else if (e.button.button == SDL_BUTTON_RIGHT) out.button = MouseButton::Right;
            else if (e.button.button == SDL_BUTTON_MIDDLE) out.button = MouseButton::Middle;
            else return;
            POINT p = ToClient(e.button.x, e.button.y);
            out.type = e.type == SDL_MOUSEBUTTONDOWN ? T::ButtonDown : T::ButtonUp;
            out.x = p.x;
            out.y = p.y;
            break;
        }
        default:
            return;
        }
        DeliverEvent(out);
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int texWidth_ = 0;
    int texHeight_ = 0;
    Uint32 texFormat_ = 0;
    Uint32 wakeEvent_ = static_cast<Uint32>(-1);
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend() {
    auto backend = std::make_unique<SdlBackend>();
    if (!backend->Start()) return nullptr;
    return backend;
}

}  // namespace platform::detail
