// lumora-pack OUT: writes the demo data pack into the folder OUT (replacing
// it whole once everything is written) from the sources in demo/.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo/screens/Screens.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

const std::string& DemoDir() {
    static const std::string dir = [] {
        const char* env = std::getenv("LUMORA_DEMO");
        return std::string(env && *env ? env : LUMORA_DEMO_DIR);
    }();
    return dir;
}

}  // namespace pack

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: lumora-pack OUT\n  writes the demo data pack into the folder OUT\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const auto start = std::chrono::steady_clock::now();
    const fs::path out = fs::absolute(argv[1]);
    const fs::path part = out.string() + ".part";
    std::error_code error;
    fs::remove_all(part, error);
    fs::create_directories(part, error);
    if (error) {
        std::fprintf(stderr, "lumora-pack: cannot make %s: %s\n", part.c_str(), error.message().c_str());
        return 1;
    }

    // The plain math build renders the same on every processor, so the
    // videos are the same everywhere.
    if (!StartKernel(5, 16)) {
        std::fprintf(stderr, "lumora-pack: the kernel cannot start\n");
        return 1;
    }

    pack::Pack data(part.string());
    bool ok = pack::BuildRoot(data) && screens::BuildScreens(data, pack::DemoDir() + "/frames");
    for (const pack::UniverseBuilder& universe : pack::kUniverses)
        if (ok && !universe.build(data)) {
            ok = false;
            std::fprintf(stderr, "lumora-pack: universe %s failed\n", universe.folder);
        }
    if (ok) ok = pack::BuildVideos(data);
    Zelt_Release_Kernel();
    if (!ok) {
        std::fprintf(stderr, "lumora-pack: %s\n", data.Error().c_str());
        fs::remove_all(part, error);
        return 1;
    }
    fs::remove_all(out, error);
    fs::rename(part, out, error);
    if (error) {
        std::fprintf(stderr, "lumora-pack: cannot put the pack in place: %s\n", error.message().c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("lumora-pack: %s written (%d files) in %.1f s\n", out.c_str(), data.FilesWritten(), seconds);
    return 0;
}
