#include "platform/MessageBox.h"

#include "platform/Backend.h"

#include <cstdio>

namespace platform {

std::vector<int> MessageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int MessageBoxDefault(UINT type) {
    std::vector<int> buttons = MessageBoxButtons(type);
    std::size_t index = 0;
    if ((type & MB_DEFMASK) == MB_DEFBUTTON2) index = 1;
    if ((type & MB_DEFMASK) == MB_DEFBUTTON3) index = 2;
    // A default beyond the last button falls back to the first, as Windows does.
    return index < buttons.size() ? buttons[index] : buttons[0];
}

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
    int answer = detail::TheBackend().ShowMessageBox(text, caption, type);
    if (answer != 0) return answer;
    answer = MessageBoxDefault(type);
    static const char* const kNames[] = {"", "OK", "Cancel", "", "Retry", "", "Yes", "No"};
    std::fprintf(stderr, "[message box] %s: %s -> %s\n", caption ? caption : "", text ? text : "", kNames[answer]);
    return answer;
}

}  // namespace platform
