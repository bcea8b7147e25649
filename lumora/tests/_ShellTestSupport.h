// Shared fixtures of the shell tests: a scratch folder and a recorder of the
// boxes and debug lines the reporting functions produce.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Types.h"

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return (m_Path / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path m_Path;
};

struct RecordedBox {
    platform::HWND window;
    std::string text;
    std::string caption;
    platform::UINT type;
};

// Installs the box hook and the debug sink for its lifetime.
class ReportRecorder {
public:
    ReportRecorder();
    ~ReportRecorder();
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<RecordedBox> boxes;
    std::vector<std::string> debugLines;
};

std::string ReadWholeFile(const std::string& path);
