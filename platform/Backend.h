// Backend selection and the seam between the host system and the window
// layer. A backend reports host events as BackendEvent records; the window
// layer turns them into Windows messages. Tests feed the same records through
// InjectEvent (Window.h), so they exercise exactly the translation the real
// backends use.
#pragma once

#include "platform/PixelView.h"
#include "platform/Types.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class BackendKind { Sdl, Headless };

// Chosen once from LUMORA_BACKEND=sdl|headless; by default sdl when a display
// is available, else headless. A failing sdl start falls back to headless.
BackendKind CurrentBackend();
const char* BackendName(BackendKind kind);

enum class MouseButton { Left, Right, Middle };

struct BackendEvent {
    enum class Type {
        KeyDown,     // vk; repeat = auto-repeat of a held key
        KeyUp,       // vk
        Text,        // text (UTF-8) typed by the last key press
        MouseMove,   // x, y in client coordinates
        ButtonDown,  // button, x, y
        ButtonUp,    // button, x, y
        FocusGained,
        FocusLost,
        Minimize,
        Restore,
        Close,       // the window's close button
        Quit,        // the host asks the program to end
        Expose,      // the window needs repainting
        LoseSurfaces,  // the display takes every surface's memory away (another program took the screen)
    };
    Type type = Type::KeyDown;
    UINT vk = 0;
    bool repeat = false;
    std::string text;
    int x = 0;
    int y = 0;
    MouseButton button = MouseButton::Left;
};

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 16;
};

namespace detail {

// What the window layer needs from the host. All calls come from the window
// thread, except Wake.
class Backend {
public:
    virtual ~Backend() = default;
    virtual BackendKind Kind() const = 0;

    // Reports every pending host event through DeliverEvent (Window.cpp).
    virtual void PumpEvents() = 0;
    // Blocks up to timeoutMs (negative: no limit) until a host event or Wake.
    virtual void WaitEvents(int timeoutMs) = 0;
    // Interrupts WaitEvents; callable from any thread.
    virtual void Wake() = 0;

    // The host window behind the main window (client size in picture pixels).
    virtual void CreateHostWindow(const std::string& title, int width, int height) = 0;
    virtual void DestroyHostWindow() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual void SetFullScreen(bool fullScreen) = 0;
    virtual void SetClientSize(int width, int height) = 0;
    virtual void SetPosition(int x, int y) = 0;
    virtual void ShowSystemCursor(bool show) = 0;
    virtual void WarpMouse(int clientX, int clientY) = 0;

    virtual RECT DesktopRect() = 0;
    virtual RECT WorkArea() = 0;
    virtual std::vector<DisplayMode> DesktopModes() = 0;

    virtual void Present(const PixelView& frame) = 0;
    // Shows a modal box; returns the button id, or 0 when it cannot be shown.
    virtual int ShowMessageBox(const char* text, const char* caption, UINT type) = 0;
};

Backend& TheBackend();

// Window layer entry for host events (defined in Window.cpp).
void DeliverEvent(const BackendEvent& event);
// Client size and full-screen state of the main window, for the backends.
void MainClientSize(int& width, int& height);

std::unique_ptr<Backend> MakeHeadlessBackend();
std::unique_ptr<Backend> MakeSdlBackend();  // null when SDL cannot start

// Where a picture of the given size lands in a window of the given size when
// scaled with its aspect kept and centred (letterbox or pillarbox).
RECT LetterboxRect(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);
// A point of the window in client coordinates of the picture shown there
// letterboxed; points on the bars fall outside the client area.
POINT WindowToClient(int x, int y, int windowWidth, int windowHeight, int clientWidth, int clientHeight);

}  // namespace detail
}  // namespace platform
