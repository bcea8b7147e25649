#include "lumora/shell/FileTxt.h"

#include <string>

#include "lumora/shell/DataPath.h"
#include "lumora/shell/Report.h"

int XFileTxt::Open(const char* path, const char* mode) {
    m_File.reset();
    m_Size = 0;
    const char* shown = path ? path : "";
    // Text and binary streams are the same here: drop the "t".
    std::string cmode;
    for (const char* m = mode ? mode : ""; *m; ++m)
        if (*m != 't') cmode += *m;
    bool reading = !cmode.empty() && cmode[0] == 'r';
    std::string real = reading ? ResolveForReading(shown) : ResolveForWriting(shown);
    if (!real.empty() && !cmode.empty()) m_File.reset(std::fopen(real.c_str(), cmode.c_str()));
    if (!m_File) {
        WarningBox("Cannot open file %s", shown);
        return 0;
    }
    std::FILE* file = m_File.get();
    std::fseek(file, 0, SEEK_SET);
    long start = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    long end = std::ftell(file);
    m_Size = (start >= 0 && end >= start) ? end - start : 0;
    return 1;
}

int XFileTxt::WriteLine(const char* text) {
    if (!m_File) return 0;
    if (text && std::fputs(text, m_File.get()) < 0) return 0;
    return std::fputc('\n', m_File.get()) == '\n' ? 1 : 0;
}

int XFileTxt::Seek(long offset) {
    if (!m_File || std::fseek(m_File.get(), offset, SEEK_SET) != 0) {
        DebugOut("XFileTxt: Error to set position");
        return 0;
    }
    return 1;
}
