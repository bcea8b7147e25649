// Text drawing in the manner of GDI's DrawText, single line only: a line of
// UTF-8 text drawn into a rectangle of a pixel view with alignment, colour
// and a transparent or opaque background, anti-aliased through FreeType with
// Liberation Sans (metric-compatible with Arial).
#pragma once

#include <string_view>

#include "platform/PixelView.h"
#include "platform/Surface.h"
#include "platform/Types.h"

namespace platform {

using COLORREF = DWORD;  // 0x00BBGGRR
constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
    return static_cast<COLORREF>((r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// Text format flags (DrawText values). Text is always one line.
enum : UINT {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_SINGLELINE = 0x0020,
    DT_NOPREFIX = 0x0800,
};

// Background modes (SetBkMode values).
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

struct TextStyle {
    // Font height as GDI takes it: negative = character height in pixels
    // (the em size; Arial 12 points at 96 dpi is -16), positive = cell height
    // (ascent + descent), 0 = the default -16.
    int height = -16;
    bool bold = false;
    COLORREF color = RGB(0, 0, 0);
    COLORREF background = RGB(255, 255, 255);
    int backgroundMode = TRANSPARENT;  // OPAQUE fills the text's cell box first
    UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE;
};

struct TextMetrics {
    int height = 0;   // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int xHeight = 0;  // height of a lower-case letter (caret size)
    int averageCharWidth = 0;
};

// Draws the text; only pixels strictly inside rect (and the view) change.
// False when the font cannot be loaded or the view is 8-bit; an empty rect
// or text draws nothing and succeeds.
bool DrawText(const PixelView& view, const RECT& rect, std::string_view utf8, const TextStyle& style);

// The same on a surface, locked for the drawing (waiting while it is busy).
// False when the surface cannot be locked (lost, already locked) or the text
// cannot be drawn.
bool DrawText(DirectDrawSurface* surface, const RECT& rect, std::string_view utf8, const TextStyle& style);

// Width (sum of the characters' advances) and height (cell height) of the text.
bool GetTextExtent(std::string_view utf8, int height, bool bold, SIZE* out);
bool GetTextMetrics(int height, bool bold, TextMetrics* out);

// Why the last call failed ("" when it did not).
const char* TextError();

// Font files to use; null restores the Liberation Sans defaults.
void SetFontFiles(const char* regular, const char* bold);

// Decodes one character of UTF-8 at text[*pos] and advances *pos. A byte that
// does not start a valid sequence is taken as a Windows-1252 character, so
// old single-byte texts (é as 0xE9) still show.
char32_t NextCodePoint(std::string_view text, std::size_t* pos);

}  // namespace platform
