// Buffered file I/O on wave files built here: RIFF/LIST/plain chunk
// navigation, pad bytes, reads, seeks, direct buffer access, truncated and
// malformed files.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Mmio.h"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Le32(Bytes& b, DWORD v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Tag(Bytes& b, const char* t) { b.insert(b.end(), t, t + 4); }

// A chunk: id, size (as given, or the real one), contents, pad byte.
Bytes Chunk(const char* id, const Bytes& body, long declared = -1) {
    Bytes b;
    Tag(b, id);
    Le32(b, declared < 0 ? static_cast<DWORD>(body.size()) : static_cast<DWORD>(declared));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
    return b;
}
Bytes Form(const char* id, const char* type, const Bytes& children, long declared = -1) {
    Bytes body;
    Tag(body, type);
    body.insert(body.end(), children.begin(), children.end());
    return Chunk(id, body, declared);
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes Fmt16() {
    Bytes f;
    const std::uint8_t pcm[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, 8, 0};
    f.assign(pcm, pcm + 16);
    return f;
}
Bytes Samples(std::size_t n) {
    Bytes s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return s;
}

class MmioTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) {
        const std::string path = ::testing::TempDir() + "mmio_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                                 std::to_string(counter_++) + ".wav";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    HMMIO Open(const Bytes& bytes, LONG buffer = 0) {
        MMIOINFO info{};
        info.cchBuffer = buffer;
        HMMIO h = mmioOpenA(Write(bytes).c_str(), &info, MMIO_READ | MMIO_ALLOCBUF);
        EXPECT_NE(h, nullptr);
        files_.push_back(h);
        return h;
    }
    void TearDown() override {
        for (HMMIO h : files_) mmioClose(h, 0);
    }
    int counter_ = 0;
    std::vector<HMMIO> files_;
};

TEST_F(MmioTest, OpenFailuresAndRefusedModes) {
    MMIOINFO info{};
    EXPECT_EQ(mmioOpenA("/nonexistent/dir/x.wav", &info, MMIO_READ | MMIO_ALLOCBUF), nullptr);
    EXPECT_NE(info.wErrorRet, 0u);
    info = {};
    EXPECT_EQ(mmioOpenA((::testing::TempDir() + "no_such_file.wav").c_str(), &info, MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    info = {};
    EXPECT_EQ(mmioOpenA(::testing::TempDir().c_str(), &info, MMIO_READ), nullptr);  // a folder
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);

    const std::string path = Write(Bytes{1, 2, 3});
    info = {};
    EXPECT_EQ(mmioOpenA(path.c_str(), &info, MMIO_WRITE), nullptr);
    EXPECT_NE(info.wErrorRet, 0u);
    EXPECT_EQ(mmioOpenA(path.c_str(), nullptr, MMIO_READWRITE), nullptr);
    EXPECT_EQ(mmioOpenA(path.c_str(), nullptr, MMIO_CREATE), nullptr);
    EXPECT_EQ(mmioOpenA(nullptr, nullptr, MMIO_READ), nullptr);
    EXPECT_EQ(mmioClose(nullptr, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(MmioTest, WaveNavigationSkipsOtherChunksAndPads) {
    const Bytes data = Samples(11);  // odd: padded
    const Bytes wave = Form("RIFF", "WAVE",
                            Cat({Chunk("fmt ", Fmt16()), Chunk("fact", Samples(5)), Form("LIST", "INFO", Chunk("INAM", Samples(3))),
                                 Chunk("data", data), Chunk("junk", Samples(4))}));
    HMMIO h = Open(wave);

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), 0u);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.cksize, wave.size() - 8);
    EXPECT_EQ(riff.dwDataOffset, 8u);  // the form type's offset
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 12);

    MMCKINFO ck{};
    ck.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), 0u);
    EXPECT_EQ(ck.cksize, 16u);
    EXPECT_EQ(ck.dwDataOffset, 20u);
    EXPECT_EQ(ck.fccType, 0u);
    char fmt[16];
    ASSERT_EQ(mmioRead(h, fmt, 16), 16);
    EXPECT_EQ(fmt[14], 8);  // bits per sample
    ASSERT_EQ(mmioAscend(h, &ck, 0), 0u);

    // The LIST chunk is found by its form type.
    MMCKINFO list{};
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioDescend(h, &list, &riff, MMIO_FINDLIST), 0u);
    EXPECT_EQ(list.ckid, FOURCC_LIST);
    MMCKINFO name{};
    ASSERT_EQ(mmioDescend(h, &name, &list, 0), 0u);  // the first chunk inside
    EXPECT_EQ(name.ckid, mmioFOURCC('I', 'N', 'A', 'M'));
    EXPECT_EQ(name.cksize, 3u);
    // Nothing more in the list: the search stops at its end, not in "data".
    ASSERT_EQ(mmioAscend(h, &name, 0), 0u);
    MMCKINFO none{};
    none.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &none, &list, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);

    // From just past the form type, "data" is found behind fact (odd size) and the list.
    ASSERT_EQ(mmioSeek(h, riff.dwDataOffset + 4, SEEK_SET), 12);
    MMCKINFO dc{};
    dc.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &dc, &riff, MMIO_FINDCHUNK), 0u);
    EXPECT_EQ(dc.cksize, 11u);
    char got[11];
    ASSERT_EQ(mmioRead(h, got, 11), 11);
    EXPECT_EQ(Bytes(got, got + 11), data);
    ASSERT_EQ(mmioAscend(h, &dc, 0), 0u);
    MMCKINFO junk{};
    ASSERT_EQ(mmioDescend(h, &junk, &riff, 0), 0u);  // the pad byte was skipped
    EXPECT_EQ(junk.ckid, mmioFOURCC('j', 'u', 'n', 'k'));
}

