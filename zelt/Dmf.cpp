#include "zelt/Dmf.h"

#include <cstring>

namespace zelt {

namespace {

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

bool DmfParse(const std::uint8_t* data, std::size_t size, DmfImage& out, std::string* why) {
    if (!data || size < kDmfHeaderSize) return Fail(why, "shorter than its header");
    if (std::memcmp(data, "DMF1", 4) != 0) return Fail(why, "not a DMF1 file");
    DmfImage img;
    img.width = Get16(data + 4);
    img.height = Get16(data + 6);
    img.depth = data[8];
    if (!DmfIsPowerOfTwoSide(img.width) || !DmfIsPowerOfTwoSide(img.height))
        return Fail(why, "side is not a power of two from 1 to 1024");
    if (img.depth != 8 && img.depth != 16) return Fail(why, "texel depth is neither 8 nor 16");
    img.hasKey = (data[9] & kDmfFlagColourKey) != 0;
    img.keyIndex = data[10];
    img.keyPixel = Get16(data + 12);

    const std::size_t texelCount = static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height);
    std::size_t pos = kDmfHeaderSize;
    if (img.depth == 8) {
        if (size - pos < kDmfPaletteSize) return Fail(why, "palette runs past the end");
        std::memcpy(img.palette, data + pos, kDmfPaletteSize);
        pos += kDmfPaletteSize;
        if (size - pos < texelCount) return Fail(why, "texels run past the end");
        img.texels8.assign(data + pos, data + pos + texelCount);
    } else {
        if ((size - pos) / 2 < texelCount) return Fail(why, "texels run past the end");
        img.texels16.resize(texelCount);
        for (std::size_t i = 0; i < texelCount; ++i) img.texels16[i] = Get16(data + pos + 2 * i);
    }
    out = std::move(img);
    return true;
}

bool DmfSerialize(const DmfImage& image, std::vector<std::uint8_t>& out) {
    if (!DmfIsPowerOfTwoSide(image.width) || !DmfIsPowerOfTwoSide(image.height)) return false;
    const std::size_t texelCount = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.depth == 8 ? image.texels8.size() != texelCount
                         : (image.depth != 16 || image.texels16.size() != texelCount))
        return false;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(kDmfHeaderSize + kDmfPaletteSize + texelCount * 2);
    bytes.insert(bytes.end(), {'D', 'M', 'F', '1'});
    Put16(bytes, static_cast<std::uint16_t>(image.width));
    Put16(bytes, static_cast<std::uint16_t>(image.height));
    bytes.push_back(static_cast<std::uint8_t>(image.depth));
    bytes.push_back(image.hasKey ? kDmfFlagColourKey : 0);
    bytes.push_back(image.hasKey ? image.keyIndex : 0);
    bytes.push_back(0);
    Put16(bytes, image.hasKey ? image.keyPixel : 0);
    Put16(bytes, 0);
    if (image.depth == 8) {
        for (const auto& entry : image.palette) bytes.insert(bytes.end(), {entry[0], entry[1], entry[2], 0});
        bytes.insert(bytes.end(), image.texels8.begin(), image.texels8.end());
    } else {
        for (std::uint16_t t : image.texels16) Put16(bytes, t);
    }
    out = std::move(bytes);
    return true;
}

}  // namespace zelt
