#include "platform/Profile.h"

#include "platform/Files.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Copies a list of names, each terminated, plus a final terminator, cut to fit.
DWORD CopyList(const std::vector<std::string>& names, char* out, DWORD size) {
    if (!out || size == 0) return 0;
    if (size == 1) {
        out[0] = '\0';
        return 0;
    }
    DWORD used = 0;
    for (const std::string& n : names) {
        for (char c : n) {
            if (used + 2 >= size) {
                // Cut: the list ends with two terminators; Windows answers size - 2.
                out[used] = '\0';
                out[used + 1] = '\0';
                return size - 2;
            }
            out[used++] = c;
        }
        if (used + 2 >= size) {
            out[used] = '\0';
            out[used + 1] = '\0';
            return size - 2;
        }
        out[used++] = '\0';
    }
    out[used] = '\0';
    return used;
}

}  // namespace

Profile Profile::Parse(std::string_view text) {
    Profile p;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::string current;
    bool inSection = false;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            current = std::string(Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            inSection = true;
            bool known = false;
            for (const std::string& s : p.sections_) known = known || SameIgnoringCase(s, current);
            if (!known) p.sections_.push_back(current);
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) continue;
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key.empty()) continue;
        p.entries_.push_back(Entry{current, std::string(key), std::string(value)});
    }
    return p;
}

std::optional<Profile> Profile::Load(std::string_view fileName) {
    std::string path = ResolvePath(fileName);
    if (path.empty()) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    return Parse(buffer.str());
}

std::optional<std::string> Profile::Get(std::string_view section, std::string_view key) const {
    for (const Entry& e : entries_)
        if (SameIgnoringCase(e.section, section) && SameIgnoringCase(e.key, key)) return e.value;
    return std::nullopt;
}

std::vector<std::string> Profile::Sections() const { return sections_; }

std::vector<std::string> Profile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    for (const Entry& e : entries_) {
        if (!SameIgnoringCase(e.section, section)) continue;
        bool seen = false;
        for (const std::string& k : keys) seen = seen || SameIgnoringCase(k, e.key);
        if (!seen) keys.push_back(e.key);
    }
    return keys;
}

DWORD GetPrivateProfileString(const char* section, const char* key, const char* def, char* out, DWORD size,
                              const char* fileName) {
    if (!out || size == 0) return 0;
    std::optional<Profile> profile = fileName ? Profile::Load(fileName) : std::nullopt;
    if (!section) return CopyList(profile ? profile->Sections() : std::vector<std::string>{}, out, size);
    if (!key) return CopyList(profile ? profile->Keys(section) : std::vector<std::string>{}, out, size);
    std::string value;
    if (auto v = profile ? profile->Get(section, key) : std::nullopt) {
        value = *v;
    } else {
        // The default loses its trailing blanks, as on Windows.
        value = def ? def : "";
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    }
    DWORD n = static_cast<DWORD>(std::min<size_t>(value.size(), size - 1));
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return n;
}

UINT GetPrivateProfileInt(const char* section, const char* key, int def, const char* fileName) {
    if (!section || !key || !fileName) return static_cast<UINT>(def);
    std::optional<Profile> profile = Profile::Load(fileName);
    std::optional<std::string> value = profile ? profile->Get(section, key) : std::nullopt;
    if (!value) return static_cast<UINT>(def);
    long long v = std::strtoll(value->c_str(), nullptr, 10);
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
    if (v < -0x7FFFFFFFLL - 1) v = -0x7FFFFFFFLL - 1;
    return static_cast<UINT>(static_cast<int>(v));
}

}  // namespace platform
