// Arrays, frame files in both forms, and loading frames that are damaged.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LArray.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"
#include "lumora/framework/LView.h"

namespace {

int IntAt(LArray& a, int i) { return *static_cast<int*>(a.GetAt(i)); }

std::vector<std::uint8_t> Compile(const std::string& text, std::string* error = nullptr) {
    std::string ignored;
    return CompileFrameText(text.data(), text.size(), error ? error : &ignored);
}

std::string Decompile(const std::vector<std::uint8_t>& bytes) {
    std::string text, error;
    EXPECT_TRUE(DecompileFrame(bytes.data(), bytes.size(), &text, &error)) << error;
    return text;
}

void Put(std::vector<std::uint8_t>& out, int v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(v) >> (8 * i)));
}

void PutName(std::vector<std::uint8_t>& out, const char* name) {
    char field[32] = {};
    std::strncpy(field, name, 31);
    out.insert(out.end(), field, field + 32);
}

}  // namespace

TEST(FrameworkArray, SortedInsertionSearchAndEdges) {
    LArray a(1, new LIntComparator(), 4);
    for (int v : {5, 1, 9, 5, 3, 7}) a.Add(&v);
    ASSERT_EQ(a.GetLastIndex(), 5);
    std::vector<int> got;
    for (int i = 0; i <= a.GetLastIndex(); ++i) got.push_back(IntAt(a, i));
    EXPECT_EQ(got, (std::vector<int>{1, 3, 5, 5, 7, 9}));
    int probe = 7, absent = 4, pos = -1;
    EXPECT_EQ(a.Find(&probe), 4);
    EXPECT_EQ(a.Find(&absent), -1);
    EXPECT_EQ(a.SortedFind(&absent, &pos), 0);
    EXPECT_EQ(pos, 2);
    // An equal element goes before the existing one.
    int five = 5;
    EXPECT_EQ(a.SortedFind(&five, &pos), 1);
    EXPECT_EQ(a.InsertAt(&five, 0), pos);
    // Sorted SetAt moves the element to its place.
    int big = 100;
    EXPECT_EQ(a.SetAt(&big, 0), a.GetLastIndex());
    EXPECT_EQ(a.SetAt(&big, a.GetLastIndex() + 1), -1);
    // Negative and past-the-end indices are refused.
    EXPECT_EQ(a.GetAt(-1), nullptr);
    EXPECT_EQ(a.GetAt(a.GetLastIndex() + 1), nullptr);
    const int before = a.GetLastIndex();
    a.RemoveAt(-1);
    a.RemoveAt(before + 1);
    EXPECT_EQ(a.GetLastIndex(), before);
    int out = 0;
    EXPECT_EQ(a.CopyAt(&out, -3), 0);
    while (a.GetLastIndex() >= 0) a.RemoveAt(0);
    EXPECT_EQ(a.GetLastIndex(), -1);
    EXPECT_EQ(a.First(), nullptr);
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(FrameworkArray, UnsortedNamesCursorAndLateSort) {
    LArray names(0, nullptr, 32);
    char n[32] = {};
    for (const char* s : {"Zebra", "apple", "Mango"}) {
        std::strncpy(n, s, 31);
        names.Add(n);
    }
    std::strncpy(n, "apple", 31);
    EXPECT_EQ(names.Find(n), 1);
    // One cursor per array: an inner loop moves the outer one.
    ASSERT_NE(names.First(), nullptr);
    names.Last();
    EXPECT_EQ(names.Next(), nullptr);
    EXPECT_STREQ(static_cast<char*>(names.Prev()), "Mango");
    names.SetComparator(new LNameComparator());
    EXPECT_EQ(names.Sort(), 1);
    EXPECT_STREQ(static_cast<char*>(names.GetAt(0)), "apple");
    EXPECT_STREQ(static_cast<char*>(names.GetAt(2)), "Zebra");
    std::strncpy(n, "MANGO", 31);
    EXPECT_EQ(names.Find(n), 1);  // without regard to case
    names.Remove(n);
    EXPECT_EQ(names.GetLastIndex(), 1);
}

TEST(FrameworkFrameFile, ExampleRecordCompilesToTheDocumentedBytes) {
    const std::string source =
        "#VIE VIE.ViewID 3; VIE.ViewPosX 40; VIE.ViewPosY 400; VIE.ViewSizeX 120; VIE.ViewSizeY 40; VIE.SuperView 1;\n"
        "@SCR SCR.ScriptName OptionCredits;\n"
        "@CUR CUR.CursorName 1002;\n"
        "$\n";
    std::vector<std::uint8_t> expected;
    Put(expected, 1);
    expected.insert(expected.end(), {'E', 'I', 'V', '#'});
    for (int v : {3, 40, 400, 120, 40, 1, 1, 0, 0}) Put(expected, v);
    expected.insert(expected.end(), {'R', 'C', 'S', '@'});
    PutName(expected, "OptionCredits");
    expected.insert(expected.end(), {'R', 'U', 'C', '@'});
    Put(expected, 1002);
    Put(expected, 0);
    EXPECT_EQ(Compile(source), expected);
    EXPECT_EQ(MakeClassCode("#VIE"), 0x23564945);
}

TEST(FrameworkFrameFile, EveryClassRoundTripsThroughTheBinaryForm) {
    // One record per view class, each field with its own value; behaviours
    // follow the first record, two of one class with different values.
    int count = 0;
    const LClassLayout* layouts = ClassLayouts(&count);
    auto fields = [](const LClassLayout& layout, int seed) {
        std::string text;
        for (const LBlockLayout* block : layout.blocks) {
            if (!block) continue;
            for (int i = 0; i < block->fieldCount; ++i) {
                const LFieldLayout& f = block->fields[i];
                std::string key = f.key;
                std::string value;
                if (key == "VIE.SuperView")
                    value = seed == 1 ? "0" : "1";
                else if (key == "VIE.ViewID")
                    value = std::to_string(seed);
                else
                    value = f.size == 4 ? std::to_string(seed * 100 + i * 7 - 3) : "N" + std::to_string(seed) + "_" + key.substr(4);
                text += " " + key + " " + value + ";";
            }
        }
        return text;
    };
    std::string source;
    int seed = 1;
    for (int c = 0; c < count; ++c) {
        if (layouts[c].code >> 24 != '#') continue;
        char code[5];
        source += ClassCodeText(layouts[c].code, code) + fields(layouts[c], seed);
        if (seed == 1) {
            int s = 50;
            for (int b = 0; b < count; ++b) {
                if (layouts[b].code >> 24 != '@') continue;
                source += std::string("\n") + ClassCodeText(layouts[b].code, code) + fields(layouts[b], s++);
            }
            source += std::string("\n") + ClassCodeText(kCodeHighlight, code) + fields(*FindClassLayout(kCodeHighlight), 99);
        }
        source += "\n$\n";
        ++seed;
    }
    std::string error;
    std::vector<std::uint8_t> binary = Compile(source, &error);
    ASSERT_FALSE(binary.empty()) << error;
    EXPECT_EQ(GetInt32(binary.data()), 15);
    EXPECT_EQ(Decompile(binary), source);
    EXPECT_EQ(Compile(Decompile(binary)), binary);
}

TEST(FrameworkFrameFile, TextFormDefaultsAndLayout) {
    // Visible defaults to 1, a given 0 stays; a missing or zero scroll zone is 50.
    auto view = [](const std::string& record, int field) {
        std::vector<std::uint8_t> b = Compile(record);
        return b.size() > 8u + field * 4 ? GetInt32(b.data() + 8 + field * 4) : -999;
    };
    EXPECT_EQ(view("#VIE VIE.ViewID 1;\n$\n", 5), 1);
    EXPECT_EQ(view("#VIE VIE.ViewID 1; VIE.Visible 0;\n$\n", 5), 0);
    EXPECT_EQ(view("#LOP VIE.ViewID 1;\n$\n", 9 + 11 + 1), 50);
    EXPECT_EQ(view("#LOP VIE.ViewID 1; LOP.ScrollZone 0; LOP.ScrollUnit 4;\n$\n", 9 + 11 + 1), 50);
    EXPECT_EQ(view("#LOP VIE.ViewID 1; LOP.ScrollZone 20;\n$\n", 9 + 11 + 1), 20);
    // Line ends, blank lines between records and a final '$' at the very end.
    const std::string lf = "#VIE VIE.ViewID 1;\n$\n#BIT VIE.ViewID 2; BIT.BitmapName Back;\n@FRA FRA.FrameName Menu;\n$";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string spaced = "\n\n  " + lf.substr(0, 20) + "\n\n\t\n" + lf.substr(20) + "\n\n";
    std::vector<std::uint8_t> expected = Compile(lf);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(GetInt32(expected.data()), 2);
    EXPECT_EQ(Compile(crlf), expected);
    EXPECT_EQ(Compile(spaced), expected);
    // Long names are cut to 31 characters and terminated.
    std::vector<std::uint8_t> longName = Compile("#BIT BIT.BitmapName " + std::string(40, 'x') + ";\n$\n");
    ASSERT_EQ(longName.size(), 4u + 4 + 36 + 44 + 4);
    EXPECT_EQ(longName[4 + 4 + 36 + 8 + 30], 'x');
    EXPECT_EQ(longName[4 + 4 + 36 + 8 + 31], 0);
}

TEST(FrameworkFrameFile, SourcesThatCannotCompileSayWhy) {
    struct Case {
        const char* source;
        const char* error;
    } cases[] = {
        {"", "empty"},
        {" \r\n\t", "empty"},
        {"#VIE VIE.ViewID 1;", "'$'"},
        {"#XYZ VIE.ViewID 1;\n$\n", "unknown view class #XYZ"},
        {"@FRA FRA.FrameName a;\n$\n", "unknown view class @FRA"},
        {"#VIE VIE.ViewID 1;\n@ZZZ\n$\n", "unknown behaviour class @ZZZ"},
        {"#VIE VIE.ViewID 1\n$\n", "VIE.ViewID"},
        {"#VIE VIE.ViewID 1;\n@HIL HIL.BitmapName lit\n@FRA FRA.FrameName x;\n$\n", "HIL.BitmapName runs into"},
        {"#V\n$\n", "class code"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_TRUE(Compile(c.source, &error).empty()) << c.source;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.source << " -> " << error;
    }
}

TEST(FrameworkFrameFile, DecompilerRefusesDamagedFiles) {
    std::vector<std::uint8_t> good = Compile("#VIE VIE.ViewID 1;\n@DRA DRA.MustReturn 1;\n$\n");
    ASSERT_FALSE(good.empty());
    std::string text, error;
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(DecompileFrame(good.data(), cut, &text, &error)) << cut;
    std::vector<std::uint8_t> extra = good;
    extra.push_back(0);
    EXPECT_FALSE(DecompileFrame(extra.data(), extra.size(), &text, &error));
    std::vector<std::uint8_t> huge = good;
    PutInt32(huge.data(), 1000000);
    EXPECT_FALSE(DecompileFrame(huge.data(), huge.size(), &text, &error));
    EXPECT_NE(error.find("view count"), std::string::npos);
    // A name the text form could not carry back.
    std::vector<std::uint8_t> semi = Compile("#BIT BIT.BitmapName ab;\n$\n");
    ASSERT_EQ(semi.size(), 4u + 4 + 36 + 44 + 4);
    semi[4 + 4 + 36 + 8 + 1] = ';';
    EXPECT_FALSE(DecompileFrame(semi.data(), semi.size(), &text, &error));
    EXPECT_NE(error.find("';'"), std::string::npos);
}

class FrameworkLoad : public ::testing::Test {
protected:
    FrameworkLoad() {
        data.Picture("back.bmp", 8, 8, 0x102030);
        data.MediaTable("back;0;0;back.bmp;;\n");
    }
    LFrame* Open(const char* name) { return screen->Manager().CreateFrame(name, 0); }
    std::string LastBox() const { return report.boxes.empty() ? "" : report.boxes.back().text; }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
};

TEST_F(FrameworkLoad, GoodFrameBuildsItsViewTree) {
    data.Frame("Main", "#BIT VIE.ViewID 1; BIT.BitmapName back;\n$\n"
                       "#VIE VIE.ViewID 2; VIE.ViewPosX 10; VIE.ViewPosY 10; VIE.ViewSizeX 20; VIE.ViewSizeY 20; VIE.SuperView 1;\n$\n"
                       "#VIE VIE.ViewID 3; VIE.SuperView 2;\n@DRA DRA.MustReturn 0;\n$\n");
    screen = std::make_unique<FrameworkScreen>(data);
    ASSERT_EQ(screen->InitResult(), 0);
    LFrame* f = Open("main");  // names match without regard to case
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->CountViews(), 3);
    LView* root = f->GetRootView();
    EXPECT_EQ(root->GetViewID(), 1);
    platform::POINT size;
    root->GetSize(&size);
    EXPECT_EQ(size.x, 8);  // a bitmap view without a size takes its bitmap's
    EXPECT_EQ(f->FindViewById(3)->GetSuperView(), f->FindViewById(2));
    EXPECT_EQ(root->FindView(3), f->FindViewById(3));
    EXPECT_EQ(f->FindViewById(3)->CountBehaviors(), 0);
    EXPECT_EQ(f->FindViewById(3)->GetFrame(), f);
    EXPECT_TRUE(report.boxes.empty());
}

TEST_F(FrameworkLoad, DamagedFramesFailWithTheirMessages) {
    std::vector<std::uint8_t> good;
    ASSERT_NO_FATAL_FAILURE(good = Compile("#VIE VIE.ViewID 1;\n$\n#VIE VIE.ViewID 2; VIE.SuperView 1;\n@FRA FRA.FrameName x;\n$\n"));
    auto withCount = [&good](int count) {
        std::vector<std::uint8_t> b = good;
        PutInt32(b.data(), count);
        return b;
    };
    std::vector<std::uint8_t> swapped = good;
    std::memcpy(swapped.data() + 4, "#VIE", 4);
    std::vector<std::uint8_t> unknownBehavior = good;
    std::memcpy(unknownBehavior.data() + 4 + 44 + 40, "ZZZ@", 4);
    // A view code where a behaviour belongs: the view made (and attached to
    // its parent) is thrown away again without leaving a dangling child.
    std::vector<std::uint8_t> viewAsBehavior = Compile("#VIE VIE.ViewID 1;\n$\n#VIE VIE.ViewID 2; VIE.SuperView 1;\n$\n");
    viewAsBehavior.resize(viewAsBehavior.size() - 4);
    viewAsBehavior.insert(viewAsBehavior.end(), {'E', 'I', 'V', '#'});
    for (int v : {9, 0, 0, 5, 5, 1, 1, 0, 0, 0}) Put(viewAsBehavior, v);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;  // text of the message box, "" for none
    } cases[] = {
        {"zero", withCount(0), "damaged"},
        {"negative", withCount(-4), "damaged"},
        {"oversized", withCount(3), "damaged"},
        {"huge", withCount(0x7FFFFFFF), "damaged"},
        {"truncated", std::vector<std::uint8_t>(good.begin(), good.end() - 6), "damaged"},
        {"header", std::vector<std::uint8_t>(good.begin(), good.begin() + 3), "damaged"},
        {"swapped", swapped, "does not know"},
        {"orphan", Compile("#VIE VIE.ViewID 1;\n$\n#VIE VIE.ViewID 2; VIE.SuperView 7;\n$\n"), "damaged"},
        {"rootparent", Compile("#VIE VIE.ViewID 1; VIE.SuperView 1;\n$\n"), "damaged"},
        {"badbehavior", unknownBehavior, ""},
        {"viewasbehavior", viewAsBehavior, ""},
    };
    for (const Case& c : cases) data.RawFrame(c.name, c.bytes);
    screen = std::make_unique<FrameworkScreen>(data);
    ASSERT_EQ(screen->InitResult(), 0);
    for (const Case& c : cases) {
        report.boxes.clear();
        EXPECT_EQ(Open(c.name), nullptr) << c.name;
        if (*c.message) {
            ASSERT_EQ(report.boxes.size(), 1u) << c.name;
            EXPECT_NE(LastBox().find(c.message), std::string::npos) << c.name << ": " << LastBox();
        } else {
            EXPECT_TRUE(report.boxes.empty()) << c.name;
        }
    }
    EXPECT_EQ(screen->Manager().CountFrames(), 0);
    report.boxes.clear();
    EXPECT_EQ(Open("missing"), nullptr);
    EXPECT_NE(LastBox().find("could not be opened"), std::string::npos);
    EXPECT_NE(LastBox().find("missing"), std::string::npos);
}