TEST_F(MmioTest, MissingChunksAndOtherForms) {
    HMMIO h = Open(Form("RIFF", "WAVE", Chunk("fmt ", Fmt16())));
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), 0u);
    MMCKINFO dc{};
    dc.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &dc, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);

    HMMIO avi = Open(Form("RIFF", "AVI ", Chunk("fmt ", Fmt16())));
    MMCKINFO r{};
    r.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    EXPECT_EQ(mmioDescend(avi, &r, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    // A plain descent takes whatever is there.
    ASSERT_EQ(mmioSeek(avi, 0, SEEK_SET), 0);
    ASSERT_EQ(mmioDescend(avi, &r, nullptr, 0), 0u);
    EXPECT_EQ(r.fccType, mmioFOURCC('A', 'V', 'I', ' '));

    // A chunk lying after the RIFF chunk's declared end is not inside it.
    const Bytes shortRiff = Cat({Form("RIFF", "WAVE", Chunk("fmt ", Fmt16())), Chunk("data", Samples(4))});
    HMMIO s = Open(shortRiff);
    MMCKINFO sr{};
    sr.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(s, &sr, nullptr, MMIO_FINDRIFF), 0u);
    MMCKINFO sd{};
    sd.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(s, &sd, &sr, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);

    EXPECT_EQ(mmioDescend(nullptr, &sd, nullptr, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mmioDescend(s, nullptr, nullptr, 0), MMSYSERR_INVALPARAM);
}

TEST_F(MmioTest, MalformedSizesFail) {
    // A chunk that claims to run past its parent.
    const Bytes inner = Cat({Chunk("fmt ", Fmt16()), Chunk("data", Samples(8), 5000)});
    HMMIO h = Open(Form("RIFF", "WAVE", inner, static_cast<long>(inner.size() + 4)));
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), 0u);
    MMCKINFO dc{};
    dc.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &dc, &riff, MMIO_FINDCHUNK), MMIOERR_INVALIDFILE);

    // A skipped chunk whose size runs past the parent stops the search too.
    const Bytes bad = Cat({Chunk("fact", Samples(4), 0x7FFFFFF0), Chunk("data", Samples(8))});
    HMMIO g = Open(Form("RIFF", "WAVE", bad));
    MMCKINFO r2{};
    ASSERT_EQ(mmioDescend(g, &r2, nullptr, 0), 0u);
    EXPECT_EQ(mmioDescend(g, &dc, &r2, MMIO_FINDCHUNK), MMIOERR_INVALIDFILE);

    // A RIFF chunk too small to hold its form type, and one whose size
    // cannot be a file offset.
    Bytes tiny;
    Tag(tiny, "RIFF");
    Le32(tiny, 2);
    Tag(tiny, "WAVE");
    HMMIO t = Open(tiny);
    MMCKINFO r3{};
    EXPECT_EQ(mmioDescend(t, &r3, nullptr, 0), MMIOERR_INVALIDFILE);
    Bytes huge;
    Tag(huge, "RIFF");
    Le32(huge, 0xFFFFFFF0u);
    Tag(huge, "WAVE");
    HMMIO u = Open(huge);
    EXPECT_EQ(mmioDescend(u, &r3, nullptr, 0), MMIOERR_INVALIDFILE);

    // A header cut off by the end of the file.
    HMMIO c = Open(Bytes{'R', 'I', 'F', 'F', 10, 0});
    EXPECT_EQ(mmioDescend(c, &r3, nullptr, 0), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(MmioTest, TruncatedDataReadsWhatIsThere) {
    // The data chunk announces 1000 bytes; the file stops after 100 of them.
    Bytes wave = Form("RIFF", "WAVE", Cat({Chunk("fmt ", Fmt16()), Chunk("data", Samples(1000))}));
    wave.erase(wave.end() - 900, wave.end());
    HMMIO h = Open(wave, 64);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), 0u);
    MMCKINFO dc{};
    dc.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &dc, &riff, MMIO_FINDCHUNK), 0u);
    EXPECT_EQ(dc.cksize, 1000u);
    std::vector<char> got(1000);
    EXPECT_EQ(mmioRead(h, got.data(), 1000), 100);
    const Bytes all = Samples(1000);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 100), Bytes(all.begin(), all.begin() + 100));
    EXPECT_EQ(mmioRead(h, got.data(), 10), 0);

    // Direct buffer access sees the end as an empty refill.
    ASSERT_EQ(mmioSeek(h, dc.dwDataOffset + 90, SEEK_SET), static_cast<LONG>(dc.dwDataOffset + 90));
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), 0u);
    int copied = 0;
    for (int i = 0; i < 50; ++i) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), 0u);
            if (info.pchNext == info.pchEndRead) break;
        }
        ++info.pchNext;
        ++copied;
    }
    EXPECT_EQ(copied, 10);
    EXPECT_EQ(mmioSetInfo(h, &info, 0), 0u);
    EXPECT_EQ(mmioRead(h, got.data(), 1), 0);
}

