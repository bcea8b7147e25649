#include "tools/dmfconv/TextureConvert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

namespace dmfconv {

namespace {

std::uint32_t Pack(Rgb c) { return (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b; }

// One output coordinate's contributions along one axis.
struct Tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Tap> TentTaps(int srcSize, int dstSize) {
    std::vector<Tap> taps(dstSize);
    const double scale = double(srcSize) / dstSize;
    const double radius = std::max(1.0, scale);
    for (int i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        int lo = int(std::ceil(centre - radius));
        int hi = int(std::floor(centre + radius));
        lo = std::max(lo, 0);
        hi = std::min(hi, srcSize - 1);
        Tap& tap = taps[i];
        tap.first = lo;
        double sum = 0;
        for (int s = lo; s <= hi; ++s) {
            const double w = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            tap.weights.push_back(float(w));
            sum += w;
        }
        if (sum <= 0) {  // centre exactly between two far samples: take the nearest
            tap.first = std::clamp(int(std::lround(centre)), 0, srcSize - 1);
            tap.weights.assign(1, 1.0f);
        } else {
            for (float& w : tap.weights) w = float(w / sum);
        }
    }
    return taps;
}

struct Box {
    std::size_t begin, end;  // range in the colour list
    int axis = 0;
    int range = 0;
    std::uint64_t population = 0;
};

struct Counted {
    Rgb colour;
    std::uint32_t count;
};

int Channel(const Rgb& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

void Measure(Box& box, const std::vector<Counted>& list) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    box.population = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], Channel(list[i].colour, a));
            hi[a] = std::max(hi[a], Channel(list[i].colour, a));
        }
        box.population += list[i].count;
    }
    box.axis = 0;
    box.range = -1;
    for (int a = 0; a < 3; ++a) {
        if (hi[a] - lo[a] > box.range) {
            box.range = hi[a] - lo[a];
            box.axis = a;
        }
    }
}

}  // namespace

int RoundToPowerOfTwo(int side) {
    if (side <= 1) return 1;
    int p = 1;
    while (p * 2 <= side) p *= 2;
    // Between p and 2p: take whichever is nearer in ratio.
    if (double(side) / p > double(2 * p) / side) p *= 2;
    return std::min(p, zelt::kDmfMaxSide);
}

Picture Resample(const Picture& in, int width, int height) {
    Picture out;
    out.width = width;
    out.height = height;
    out.pixels.resize(std::size_t(width) * height);
    const bool keyed = !in.opaque.empty();
    if (keyed) out.opaque.resize(out.pixels.size());
    if (in.width == width && in.height == height) return in;

    // Horizontal pass into premultiplied floats (r, g, b, coverage), then vertical.
    const auto hx = TentTaps(in.width, width);
    const auto vy = TentTaps(in.height, height);
    std::vector<std::array<float, 4>> rows(std::size_t(width) * in.height);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::array<float, 4> acc{};
            const Tap& tap = hx[x];
            for (std::size_t k = 0; k < tap.weights.size(); ++k) {
                const std::size_t idx = std::size_t(y) * in.width + tap.first + k;
                const float a = keyed ? (in.opaque[idx] ? 1.0f : 0.0f) : 1.0f;
                const float w = tap.weights[k] * a;
                acc[0] += w * in.pixels[idx].r;
                acc[1] += w * in.pixels[idx].g;
                acc[2] += w * in.pixels[idx].b;
                acc[3] += tap.weights[k] * a;
            }
            rows[std::size_t(y) * width + x] = acc;
        }
    }
    for (int y = 0; y < height; ++y) {
        const Tap& tap = vy[y];
        for (int x = 0; x < width; ++x) {
            std::array<float, 4> acc{};
            for (std::size_t k = 0; k < tap.weights.size(); ++k) {
                const auto& src = rows[std::size_t(tap.first + k) * width + x];
                for (int c = 0; c < 4; ++c) acc[c] += tap.weights[k] * src[c];
            }
            const std::size_t o = std::size_t(y) * width + x;
            if (keyed) out.opaque[o] = acc[3] >= 0.5f;
            if (acc[3] > 1e-6f) {
                auto chan = [&](float v) { return std::uint8_t(std::clamp(std::lround(v / acc[3]), 0L, 255L)); };
                out.pixels[o] = Rgb{chan(acc[0]), chan(acc[1]), chan(acc[2])};
            }
        }
    }
    return out;
}

