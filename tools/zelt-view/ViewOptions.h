// Command line of the scene viewer, and the small helpers it shares with its tests.
#ifndef TOOLS_ZELT_VIEW_VIEWOPTIONS_H
#define TOOLS_ZELT_VIEW_VIEWOPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

namespace zeltview {

struct Options {
  std::vector<std::string> files;  // engine asset files, in load order
  std::string anim;                // --anim FILE.a3d
  bool haveFrame = false;
  float frame = 0.0f;              // --frame F
  std::string camera;              // --camera NAME
  int width = 640;                 // --size WxH
  int height = 480;
  std::string out;                 // --out IMAGE.png
  bool dialog = false;             // --dialog: the display configuration dialog chooses
  bool display = false;            // --renderer display (the display layer's kind) | software
  bool fullScreen = false;         // --full-screen
  bool format555 = false;          // --format 555 | 565: the display's 16-bit layout
};

// Parses the arguments after the program name. False with a reason on a bad line.
bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error);

extern const char* const kUsage;

// Lower-cased extension with its dot (".o3d"), or "" when there is none.
std::string Extension(const std::string& path);

// Writes 5-6-5 pixels (pitch in pixels) as an 8-bit RGB PNG. False with a reason on failure.
bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height, int pitch,
                 std::string& error);

// Orbit around a target: the eye sits at distance from the target, seen under direction
// angles theta (about z) and phi (from straight down; pi/2 is level). Gives the eye position.
void OrbitEye(const float target[3], float theta, float phi, float distance, float eye[3]);

// Unit view direction of the direction angles: (cos a sin b, -sin a sin b, -cos b).
void DirectionOf(float theta, float phi, float dir[3]);

}  // namespace zeltview

#endif