TEST_F(MmioTest, DirectBufferAccessMatchesReads) {
    const Bytes data = Samples(300);
    const Bytes wave = Form("RIFF", "WAVE", Cat({Chunk("fmt ", Fmt16()), Chunk("data", data)}));
    HMMIO h = Open(wave, 16);  // a small buffer: many refills
    MMCKINFO riff{};
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, 0), 0u);
    MMCKINFO dc{};
    dc.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &dc, &riff, MMIO_FINDCHUNK), 0u);

    // Copy 250 bytes the way the wave reader does.
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), 0u);
    EXPECT_EQ(info.cchBuffer, 16);
    Bytes got;
    while (got.size() < 250) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), 0u);
            ASSERT_NE(info.pchNext, info.pchEndRead);
            EXPECT_EQ(info.lDiskOffset - info.lBufOffset, info.pchEndRead - info.pchBuffer);
        }
        got.push_back(static_cast<std::uint8_t>(*info.pchNext++));
    }
    ASSERT_EQ(mmioSetInfo(h, &info, 0), 0u);
    EXPECT_EQ(got, Bytes(data.begin(), data.begin() + 250));
    // The file position continues right behind the bytes taken.
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), static_cast<LONG>(dc.dwDataOffset + 250));
    char next[4];
    ASSERT_EQ(mmioRead(h, next, 4), 4);
    EXPECT_EQ(static_cast<std::uint8_t>(next[0]), data[250]);

    // Pointers outside the valid part of the buffer are refused.
    ASSERT_EQ(mmioGetInfo(h, &info, 0), 0u);
    MMIOINFO wrong = info;
    wrong.pchNext = info.pchEndRead + 1;
    EXPECT_EQ(mmioSetInfo(h, &wrong, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mmioAdvance(h, &wrong, MMIO_READ), MMSYSERR_INVALPARAM);
    wrong = info;
    wrong.pchBuffer = nullptr;
    EXPECT_EQ(mmioSetInfo(h, &wrong, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mmioAdvance(h, &info, MMIO_WRITE), MMIOERR_CANNOTWRITE);
}

TEST_F(MmioTest, UnbufferedAndCallerBuffers) {
    const Bytes data = Samples(40);
    const std::string path = Write(data);
    HMMIO plain = mmioOpenA(path.c_str(), nullptr, MMIO_READ);
    ASSERT_NE(plain, nullptr);
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(plain, &info, 0), 0u);
    EXPECT_EQ(info.cchBuffer, 0);
    EXPECT_EQ(mmioAdvance(plain, &info, MMIO_READ), MMIOERR_UNBUFFERED);
    char got[40];
    ASSERT_EQ(mmioRead(plain, got, 40), 40);
    EXPECT_EQ(Bytes(got, got + 40), data);
    mmioClose(plain, 0);

    char mine[8];
    MMIOINFO given{};
    given.pchBuffer = mine;
    given.cchBuffer = sizeof mine;
    HMMIO h = mmioOpenA(path.c_str(), &given, MMIO_READ);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(given.hmmio, h);
    ASSERT_EQ(mmioGetInfo(h, &info, 0), 0u);
    EXPECT_EQ(info.pchBuffer, mine);
    ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), 0u);
    EXPECT_EQ(info.pchEndRead - info.pchNext, 8);
    EXPECT_EQ(static_cast<std::uint8_t>(mine[3]), data[3]);
    mmioClose(h, 0);

    // MMIO_ALLOCBUF without a size gives the default buffer.
    HMMIO d = mmioOpenA(path.c_str(), nullptr, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(mmioGetInfo(d, &info, 0), 0u);
    EXPECT_EQ(info.cchBuffer, MMIO_DEFAULTBUFFER);
    mmioClose(d, 0);
}

