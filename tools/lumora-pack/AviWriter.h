// Writes a Motion-JPEG AVI with an optional 16-bit PCM sound track through
// FFmpeg's libraries, with fixed encoder settings and bit-exact muxing so
// the same pictures always give the same file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pack {

struct AviSound {
    int rate = 22050;
    int channels = 1;
    std::vector<std::int16_t> samples;  // interleaved
};

// Fills `rgb` (width * height * 3 bytes, top row first) with picture `index`.
using AviFrameSource = std::function<void(int index, std::vector<std::uint8_t>& rgb)>;

bool WriteMjpegAvi(const std::string& path, int width, int height, int fps, int frameCount,
                   const AviFrameSource& source, const AviSound* sound, std::string& why);

}  // namespace pack
