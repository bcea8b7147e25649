#include "platform/Bmp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace platform {

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

// One colour channel of a bit-field pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    bool Set(std::uint32_t m) {
        mask = m;
        if (m == 0) return true;
        shift = 0;
        while (!((m >> shift) & 1u)) ++shift;
        max = m >> shift;
        return (max & (max + 1)) == 0;  // contiguous bits only
    }
    std::uint32_t Get(std::uint32_t px) const {
        if (!mask) return 0;
        std::uint64_t v = (px & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255u + max / 2) / max);
    }
};

// Run-length pixels (8 or 4 bits), bottom row first, into indexes stored top
// row first. Pixels the runs skip stay 0. Runs that leave the picture are
// cut at its edges; data that ends without the end-of-picture mark keeps
// what was decoded.
bool DecodeRle(const std::uint8_t* p, std::size_t n, bool four, int w, int h, std::vector<std::uint8_t>& index) {
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](unsigned v) {
        if (x >= w) return;
        if (y < h) index[static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v);
        ++x;
    };
    std::size_t i = 0;
    while (i + 2 <= n && y < h) {
        const unsigned count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k) put(four ? ((k & 1) ? value & 15u : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (i + 2 > n) return false;
            x = std::min(x + p[i], w);
            y = std::min(y + p[i + 1], h);
            i += 2;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > n) return false;
            for (unsigned k = 0; k < value; ++k) {
                const unsigned b = four ? p[i + k / 2] : p[i + k];
                put(four ? ((k & 1) ? b & 15u : b >> 4) : b);
            }
            i += bytes + (bytes & 1);  // absolute runs end on a 16-bit boundary
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const void* data, std::size_t size, BmpImage* out, std::string* error) {
    if (!out) return Fail(error, "no output");
    *out = BmpImage{};
    const auto* f = static_cast<const std::uint8_t*>(data);
    if (!f || size < 14 + 12) return Fail(error, "file too short for a bitmap header");
    if (f[0] != 'B' || f[1] != 'M') return Fail(error, "not a bitmap file (no BM signature)");
    const std::uint32_t offBits = U32(f + 10);
    const std::uint32_t headerSize = U32(f + 14);
    const bool core = headerSize == 12;
    if (!core && headerSize < 40) return Fail(error, "unknown bitmap header size");
    if (static_cast<std::uint64_t>(14) + headerSize > size) return Fail(error, "bitmap header runs past the end of the file");

    const std::uint8_t* h = f + 14;
    std::int64_t width, height;
    unsigned planes, bits;
    std::uint32_t compression = BI_RGB, clrUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = static_cast<std::int16_t>(U16(h + 6));
        planes = U16(h + 8);
        bits = U16(h + 10);
    } else {
        width = S32(h + 4);
        height = S32(h + 8);
        planes = U16(h + 12);
        bits = U16(h + 14);
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    if (planes != 1) return Fail(error, "bitmap plane count is not 1");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "unsupported bits per pixel");
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return Fail(error, "bitmap has no pixels");
    if (width > kBmpMaxSide || height > kBmpMaxSide || width * height > kBmpMaxPixels)
        return Fail(error, "bitmap dimensions are absurd");

    Channel red, green, blue;
    std::size_t tableStart = 14 + headerSize;
    if (compression == BI_BITFIELDS) {
        if (bits != 16 && bits != 32) return Fail(error, "bit fields need 16 or 32 bits per pixel");
        std::uint32_t rm, gm, bm;
        if (headerSize >= 52) {
            rm = U32(h + 40), gm = U32(h + 44), bm = U32(h + 48);
        } else {
            if (tableStart + 12 > size) return Fail(error, "bit-field masks run past the end of the file");
            rm = U32(f + tableStart), gm = U32(f + tableStart + 4), bm = U32(f + tableStart + 8);
            tableStart += 12;
        }
        if (!red.Set(rm) || !green.Set(gm) || !blue.Set(bm) || (rm | gm | bm) == 0)
            return Fail(error, "bit-field masks are not usable");
    } else if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (bits != (compression == BI_RLE8 ? 8u : 4u)) return Fail(error, "run-length code does not match the pixel depth");
        if (topDown) return Fail(error, "run-length bitmaps cannot be stored top-down");
    } else if (compression != BI_RGB) {
        return Fail(error, "unsupported bitmap compression");
    }

    if (bits <= 8) {
        const std::uint32_t maxColours = 1u << bits;
        if (clrUsed > maxColours) return Fail(error, "colour table larger than the pixel depth allows");
        const std::uint32_t colours = clrUsed ? clrUsed : maxColours;
        const std::size_t entry = core ? 3 : 4;
        if (tableStart + colours * entry > size) return Fail(error, "colour table runs past the end of the file");
        out->palette.resize(colours);
        for (std::uint32_t i = 0; i < colours; ++i) {
            const std::uint8_t* e = f + tableStart + i * entry;
            out->palette[i] = (static_cast<std::uint32_t>(e[2]) << 16) | (static_cast<std::uint32_t>(e[1]) << 8) | e[0];
        }
    }

    if (offBits < 14 + headerSize) return Fail(error, "pixel data overlaps the header");
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (offBits >= size) return Fail(error, "pixel data runs past the end of the file");
        const int w = static_cast<int>(width), hgt = static_cast<int>(height);
        std::vector<std::uint8_t> index(static_cast<std::size_t>(w) * static_cast<std::size_t>(hgt), 0);
        if (!DecodeRle(f + offBits, size - offBits, compression == BI_RLE4, w, hgt, index)) {
            *out = BmpImage{};
            return Fail(error, "run-length data runs past the end of the file");
        }
        out->width = w;
        out->height = hgt;
        out->fileBits = static_cast<int>(bits);
        out->rgb.resize(index.size());
        for (std::size_t i = 0; i < index.size(); ++i)
            out->rgb[i] = index[i] < out->palette.size() ? out->palette[index[i]] : 0;
        out->index = std::move(index);
        return true;
    }
    const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
    if (static_cast<std::uint64_t>(offBits) + rowBytes * static_cast<std::uint64_t>(height) > size)
        return Fail(error, "pixel data runs past the end of the file");

    const int w = static_cast<int>(width), hgt = static_cast<int>(height);
    out->width = w;
    out->height = hgt;
    out->fileBits = static_cast<int>(bits);
    out->rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(hgt));
    if (bits <= 8) out->index.resize(out->rgb.size());

    for (int y = 0; y < hgt; ++y) {
        const int fileRow = topDown ? y : hgt - 1 - y;
        const std::uint8_t* row = f + offBits + rowBytes * static_cast<std::uint64_t>(fileRow);
        std::uint32_t* dst = out->rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        switch (bits) {
            case 1:
            case 4:
            case 8: {
                std::uint8_t* idx = out->index.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
                const unsigned perByte = 8 / bits, mask = (1u << bits) - 1;
                for (int x = 0; x < w; ++x) {
                    const unsigned byte = row[x / perByte];
                    const unsigned shift = 8 - bits * (1 + x % perByte);
                    const unsigned i = (byte >> shift) & mask;
                    idx[x] = static_cast<std::uint8_t>(i);
                    // An index past a short colour table shows black.
                    dst[x] = i < out->palette.size() ? out->palette[i] : 0;
                }
                break;
            }
            case 16:
                for (int x = 0; x < w; ++x) {
                    const std::uint16_t px = U16(row + 2 * x);
                    if (compression == BI_BITFIELDS) {
                        dst[x] = (red.Get(px) << 16) | (green.Get(px) << 8) | blue.Get(px);
                    } else {
                        Rgb8 c = Rgb555To888(px);
                        dst[x] = (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
                    }
                }
                break;
            case 24:
                for (int x = 0; x < w; ++x) {
                    const std::uint8_t* p = row + 3 * x;
                    dst[x] = (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
                }
                break;
            case 32:
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t px = U32(row + 4 * x);
                    if (compression == BI_BITFIELDS)
                        dst[x] = (red.Get(px) << 16) | (green.Get(px) << 8) | blue.Get(px);
                    else
                        dst[x] = px & 0x00FFFFFFu;
                }
                break;
        }
    }
    return true;
}

