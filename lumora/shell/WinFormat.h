// Text formatting with the rules of the Windows wvsprintf family: the flags
// "-", "#" and "0", a width, a precision, the sizes h, l, ll and I64, and the
// types c C d i u x X s S p. There are no floating point conversions: an
// unknown type character is copied as it stands and takes no argument.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Longest text the formatter produces, as wvsprintf's 1024-byte buffer.
constexpr std::size_t kWinFormatMax = 1023;

std::string FormatWinTextV(const char* format, std::va_list args);
std::string FormatWinText(const char* format, ...) __attribute__((format(printf, 1, 2)));
