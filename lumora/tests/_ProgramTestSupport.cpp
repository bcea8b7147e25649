#include "_ProgramTestSupport.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Bmp.h"

namespace fs = std::filesystem;

std::string BinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

DumpedFrame ReadFrame(const fs::path& path) {
    platform::BmpImage image;
    DumpedFrame f;
    if (!platform::ReadBmpFile(path.string().c_str(), &image)) return f;
    f.width = image.width;
    f.height = image.height;
    f.rgb = std::move(image.rgb);
    return f;
}

DumpedFrame ReadDumpedFrame(const fs::path& folder, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
    return ReadFrame(folder / name);
}

int CountDumpedFrames(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder)) n += entry.is_regular_file();
    return n;
}

double Agreement(const DumpedFrame& a, const DumpedFrame& b) {
    if (a.width != 640 || b.width != 640 || a.height != 480 || b.height != 480) return 0.0;
    int same = 0, total = 0;
    for (int y = 40; y < 480; y += 16)
        for (int x = 200; x < 640; x += 16) {
            ++total;
            if (Reduce(a.At(x, y)) == Reduce(b.At(x, y))) ++same;
        }
    return static_cast<double>(same) / total;
}

void CopyPack(const ScratchDir& scratch) {
    fs::copy(fs::path(BinDir()) / "Data", scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
}

int RunProgram(const ScratchDir& scratch, const std::string& script, std::string* log, int msPerFrame,
               const std::string& extraEnv, const std::string& extraArgs) {
    scratch.Write("input.txt", script);
    const std::string command = "cd '" + scratch.Path().string() + "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:" +
                                std::to_string(msPerFrame) + " LUMORA_INPUT=input.txt LUMORA_FRAMES=frames " +
                                extraEnv + "'" + BinDir() + "/lumora' --data data --save save " + extraArgs + " > run.log 2>&1";
    const int status = std::system(command.c_str());
    *log = scratch.Read("run.log");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}

std::string RunScene(const ScratchDir& scratch, const std::string& list, const std::string& script, bool frames,
                     int msPerFrame) {
    std::string log;
    const int status = RunProgram(scratch, script, &log, msPerFrame,
                                  std::string("LUMORA_DEBUG=1 ") + (frames ? "" : "LUMORA_FRAMES= "), "--scene " + list);
    return status == 0 ? log : "failed: " + log;
}

std::string ScriptPart(const std::string& script, const std::string& list) {
    std::size_t begin = 0;
    if (!list.empty()) {
        begin = script.find("\nwait scene " + list);
        if (begin == std::string::npos) return "";
        ++begin;
    }
    const std::size_t end = script.find("\nwait scene ", begin + 1);
    return script.substr(begin, end == std::string::npos ? std::string::npos : end + 1 - begin);
}

std::string MissingInOrder(const std::string& log, const std::vector<std::string>& lines, std::size_t from,
                           std::size_t* last) {
    std::size_t at = from, found = std::string::npos;
    for (const std::string& line : lines) {
        found = log.find(line, at);
        if (found == std::string::npos) return line;
        at = found + 1;
    }
    if (last) *last = found;
    return "";
}
