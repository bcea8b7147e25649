// Reading "[SECTION] KEY=value" profile files such as "APP.CFG", the way
// GetPrivateProfileString reads them: section and key names without regard to
// case, blanks around names and values ignored, one pair of quotes around a
// value removed, lines starting with ';' ignored. The file name goes through
// the case-insensitive resolver.
#pragma once

#include "platform/Types.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Profile {
public:
    static Profile Parse(std::string_view text);
    // Nothing when the file cannot be read.
    static std::optional<Profile> Load(std::string_view fileName);

    // The first value of key in a section of that name.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<std::string> sections_;
    std::vector<Entry> entries_;
};

// Copies the value (or def) into out, cut to size - 1 characters and always
// terminated; returns the characters copied. A null key lists the section's
// keys, a null section the section names, each terminated, with one more
// terminator at the end.
DWORD GetPrivateProfileString(const char* section, const char* key, const char* def, char* out, DWORD size,
                              const char* fileName);
// The value read as a decimal integer (0 when it does not start with one);
// def when the key is absent.
UINT GetPrivateProfileInt(const char* section, const char* key, int def, const char* fileName);

}  // namespace platform
