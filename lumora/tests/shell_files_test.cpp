// Chunk files, text streams and the resolution of game paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "_ShellTestSupport.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/FileTxt.h"

namespace {

std::string Le32Bytes(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(v >> (8 * i));
    return out;
}

std::string Entry(const std::string& flag, std::uint32_t offset, std::uint32_t length) {
    std::string out = flag;
    out.resize(20, '\0');
    return out + Le32Bytes(offset) + Le32Bytes(length);
}

class ChunkFileTest : public ::testing::Test {
protected:
    // Writes chunks named `names`, chunk i holding i + 1 copies of the byte 'a' + i.
    void WriteChunks(const std::string& path, const std::vector<std::string>& names) {
        XChunkFile file;
        ASSERT_EQ(file.Open(path.c_str(), 1), 1);
        for (std::size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(file.BeginWriteChunk(names[i].c_str()), 1) << names[i];
            std::string data(i + 1, static_cast<char>('a' + i % 26));
            ASSERT_EQ(file.Write(data.data(), static_cast<unsigned>(data.size())), 1);
            file.EndWriteChunk();
        }
        ASSERT_EQ(file.Close(), 1);
    }

    ScratchDir dir;
    ReportRecorder recorder;
};

TEST_F(ChunkFileTest, ByteLayoutOfTwoChunks) {
    std::string path = dir.File("two.bin");
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 1), 1);
    ASSERT_EQ(file.BeginWriteChunk("A"), 1);
    ASSERT_EQ(file.Write("12345678", 8), 1);
    file.EndWriteChunk();
    ASSERT_EQ(file.BeginWriteChunk("B"), 1);
    file.EndWriteChunk();
    ASSERT_EQ(file.Close(), 1);

    std::string bytes = dir.Read("two.bin");
    ASSERT_EQ(bytes.size(), 68u);
    EXPECT_EQ(bytes, "12345678" + Entry("#A#", 0, 8) + Entry("#B#", 8, 0) + Le32Bytes(2));

    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    char buffer[8] = {};
    ASSERT_EQ(file.BeginReadChunk("B"), 1);
    EXPECT_EQ(file.Read(buffer, 1), 0);
    file.EndReadChunk();
    ASSERT_EQ(file.BeginReadChunk("A"), 1);
    EXPECT_EQ(file.Read(buffer, 8), 1);
    EXPECT_EQ(std::string(buffer, 8), "12345678");
    file.EndReadChunk();
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(ChunkFileTest, RoundTripInAnyOrderWithSeveralWritesPerChunk) {
    std::string path = dir.File("save.bin");
    {
        XChunkFile file;
        ASSERT_EQ(file.Open(path.c_str(), 1), 1);
        ASSERT_EQ(file.BeginWriteChunk("GAME"), 1);
        std::int32_t values[] = {7, -1, 123456};
        for (std::int32_t v : values) ASSERT_EQ(file.Write(&v, sizeof v), 1);
        file.EndWriteChunk();
        ASSERT_EQ(file.BeginWriteChunk("SCENE2"), 1);
        ASSERT_EQ(file.Write("xyz", 3), 1);
        file.EndWriteChunk();
        ASSERT_EQ(file.Close(), 1);
    }
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    EXPECT_EQ(file.m_Count, 2);
    char text[3];
    ASSERT_EQ(file.BeginReadChunk("SCENE2"), 1);
    ASSERT_EQ(file.Read(text, 3), 1);
    EXPECT_EQ(std::string(text, 3), "xyz");
    file.EndReadChunk();
    ASSERT_EQ(file.BeginReadChunk("GAME"), 1);
    std::int32_t v = 0;
    ASSERT_EQ(file.Read(&v, 4), 1);
    EXPECT_EQ(v, 7);
    ASSERT_EQ(file.Read(&v, 4), 1);
    EXPECT_EQ(v, -1);
    ASSERT_EQ(file.Read(&v, 4), 1);
    EXPECT_EQ(v, 123456);
    EXPECT_EQ(file.Read(&v, 4), 0);
    file.EndReadChunk();

    // "SCENE" is not "SCENE2": the whole flag counts.
    recorder.debugLines.clear();
    EXPECT_EQ(file.BeginReadChunk("SCENE"), 0);
    EXPECT_EQ(recorder.debugLines, (std::vector<std::string>{"Alerte: Cannot to find the chunk Flag SCENE\r\n"}));
    EXPECT_EQ(file.m_InChunk, 0);
    EXPECT_TRUE(recorder.boxes.empty());
    file.Close();
}

