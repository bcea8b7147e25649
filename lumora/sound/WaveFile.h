// Reader of RIFF wave files through the platform's buffered mmio: open and
// check the file, hand out its format block, position at the sample data and
// read sample bytes in pieces of any size. No conversion: the data bytes go
// to the sound buffer as they stand.
#pragma once

#include "platform/Mmio.h"
#include "platform/Sound.h"

// Result codes (0 is success; mmio chunk codes such as
// MMIOERR_CHUNKNOTFOUND are passed through unchanged).
enum : int {
    kWaveNoMemory = 0xE000,   // the format block could not be allocated
    kWaveCannotOpen = 0xE100, // the file could not be opened
    kWaveBadFile = 0xE101,    // not RIFF "WAVE", bad "fmt " chunk, short extra bytes
    kWaveCannotRead = 0xE102, // the format fields could not be read
    kWaveTruncated = 0xE103,  // the file ends inside the data chunk
};

// Opens `path` (a data path, matched without regard to case) and reads its
// format. On success *file is open, *format is a block of 18 + cbSize bytes
// that the caller frees with FreeWaveFormat, and *riffChunk describes the
// RIFF chunk. On failure both are null and nothing is left open.
int OpenWaveForRead(const char* path, platform::HMMIO* file, platform::WAVEFORMATEX** format,
                    platform::MMCKINFO* riffChunk);
void FreeWaveFormat(platform::WAVEFORMATEX* format);

// Positions the file on the first data byte; dataChunk->cksize becomes the
// whole data size. Called again to restart from the first sample.
int SeekWaveData(platform::HMMIO file, platform::MMCKINFO* dataChunk, const platform::MMCKINFO* riffChunk);

// Reads at most `count` bytes, never more than dataChunk->cksize, which is
// lowered by what is taken. *bytesRead is 0 on any failure.
int ReadWaveData(platform::HMMIO file, platform::UINT count, platform::BYTE* dest,
                 platform::MMCKINFO* dataChunk, platform::UINT* bytesRead);

// The playing time of a wave file in ms; 0 when it cannot be read.
unsigned WaveMilliseconds(const char* path);