bool ReadBmpFile(const char* path, BmpImage* out, std::string* error) {
    if (!path) return Fail(error, "no file name");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) return Fail(error, "cannot open the file");
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        // Bigger than the largest acceptable picture plus its tables: refuse early.
        if (bytes.size() > static_cast<std::size_t>(kBmpMaxPixels) * 4 + (1u << 20))
            return Fail(error, "file too large for a bitmap");
    }
    if (std::ferror(file.get())) return Fail(error, "cannot read the file");
    return DecodeBmp(bytes.data(), bytes.size(), out, error);
}

bool CopyBmpToView(const BmpImage& image, const PixelView& view) {
    if (!view.bits || view.width <= 0 || view.height <= 0) return false;
    if (view.format == PixelFormat::PAL8 && image.index.empty()) return false;
    const int w = std::min(image.width, view.width), h = std::min(image.height, view.height);
    const int bpp = BytesPerPixel(view.format);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(view.bits) + static_cast<std::ptrdiff_t>(y) * view.pitch;
        const std::size_t base = static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
        if (view.format == PixelFormat::PAL8) {
            std::memcpy(row, image.index.data() + base, static_cast<std::size_t>(w));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = image.rgb[base + static_cast<std::size_t>(x)];
            const std::uint32_t v = PackRgb(view.format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
            std::memcpy(row + x * bpp, &v, static_cast<std::size_t>(bpp));  // little-endian host
        }
    }
    return true;
}

