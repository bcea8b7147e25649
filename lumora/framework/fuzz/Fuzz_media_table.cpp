// Fuzz target of the media table: any text is read as "Media.txt"; every
// entry it keeps can then be asked for (without a display, so no picture
// loads) and released.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lumora/framework/LMedia.h"
#include "lumora/shell/Report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool quiet = [] {
        SetMessageBoxHook([](platform::HWND, const char*, const char*, platform::UINT) { return 1; });
        SetDebugOutSink([](std::string_view) {});
        return true;
    }();
    (void)quiet;
    LMediaManager media("/nonexistent/", reinterpret_cast<const char*>(data), size);
    for (const char* name : {"a", "b", "back", "sheet", "tiles"}) {
        LMediumRef ref;
        if (LMediaObject* m = media.GetMedium(name, &ref, 0)) {
            platform::RECT r;
            m->GetRect(&ref, &r);
            media.ReleaseMedium(&ref, 1);
        }
    }
    return 0;
}
