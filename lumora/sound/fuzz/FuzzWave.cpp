// Fuzz target of the wave-file reader: any byte string is opened as a wave
// file, positioned at its data and read to the end in pieces of changing
// size, twice. Nothing may read outside the file or the destination, loop,
// give more bytes than asked or than the data holds, or leave the file open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cmake/FuzzInput.h"
#include "lumora/sound/WaveFile.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const char* path = WriteFuzzInput(".wav", data, size);
    if (!path) return 0;

    platform::HMMIO file = nullptr;
    platform::WAVEFORMATEX* format = nullptr;
    platform::MMCKINFO riff{};
    const int code = OpenWaveForRead(path, &file, &format, &riff);
    Check((code == 0) == (file != nullptr) && (file != nullptr) == (format != nullptr));
    if (code != 0) return 0;
    Check(format->nBlockAlign != 0);

    // Piece sizes taken from the input's last byte.
    const std::size_t pieceSeed = size > 0 ? data[size - 1] : 1;
    for (int pass = 0; pass < 2; ++pass) {
        platform::MMCKINFO chunk{};
        if (SeekWaveData(file, &chunk, &riff) != 0) break;
        const platform::DWORD total = chunk.cksize;
        platform::DWORD taken = 0;
        for (std::size_t i = 0; i < 4096; ++i) {
            const platform::UINT want = static_cast<platform::UINT>(1 + (pieceSeed * (i + 3)) % 9000);
            std::vector<platform::BYTE> dest(want);
            platform::UINT got = 0;
            const platform::DWORD before = chunk.cksize;
            const int r = ReadWaveData(file, want, dest.data(), &chunk, &got);
            Check(got <= want && got <= before);
            if (r != 0) {
                Check(got == 0);
                break;
            }
            taken += got;
            Check(chunk.cksize == before - got);
            if (got == 0) break;
        }
        Check(taken <= total);
    }
    FreeWaveFormat(format);
    platform::mmioClose(file, 0);
    return 0;
}
