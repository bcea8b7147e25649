// fracompile: the text form of a frame file to its binary form (".fra"),
// and with --decompile back again.
//
//     fracompile SOURCE.txt OUT.fra
//     fracompile --decompile FILE.fra OUT.txt
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LClassCreator.h"
#include "platform/Files.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: fracompile SOURCE.txt OUT.fra\n"
                 "       fracompile --decompile FILE.fra OUT.txt\n");
    return 2;
}

bool ReadFile(const char* name, std::string* bytes) {
    std::string path = platform::ResolvePath(name);
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const char* name, const void* data, std::size_t size) {
    std::string path = platform::ResolvePathForCreate(name);
    if (path.empty()) path = name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const bool decompile = argc == 4 && std::strcmp(argv[1], "--decompile") == 0;
    if (!decompile && argc != 3) return Usage();
    const char* in = argv[decompile ? 2 : 1];
    const char* out = argv[decompile ? 3 : 2];
    std::string error;
    if (decompile) {
        std::string input;
        if (!ReadFile(in, &input)) {
            std::fprintf(stderr, "fracompile: cannot read %s\n", in);
            return 1;
        }
        std::string text;
        if (!DecompileFrame(reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), &text, &error)) {
            std::fprintf(stderr, "fracompile: %s: %s\n", in, error.c_str());
            return 1;
        }
        if (!WriteFile(out, text.data(), text.size())) {
            std::fprintf(stderr, "fracompile: cannot write %s\n", out);
            return 1;
        }
        return 0;
    }
    std::vector<std::uint8_t> file = CompileFrameFile(in, &error);
    if (file.empty()) {
        std::fprintf(stderr, "fracompile: %s: %s\n", in, error.c_str());
        return 1;
    }
    if (!WriteFile(out, file.data(), file.size())) {
        std::fprintf(stderr, "fracompile: cannot write %s\n", out);
        return 1;
    }
    std::printf("fracompile: %s: %d views, %zu bytes\n", out, GetInt32(file.data()), file.size());
    return 0;
}