std::vector<Rgb> MedianCutPalette(const std::vector<Rgb>& colours, int maxColours) {
    std::unordered_map<std::uint32_t, std::uint32_t> histogram;
    for (const Rgb& c : colours) ++histogram[Pack(c)];
    std::vector<Counted> list;
    list.reserve(histogram.size());
    for (const auto& [packed, count] : histogram)
        list.push_back({Rgb{std::uint8_t(packed >> 16), std::uint8_t(packed >> 8), std::uint8_t(packed)}, count});
    // A fixed order keeps the result independent of the hash table's layout.
    std::sort(list.begin(), list.end(), [](const Counted& a, const Counted& b) { return Pack(a.colour) < Pack(b.colour); });

    std::vector<Rgb> palette;
    if (maxColours <= 0 || list.empty()) return palette;
    if (list.size() <= std::size_t(maxColours)) {
        for (const Counted& c : list) palette.push_back(c.colour);
        return palette;
    }

    std::vector<Box> boxes(1);
    boxes[0].begin = 0;
    boxes[0].end = list.size();
    Measure(boxes[0], list);
    while (boxes.size() < std::size_t(maxColours)) {
        // Split the box whose colours spread widest, weighted by how much of the picture it holds.
        int best = -1;
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2 || boxes[i].range <= 0) continue;
            const double score = double(boxes[i].range) * std::sqrt(double(boxes[i].population));
            if (score > bestScore) {
                bestScore = score;
                best = int(i);
            }
        }
        if (best < 0) break;
        Box& box = boxes[best];
        const int axis = box.axis;
        std::sort(list.begin() + box.begin, list.begin() + box.end, [axis](const Counted& a, const Counted& b) {
            const int ca = Channel(a.colour, axis), cb = Channel(b.colour, axis);
            return ca != cb ? ca < cb : Pack(a.colour) < Pack(b.colour);
        });
        // Weighted median, kept strictly inside so both halves are non-empty.
        std::uint64_t half = box.population / 2, run = 0;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            run += list[i].count;
            cut = i + 1;
            if (run >= half) break;
        }
        Box upper;
        upper.begin = cut;
        upper.end = box.end;
        box.end = cut;
        Measure(box, list);
        Measure(upper, list);
        boxes.push_back(upper);
    }
    for (const Box& box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += double(list[i].colour.r) * list[i].count;
            g += double(list[i].colour.g) * list[i].count;
            b += double(list[i].colour.b) * list[i].count;
            n += list[i].count;
        }
        palette.push_back(Rgb{std::uint8_t(std::lround(r / n)), std::uint8_t(std::lround(g / n)),
                              std::uint8_t(std::lround(b / n))});
    }
    return palette;
}

PaletteMapper::PaletteMapper(std::vector<Rgb> palette) : m_Palette(std::move(palette)) {}

int PaletteMapper::Map(Rgb c) {
    const std::uint32_t key = Pack(c);
    if (auto it = m_Exact.find(key); it != m_Exact.end()) return it->second;
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < m_Palette.size(); ++i) {
        const long dr = long(c.r) - m_Palette[i].r, dg = long(c.g) - m_Palette[i].g, db = long(c.b) - m_Palette[i].b;
        // Green weighs most, blue least, as the eye sees them.
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0) break;
        }
    }
    m_Exact.emplace(key, best);
    return best;
}

std::uint16_t ToRgb565(Rgb c) {
    return std::uint16_t(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
}

bool Convert(const Picture& picture, const ConvertOptions& options, zelt::DmfImage& out, std::string& why) {
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels.size() != std::size_t(picture.width) * picture.height) {
        why = "empty or inconsistent picture";
        return false;
    }
    if (options.depth != 8 && options.depth != 16) {
        why = "depth must be 8 or 16";
        return false;
    }
    int width = options.forcedWidth ? options.forcedWidth : RoundToPowerOfTwo(picture.width);
    int height = options.forcedHeight ? options.forcedHeight : RoundToPowerOfTwo(picture.height);
    if (!zelt::DmfIsPowerOfTwoSide(width) || !zelt::DmfIsPowerOfTwoSide(height)) {
        why = "size must be a power of two from 1 to 1024";
        return false;
    }

    // Coverage: transparent input pixels and pixels of the key colour are see-through.
    Picture src = picture;
    if (options.key) {
        if (src.opaque.empty()) src.opaque.assign(src.pixels.size(), 1);
        for (std::size_t i = 0; i < src.pixels.size(); ++i)
            if (src.pixels[i] == *options.key) src.opaque[i] = 0;
    } else {
        src.opaque.clear();
    }
    const Picture sized = Resample(src, width, height);
    const std::size_t count = sized.pixels.size();
    auto isKey = [&](std::size_t i) { return options.key && !sized.opaque[i]; };

    zelt::DmfImage img;
    img.width = width;
    img.height = height;
    img.depth = options.depth;
    img.hasKey = options.key.has_value();
    if (img.hasKey) img.keyPixel = ToRgb565(*options.key);

    if (options.depth == 16) {
        img.texels16.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (isKey(i)) {
                img.texels16[i] = img.keyPixel;
                continue;
            }
            std::uint16_t p = ToRgb565(sized.pixels[i]);
            if (img.hasKey && p == img.keyPixel) p ^= 0x0020;  // an opaque pixel must not read as the key
            img.texels16[i] = p;
        }
    } else {
        std::vector<Rgb> visible;
        visible.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            if (!isKey(i)) visible.push_back(sized.pixels[i]);
        // The key takes the last entry; the picture's own colours get the rest.
        const int room = img.hasKey ? 255 : 256;
        std::vector<Rgb> palette = MedianCutPalette(visible, room);
        PaletteMapper mapper(palette);
        if (img.hasKey) img.keyIndex = 255;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            img.palette[i][0] = palette[i].b;
            img.palette[i][1] = palette[i].g;
            img.palette[i][2] = palette[i].r;
        }
        if (img.hasKey) {
            img.palette[255][0] = options.key->b;
            img.palette[255][1] = options.key->g;
            img.palette[255][2] = options.key->r;
        }
        img.texels8.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            img.texels8[i] = isKey(i) ? img.keyIndex : std::uint8_t(palette.empty() ? 0 : mapper.Map(sized.pixels[i]));
    }
    out = std::move(img);
    return true;
}

}  // namespace dmfconv
