// Input pictures: PNG through libpng, BMP through the host layer's reader.
#include <png.h>

#include "platform/Bmp.h"
#include "tools/dmfconv/TextureConvert.h"

namespace dmfconv {

bool LoadPng(const std::string& path, Picture& out, std::string& why) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        why = image.message[0] ? image.message : "cannot read PNG";
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        why = "unreasonable PNG size";
        return false;
    }
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        why = image.message[0] ? image.message : "cannot decode PNG";
        png_image_free(&image);
        return false;
    }
    Picture pic;
    pic.width = int(image.width);
    pic.height = int(image.height);
    pic.pixels.resize(std::size_t(pic.width) * pic.height);
    bool anyTransparent = false;
    std::vector<std::uint8_t> opaque(pic.pixels.size());
    for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
        pic.pixels[i] = Rgb{rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]};
        opaque[i] = rgba[4 * i + 3] >= 128;
        anyTransparent |= !opaque[i];
    }
    if (anyTransparent) pic.opaque = std::move(opaque);
    out = std::move(pic);
    return true;
}

bool LoadBmp(const std::string& path, Picture& out, std::string& why) {
    platform::BmpImage image;
    if (!platform::ReadBmpFile(path.c_str(), &image, &why)) {
        if (why.empty()) why = "cannot read bitmap";
        return false;
    }
    Picture pic;
    pic.width = image.width;
    pic.height = image.height;
    pic.pixels.reserve(image.rgb.size());
    for (std::uint32_t c : image.rgb)
        pic.pixels.push_back(Rgb{std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    out = std::move(pic);
    return true;
}

}  // namespace dmfconv
