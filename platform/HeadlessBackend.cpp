// The backend without a display: no window, no pointer, nothing shown. Time,
// input and presentation still run through the common paths, so a headless
// program behaves like a windowed one that nobody touches.
#include "platform/Backend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform::detail {
namespace {

constexpr RECT kDesktop{0, 0, 1024, 768};

class HeadlessBackend final : public Backend {
public:
    BackendKind Kind() const override { return BackendKind::Headless; }

    void PumpEvents() override {}

    void WaitEvents(int timeoutMs) override {
        std::unique_lock lock(mutex_);
        if (timeoutMs < 0)
            woken_.wait(lock, [&] { return wake_; });
        else
            woken_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return wake_; });
        wake_ = false;
    }

    void Wake() override {
        {
            std::lock_guard lock(mutex_);
            wake_ = true;
        }
        woken_.notify_all();
    }

    void CreateHostWindow(const std::string&, int, int) override {}
    void DestroyHostWindow() override {}
    void SetTitle(const std::string&) override {}
    void SetVisible(bool) override {}
    void Minimize() override {}
    void Restore() override {}
    void SetFullScreen(bool) override {}
    void SetClientSize(int, int) override {}
    void SetPosition(int, int) override {}
    void ShowSystemCursor(bool) override {}
    void WarpMouse(int, int) override {}

    RECT DesktopRect() override { return kDesktop; }
    RECT WorkArea() override { return kDesktop; }
    std::vector<DisplayMode> DesktopModes() override { return {{kDesktop.right, kDesktop.bottom, 16}}; }

    void Present(const PixelView&) override {}
    int ShowMessageBox(const char*, const char*, UINT) override { return 0; }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wake_ = false;
};

}  // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace platform::detail
