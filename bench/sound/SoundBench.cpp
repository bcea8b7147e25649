// Cost of the sound manager in the game's format (22,050 Hz, 8-bit mono,
// buffer limit 166666 bytes) with six streamed, looping sounds:
// - one periodic pass, the device's clock moving 500 ms between passes (the
//   mixer only skips ahead, so this is the pass alone, refills included);
// - one second of audio: the output mixed in 10 ms pieces as an audio
//   callback asks for it, and the two periodic passes of that second. The
//   core_pct counter is the share of one core this takes (target: under
//   1 %); the library prints it with an "s" suffix.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lumora/sound/LSoundManager.h"
#include "platform/AudioOut.h"
#include "platform/Mixer.h"

namespace {

using namespace platform;

constexpr DWORD kRate = 22050;

// A looping wave file of 8-bit noise, about 18 seconds long.
std::string MakeFile(const std::filesystem::path& dir, int index) {
    const std::uint32_t samples = 400000;
    std::string bytes = "RIFF";
    auto put = [&bytes](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.push_back(static_cast<char>(v >> (8 * i)));
    };
    put(36 + samples, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(kRate, 4);
    put(kRate, 4);
    put(1, 2);
    put(8, 2);
    bytes += "data";
    put(samples, 4);
    std::uint32_t x = 777u + static_cast<std::uint32_t>(index);
    for (std::uint32_t i = 0; i < samples; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes.push_back(static_cast<char>(x >> 24));
    }
    const std::filesystem::path path = dir / ("Loop" + std::to_string(index) + ".wav");
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// Follows the bench's clock by skipping the mixer ahead without mixing.
class SkipSink final : public AudioOut {
public:
    explicit SkipSink(const std::atomic<DWORD>& clock) : clock_(clock) {}
    bool Open(Mixer& mixer) override {
        mixer_ = &mixer;
        last_ = clock_.load();
        return true;
    }
    void Close() override { mixer_ = nullptr; }
    void Poll() override {
        const DWORD now = clock_.load();
        if (mixer_ && now != last_)
            mixer_->Skip(static_cast<std::uint64_t>(now - last_) * mixer_->Rate() / 1000);
        last_ = now;
    }

private:
    const std::atomic<DWORD>& clock_;
    Mixer* mixer_ = nullptr;
    DWORD last_ = 0;
};

struct Rig {
    explicit Rig(AudioOutFactory factory) {
        dir = std::filesystem::temp_directory_path() / "lumora-bench-sound";
        std::filesystem::create_directories(dir);
        SetAudioOutFactory(std::move(factory));
        manager = std::make_unique<LSoundManager>(1, kRate, 8, 1000000, 6);
        ok = manager->Init(nullptr, 0) == 0;
        for (int i = 0; ok && i < 6; ++i)
            ok = manager->Play(MakeFile(dir, i).c_str(), 1, 0, 1, 1 + i, 1, 90 - 5 * i, 100, 100 - 10 * i) !=
                 nullptr;
    }
    ~Rig() {
        manager.reset();
        SetAudioOutFactory({});
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
    std::unique_ptr<LSoundManager> manager;
    bool ok = false;
};

void BM_UpdatePassSixStreams(benchmark::State& state) {
    std::atomic<DWORD> now{1000};
    Rig rig([&now] { return std::make_unique<SkipSink>(now); });
    if (!rig.ok) {
        state.SkipWithError("sound manager did not start");
        return;
    }
    for (auto _ : state) {
        now += 500;
        rig.manager->Update();
    }
}
BENCHMARK(BM_UpdatePassSixStreams)->Unit(benchmark::kMicrosecond);

void BM_SixStreamedVoicesOneSecond(benchmark::State& state) {
    std::atomic<DWORD> now{1000};
    NullAudioSink* sink = nullptr;
    Rig rig([&now, &sink] {
        auto out = std::make_unique<NullAudioSink>([&now] { return now.load(); }, 4096);
        sink = out.get();
        return out;
    });
    if (!rig.ok || !sink) {
        state.SkipWithError("sound manager did not start");
        return;
    }
    for (auto _ : state) {
        for (int piece = 1; piece <= 100; ++piece) {
            now += 10;
            sink->Poll();
            if (piece % 50 == 0) rig.manager->Update();
        }
        benchmark::DoNotOptimize(sink->TakeMixed());
    }
    state.counters["core_pct"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SixStreamedVoicesOneSecond)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
