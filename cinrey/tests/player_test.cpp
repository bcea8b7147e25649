// The player on small movies made for the test: pictures reach the
// presenter one per call under a fixed clock, the sound track reaches the
// mixer, and the status ends at 4.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "cinrey/cinrey.h"
#include "platform/AudioOut.h"
#include "platform/Present.h"
#include "platform/Time.h"
#include "tools/lumora-pack/AviWriter.h"

namespace {

namespace fs = std::filesystem;

// Picture i is one flat colour: red rises, blue falls.
void Colour(int i, std::vector<std::uint8_t>& rgb) {
    for (std::size_t p = 0; p < rgb.size(); p += 3) {
        rgb[p] = static_cast<std::uint8_t>(30 * i);
        rgb[p + 1] = 60;
        rgb[p + 2] = static_cast<std::uint8_t>(240 - 30 * i);
    }
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("cinrey-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir / "Video");
        platform::SetFixedClock(40);
        platform::SetAudioOutFactory([this] {
            auto sink = std::make_unique<platform::NullAudioSink>();
            this->sink = sink.get();
            return sink;
        });
    }
    void TearDown() override {
        Cinrey_Close();
        platform::SetAudioOutFactory({});
        fs::remove_all(dir);
    }

    std::string MakeMovie(const std::string& name, int w, int h, int frames, bool withSound) {
        pack::AviSound sound;
        sound.rate = 11025;
        sound.channels = 1;
        for (int i = 0; i < 11025 * frames / 25; ++i) sound.samples.push_back(static_cast<std::int16_t>(i % 50 < 25 ? 8000 : -8000));
        std::string why;
        const std::string path = (dir / "Video" / name).string();
        EXPECT_TRUE(pack::WriteMjpegAvi(path, w, h, 25, frames, Colour, withSound ? &sound : nullptr, why)) << why;
        return path;
    }

    // Colour at the centre of the last presented picture.
    platform::Rgb8 Centre() {
        std::vector<std::uint8_t> storage;
        platform::PixelView view;
        EXPECT_TRUE(platform::GrabLastFrame(storage, view));
        const auto* row = reinterpret_cast<const std::uint16_t*>(storage.data() + view.pitch * (view.height / 2));
        return platform::Rgb565To888(row[view.width / 2]);
    }

    fs::path dir;
    platform::NullAudioSink* sink = nullptr;
};

TEST_F(PlayerTest, PlaysEveryPictureThenEnds) {
    MakeMovie("Intro.avi", 64, 48, 6, true);
    // The game names movies in its own letter case, with backslashes.
    ASSERT_EQ(Cinrey_Open((dir.string() + "\\VIDEO\\intro.AVI").c_str()), 0);
    Cinrey_Set_Window(nullptr);
    EXPECT_EQ(Cinrey_Status(), CINREY_READY);
    ASSERT_EQ(Cinrey_Play(0, 0), 0);

    const auto before = platform::PresentedFrameCount();
    int calls = 0, status = 0;
    std::vector<int> reds;
    while ((status = Cinrey_Status()) != CINREY_ENDED && calls < 100) {
        ++calls;
        EXPECT_EQ(status, CINREY_PLAYING);
        reds.push_back(Centre().r);
    }
    EXPECT_EQ(status, CINREY_ENDED);
    EXPECT_EQ(platform::PresentedFrameCount() - before, 6u);
    ASSERT_EQ(reds.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(reds[i], 30 * i, 12) << i;
    // 64 x 48 fills the 640 x 480 screen.
    std::vector<std::uint8_t> storage;
    platform::PixelView view;
    ASSERT_TRUE(platform::GrabLastFrame(storage, view));
    EXPECT_NE(reinterpret_cast<const std::uint16_t*>(storage.data())[0], 0);

    // The sound track went to the mixer.
    ASSERT_NE(sink, nullptr);
    sink->Poll();
    const auto mixed = sink->TakeMixed();
    int loud = 0;
    for (std::int16_t s : mixed) loud += std::abs(s) > 1000;
    EXPECT_GT(loud, 100);

    // Ended stays ended; closing forgets the movie.
    EXPECT_EQ(Cinrey_Status(), CINREY_ENDED);
    Cinrey_Close();
    EXPECT_EQ(Cinrey_Status(), CINREY_CLOSED);
    EXPECT_NE(Cinrey_Play(0, 0), 0);
}

TEST_F(PlayerTest, WidePicturesAreLetterboxedAndSilentMoviesPlay) {
    MakeMovie("Wide.avi", 128, 48, 3, false);
    ASSERT_EQ(Cinrey_Open((dir / "Video" / "Wide.avi").c_str()), 0);
    ASSERT_EQ(Cinrey_Play(0, 0), 0);
    int calls = 0;
    while (Cinrey_Status() != CINREY_ENDED && ++calls < 50) {
    }
    EXPECT_EQ(calls, 3);
    std::vector<std::uint8_t> storage;
    platform::PixelView view;
    ASSERT_TRUE(platform::GrabLastFrame(storage, view));
    const auto* pixels = reinterpret_cast<const std::uint16_t*>(storage.data());
    EXPECT_EQ(pixels[0], 0);                                // black band at the top
    EXPECT_NE(pixels[(view.height / 2) * (view.pitch / 2)], 0);  // picture in the middle
}

TEST_F(PlayerTest, UnderTheRealClockTheMovieKeepsItsPace) {
    platform::SetFixedClock(0);
    MakeMovie("Pace.avi", 64, 48, 6, false);  // 6 pictures at 25 per second: 240 ms
    ASSERT_EQ(Cinrey_Open((dir / "Video" / "Pace.avi").c_str()), 0);
    const auto before = platform::PresentedFrameCount();
    const platform::DWORD start = platform::timeGetTime();
    ASSERT_EQ(Cinrey_Play(0, 0), 0);
    while (Cinrey_Status() != CINREY_ENDED && platform::timeGetTime() - start < 5000) {
    }
    // It cannot end before its last picture is due, and never shows a picture twice.
    EXPECT_GE(platform::timeGetTime() - start, 200u);
    const auto shown = platform::PresentedFrameCount() - before;
    EXPECT_GE(shown, 1u);
    EXPECT_LE(shown, 6u);
}

TEST_F(PlayerTest, FilesThatAreNotMoviesAreRefused) {
    EXPECT_EQ(Cinrey_Open((dir / "Video" / "None.avi").c_str()), -1);
    EXPECT_EQ(Cinrey_Open(nullptr), -1);
    std::FILE* f = std::fopen((dir / "Video" / "Junk.avi").c_str(), "wb");
    std::fputs("RIFF not really a movie", f);
    std::fclose(f);
    EXPECT_EQ(Cinrey_Open((dir / "Video" / "Junk.avi").c_str()), -1);
    EXPECT_EQ(Cinrey_Status(), CINREY_CLOSED);
}

}  // namespace
