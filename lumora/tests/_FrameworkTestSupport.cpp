#include "_FrameworkTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/shell/MessageTable.h"
#include "platform/Platform.h"

using namespace platform;

FrameworkData::FrameworkData() {
    SetMessageTableFolder(LUMORA_TEST_BIN_DIR);
    std::filesystem::create_directories(scratch.Path() / "2DBIT");
    std::filesystem::create_directories(scratch.Path() / "2DFRA");
}

void FrameworkData::Picture(const std::string& name, int width, int height, const PixelFunction& pixel) const {
    const int row = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<std::size_t>(row) * height, '\0');
    auto put = [&bytes](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = pixel(x, y);
            const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * row + x * 3;
            bytes[at] = static_cast<char>(rgb & 0xFF);
            bytes[at + 1] = static_cast<char>((rgb >> 8) & 0xFF);
            bytes[at + 2] = static_cast<char>((rgb >> 16) & 0xFF);
        }
    }
    scratch.Write("2DBIT/" + name, bytes);
}

void FrameworkData::Picture(const std::string& name, int width, int height, std::uint32_t rgb) const {
    Picture(name, width, height, [rgb](int, int) { return rgb; });
}

void FrameworkData::MediaTable(const std::string& text) const { scratch.Write("2DBIT/Media.txt", text); }

void FrameworkData::Frame(const std::string& name, const std::string& source) const {
    std::string error;
    std::vector<std::uint8_t> bytes = CompileFrameText(source.data(), source.size(), &error);
    ASSERT_FALSE(bytes.empty()) << name << ": " << error;
    RawFrame(name, bytes);
}

void FrameworkData::RawFrame(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    scratch.Write("2DFRA/" + name + ".fra", std::string(bytes.begin(), bytes.end()));
}

namespace {

LRESULT TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProc(hwnd, msg, wParam, lParam); }

HWND TestWindow() {
    static HWND window = [] {
        WNDCLASS wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = TestProc;
        wc.lpszClassName = "FrameworkTest";
        RegisterClass(&wc);
        HWND w = CreateWindow("FrameworkTest", "test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480);
        ShowWindow(w, SW_SHOWNORMAL);
        return w;
    }();
    return window;
}

}  // namespace

FrameworkScreen::FrameworkScreen(const FrameworkData& data)
    : FrameworkScreen(data.Root(), std::make_unique<LFrameManager>()) {}

FrameworkScreen::FrameworkScreen(const std::string& dataRoot, std::unique_ptr<LFrameManager> manager) {
    m_Window = TestWindow();
    DirectDrawCreate(nullptr, &m_DirectDraw);
    m_DirectDraw->SetCooperativeLevel(m_Window, DDSCL_NORMAL);
    m_Target = CreateOffscreenSurface(m_DirectDraw, PixelFormat::RGB565, 640, 480);
    Fill(0);
    m_Manager = std::move(manager);
    m_InitResult = m_Manager->Init(m_DirectDraw, nullptr, m_Target, m_Window, nullptr, 0, dataRoot.c_str(), 0);
}

FrameworkScreen::~FrameworkScreen() {
    m_Manager.reset();
    if (m_Target) m_Target->Release();
    if (m_DirectDraw) m_DirectDraw->Release();
}

std::uint16_t FrameworkScreen::Pixel(int x, int y) const {
    PixelView v;
    m_Target->Lock(nullptr, &v, DDLOCK_WAIT);
    std::uint16_t p = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(v.bits) + y * v.pitch)[x];
    m_Target->Unlock(v.bits);
    return p;
}

void FrameworkScreen::Fill(std::uint16_t value) const {
    DDBLTFX fx;
    fx.dwFillColor = value;
    m_Target->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

int FrameworkScreen::CountNot(std::uint16_t value) const {
    PixelView v;
    m_Target->Lock(nullptr, &v, DDLOCK_WAIT);
    int count = 0;
    for (int y = 0; y < v.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(static_cast<std::uint8_t*>(v.bits) + y * v.pitch);
        for (int x = 0; x < v.width; ++x) count += row[x] != value;
    }
    m_Target->Unlock(v.bits);
    return count;
}

int FrameworkScreen::Send(UINT msg, WPARAM wParam, int x, int y) {
    return m_Manager->OfferMessage(m_Window, msg, wParam, MAKELPARAM(x, y));
}

std::uint16_t FrameworkScreen::Value(std::uint32_t rgb) const {
    return static_cast<std::uint16_t>(PackRgb(PixelFormat::RGB565, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}
