// Cost of the software mixer: one second of 22,050 Hz output with six voices
// playing, mixed in the 512-frame pieces an audio callback asks for. The
// core_pct counter is the share of one core that real-time mixing takes
// (target: under 1 %); the library prints it with an "s" suffix.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AudioOut.h"
#include "platform/Mixer.h"
#include "platform/Sound.h"

namespace {

using namespace platform;

constexpr DWORD kRate = 22050;
constexpr std::size_t kPiece = 512;

WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate) {
    const WORD block = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

void Noise(Voice& v) {
    std::uint32_t x = 12345;
    for (DWORD i = 0; i < v.Bytes(); ++i) {
        x = x * 1664525u + 1013904223u;
        v.Data()[i] = static_cast<std::uint8_t>(x >> 24);
    }
}

// Share of one core, in percent, for mixing one second of sound per iteration.
void ReportCoreShare(benchmark::State& state) {
    state.counters["core_pct"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void MixOneSecond(benchmark::State& state, std::vector<std::unique_ptr<Voice>>& voices) {
    Mixer mixer(kRate);
    for (auto& v : voices) {
        Noise(*v);
        mixer.Attach(v.get());
        v->Start(true);
    }
    std::vector<std::int16_t> out(2 * kPiece);
    for (auto _ : state) {
        for (std::size_t done = 0; done < kRate; done += kPiece) {
            mixer.Mix(out.data(), std::min(kPiece, kRate - done));
            benchmark::DoNotOptimize(out.data());
        }
    }
    for (auto& v : voices) mixer.Detach(v.get());
    ReportCoreShare(state);
}

// The game's own format: 8-bit mono at 22,050 Hz, volumes and pans set.
void BM_MixSixVoicesGameFormat(benchmark::State& state) {
    std::vector<std::unique_ptr<Voice>> voices;
    for (int i = 0; i < 6; ++i) {
        voices.push_back(std::make_unique<Voice>(Pcm(1, 8, kRate), 166666));
        voices.back()->SetVolume(-300 * i);
        voices.back()->SetPan(-3000 + 1200 * i);
    }
    MixOneSecond(state, voices);
}
BENCHMARK(BM_MixSixVoicesGameFormat)->Unit(benchmark::kMicrosecond);

// Mixed formats that all need resampling or conversion.
void BM_MixSixVoicesMixedFormats(benchmark::State& state) {
    std::vector<std::unique_ptr<Voice>> voices;
    voices.push_back(std::make_unique<Voice>(Pcm(1, 8, 11025), 50000));
    voices.push_back(std::make_unique<Voice>(Pcm(2, 16, 44100), 400000));
    voices.push_back(std::make_unique<Voice>(Pcm(1, 16, 22050), 100000));
    voices.push_back(std::make_unique<Voice>(Pcm(2, 8, 32000), 100000));
    voices.push_back(std::make_unique<Voice>(Pcm(1, 16, 8000), 30000));
    voices.push_back(std::make_unique<Voice>(Pcm(1, 8, 22050), 166666));
    voices[2]->SetFrequency(24000);
    for (int i = 0; i < 6; ++i) voices[i]->SetVolume(-500 * i);
    MixOneSecond(state, voices);
}
BENCHMARK(BM_MixSixVoicesMixedFormats)->Unit(benchmark::kMicrosecond);

// The whole headless path: six buffers of a sound device, the sink pulled
// every 10 ms of clock by a cursor query as the sound manager's tick does.
void BM_HeadlessDeviceSixBuffers(benchmark::State& state) {
    DWORD now = 0;
    auto sink = std::make_unique<NullAudioSink>([&now] { return now; }, 4096);
    IDirectSound* ds = nullptr;
    if (DirectSoundCreateOn(std::move(sink), &ds) != DS_OK) {
        state.SkipWithError("no device");
        return;
    }
    std::vector<IDirectSoundBuffer*> buffers;
    WAVEFORMATEX f = Pcm(1, 8, kRate);
    for (int i = 0; i < 6; ++i) {
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN, 166666, 0, &f};
        IDirectSoundBuffer* b = nullptr;
        ds->CreateSoundBuffer(&desc, &b, nullptr);
        b->SetVolume(-200 * i);
        b->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(b);
    }
    for (auto _ : state) {
        for (int tick = 0; tick < 100; ++tick) {
            now += 10;
            DWORD play = 0, write = 0;
            buffers[tick % 6]->GetCurrentPosition(&play, &write);
            benchmark::DoNotOptimize(play);
        }
    }
    for (auto* b : buffers) b->Release();
    ds->Release();
    ReportCoreShare(state);
}
BENCHMARK(BM_HeadlessDeviceSixBuffers)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
