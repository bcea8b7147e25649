#include "lumora/shell/WinFormat.h"

#include <cstdint>
#include <cwchar>

namespace {

struct Conversion {
    bool left = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
};

// Narrow copy of a wide text: characters outside ASCII become '?'.
std::string Narrow(const wchar_t* text, int maxChars) {
    std::string out;
    if (!text) return "(null)";
    for (int i = 0; text[i] && (maxChars < 0 || i < maxChars); ++i) {
        wchar_t c = text[i];
        out += (c >= 0 && c < 128) ? static_cast<char>(c) : '?';
    }
    return out;
}

void Pad(std::string& out, const std::string& body, const Conversion& conv, bool allowZero) {
    int fill = conv.width - static_cast<int>(body.size());
    if (fill <= 0) {
        out += body;
        return;
    }
    if (conv.left) {
        out += body;
        out.append(fill, ' ');
    } else if (conv.zero && allowZero) {
        // Zeros go after a sign or a 0x prefix.
        std::size_t prefix = 0;
        if (!body.empty() && body[0] == '-') prefix = 1;
        else if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) prefix = 2;
        out.append(body, 0, prefix);
        out.append(fill, '0');
        out.append(body, prefix, std::string::npos);
    } else {
        out.append(fill, ' ');
        out += body;
    }
}

std::string Digits(std::uint64_t value, unsigned base, bool upper, int precision) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    if (value == 0 && precision != 0) digits = "0";
    while (value) {
        digits.insert(digits.begin(), set[value % base]);
        value /= base;
    }
    if (precision > 0 && static_cast<int>(digits.size()) < precision)
        digits.insert(0, precision - digits.size(), '0');
    return digits;
}

}  // namespace

std::string FormatWinTextV(const char* format, std::va_list args) {
    std::string out;
    if (!format) return out;
    std::va_list ap;
    va_copy(ap, args);
    const char* p = format;
    while (*p && out.size() < kWinFormatMax) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        Conversion conv;
        for (;; ++p) {
            if (*p == '-') conv.left = true;
            else if (*p == '#') conv.alternate = true;
            else if (*p == '0') conv.zero = true;
            else break;
        }
        while (*p >= '0' && *p <= '9') conv.width = conv.width * 10 + (*p++ - '0');
        if (conv.width > static_cast<int>(kWinFormatMax)) conv.width = static_cast<int>(kWinFormatMax);
        if (*p == '.') {
            ++p;
            conv.precision = 0;
            while (*p >= '0' && *p <= '9') conv.precision = conv.precision * 10 + (*p++ - '0');
            if (conv.precision > static_cast<int>(kWinFormatMax)) conv.precision = static_cast<int>(kWinFormatMax);
        }
        enum { Normal, Short, Long, LongLong } size = Normal;
        if (*p == 'h') {
            size = Short;
            ++p;
        } else if (*p == 'l') {
            size = Long;
            ++p;
            if (*p == 'l') {
                size = LongLong;
                ++p;
            }
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            size = LongLong;
            p += 3;
        }
        char type = *p;
        if (!type) break;
        ++p;
        switch (type) {
        case 'd':
        case 'i': {
            std::int64_t v;
            if (size == LongLong) v = va_arg(ap, long long);
            else if (size == Long) v = va_arg(ap, long);
            else if (size == Short) v = static_cast<short>(va_arg(ap, int));
            else v = va_arg(ap, int);
            std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
            std::string body = (v < 0 ? "-" : "") + Digits(magnitude, 10, false, conv.precision);
            Pad(out, body, conv, conv.precision < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            std::uint64_t v;
            if (size == LongLong) v = va_arg(ap, unsigned long long);
            else if (size == Long) v = va_arg(ap, unsigned long);
            else if (size == Short) v = static_cast<unsigned short>(va_arg(ap, unsigned));
            else v = va_arg(ap, unsigned);
            std::string body;
            if (type == 'u') {
                body = Digits(v, 10, false, conv.precision);
            } else {
                body = Digits(v, 16, type == 'X', conv.precision);
                if (conv.alternate && v != 0) body.insert(0, type == 'X' ? "0X" : "0x");
            }
            Pad(out, body, conv, conv.precision < 0);
            break;
        }
        case 'p': {
            auto v = reinterpret_cast<std::uintptr_t>(va_arg(ap, void*));
            Conversion pointer = conv;
            pointer.zero = false;
            Pad(out, Digits(v, 16, true, static_cast<int>(sizeof(void*) * 2)), pointer, false);
            break;
        }
        case 'c':
        case 'C': {
            std::string body;
            if (type == 'C' || size == Long) {
                auto c = static_cast<wchar_t>(va_arg(ap, wint_t));
                body = (c > 0 && c < 128) ? std::string(1, static_cast<char>(c)) : std::string(c ? "?" : "");
            } else {
                char c = static_cast<char>(va_arg(ap, int));
                if (c) body = std::string(1, c);
            }
            Pad(out, body, conv, false);
            break;
        }
        case 's':
        case 'S': {
            std::string body;
            if (type == 'S' || size == Long) {
                body = Narrow(va_arg(ap, const wchar_t*), conv.precision);
            } else {
                const char* s = va_arg(ap, const char*);
                if (!s) s = "(null)";
                std::size_t n = 0;
                while (s[n] && (conv.precision < 0 || n < static_cast<std::size_t>(conv.precision))) ++n;
                body.assign(s, n);
            }
            Pad(out, body, conv, false);
            break;
        }
        default:
            // No floating point or other conversions: the character stands as text.
            out += type;
            break;
        }
    }
    va_end(ap);
    if (out.size() > kWinFormatMax) out.resize(kWinFormatMax);
    return out;
}

std::string FormatWinText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatWinTextV(format, args);
    va_end(args);
    return text;
}