TEST_F(ChunkFileTest, OnlyTheStartOfAReadIsHeldToTheChunk) {
    std::string path = dir.File("records.bin");
    {
        XChunkFile file;
        ASSERT_EQ(file.Open(path.c_str(), 1), 1);
        file.BeginWriteChunk("ONE");
        ASSERT_EQ(file.Write("abcd", 4), 1);
        file.EndWriteChunk();
        file.BeginWriteChunk("TWO");
        ASSERT_EQ(file.Write("efgh", 4), 1);
        file.EndWriteChunk();
        file.Close();
    }
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    ASSERT_EQ(file.BeginReadChunk("ONE"), 1);
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, 2), 1);
    EXPECT_EQ(file.Read(buffer, 4), 1);  // starts inside, runs into "TWO"
    EXPECT_EQ(std::string(buffer, 4), "cdef");
    EXPECT_EQ(file.Read(buffer, 1), 0);
    EXPECT_TRUE(recorder.boxes.empty());
    file.Close();
}

TEST_F(ChunkFileTest, BeginWhileAChunkIsOpenFailsAndChangesNothing) {
    std::string path = dir.File("nested.bin");
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 1), 1);
    ASSERT_EQ(file.BeginWriteChunk("A"), 1);
    EXPECT_EQ(file.BeginWriteChunk("B"), 0);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Error to BeginReadChunk before End another\r\n");
    EXPECT_EQ(file.m_Count, 1);
    EXPECT_EQ(file.m_Current, 0);
    file.EndWriteChunk();
    file.Close();

    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    ASSERT_EQ(file.BeginReadChunk("A"), 1);
    EXPECT_EQ(file.BeginReadChunk("A"), 0);
    EXPECT_EQ(recorder.boxes.back().text, "Error BeginReadChunk: Must End one and begin another\r\n");
    EXPECT_EQ(file.m_InChunk, 1);
    file.Close();
}

TEST_F(ChunkFileTest, DuplicateAndOverlongNamesAreRefused) {
    std::string path = dir.File("names.bin");
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 1), 1);
    ASSERT_EQ(file.BeginWriteChunk("A"), 1);
    file.EndWriteChunk();
    EXPECT_EQ(file.BeginWriteChunk("A"), 0);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Chunk #A# already exist int file " + path + "\r\n");

    std::string seventeen(17, 'N');
    EXPECT_EQ(file.BeginWriteChunk(seventeen.c_str()), 1);
    file.EndWriteChunk();
    EXPECT_EQ(file.BeginWriteChunk((seventeen + "X").c_str()), 0);
    EXPECT_EQ(recorder.boxes.back().text, "Flag Chunk too long. Must < 20\r\n");
    EXPECT_EQ(file.m_Count, 2);
    ASSERT_EQ(file.Close(), 1);

    std::string bytes = dir.Read("names.bin");
    ASSERT_EQ(bytes.size(), 2u * 28 + 4);
    EXPECT_EQ(bytes.substr(28, 20), "#" + seventeen + "#" + std::string(1, '\0'));
    EXPECT_EQ(bytes.substr(4, 16), std::string(16, '\0'));  // after "#A#" NUL: zeros

    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    EXPECT_EQ(file.BeginReadChunk(seventeen.c_str()), 1);
    file.Close();
}

TEST_F(ChunkFileTest, FiftyChunksAtMost) {
    std::string path = dir.File("many.bin");
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i) names.push_back("C" + std::to_string(i));
    WriteChunks(path, names);

    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    EXPECT_EQ(file.m_Count, 50);
    ASSERT_EQ(file.BeginReadChunk("C49"), 1);
    std::string data(50, '\0');
    ASSERT_EQ(file.Read(data.data(), 50), 1);
    EXPECT_EQ(data, std::string(50, 'a' + 49 % 26));
    file.Close();
    EXPECT_TRUE(recorder.boxes.empty());

    ASSERT_EQ(file.Open(path.c_str(), 1), 1);
    for (const std::string& name : names) {
        ASSERT_EQ(file.BeginWriteChunk(name.c_str()), 1);
        file.EndWriteChunk();
    }
    EXPECT_EQ(file.BeginWriteChunk("C50"), 0);
    EXPECT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(file.m_Count, 50);
    EXPECT_EQ(file.Close(), 1);
}

TEST_F(ChunkFileTest, EmptyFileOpensWithNoChunks) {
    dir.Write("empty.bin", "");
    XChunkFile file;
    ASSERT_EQ(file.Open(dir.File("empty.bin").c_str(), 0), 1);
    EXPECT_EQ(file.m_Count, 0);
    EXPECT_EQ(file.BeginReadChunk("ANY"), 0);
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(recorder.debugLines.size(), 1u);
    file.Close();
}

