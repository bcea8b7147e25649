// The pictures of the 2D screens, drawn by code in one style: canvas panels
// on a wooden stretcher, titles in a serif face, labels in a sans face,
// buttons with a normal, a highlighted and a disabled look, the cursors, the
// inventory strip and the gallery's paintings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/lib/Media.h"

namespace screens {

using demo::Image;
using demo::Rgb;

// 32-bit pixels (0x00RRGGBB) that the platform's text drawing writes into.
class Canvas {
public:
    Canvas(int w, int h, Rgb fill = {0, 0, 0});
    int Width() const { return m_W; }
    int Height() const { return m_H; }
    Rgb Get(int x, int y) const;
    void Set(int x, int y, Rgb c);
    void Fill(int x0, int y0, int x1, int y1, Rgb c);
    // A rectangle's outline `thickness` pixels wide, inside (x0, y0, x1, y1).
    void Frame(int x0, int y0, int x1, int y1, int thickness, Rgb c);
    // Scales every pixel of the rectangle towards black (< 1) or white (> 1).
    void Shade(int x0, int y0, int x1, int y1, float factor);
    // One line of UTF-8 text; `align` 0 left, 1 centre, 2 right, centred vertically in the box.
    // Returns false when the text cannot be drawn (no font).
    bool Text(int x0, int y0, int x1, int y1, const std::string& utf8, int pixels, bool bold, bool serif, Rgb colour,
              int align = 1);
    // Copies `src` with its top-left corner at (x, y).
    void Paste(const Canvas& src, int x, int y);
    // A box-filtered copy of the whole canvas at the new size.
    Canvas Scaled(int w, int h) const;
    Image ToImage() const;

private:
    int m_W, m_H;
    std::vector<std::uint32_t> m_Px;
};

// A full-screen backdrop: dark wall, wooden stretcher and a canvas panel
// (x0, y0, x1, y1), with the title in the panel's top band.
Canvas Backdrop(const std::string& title, int x0, int y0, int x1, int y1, unsigned seed);
// A smaller panel picture of its own size (the pause screen's box).
Canvas Panel(int w, int h, const std::string& title, unsigned seed);

// Button looks. Normal: raised canvas plaque; highlighted: warm ochre with a
// thick border and a brush mark at each side; disabled: flat, hatched grey.
enum class ButtonLook { Normal, Highlighted, Disabled };
Canvas Button(int w, int h, const std::string& label, ButtonLook look);

// A sunken field for a list or a text entry, with the colour the view fills itself with.
void Well(Canvas& c, int x0, int y0, int x1, int y1, Rgb inside);
// The slider track drawn behind a volume slider of the given rectangle.
void SliderTrack(Canvas& c, int x0, int y0, int x1, int y1, int zoneWidth);
Canvas SliderThumb(int w, int h);
Canvas ScrollBar(int w, int h);
Canvas ScrollThumb(int w, int h);

// Cursor pictures, 20 x 20, white (transparent) around the shape.
// `kind`: "arrow", "wait", "click", "voice", "take", "use", or a magnifier
// direction made of the letters D (right), G (left), H (up), B (down).
Canvas Cursor(const std::string& kind);

// A carried object of the harbour station ("U02_01" the note, "U02_07" the
// plank, "U02_10" the chestnuts, "U02_11" the change, "U02_12" the ticket),
// `size` pixels square.
Canvas HarbourObjectPicture(const std::string& code, int size);

// The inventory strip, 640 x 60: two arrows on the left and seven slots.
Canvas InventoryStrip();

// A generated landscape painting, `w` x `h`, the same for the same code.
Canvas Painting(const std::string& code, int w, int h);
// A painting in a gilded frame hung on a wall, full screen, the painting area
// (x0, y0, x1, y1).
Canvas HungPainting(const Canvas& painting, int x0, int y0, int x1, int y1, const std::string& caption);

}  // namespace screens
