// The bitmap archive: bitpack packs a folder of pictures, the frame manager
// opens the archive and media read from it equal media read from the files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/LBitmapReader.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LMedia.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

int RunCommand(const std::string& command) {
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) std::fputs(buf, stdout);
    return ::pclose(p);
}

std::vector<std::uint16_t> Pixels(DirectDrawSurface* s) {
    std::vector<std::uint16_t> out;
    PixelView v;
    if (!s || FAILED(s->Lock(nullptr, &v, DDLOCK_WAIT))) return out;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            out.push_back(reinterpret_cast<const std::uint16_t*>(static_cast<std::uint8_t*>(v.bits) + y * v.pitch)[x]);
    s->Unlock(v.bits);
    return out;
}

// The pictures of a medium as the screen's media manager loads them.
std::vector<std::uint16_t> MediumPixels(FrameworkScreen& screen, const char* name) {
    LMediumRef ref;
    LMediaObject* m = screen.Manager().GetMediaManager()->GetMedium(name, &ref, 1);
    std::vector<std::uint16_t> out = m ? Pixels(m->GetSurface()) : std::vector<std::uint16_t>{};
    if (m) screen.Manager().GetMediaManager()->ReleaseMedium(&ref, 1);
    return out;
}

const char* const kNames[] = {"grad.bmp", "Mixed.BMP", "tiny.bmp", "wide.bmp"};

}  // namespace

TEST(FrameworkArchive, PackedPicturesEqualTheirBitmapFiles) {
    FrameworkData data;
    ReportRecorder report;
    data.Picture("grad.bmp", 37, 23, [](int x, int y) { return static_cast<std::uint32_t>(x * 7 << 16 | y * 11 << 8 | (x ^ y)); });
    data.Picture("Mixed.BMP", 5, 3, 0x123456);
    data.Picture("tiny.bmp", 1, 1, 0xFFFFFF);
    data.Picture("wide.bmp", 300, 2, [](int x, int) { return static_cast<std::uint32_t>(x * 0x010203); });
    data.MediaTable("mixed;0;0;mixed.bmp;;\n");
    std::vector<std::vector<std::uint16_t>> fromFiles;
    {
        FrameworkScreen screen(data);
        ASSERT_EQ(screen.InitResult(), 0);
        EXPECT_EQ(screen.Manager().GetBitmapArchive()->IsUsable(), 0);
        for (const char* name : kNames) fromFiles.push_back(MediumPixels(screen, name));
    }
    ASSERT_EQ(fromFiles[0].size(), 37u * 23u);

    // Small archive files: the pictures spread over several.
    const std::string folder = data.Root() + "2DBIT";
    const std::string bitpack = std::string(std::getenv("LUMORA_BIN")) + "/bitpack";
    ASSERT_EQ(RunCommand(bitpack + " " + folder + " " + folder + " --file-size 2000"), 0);
    EXPECT_TRUE(std::filesystem::exists(folder + "/BData2.arn"));
    // From now on only the archive holds the pictures.
    for (const char* name : kNames) std::filesystem::remove(folder + "/" + name);

    FrameworkScreen screen(data);
    ASSERT_EQ(screen.InitResult(), 0);
    LBitmapReader* archive = screen.Manager().GetBitmapArchive();
    ASSERT_TRUE(archive->IsUsable());
    EXPECT_EQ(archive->CountEntries(), 4);
    EXPECT_EQ(archive->GetArchiveCount(), 2);
    for (std::size_t i = 0; i < std::size(kNames); ++i) EXPECT_EQ(MediumPixels(screen, kNames[i]), fromFiles[i]) << kNames[i];
    EXPECT_EQ(MediumPixels(screen, "mixed"), fromFiles[1]);  // the table's spelling of the file
    EXPECT_TRUE(report.boxes.empty());

    // 5-5-5 surfaces do not take the archive's 5-6-5 pixels.
    archive->SetPixelFormat(PixelFormat::RGB555);
    RECT r;
    EXPECT_EQ(archive->LoadBitmap(screen.Manager().GetDirectDraw(), "grad.bmp", &r), nullptr);
    archive->SetPixelFormat(PixelFormat::RGB565);

    // A cut archive file is reported with the picture's name.
    std::filesystem::resize_file(folder + "/BData1.arn", 100);
    LBitmapReader cut(folder + "/");
    cut.SetPixelFormat(PixelFormat::RGB565);
    ASSERT_TRUE(cut.Open());
    EXPECT_EQ(cut.LoadBitmap(screen.Manager().GetDirectDraw(), cut.FindEntry("grad.bmp") ? "grad.bmp" : "", &r), nullptr);
    ASSERT_FALSE(report.boxes.empty());
    EXPECT_NE(report.boxes.back().text.find(".bmp"), std::string::npos);
}

TEST(FrameworkArchive, DamagedHeadersAreRefusedOrTheirEntriesSkipped) {
    LBitmapReader reader("");
    auto entry = [](const char* name, int w, int h, int file, std::uint32_t size) {
        LBitmapReader::Entry e;
        std::strncpy(e.name, name, sizeof e.name - 1);
        e.rect = RECT{0, 0, w, h};
        e.file = file;
        e.size = size;
        return e;
    };
    std::vector<std::uint8_t> good = BuildArchiveHeader({entry("a.bmp", 2, 2, 1, 8), entry("B.bmp", 3, 1, 2, 6),
                                                         entry("c.bmp", 1, 1, 1, 2)},
                                                        2);
    ASSERT_TRUE(reader.ReadHeader(good.data(), good.size()));
    EXPECT_EQ(reader.CountEntries(), 3);
    ASSERT_NE(reader.FindEntry("b.BMP"), nullptr);
    EXPECT_EQ(reader.FindEntry("c.bmp")->offset, 8u);  // after a.bmp in the same file
    EXPECT_EQ(reader.FindEntry("B.bmp")->offset, 0u);

    // Too short, a count beyond the bytes, too many files, a file number out of range.
    EXPECT_FALSE(reader.ReadHeader(good.data(), 11));
    std::vector<std::uint8_t> bad = good;
    bad[4] = 4;
    EXPECT_FALSE(reader.ReadHeader(bad.data(), bad.size()));
    bad = good;
    PutInt32(bad.data() + 8, 100000);
    EXPECT_FALSE(reader.ReadHeader(bad.data(), bad.size()));
    bad = good;
    PutInt32(bad.data() + 12 + 48, 3);
    EXPECT_FALSE(reader.ReadHeader(bad.data(), bad.size()));
    // An entry whose size cannot hold its pixels, or without a name, is never loaded.
    std::vector<std::uint8_t> small = BuildArchiveHeader({entry("a.bmp", 100, 100, 1, 8), entry("", 1, 1, 1, 2),
                                                          entry("n.bmp", 16385, 1, 1, 40000)},
                                                         1);
    ASSERT_TRUE(reader.ReadHeader(small.data(), small.size()));
    EXPECT_EQ(reader.FindEntry("a.bmp"), nullptr);
    EXPECT_EQ(reader.FindEntry("n.bmp"), nullptr);
    EXPECT_EQ(reader.CountEntries(), 3);
}
