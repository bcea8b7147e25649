// Shared by the engine tests and the scripted program runs on the data pack.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "lumora/engine/XScene.h"

class XChunkFile;
class XObject3D;

// The folder of the built programs (LUMORA_BIN overrides it) and the data
// pack in it, with a trailing slash.
std::string TestBinDir();
std::string DataPackRoot();

// A dumped frame, colours reduced to five bits a channel as a 16-bit frame holds them.
struct FrameDump {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x] & 0xF8F8F8; }
};
// Empty when the file cannot be read.
FrameDump ReadFrameDump(const std::filesystem::path& path);

// Opens a chunk file, enters `chunk` and hands the file to read; 0 when
// the file or the chunk is missing, else read's answer.
int ReadInChunk(const std::string& path, const char* chunk, const std::function<int(XChunkFile*)>& read);

// The test rooms as a scene without a display (kernel scene, trees, scene list).
class TestRoomScene : public XScene {
public:
    // Loads "U09/U09.ZELT" of the pack (or of another data root holding a
    // copy of "U09/"); Start applies the tables.
    int Open(const std::string& root = DataPackRoot());
    // The action node of a kernel object named `name`.
    XObject3D* Node(const char* name);
};

// Mean absolute sample value of the first channel of a 16-bit PCM wave (its
// bytes, as an audio capture writes it), in windows of `seconds`; empty when
// the bytes are not such a wave. *rate gets the sample rate when given.
std::vector<double> Loudness(const std::string& waveBytes, double seconds, int* rate = nullptr);
