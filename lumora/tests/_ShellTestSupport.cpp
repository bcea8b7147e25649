#include "_ShellTestSupport.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "lumora/shell/Report.h"

ScratchDir::ScratchDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() / ("lumora-shell-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_Path = candidate;
            return;
        }
    }
    throw std::runtime_error("no scratch folder");
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    std::filesystem::remove_all(m_Path, error);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((m_Path / name).parent_path());
    std::ofstream out(m_Path / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchDir::Read(const std::string& name) const { return ReadWholeFile(File(name)); }

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

ReportRecorder::ReportRecorder() {
    SetMessageBoxHook([this](platform::HWND window, const char* text, const char* caption, platform::UINT type) {
        boxes.push_back({window, text, caption, type});
        return platform::IDOK;
    });
    SetDebugOutSink([this](std::string_view line) { debugLines.emplace_back(line); });
}

ReportRecorder::~ReportRecorder() {
    SetMessageBoxHook({});
    SetDebugOutSink({});
}
