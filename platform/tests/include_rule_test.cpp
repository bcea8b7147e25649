// The platform layer is the only code that talks to SDL, FreeType and the
// operating system; FFmpeg and libpng belong to the platform layer, the video
// player and the tools. The kernel loads its plug-ins with dlopen, and the
// tests and benchmarks of those plug-ins load them the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool IsSystemHeader(const std::string& h) {
    static const char* const kPrefixes[] = {"SDL", "ft2build.h", "freetype/", "sys/", "linux/", "X11/", "windows.h",
                                            "Windows.h", "winbase.h", "mach/", "netinet/", "arpa/"};
    static const char* const kNames[] = {"unistd.h",  "dlfcn.h", "pthread.h", "fcntl.h",  "dirent.h", "strings.h",
                                         "termios.h", "poll.h",  "sched.h",   "semaphore.h", "spawn.h", "libgen.h",
                                         "glob.h",    "fnmatch.h", "pwd.h",   "dlfcn.h",  "wordexp.h"};
    for (const char* p : kPrefixes)
        if (StartsWith(h, p)) return true;
    for (const char* n : kNames)
        if (h == n) return true;
    return false;
}

bool IsMediaHeader(const std::string& h) {
    return StartsWith(h, "libavformat/") || StartsWith(h, "libavcodec/") || StartsWith(h, "libswscale/") ||
           StartsWith(h, "libavutil/") || StartsWith(h, "libswresample/") || h == "png.h" || h == "pngconf.h";
}

// Library loading: the kernel, and the tests and benchmarks of the plug-ins it loads.
bool MayLoadLibraries(const std::string& rel) {
    return StartsWith(rel, "zelt/") || StartsWith(rel, "bench/") ||
           std::regex_search(rel, std::regex("^[a-z]+/(.*/)?tests/"));
}

// "file: header" for every include that breaks the rule under `root`.
std::vector<std::string> Violations(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory()) {
            if (name == ".git" || StartsWith(name, "build")) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext != ".c" && ext != ".cpp" && ext != ".h" && ext != ".hpp" && ext != ".cc") continue;
        const std::string rel = fs::relative(it->path(), root).generic_string();
        const bool platform = StartsWith(rel, "platform/");
        const bool media = platform || StartsWith(rel, "cinrey/") || StartsWith(rel, "tools/");
        std::ifstream in(it->path());
        std::string line;
        std::smatch m;
        while (std::getline(in, line)) {
            if (!std::regex_search(line, m, include)) continue;
            const std::string header = m[1];
            bool bad = false;
            if (!platform && IsSystemHeader(header)) bad = !(header == "dlfcn.h" && MayLoadLibraries(rel));
            if (!media && IsMediaHeader(header)) bad = true;
            if (bad) found.push_back(rel + ": " + header);
        }
    }
    return found;
}

fs::path SourceRoot() { return fs::path(__FILE__).parent_path().parent_path().parent_path(); }

TEST(IncludeRule, TheTreeKeepsIt) {
    const fs::path root = SourceRoot();
    ASSERT_TRUE(fs::exists(root / "platform" / "Platform.h")) << root;
    const auto found = Violations(root);
    std::string all;
    for (const auto& v : found) all += v + "\n";
    EXPECT_TRUE(found.empty()) << all;
}

TEST(IncludeRule, PlantedViolationsAreFound) {
    const fs::path root = fs::temp_directory_path() / ("include-rule-" + std::to_string(std::random_device{}()));
    auto plant = [&](const std::string& rel, const std::string& text) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel) << text;
    };
    plant("platform/Window.cpp", "#include <SDL.h>\n#include <unistd.h>\n#include <png.h>\n");
    plant("cinrey/Player.cpp", "extern \"C\" {\n#include <libavcodec/avcodec.h>\n}\n");
    plant("tools/x/Png.cpp", "#include <png.h>\n");
    plant("zelt/Core.cpp", "#include <dlfcn.h>\n");
    plant("numa/tests/_Load.cpp", "#include <dlfcn.h>\n");
    plant("lumora/engine/Bad.cpp", "#include <cstdio>\n  #  include \"SDL_video.h\"\n");
    plant("cinrey/Window.h", "#include <SDL2/SDL.h>\n");
    plant("kelmat/Image.cpp", "#include <png.h>\n");
    plant("dwen/Lib.cpp", "#include <dlfcn.h>\n#include <sys/stat.h>\n");
    plant("mirel/Text.cpp", "#include <ft2build.h>\n");
    plant("lumora/game/Video.cpp", "#include <libavformat/avformat.h>\n");
    plant("build/generated.cpp", "#include <SDL.h>\n");
    plant("lumora/notes.txt", "#include <SDL.h>\n");

    auto found = Violations(root);
    std::sort(found.begin(), found.end());
    const std::vector<std::string> expected = {
        "cinrey/Window.h: SDL2/SDL.h",       "dwen/Lib.cpp: dlfcn.h",
        "dwen/Lib.cpp: sys/stat.h",          "kelmat/Image.cpp: png.h",
        "lumora/engine/Bad.cpp: SDL_video.h", "lumora/game/Video.cpp: libavformat/avformat.h",
        "mirel/Text.cpp: ft2build.h",
    };
    EXPECT_EQ(found, expected);
    fs::remove_all(root);
}

}  // namespace