TEST(FrameworkReader, DefaultExtensionLooksOnlyAtTheName) {
    LFrameReader binary("/data/.hidden/root/", LFrameReader::kBinary);
    EXPECT_EQ(binary.WithDefaultExtension("Menu"), "Menu.fra");
    EXPECT_EQ(binary.WithDefaultExtension("Menu.old"), "Menu.old");
    EXPECT_EQ(binary.WithDefaultExtension("sub.d/Menu"), "sub.d/Menu.fra");
    LFrameReader text("", LFrameReader::kText);
    EXPECT_EQ(text.WithDefaultExtension("Menu"), "Menu.txt");
    EXPECT_EQ(GetFrameReader(), &text);
}

TEST_F(FrameworkLoad, DataRootUnderAHiddenFolderStillGetsTheExtension) {
    std::filesystem::create_directories(data.scratch.Path() / ".hidden" / "2DBIT");
    std::filesystem::create_directories(data.scratch.Path() / ".hidden" / "2DFRA");
    data.scratch.Write(".hidden/2DBIT/Media.txt", "");
    std::vector<std::uint8_t> b = Compile("#VIE VIE.ViewID 1;\n$\n");
    data.scratch.Write(".hidden/2DFRA/Menu.fra", std::string(b.begin(), b.end()));
    LFrameManager manager;
    ASSERT_EQ(manager.Init(nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                           (data.scratch.Path() / ".hidden").string().append("/").c_str(), 0),
              0);
    EXPECT_NE(manager.CreateFrame("Menu", 0), nullptr);
}
