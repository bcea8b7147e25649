#include "lumora/shell/Helpers.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr float kTwoPi = 6.2831855f;

std::string Upper(const char* text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

char* CopySubstring(const char* src, int first, int last, char* dst) {
    if (!dst) return dst;
    int out = 0;
    if (src) {
        if (first < 0) first = 0;
        const auto length = std::strlen(src);
        if (static_cast<std::size_t>(first) < length)
            for (int i = first; i <= last && src[i]; ++i) dst[out++] = src[i];
    }
    dst[out] = '\0';
    return dst;
}

int NameMatches(const char* name, const char* pattern, int exact) {
    if (!name || !pattern) return 0;
    std::string upperName = Upper(name);
    std::string upperPattern = Upper(pattern);
    if (upperName == upperPattern) return 1;
    if (exact || upperPattern.empty()) return 0;
    return upperName.find(upperPattern) != std::string::npos ? 1 : 0;
}

char* ZeroPadNumber(int value, int width, char* dst) {
    if (!dst) return dst;
    char digits[16];
    int length = std::snprintf(digits, sizeof digits, "%i", value);
    int pad = width > length ? width - length : 0;
    std::memset(dst, '0', static_cast<std::size_t>(pad));
    std::memcpy(dst + pad, digits, static_cast<std::size_t>(length) + 1);
    return dst;
}

char* ShortKey(const char* name, char* dst) {
    if (!dst) return dst;
    if (!name) {
        dst[0] = '\0';
        return dst;
    }
    int start = name[0] == '*' ? 1 : 0;
    return CopySubstring(name, start, start + 5, dst);
}

float NormalizeAngle(float a) {
    float r = std::fmod(a, kTwoPi);
    if (r < 0.0f) r += kTwoPi;
    return r;
}

int PointInRect(const ZeltVector* p, float x0, float y0, float x1, float y1) {
    if (!p) return 0;
    return (x0 < p->x && p->x < x1 && y0 < p->y && p->y < y1) ? 1 : 0;
}
