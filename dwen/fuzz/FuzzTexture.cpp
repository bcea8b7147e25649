// Fuzz target of the texture conversion: source type and size, destination
// format and size, alpha and the source pixels come from the input; the
// conversion, the texture list and fast textures must neither crash nor read
// or write outside their buffers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dwen/Dwen.h"
#include "dwen/HeadlessDisplay.h"

using namespace platform;

namespace {

DwenContext* Display() { return HeadlessDisplay(0); }

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    int Byte() { return at < size ? data[at++] : 0; }
    int Signed(int range) { return Byte() % (2 * range + 1) - range; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DwenContext* c = Display();
    Reader in{data, size};
    const int types[] = {8, 15, 16, 24, 0};
    const int type = types[in.Byte() % 5];
    const int sw = in.Signed(40), sh = in.Signed(40);
    const int dw = in.Signed(300), dh = in.Signed(300);
    const int alpha = in.Byte() - 1;
    DwenTextureFormat* format = &c->textureFormats[in.Byte() % c->textureFormatCount];
    const int mode = in.Byte();

    // The caller's pixels: as many as the source size asks for, from the input (zero after it).
    const size_t count = sw > 0 && sh > 0 ? size_t(sw) * size_t(sh) : 1;
    std::vector<uint16_t> pixels(count);
    std::vector<uint32_t> palette(256 + 128);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint32_t(in.Byte() | in.Byte() << 8 | in.Byte() << 16);
    for (auto& p : pixels) p = uint16_t(in.Byte() | in.Byte() << 8);
    std::vector<uint8_t> indices(count);
    for (size_t i = 0; i < count; ++i) indices[i] = uint8_t(pixels[i]);
    void* source = type == 8 ? static_cast<void*>(indices.data()) : static_cast<void*>(pixels.data());

    switch (mode % 3) {
        case 0: {
            // Into a surface that may be smaller than the size asked for.
            const int cw = dw > 0 ? dw - (mode / 3) % 4 : 4, ch = dh > 0 ? dh - (mode / 12) % 4 : 4;
            DirectDrawSurface* s = Dwen_Create_Surface(c, &format->desc, cw, ch, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
            if (s) {
                Dwen_Convert_And_Resize_Texture(c, type, sw, sh, palette.data(), source, format, dw, dh, alpha, s);
                s->Release();
            }
            break;
        }
        case 1: {
            DwenTexture* t = nullptr;
            if (Dwen_Add_Texture(c, type, sw, sh, palette.data(), source, format, dw, dh, &t, mode & 7, alpha, mode & 8,
                                 uint8_t(mode), 0, 255, 1)) {
                Dwen_Reload_Texture(c, t);
                Dwen_Sub_Texture(c, t);
            }
            break;
        }
        default: {
            DwenFastTextureDesc d{type, sw, sh, palette.data(), source, format, mode & 7, nullptr, mode & 8, 1, 2, 3, 4};
            if (Dwen_Add_Texture_Fast(c, &d)) {
                Dwen_Blit_Texture_Fast(c, d.texture);
                Dwen_Sub_Texture(c, d.texture);
            }
            break;
        }
    }
    return 0;
}
