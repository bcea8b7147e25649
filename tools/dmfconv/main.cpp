// dmfconv IN.(bmp|png) OUT.dmf [--depth 8|16] [--key R,G,B] [--size WxH]
// Converts a picture into a kernel texture.
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/dmfconv/TextureConvert.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: dmfconv IN.(bmp|png) OUT.dmf [--depth 8|16] [--key R,G,B] [--size WxH]\n"
                 "  --depth  texel depth: 8 (palette, default; needed by lit materials) or 16 (5-6-5)\n"
                 "  --key    colour key: pixels of this colour (and transparent PNG pixels) are see-through\n"
                 "  --size   force the texture size (powers of two up to 1024); default rounds each side\n");
    return 2;
}

bool ParseInt(const char* s, int& v) {
    char* end = nullptr;
    long x = std::strtol(s, &end, 10);
    if (end == s || x < 0 || x > 65535) return false;
    v = int(x);
    return *end == '\0' || *end == ',' || *end == 'x' || *end == 'X';
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::string in, out;
    dmfconv::ConvertOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--depth" && i + 1 < argc) {
            if (!ParseInt(argv[++i], options.depth) || (options.depth != 8 && options.depth != 16)) return Usage();
        } else if (arg == "--key" && i + 1 < argc) {
            int r, g, b;
            const char* s = argv[++i];
            const char* c1 = std::strchr(s, ',');
            const char* c2 = c1 ? std::strchr(c1 + 1, ',') : nullptr;
            if (!c1 || !c2 || !ParseInt(s, r) || !ParseInt(c1 + 1, g) || !ParseInt(c2 + 1, b) || r > 255 || g > 255 ||
                b > 255)
                return Usage();
            options.key = dmfconv::Rgb{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
        } else if (arg == "--size" && i + 1 < argc) {
            const char* s = argv[++i];
            const char* x = std::strpbrk(s, "xX");
            if (!x || !ParseInt(s, options.forcedWidth) || !ParseInt(x + 1, options.forcedHeight)) return Usage();
            if (!zelt::DmfIsPowerOfTwoSide(options.forcedWidth) || !zelt::DmfIsPowerOfTwoSide(options.forcedHeight)) {
                std::fprintf(stderr, "dmfconv: --size needs powers of two from 1 to 1024\n");
                return 2;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else if (in.empty()) {
            in = arg;
        } else if (out.empty()) {
            out = arg;
        } else {
            return Usage();
        }
    }
    if (in.empty() || out.empty()) return Usage();

    dmfconv::Picture picture;
    std::string why;
    const std::string lower = Lower(in);
    const bool png = lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".png") == 0;
    if (!(png ? dmfconv::LoadPng(in, picture, why) : dmfconv::LoadBmp(in, picture, why))) {
        std::fprintf(stderr, "dmfconv: %s: %s\n", in.c_str(), why.c_str());
        return 1;
    }
    zelt::DmfImage image;
    if (!dmfconv::Convert(picture, options, image, why)) {
        std::fprintf(stderr, "dmfconv: %s: %s\n", in.c_str(), why.c_str());
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    if (!zelt::DmfSerialize(image, bytes)) {
        std::fprintf(stderr, "dmfconv: internal error serialising %s\n", out.c_str());
        return 1;
    }
    // Write beside the target and rename, so a failed run never leaves half a texture.
    const std::string temp = out + ".tmp";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!f.good()) {
            std::fprintf(stderr, "dmfconv: cannot write %s\n", out.c_str());
            std::remove(temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "dmfconv: cannot write %s\n", out.c_str());
        std::remove(temp.c_str());
        return 1;
    }
    std::printf("%s: %dx%d, %d-bit%s, %zu bytes\n", out.c_str(), image.width, image.height, image.depth,
                image.hasKey ? ", colour key" : "", bytes.size());
    return 0;
}