HRESULT CreateBmpSurface(DirectDraw* dd, const BmpImage& image, DirectDrawSurface** out, DWORD extraCaps) {
    if (!dd || !out || image.width <= 0 || image.height <= 0) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    DDSURFACEDESC desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(image.width);
    desc.dwHeight = static_cast<DWORD>(image.height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | extraCaps;
    DirectDrawSurface* s = nullptr;
    HRESULT hr = dd->CreateSurface(&desc, &s);
    if (FAILED(hr)) return hr;
    PixelView view;
    hr = s->Lock(nullptr, &view, DDLOCK_WAIT);
    if (FAILED(hr)) {
        s->Release();
        return hr;
    }
    const bool copied = CopyBmpToView(image, view);
    s->Unlock(view.bits);
    if (!copied) {
        s->Release();
        return DDERR_INVALIDPIXELFORMAT;
    }
    *out = s;
    return DD_OK;
}

HRESULT LoadBmpSurface(DirectDraw* dd, const char* path, DirectDrawSurface** out, DWORD extraCaps) {
    if (out) *out = nullptr;
    BmpImage image;
    if (!ReadBmpFile(path, &image)) return DDERR_NOTFOUND;
    return CreateBmpSurface(dd, image, out, extraCaps);
}

std::vector<std::uint8_t> EncodeBmp(const PixelView& view) {
    std::vector<std::uint8_t> out;
    if (!view.bits || view.width <= 0 || view.height <= 0 || view.format == PixelFormat::PAL8) return out;
    const bool sixteen = BytesPerPixel(view.format) == 2;
    const std::uint32_t bits = sixteen ? 16 : 24;
    const std::uint32_t rowBytes = ((static_cast<std::uint32_t>(view.width) * bits + 31) / 32) * 4;
    const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(view.height);
    out.assign(54 + static_cast<std::size_t>(dataBytes), 0);
    std::uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, 54 + dataBytes);
    Put32(p + 10, 54);
    Put32(p + 14, 40);
    Put32(p + 18, static_cast<std::uint32_t>(view.width));
    Put32(p + 22, static_cast<std::uint32_t>(view.height));  // positive: bottom row first
    Put16(p + 26, 1);
    Put16(p + 28, bits);
    // Compression, image size, resolutions and colour counts stay 0.
    for (int y = 0; y < view.height; ++y) {
        const auto* src = static_cast<const std::uint8_t*>(view.bits) + static_cast<std::ptrdiff_t>(y) * view.pitch;
        std::uint8_t* dst = p + 54 + static_cast<std::size_t>(view.height - 1 - y) * rowBytes;
        for (int x = 0; x < view.width; ++x) {
            if (sixteen) {
                std::uint16_t v;
                std::memcpy(&v, src + 2 * x, 2);
                if (view.format == PixelFormat::RGB565) v = Rgb565To555(v);
                Put16(dst + 2 * x, v & 0x7FFFu);
            } else {
                std::uint32_t v;
                std::memcpy(&v, src + 4 * x, 4);
                dst[3 * x] = static_cast<std::uint8_t>(v);
                dst[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                dst[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
            }
        }
    }
    return out;
}

bool WriteBmpFile(const char* path, const PixelView& view) {
    if (!path) return false;
    std::vector<std::uint8_t> bytes = EncodeBmp(view);
    if (bytes.empty()) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path);  // no half-written picture left behind
        return false;
    }
    return true;
}

}  // namespace platform
