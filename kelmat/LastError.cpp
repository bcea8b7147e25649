// The SDK's single, process-wide last-error text.
#include "kelmat/kelmat.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
char g_LastError[KELMAT_LAST_ERROR_SIZE];
}

extern "C" KELMAT_API int Kelmat_Set_Last_Error(const char* format, ...) {
  if (format == nullptr) {
    g_LastError[0] = '\0';
    return 0;
  }
  // Format into a scratch buffer first so a message that quotes the previous
  // last error (through %s) reads it intact; vsnprintf truncates to the buffer.
  char text[KELMAT_LAST_ERROR_SIZE];
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (written < 0) text[0] = '\0';
  std::memcpy(g_LastError, text, sizeof g_LastError);
  return 1;
}

extern "C" KELMAT_API int Kelmat_Get_Last_Error(char* out) {
  if (out == nullptr) return 0;
  std::size_t length = std::strlen(g_LastError);
  std::memcpy(out, g_LastError, length + 1);
  return 1;
}
