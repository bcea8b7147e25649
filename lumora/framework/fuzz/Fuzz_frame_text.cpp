// Fuzz target of the text form of frame files: whatever compiles must
// decompile, and the decompiled text must compile to a file of the same
// number of views.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/shell/Report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool quiet = [] {
        SetMessageBoxHook([](platform::HWND, const char*, const char*, platform::UINT) { return 1; });
        return true;
    }();
    (void)quiet;
    std::string error;
    std::vector<std::uint8_t> binary = CompileFrameText(reinterpret_cast<const char*>(data), size, &error);
    if (binary.empty()) {
        if (error.empty()) std::abort();  // a failure always says why
        return 0;
    }
    std::string text;
    if (!DecompileFrame(binary.data(), binary.size(), &text, &error)) std::abort();
    std::vector<std::uint8_t> again = CompileFrameText(text.data(), text.size(), &error);
    if (again.size() < 4 || GetInt32(again.data()) != GetInt32(binary.data())) std::abort();
    return 0;
}
