// Shared fixtures of the 2D framework tests: a scratch data root with
// pictures, "Media.txt" and frames compiled from their text form, and a
// frame manager drawing into a 640 x 480 surface of a headless window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "platform/Surface.h"

class LFrameManager;

// 0x00RRGGBB of a picture's pixel.
using PixelFunction = std::function<std::uint32_t(int x, int y)>;

class FrameworkData {
public:
    FrameworkData();
    std::string Root() const { return scratch.Path().string() + "/"; }
    // A 24-bit bitmap file in 2DBIT/.
    void Picture(const std::string& name, int width, int height, const PixelFunction& pixel) const;
    void Picture(const std::string& name, int width, int height, std::uint32_t rgb) const;
    void MediaTable(const std::string& text) const;
    // Compiles the text form into 2DFRA/<name>.fra (the test fails when it does not compile).
    void Frame(const std::string& name, const std::string& source) const;
    void RawFrame(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

    ScratchDir scratch;
};

class FrameworkScreen {
public:
    explicit FrameworkScreen(const FrameworkData& data);
    // A given manager (a game's) over a given data root.
    FrameworkScreen(const std::string& dataRoot, std::unique_ptr<LFrameManager> manager);
    ~FrameworkScreen();
    FrameworkScreen(const FrameworkScreen&) = delete;
    FrameworkScreen& operator=(const FrameworkScreen&) = delete;

    int InitResult() const { return m_InitResult; }
    LFrameManager& Manager() { return *m_Manager; }
    platform::DirectDrawSurface* Target() const { return m_Target; }
    platform::HWND Window() const { return m_Window; }
    std::uint16_t Pixel(int x, int y) const;
    void Fill(std::uint16_t value) const;
    // Pixels that differ from value.
    int CountNot(std::uint16_t value) const;
    // Sends a message the way the window procedure offers it.
    int Send(platform::UINT msg, platform::WPARAM wParam, int x, int y);
    // The surface value of an RGB colour.
    std::uint16_t Value(std::uint32_t rgb) const;

private:
    platform::HWND m_Window = nullptr;
    platform::DirectDraw* m_DirectDraw = nullptr;
    platform::DirectDrawSurface* m_Target = nullptr;
    std::unique_ptr<LFrameManager> m_Manager;
    int m_InitResult = -1;
};