TEST_F(MmioTest, SeeksAndReadsAcrossTheBuffer) {
    const Bytes data = Samples(100);
    HMMIO h = Open(data, 10);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 100);
    char c[64];
    EXPECT_EQ(mmioRead(h, c, 5), 0);
    EXPECT_EQ(mmioSeek(h, -10, SEEK_END), 90);
    ASSERT_EQ(mmioRead(h, c, 64), 10);
    EXPECT_EQ(static_cast<std::uint8_t>(c[0]), data[90]);
    EXPECT_EQ(mmioSeek(h, 3, SEEK_SET), 3);
    ASSERT_EQ(mmioRead(h, c, 4), 4);
    EXPECT_EQ(static_cast<std::uint8_t>(c[0]), data[3]);
    EXPECT_EQ(mmioSeek(h, -2, SEEK_CUR), 5);
    ASSERT_EQ(mmioRead(h, c, 30), 30);  // larger than the buffer
    EXPECT_EQ(Bytes(c, c + 30), Bytes(data.begin() + 5, data.begin() + 35));
    EXPECT_EQ(mmioSeek(h, -1, SEEK_SET), -1);
    EXPECT_EQ(mmioSeek(h, 0, 7), -1);
    EXPECT_EQ(mmioSeek(h, 500, SEEK_SET), 500);  // past the end is allowed
    EXPECT_EQ(mmioRead(h, c, 1), 0);
    EXPECT_EQ(mmioRead(h, c, -1), -1);
}

}  // namespace
}  // namespace platform
