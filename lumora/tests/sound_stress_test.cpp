// The periodic pass on the real multimedia timer, at a short period, while
// this thread starts, stops and deletes sounds and moves positional sources.
// Run under AddressSanitizer and ThreadSanitizer it must stay silent.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "_SoundTestSupport.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Random.h"
#include "lumora/sound/LSound.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/XSoundSource.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(SoundStress, TimerPassesAgainstWindowThreadOperations) {
    ScratchDir dir;
    ReportRecorder reports;
    SetMessageTableFolder(LUMORA_TEST_BIN_DIR);
    platform::SetAudioOutFactory(
        [] { return std::make_unique<platform::NullAudioSink>(platform::NullAudioSink::Clock{}, 4096); });

    // Static and streamed files (a streamed buffer is 2000 bytes here).
    std::vector<std::string> files;
    for (std::size_t size : {300u, 1500u, 5000u, 12000u}) {
        WaveLayout layout;
        layout.data = Ramp8(size);
        const std::string name = "S" + std::to_string(size) + ".wav";
        dir.Write(name, MakeWave(layout));
        files.push_back(dir.File(name));
    }

    auto manager = std::make_unique<LSoundManager>(1, 22050, 8, 6 * 2000, 6);
    ASSERT_EQ(manager->Init(nullptr, 2), 0);

    std::atomic<float> listenerX{0};
    SetSoundListener([&listenerX] { return ZeltVector{listenerX.load(), 0, 0}; });
    std::vector<std::unique_ptr<XSoundSource>> sources;
    for (short channel = 4; channel <= 6; ++channel)
        sources.push_back(std::make_unique<XSoundSource>(channel, 100.0f));

    SeedRandom(1234);
    std::vector<LSound*> started;
    int operations = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(2000);
    while (Clock::now() < end) {
        const std::string& file = files[RandomIndex(static_cast<int>(files.size()))];
        switch (RandomIndex(10)) {
        case 0:
        case 1:
            if (LSound* s = manager->Play(file.c_str(), RandomIndex(2), RandomIndex(2), 1, 1 + RandomIndex(3),
                                          1, RandomIndex(101), 100, 100))
                started.push_back(s);
            break;
        case 2:
            manager->StopChannel(1 + RandomIndex(6));
            break;
        case 3:
            if (!started.empty()) manager->Remove(started[RandomIndex(static_cast<int>(started.size()))]);
            break;
        case 4: {
            XSoundSource& source = *sources[RandomIndex(3)];
            const ZeltVector at{static_cast<float>(RandomIndex(120)), 0, 0};
            source.Play(file.c_str(), &at, RandomIndex(2));
            break;
        }
        case 5:
            listenerX = static_cast<float>(RandomIndex(150));
            for (auto& source : sources)
                source->Refresh();
            break;
        case 6:
            sources[RandomIndex(3)]->Stop();
            break;
        case 7: {
            std::int32_t key = RandomIndex(2) ? 107 : 109;
            manager->HandleEvent(15, nullptr, &key);
            manager->HandleEvent(RandomIndex(2) ? 17 : 18, nullptr, nullptr);
            break;
        }
        case 8:
            for (int c = 1; c <= 6; ++c)
                manager->IsChannelPlaying(c);
            break;
        default:
            if (RandomIndex(20) == 0) manager->StopAll();
            break;
        }
        if (started.size() > 64) started.erase(started.begin(), started.begin() + 32);
        ++operations;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_GT(operations, 1000);

    // Deletion belongs to the timer's pass: everything stopped goes by itself.
    manager->HandleEvent(17, nullptr, nullptr);
    manager->StopAll();
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (manager->SoundCount() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(manager->SoundCount(), 0);

    // Destroyed with the timer still running and sounds playing.
    for (int i = 0; i < 6; ++i)
        manager->Play(files[i % files.size()].c_str(), 1, 0, 0, 1 + i, 1, 100, 100, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sources.clear();
    manager.reset();
    EXPECT_EQ(g_SoundManager, nullptr);
    EXPECT_TRUE(reports.boxes.empty()) << reports.boxes.front().text;

    SetSoundListener({});
    platform::SetAudioOutFactory({});
    SetMessageTableFolder("");
}

} // namespace
