#include "lumora/sound/WaveFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lumora/shell/DataPath.h"

using namespace platform;

namespace {

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr LONG kFormatFields = 16; // format tag up to bits per sample

int Fail(int code, HMMIO file, WAVEFORMATEX* block, HMMIO* outFile, WAVEFORMATEX** outFormat) {
    FreeWaveFormat(block);
    if (file) mmioClose(file, 0);
    *outFile = nullptr;
    *outFormat = nullptr;
    return code;
}

} // namespace

void FreeWaveFormat(WAVEFORMATEX* format) {
    std::free(format);
}

int OpenWaveForRead(const char* path, HMMIO* outFile, WAVEFORMATEX** outFormat, MMCKINFO* riffChunk) {
    *outFile = nullptr;
    *outFormat = nullptr;
    const std::string real = path ? ResolveForReading(path) : std::string();
    HMMIO file = real.empty() ? nullptr : mmioOpenA(real.c_str(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!file) return kWaveCannotOpen;

    if (mmioDescend(file, riffChunk, nullptr, 0) != 0 || riffChunk->ckid != FOURCC_RIFF ||
        riffChunk->fccType != kWave)
        return Fail(kWaveBadFile, file, nullptr, outFile, outFormat);

    MMCKINFO fmt{};
    fmt.ckid = kFmt;
    if (MMRESULT r = mmioDescend(file, &fmt, riffChunk, MMIO_FINDCHUNK); r != 0)
        return Fail(static_cast<int>(r), file, nullptr, outFile, outFormat);
    if (fmt.cksize < static_cast<DWORD>(kFormatFields))
        return Fail(kWaveBadFile, file, nullptr, outFile, outFormat);

    BYTE fields[kFormatFields];
    if (mmioRead(file, reinterpret_cast<char*>(fields), kFormatFields) != kFormatFields)
        return Fail(kWaveCannotRead, file, nullptr, outFile, outFormat);

    WAVEFORMATEX head{};
    std::memcpy(&head, fields, kFormatFields); // the file is little-endian, as is the host
    // A zero block alignment would size every buffer to nothing.
    if (head.nBlockAlign == 0) return Fail(kWaveBadFile, file, nullptr, outFile, outFormat);

    WORD extra = 0;
    if (head.wFormatTag != WAVE_FORMAT_PCM) {
        BYTE size[2];
        if (mmioRead(file, reinterpret_cast<char*>(size), 2) != 2)
            return Fail(kWaveCannotRead, file, nullptr, outFile, outFormat);
        extra = static_cast<WORD>(size[0] | (size[1] << 8));
        // Extra bytes announced past the chunk would be read from the next one.
        if (static_cast<DWORD>(kFormatFields) + 2 + extra > fmt.cksize)
            return Fail(kWaveBadFile, file, nullptr, outFile, outFormat);
    }

    auto* block = static_cast<WAVEFORMATEX*>(std::malloc(sizeof(WAVEFORMATEX) + extra));
    if (!block) return Fail(kWaveNoMemory, file, nullptr, outFile, outFormat);
    std::memcpy(block, fields, kFormatFields);
    block->cbSize = extra;
    if (extra > 0 && mmioRead(file, reinterpret_cast<char*>(block) + sizeof(WAVEFORMATEX), extra) != extra)
        return Fail(kWaveBadFile, file, block, outFile, outFormat);

    if (MMRESULT r = mmioAscend(file, &fmt, 0); r != 0)
        return Fail(static_cast<int>(r), file, block, outFile, outFormat);
    *outFile = file;
    *outFormat = block;
    return 0;
}

int SeekWaveData(HMMIO file, MMCKINFO* dataChunk, const MMCKINFO* riffChunk) {
    if (mmioSeek(file, static_cast<LONG>(riffChunk->dwDataOffset + 4), SEEK_SET) == -1)
        return MMIOERR_CANNOTSEEK;
    dataChunk->ckid = kData;
    return static_cast<int>(mmioDescend(file, dataChunk, riffChunk, MMIO_FINDCHUNK));
}

int ReadWaveData(HMMIO file, UINT count, BYTE* dest, MMCKINFO* dataChunk, UINT* bytesRead) {
    *bytesRead = 0;
    MMIOINFO info{};
    if (MMRESULT r = mmioGetInfo(file, &info, 0); r != 0) return static_cast<int>(r);

    const UINT amount = count < dataChunk->cksize ? count : dataChunk->cksize;
    dataChunk->cksize -= amount;

    int result = 0;
    for (UINT done = 0; done < amount;) {
        if (info.pchNext == info.pchEndRead) {
            if (MMRESULT r = mmioAdvance(file, &info, MMIO_READ); r != 0) {
                result = static_cast<int>(r);
                break;
            }
            if (info.pchNext == info.pchEndRead) {
                result = kWaveTruncated;
                break;
            }
        }
        // Whole runs of the I/O buffer rather than byte by byte; same result.
        const UINT run = std::min<UINT>(amount - done, static_cast<UINT>(info.pchEndRead - info.pchNext));
        std::memcpy(dest + done, info.pchNext, run);
        info.pchNext += run;
        done += run;
    }

    MMRESULT set = mmioSetInfo(file, &info, 0);
    if (result == 0 && set != 0) result = static_cast<int>(set);
    if (result == 0) *bytesRead = amount;
    return result;
}

unsigned WaveMilliseconds(const char* path) {
    platform::HMMIO file = nullptr;
    platform::WAVEFORMATEX* format = nullptr;
    platform::MMCKINFO riff{}, data{};
    if (!path || !path[0] || OpenWaveForRead(path, &file, &format, &riff) != 0) return 0;
    unsigned ms = 0;
    if (SeekWaveData(file, &data, &riff) == 0 && format->nAvgBytesPerSec > 0)
        ms = static_cast<unsigned>(static_cast<unsigned long long>(data.cksize) * 1000 / format->nAvgBytesPerSec);
    FreeWaveFormat(format);
    platform::mmioClose(file, 0);
    return ms;
}