TEST_F(ChunkFileTest, BadDirectoriesOpenWithNoChunksAndAWarning) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::string data = "abcdefgh";
    const Case cases[] = {
        {"count above fifty", data + Le32Bytes(51)},
        {"huge count", data + Le32Bytes(0xFFFFFFFFu)},
        {"directory before the start", data + Entry("#A#", 0, 4) + Le32Bytes(2)},
        {"chunk past the data", data + Entry("#A#", 4, 8) + Le32Bytes(1)},
        {"offset wraps", data + Entry("#A#", 0xFFFFFFF0u, 0x20) + Le32Bytes(1)},
        {"chunk over the directory", data + Entry("#A#", 0, 20) + Le32Bytes(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorder.boxes.clear();
        dir.Write("bad.bin", c.bytes);
        XChunkFile file;
        ASSERT_EQ(file.Open(dir.File("bad.bin").c_str(), 0), 1);
        EXPECT_EQ(file.m_Count, 0);
        EXPECT_EQ(recorder.boxes.size(), 1u);
        EXPECT_EQ(file.BeginReadChunk("A"), 0);
        char buffer[4];
        EXPECT_EQ(file.Read(buffer, 4), 0);
        file.Close();
    }
}

TEST_F(ChunkFileTest, EveryTruncationOfAGoodFileIsSafe) {
    std::string path = dir.File("full.bin");
    WriteChunks(path, {"SCENE", "CAMERA", "OBJECTS"});
    const std::string full = dir.Read("full.bin");
    for (std::size_t size = 0; size < full.size(); ++size) {
        SCOPED_TRACE(size);
        dir.Write("cut.bin", full.substr(0, size));
        XChunkFile file;
        ASSERT_EQ(file.Open(dir.File("cut.bin").c_str(), 0), 1);
        EXPECT_LE(file.m_Count, 3);
        for (const char* name : {"SCENE", "CAMERA", "OBJECTS"}) {
            if (!file.BeginReadChunk(name)) continue;
            char buffer[16];
            while (file.Read(buffer, 1)) {
            }
            file.EndReadChunk();
        }
        file.Close();
    }
}

TEST_F(ChunkFileTest, UnterminatedFlagInTheDirectoryIsContained) {
    dir.Write("flag.bin", "data" + std::string(20, '#') + Le32Bytes(0) + Le32Bytes(4) + Le32Bytes(1));
    XChunkFile file;
    ASSERT_EQ(file.Open(dir.File("flag.bin").c_str(), 0), 1);
    ASSERT_EQ(file.m_Count, 1);
    EXPECT_EQ(file.BeginReadChunk(std::string(18, '#').c_str()), 0);
    EXPECT_EQ(std::strlen(file.m_Dir[0].flag), 19u);
    file.Close();
}

TEST_F(ChunkFileTest, ReadsNeverOverrunTheCallersLength) {
    std::string path = dir.File("bounds.bin");
    WriteChunks(path, {"A", "B", "C"});
    XChunkFile file;
    ASSERT_EQ(file.Open(path.c_str(), 0), 1);
    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(file.Read(buffer, 1), 0);  // no chunk begun yet
    ASSERT_EQ(file.BeginReadChunk("C"), 1);
    EXPECT_EQ(file.Read(buffer, -1), 0);
    EXPECT_EQ(file.Read(nullptr, 2), 0);
    EXPECT_EQ(std::string(buffer, 8), std::string(8, 'z'));
    EXPECT_EQ(file.Read(buffer, 2), 1);
    EXPECT_EQ(std::string(buffer, 3), "ccz");
    // A read that runs off the end of the file fills only what exists and fails.
    EXPECT_EQ(file.Read(buffer, 4), 1);
    file.EndReadChunk();
    ASSERT_EQ(file.BeginReadChunk("C"), 1);
    std::string rest(200, 'q');
    EXPECT_EQ(file.Read(rest.data(), 100), 0);
    EXPECT_EQ(rest.substr(100), std::string(100, 'q'));
    EXPECT_EQ(recorder.boxes.back().text, "Error to read data\r\n");
    file.Close();
}

TEST_F(ChunkFileTest, OpenFailuresAndCaseInsensitivePaths) {
    EXPECT_EQ(XChunkFile().Open(dir.File("missing.bin").c_str(), 0), 0);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Cannot open file " + dir.File("missing.bin") + "\r\n");
    EXPECT_EQ(XChunkFile().Open(dir.File("no/such/folder/x.bin").c_str(), 1), 0);

    std::filesystem::create_directories(dir.Path() / "U01" / "Sound");
    WriteChunks(dir.File("U01/Sound/Scene.bin"), {"SCENE"});
    std::string windowsPath = dir.Path().string() + "\\u01\\SOUND\\SCENE.BIN";
    XChunkFile file;
    ASSERT_EQ(file.Open(windowsPath.c_str(), 0), 1);
    EXPECT_STREQ(file.m_Path, windowsPath.c_str());
    EXPECT_EQ(file.BeginReadChunk("SCENE"), 1);
    file.Close();

    // Writing through another spelling replaces the existing file.
    ASSERT_EQ(file.Open(windowsPath.c_str(), 1), 1);
    file.Close();
    EXPECT_EQ(dir.Read("U01/Sound/Scene.bin"), Le32Bytes(0));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "U01" / "Sound" / "SCENE.BIN"));
}

