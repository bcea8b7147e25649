// The wave-file reader: format blocks of PCM and other formats, the files it
// refuses, chunks it skips, and reading the data in pieces to its end.
#include <gtest/gtest.h>

#include <cstring>

#include "_SoundTestSupport.h"
#include "lumora/sound/WaveFile.h"

using namespace platform;

namespace {

struct OpenWave {
    HMMIO file = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff{};
    int code = -1;

    explicit OpenWave(const std::string& path) {
        code = OpenWaveForRead(path.c_str(), &file, &format, &riff);
    }
    ~OpenWave() {
        FreeWaveFormat(format);
        if (file) mmioClose(file, 0);
    }
};

class WaveFileTest : public ::testing::Test {
protected:
    std::string Write(const WaveLayout& layout) {
        dir.Write("W.wav", MakeWave(layout));
        return dir.File("W.wav");
    }
    ScratchDir dir;
};

TEST_F(WaveFileTest, PcmFormatBlockIgnoresAnExtraSizeField) {
    WaveLayout layout;
    layout.fmtTail = std::string("\x05\x00", 2); // an 18-byte chunk: its extra size is not used for PCM
    layout.data = "abc";
    OpenWave w(Write(layout));
    ASSERT_EQ(w.code, 0);
    ASSERT_NE(w.format, nullptr);
    EXPECT_EQ(w.format->wFormatTag, 1);
    EXPECT_EQ(w.format->nSamplesPerSec, 22050u);
    EXPECT_EQ(w.format->nBlockAlign, 1);
    EXPECT_EQ(w.format->wBitsPerSample, 8);
    EXPECT_EQ(w.format->cbSize, 0);
    EXPECT_EQ(w.riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(w.riff.cksize, MakeWave(layout).size() - 8);

    MMCKINFO data{};
    ASSERT_EQ(SeekWaveData(w.file, &data, &w.riff), 0);
    EXPECT_EQ(data.cksize, 3u);
}

TEST_F(WaveFileTest, NonPcmBlockCarriesItsExtraBytes) {
    WaveLayout layout;
    layout.tag = 2;
    layout.fmtTail = std::string("\x02\x00\xAB\xCD", 4);
    layout.data = "xy";
    OpenWave w(Write(layout));
    ASSERT_EQ(w.code, 0);
    EXPECT_EQ(w.format->wFormatTag, 2);
    EXPECT_EQ(w.format->cbSize, 2);
    const auto* extra = reinterpret_cast<const unsigned char*>(w.format) + sizeof(WAVEFORMATEX);
    EXPECT_EQ(extra[0], 0xAB);
    EXPECT_EQ(extra[1], 0xCD);
}

TEST_F(WaveFileTest, BadFilesAreRefusedWithNothingLeftOpen) {
    struct Case {
        const char* what;
        WaveLayout layout;
        int code;
    };
    std::vector<Case> cases;
    WaveLayout shortFmt;
    shortFmt.fmtSize = 14;
    cases.push_back({"14-byte fmt chunk", shortFmt, kWaveBadFile});
    WaveLayout avi;
    avi.form = "AVI ";
    cases.push_back({"RIFF that is not WAVE", avi, kWaveBadFile});
    WaveLayout noAlign;
    noAlign.blockAlign = 0;
    cases.push_back({"block alignment 0", noAlign, kWaveBadFile});
    WaveLayout longExtra;
    longExtra.tag = 2;
    longExtra.fmtTail = std::string("\x10\x00\x01\x02", 4); // 16 extra bytes announced, 2 in the chunk
    longExtra.factChunk = true;
    cases.push_back({"extra size past the fmt chunk", longExtra, kWaveBadFile});
    WaveLayout noExtraSize;
    noExtraSize.tag = 2;
    noExtraSize.dataChunk = false;
    cases.push_back({"no room for the extra size", noExtraSize, kWaveCannotRead});

    for (const Case& c : cases) {
        OpenWave w(Write(c.layout));
        EXPECT_EQ(w.code, c.code) << c.what;
        EXPECT_EQ(w.file, nullptr) << c.what;
        EXPECT_EQ(w.format, nullptr) << c.what;
    }
    OpenWave missing(dir.File("none.wav"));
    EXPECT_EQ(missing.code, kWaveCannotOpen);
    dir.Write("text.wav", "not a wave file at all");
    OpenWave text(dir.File("text.wav"));
    EXPECT_EQ(text.code, kWaveBadFile);
}

TEST_F(WaveFileTest, NoDataChunkOpensButCannotBePositioned) {
    WaveLayout layout;
    layout.dataChunk = false;
    OpenWave w(Write(layout));
    ASSERT_EQ(w.code, 0);
    MMCKINFO data{};
    EXPECT_EQ(SeekWaveData(w.file, &data, &w.riff), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(WaveFileTest, ReadsInPiecesToTheEndAndAgainAfterRepositioning) {
    WaveLayout layout;
    layout.channels = 2;
    layout.bits = 16;
    layout.factChunk = true;
    layout.data = Ramp8(20000); // larger than the 8 KB I/O buffer
    // The name is matched without regard to case.
    dir.Write("Sound/Big.WAV", MakeWave(layout));
    OpenWave w(dir.File("SOUND/big.wav"));
    ASSERT_EQ(w.code, 0);
    EXPECT_EQ(w.format->nChannels, 2);
    EXPECT_EQ(w.format->nBlockAlign, 4);

    for (int pass = 0; pass < 2; ++pass) {
        MMCKINFO data{};
        ASSERT_EQ(SeekWaveData(w.file, &data, &w.riff), 0);
        EXPECT_EQ(data.cksize, 20000u);
        std::string got(25000, '\0');
        UINT n = 0;
        ASSERT_EQ(ReadWaveData(w.file, 7, reinterpret_cast<BYTE*>(got.data()), &data, &n), 0);
        EXPECT_EQ(n, 7u);
        EXPECT_EQ(data.cksize, 19993u);
        ASSERT_EQ(ReadWaveData(w.file, 24000, reinterpret_cast<BYTE*>(got.data() + 7), &data, &n), 0);
        EXPECT_EQ(n, 19993u);
        EXPECT_EQ(got.substr(0, 20000), layout.data);
        ASSERT_EQ(ReadWaveData(w.file, 10, reinterpret_cast<BYTE*>(got.data()), &data, &n), 0);
        EXPECT_EQ(n, 0u);
    }
}

TEST_F(WaveFileTest, FileCutInsideItsDataGivesTruncated) {
    WaveLayout layout;
    layout.data = Ramp8(3000);
    layout.cutData = 100;
    OpenWave w(Write(layout));
    ASSERT_EQ(w.code, 0);
    MMCKINFO data{};
    ASSERT_EQ(SeekWaveData(w.file, &data, &w.riff), 0);
    std::string got(3000, '\0');
    UINT n = 99;
    EXPECT_EQ(ReadWaveData(w.file, 3000, reinterpret_cast<BYTE*>(got.data()), &data, &n), kWaveTruncated);
    EXPECT_EQ(n, 0u);
}

} // namespace
