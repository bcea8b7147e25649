// A main window and a windowed 640 x 480 x 16 display for programs that run
// without anyone watching (the fuzz target, the benchmarks): headless unless
// LUMORA_BACKEND says otherwise. Aborts when the display cannot be set up.
#pragma once

#include <cstdlib>

#include "dwen/Dwen.h"
#include "platform/Window.h"

inline DwenContext* HeadlessDisplay(int withZbuffer) {
    static DwenContext* context = [withZbuffer] {
        setenv("LUMORA_BACKEND", "headless", 0);
        platform::WNDCLASS wc{};
        wc.lpfnWndProc = platform::DefWindowProc;
        wc.lpszClassName = "DwenHeadless";
        platform::RegisterClass(&wc);
        platform::HWND window = platform::CreateWindow("DwenHeadless", "dwen", 0, platform::CW_USEDEFAULT,
                                                       platform::CW_USEDEFAULT, 640, 480);
        auto* c = new DwenContext{};
        Dwen_Init_Io(c, std::malloc, std::calloc, std::realloc, std::free);
        if (!Dwen_Init_All(c, window, 640, 480, 16, 0, withZbuffer, 1, 1)) std::abort();
        return c;
    }();
    return context;
}