TEST_F(ChunkFileTest, OldFileStaysUntilTheNewOneIsClosed) {
    std::string path = dir.File("Gamesave.1");
    WriteChunks(path, {"GAME"});
    const std::string old = dir.Read("Gamesave.1");

    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(path.c_str(), 1), 1);
    file->BeginWriteChunk("GAME");
    ASSERT_EQ(file->Write("abcdef", 6), 1);
    EXPECT_EQ(dir.Read("Gamesave.1"), old);
    file.reset();  // dropped without Close: nothing replaced, nothing left over
    EXPECT_EQ(dir.Read("Gamesave.1"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);

    XChunkFile writer;
    ASSERT_EQ(writer.Open(path.c_str(), 1), 1);
    writer.BeginWriteChunk("GAME");
    writer.Write("abcdef", 6);
    writer.EndWriteChunk();
    ASSERT_EQ(writer.Close(), 1);
    EXPECT_EQ(dir.Read("Gamesave.1"), "abcdef" + Entry("#GAME#", 0, 6) + Le32Bytes(1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

TEST(DataPath, JoinAndResolve) {
    ScratchDir dir;
    EXPECT_EQ(JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(JoinPath("a\\", "b"), "a\\b");
    EXPECT_EQ(JoinPath("a", "b"), "a/b");
    dir.Write("Data/2DBIT/Intro1.bmp", "x");
    std::string root = dir.Path().string();
    EXPECT_EQ(ResolveForReading(root + "/data\\2dbit/INTRO1.BMP"), root + "/Data/2DBIT/Intro1.bmp");
    EXPECT_EQ(ResolveForReading(root + "/Data/2DBIT/Intro2.bmp"), "");
    EXPECT_EQ(ResolveForWriting(root + "\\DATA\\new.bin"), root + "/Data/new.bin");
}

TEST(FileTxt, WriteAppendMeasureAndSeek) {
    ScratchDir dir;
    ReportRecorder recorder;
    std::string path = dir.File("install.log");
    {
        XFileTxt log;
        ASSERT_EQ(log.Open(path.c_str(), "w"), 1);
        EXPECT_EQ(log.m_Size, 0);
        EXPECT_EQ(log.WriteLine("first"), 1);
        EXPECT_EQ(log.WriteLine("second"), 1);
    }
    EXPECT_EQ(dir.Read("install.log"), "first\nsecond\n");
    {
        XFileTxt log;
        ASSERT_EQ(log.Open(path.c_str(), "a"), 1);
        EXPECT_EQ(log.m_Size, 13);
        log.WriteLine("third");
    }
    EXPECT_EQ(dir.Read("install.log"), "first\nsecond\nthird\n");

    XFileTxt reader;
    ASSERT_EQ(reader.Open(path.c_str(), "rt"), 1);
    EXPECT_EQ(reader.m_Size, 19);
    char line[16] = {};
    EXPECT_EQ(std::fgets(line, sizeof line, reader.m_File.get()), nullptr);  // left at the end
    EXPECT_EQ(reader.Seek(6), 1);
    ASSERT_NE(std::fgets(line, sizeof line, reader.m_File.get()), nullptr);
    EXPECT_STREQ(line, "second\n");
    EXPECT_EQ(reader.Seek(-1), 0);
    EXPECT_EQ(recorder.debugLines.back(), "XFileTxt: Error to set position\r\n");
    EXPECT_TRUE(recorder.boxes.empty());

    XFileTxt missing;
    EXPECT_EQ(missing.Open(dir.File("none.txt").c_str(), "rt"), 0);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Cannot open file " + dir.File("none.txt") + "\r\n");
    EXPECT_EQ(missing.WriteLine("x"), 0);
    EXPECT_EQ(missing.Seek(0), 0);
}

}  // namespace
