#include "tools/zelt-view/ViewOptions.h"

#include <png.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace zeltview {

const char* const kUsage =
    "usage: zelt-view FILE... [--anim FILE.a3d] [--frame F] [--camera NAME] [--size WxH]\n"
    "                 [--out IMAGE.png] [--dialog] [--renderer software|display] [--full-screen]\n"
    "                 [--format 565|555]\n"
    "FILE: .s3d .o3d .a3d .c3d .l3d engine asset files; textures are searched beside them and\n"
    "in their Maps/ folders. With --out one frame is written as PNG and the program ends;\n"
    "otherwise a window opens through the display layer (--dialog lets the display configuration\n"
    "dialog choose full screen or window, renderer and mode): drag orbits, wheel zooms, arrows walk, space plays the\n"
    "animation, F1 shows the frame counters, Escape quits.\n";

namespace {

bool ParseFloat(const std::string& text, float& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  value = float(v);
  return true;
}

bool ParseSize(const std::string& text, int& w, int& h) {
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  auto number = [](const std::string& s, int& out) {
    if (s.empty() || s.size() > 5) return false;
    for (char c : s)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = std::atoi(s.c_str());
    return true;
  };
  // Bounded so that a frame always fits the renderer's coordinates and memory.
  return number(text.substr(0, x), w) && number(text.substr(x + 1), h) && w >= 16 && h >= 16 &&
         w <= 4096 && h <= 4096;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  o = Options{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--anim") {
      if (!value(o.anim)) return false;
    } else if (a == "--frame") {
      if (!value(v)) return false;
      if (!ParseFloat(v, o.frame)) {
        error = "bad frame " + v;
        return false;
      }
      o.haveFrame = true;
    } else if (a == "--camera") {
      if (!value(o.camera)) return false;
    } else if (a == "--size") {
      if (!value(v)) return false;
      if (!ParseSize(v, o.width, o.height)) {
        error = "bad size " + v + " (WxH, 16 to 4096)";
        return false;
      }
    } else if (a == "--out") {
      if (!value(o.out)) return false;
    } else if (a == "--dialog") {
      o.dialog = true;
    } else if (a == "--full-screen") {
      o.fullScreen = true;
    } else if (a == "--renderer") {
      if (!value(v)) return false;
      if (v != "software" && v != "display") {
        error = "bad renderer " + v + " (software or display)";
        return false;
      }
      o.display = v == "display";
    } else if (a == "--format") {
      if (!value(v)) return false;
      if (v != "565" && v != "555") {
        error = "bad format " + v + " (565 or 555)";
        return false;
      }
      o.format555 = v == "555";
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      const std::string ext = Extension(a);
      if (ext != ".s3d" && ext != ".o3d" && ext != ".a3d" && ext != ".c3d" && ext != ".l3d") {
        error = "not an engine asset file: " + a;
        return false;
      }
      o.files.push_back(a);
    }
  }
  if (o.files.empty()) {
    error = "no file to show";
    return false;
  }
  return true;
}

std::string Extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height, int pitch,
                 std::string& error) {
  if (!pixels || width <= 0 || height <= 0 || pitch < width) {
    error = "no picture";
    return false;
  }
  std::vector<png_byte> rgb(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint16_t p = pixels[size_t(y) * pitch + x];
      png_byte* d = &rgb[(size_t(y) * width + x) * 3];
      // Widen each channel by repeating its top bits, so white stays 255.
      unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
      d[0] = png_byte((r << 3) | (r >> 2));
      d[1] = png_byte((g << 2) | (g >> 4));
      d[2] = png_byte((b << 3) | (b >> 2));
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    error = image.message[0] ? image.message : "cannot write PNG";
    png_image_free(&image);
    return false;
  }
  return true;
}

void DirectionOf(float theta, float phi, float dir[3]) {
  dir[0] = std::cos(theta) * std::sin(phi);
  dir[1] = -std::sin(theta) * std::sin(phi);
  dir[2] = -std::cos(phi);
}

void OrbitEye(const float target[3], float theta, float phi, float distance, float eye[3]) {
  float d[3];
  DirectionOf(theta, phi, d);
  for (int k = 0; k < 3; ++k) eye[k] = target[k] - d[k] * distance;
}

}  // namespace zeltview
