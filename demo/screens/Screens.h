// The 2D screens of the pack: every picture they and the cursor manager name,
// "2DBIT/Media.txt", and the frames of demo/frames compiled into "2DFRA/".
#pragma once

#include <string>
#include <vector>

namespace pack {
class Pack;
}

namespace screens {

// The gallery's paintings, in the order their buttons unlock.
extern const char* const kPaintingCodes[20];
// ViewIDs of the gallery buttons in the same order.
extern const int kGalleryButtons[20];

// Writes "2DBIT/" (pictures, Media.txt) and "2DFRA/" (frames from `framesDir`).
bool BuildScreens(pack::Pack& pack, const std::string& framesDir);

// Every picture name a frame text names (bitmap, highlight, thumb and bar
// keys), in the order met; "0" and empty values are not names.
std::vector<std::string> PictureNamesOfFrame(const std::string& text);

}  // namespace screens
