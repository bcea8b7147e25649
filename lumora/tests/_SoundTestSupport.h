// Shared pieces of the sound tests: wave files built byte by byte, and a
// sound manager on a headless sink whose clock the test moves, so that what
// was mixed can be read back sample by sample.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "platform/AudioOut.h"
#include "platform/Types.h"

class LSoundManager;

struct WaveLayout {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 8;
    int blockAlign = -1; // -1: channels * bits / 8
    std::string fmtTail; // bytes after the 16 format bytes ("" for plain PCM)
    int fmtSize = -1;    // -1: 16 + fmtTail.size(); a smaller size cuts the chunk
    std::string form = "WAVE";
    bool factChunk = false; // a "fact" chunk between "fmt " and "data"
    bool dataChunk = true;
    std::string data;
    std::size_t cutData = 0; // bytes of data missing at the end of the file
};

std::string MakeWave(const WaveLayout& layout);
// 8-bit samples 1, 2, ... 255, 1, 2 ... (never the silence value 128 twice running).
std::string Ramp8(std::size_t count, int start = 1);
// The 16-bit mixer value of an 8-bit sample at full volume.
inline int Mixed8(unsigned char sample) {
    return (static_cast<int>(sample) - 128) * 256;
}

// A manager (1, 22050, 8, budget, 6), with no timer unless a period is
// given, on a sink whose clock stands still until Advance moves it.
class SoundRig {
public:
    explicit SoundRig(int memoryBudget = 1000000, bool withDevice = true, platform::UINT timerPeriod = 0);
    ~SoundRig();

    // Moves the clock on and mixes up to it; gives what was mixed (left
    // channel only) since the last call.
    std::vector<int> Advance(unsigned ms);
    // Advance in steps of `step` ms, with a periodic pass after each step.
    std::vector<int> Run(unsigned ms, unsigned step = 10);
    // The stereo frames mixed since the last call.
    std::vector<std::int16_t> TakeStereo();

    std::string File(const std::string& name, const std::string& bytes);
    // Boxes shown so far whose text contains `text`.
    int BoxesWith(const std::string& text) const;

    ScratchDir dir;
    ReportRecorder reports;
    std::unique_ptr<LSoundManager> manager;
    platform::HRESULT initResult = 0;
    platform::NullAudioSink* sink = nullptr;
    std::atomic<platform::DWORD> now{5000};
};
