// Scene lists loaded into a real kernel scene from asset files written with
// the demo helpers, and the lent file functions with their map folders.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "demo/lib/AssetScene.h"
#include "lumora/engine/SceneList.h"
#include "zelt/Dmf.h"

namespace {

using demo::AssetScene;

class SceneListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(StartKernel(0, 16), 1);
    }

    void SetUp() override {
        dir = scratch.Path().string() + "/U09/";
        std::filesystem::create_directories(dir + "Static");
        std::filesystem::create_directories(dir + "Anim");
        Write("Box.o3d", [](AssetScene& s) {
            auto* m = s.Material("Red", 200, 40, 40);
            auto* box = s.Box("*Box", {0, 0, 10}, {-5, -5, 0}, {5, 5, 10}, m);
            s.Box("Lid", {0, 0, 10}, {-5, -5, 0}, {5, 5, 1}, m, box);
        });
        Write("Static/COLwall.o3d", [](AssetScene& s) {
            s.Box("Wall", {}, {-50, 0, 0}, {50, 1, 100}, s.Material("Grey", 90, 90, 90));
        });
        Write("Small.o3d", [](AssetScene& s) {
            s.Box("Small", {}, {-1, -1, 0}, {1, 1, 1}, s.Material("Grey", 90, 90, 90));
        });
        Write("Anim/Box.a3d", [](AssetScene& s) {
            s.PositionKeys(s.Animation("*Box", 20), {{0, {0, 0, 10}}, {20, {0, 0, 30}}});
        });
        Write("Cam.c3d", [](AssetScene& s) { s.Camera("Cam", {0, -100, 50}, {0, 0, 10}, 60); });
        Write("Lamp.l3d", [](AssetScene& s) { s.Omni("Lamp", {0, -50, 80}, 255, 255, 255, 1); });
        Write("Room.s3d", [](AssetScene& s) {
            s.Floor("Floor", {0, 0, 10}, 200, 200, s.Material("Tiles", 150, 150, 120));
            s.Camera("RoomCam", {0, -90, 60}, {0, 0, 10}, 60);
        });
        ASSERT_NE(Zelt_Scene_Create(&scene), 0);
        target.m_Scene = scene;
        target.m_Dir = dir.c_str();
        target.m_LoadAnim = [this](const char* file, ZeltObject* object, float speed) {
            animations.push_back({file, object ? object->name : "", speed});
        };
    }

    void TearDown() override {
        if (scene) Zelt_Scene_Release(scene);
        SetKernelMapDirs(nullptr);
    }

    template <class Fn>
    void Write(const std::string& name, Fn fill) {
        AssetScene s;
        fill(s);
        std::string why;
        ASSERT_TRUE(s.Save(dir + name, why)) << why;
    }

    int Parse(const std::string& text) {
        return ParseSceneList(target, text.data(), static_cast<int>(text.size()));
    }

    int ObjectCount() {
        int n = 0;
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) ++n;
        return n;
    }

    struct AnimCall {
        std::string file, object;
        float speed;
    };

    ScratchDir scratch;
    ReportRecorder report;
    std::string dir;
    ZeltScene* scene = nullptr;
    XSceneListTarget target;
    std::vector<AnimCall> animations;
};

TEST_F(SceneListTest, EveryKeywordLoadsItsFile) {
    const std::string list =
        "; the test room\r\n"
        "scene=\"Room.s3d\"\r\n"
        "OBJECT=\"box.O3D\" animation=\"Anim\\Box.a3d,12.5\"  animation=\"Anim\\Box.a3d\"\n"
        "\tObject=\"static\\colwall.o3d\" ; collision only\n"
        "camera=\"Cam.c3d\"light=\"Lamp.l3d\"\n"
        "object=\"Box.o3d\"lod=\"Small.o3d,150\"";
    ASSERT_EQ(Parse(list), 1);
    EXPECT_TRUE(report.boxes.empty());

    ZeltObject* wall = Zelt_Scene_Get_Object(scene, "Wall");
    ASSERT_NE(wall, nullptr);
    EXPECT_TRUE(wall->hidden);  // static\col, in any letter case
    ZeltObject* box = Zelt_Scene_Get_Object(scene, "*Box");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->hidden);

    ASSERT_EQ(animations.size(), 2u);
    EXPECT_FLOAT_EQ(animations[0].speed, 12.5f);
    EXPECT_FLOAT_EQ(animations[1].speed, 30.0f);
    EXPECT_EQ(animations[0].object, "*Box");
    EXPECT_EQ(animations[0].file, dir + "Anim\\Box.a3d");

    // The scene's camera comes first; the camera file adds a second one.
    ZeltCamera* first = Zelt_Scene_Get_First_Camera(scene);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(Zelt_Scene_Get_Next_Camera(scene, first), nullptr);
    // Floor, two boxes with their lids, the wall; the stand-in is not a root of its own.
    EXPECT_EQ(ObjectCount(), 6);
}

TEST_F(SceneListTest, AnimationsWithoutObjectAreIgnoredAndTheKernelLoadsThemAlone) {
    ASSERT_EQ(Parse("animation=\"Anim/Box.a3d\" object=\"Box.o3d\""), 1);
    EXPECT_TRUE(animations.empty());

    // Without a binding hook the file goes to the kernel scene as it is.
    target.m_LoadAnim = nullptr;
    ASSERT_EQ(Parse("object=\"Box.o3d\" animation=\"Anim/Box.a3d,10\""), 1);
    EXPECT_NE(Zelt_Scene_Get_Animation(scene, "*Box"), nullptr);
    EXPECT_TRUE(report.boxes.empty());
    ASSERT_EQ(Parse("object=\"Box.o3d\" animation=\"Anim/None.a3d\""), 1);
    ASSERT_FALSE(report.boxes.empty());  // message 1400, loading goes on
}

TEST_F(SceneListTest, MissingFilesBoxOrFailAsEachKeywordSays) {
    ASSERT_EQ(Parse("camera=\"None.c3d\" light=\"None.l3d\" object=\"Box.o3d\""), 1);
    std::vector<std::string> texts;
    for (const auto& b : report.boxes) texts.push_back(b.text);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error: Can't load camera " + dir + "None.c3d ... \r\n"),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error: Can't load light " + dir + "None.l3d ... \r\n"),
              texts.end());
    EXPECT_NE(Zelt_Scene_Get_Object(scene, "*Box"), nullptr);

    report.boxes.clear();
    EXPECT_EQ(Parse("object=\"None.o3d\" object=\"Box.o3d\""), 0);
    EXPECT_NE(std::find_if(report.boxes.begin(), report.boxes.end(),
                           [&](const RecordedBox& b) { return b.text == "Cannot load the object " + dir + "None.o3d\r\n"; }),
              report.boxes.end());

    report.boxes.clear();
    EXPECT_EQ(Parse("scene=\"None.s3d\""), 0);
    EXPECT_NE(std::find_if(report.boxes.begin(), report.boxes.end(),
                           [](const RecordedBox& b) { return b.text == "Can't load scene \r\n"; }),
              report.boxes.end());

    // A stand-in that cannot be loaded is skipped.
    report.boxes.clear();
    EXPECT_EQ(Parse("object=\"Box.o3d\" lod=\"None.o3d,100\" camera=\"Cam.c3d\""), 1);
    EXPECT_FALSE(report.boxes.empty());
    EXPECT_NE(Zelt_Scene_Get_First_Camera(scene), nullptr);
}

TEST_F(SceneListTest, MalformedTextFailsTheLoad) {
    struct Case {
        std::string text;
        bool box;  // message 100 expected
    };
    const std::string field255(255, 'x'), field256(256, 'x');
    const std::vector<Case> cases = {
        {"objects=\"Box.o3d\"", true},                         // unknown keyword
        {"object=\"Box.o3d\" sound=\"a.wav\"", true},          // unknown after a good entry
        {"lod=\"Small.o3d,10\"", true},                        // no object to stand for
        {"object=\"Box.o3d\" lod=\"Small.o3d\"", true},        // no distance
        {"camera=\"Cam.c3d", true},                            // unclosed at the end
        {"camera=\"Cam.c3d\r\n\"", true},                      // line end inside
        {"camera=\"a,b,c\"", true},                            // three fields
        {"camera=Cam.c3d", true},                              // no quotes
        {"camera=\"" + field256 + "\"", true},                 // field too long
        {"object=\"" + field256 + "\"", false},                // objects fail silently
        {"scene=\"Room.s3d", false},
        {"cam", true},                                         // keyword cut by the end
    };
    for (const Case& c : cases) {
        report.boxes.clear();
        EXPECT_EQ(Parse(c.text), 0) << c.text;
        EXPECT_EQ(report.boxes.size(), c.box ? 1u : 0u) << c.text;
    }
    // 255 characters is the longest field: it is read (and the file is missing).
    report.boxes.clear();
    EXPECT_EQ(Parse("camera=\"" + field255 + "\""), 1);
    ASSERT_FALSE(report.boxes.empty());
    EXPECT_NE(report.boxes.back().text.find(field255), std::string::npos);

    // Comments and blanks alone are an empty, valid list.
    EXPECT_EQ(Parse("  ; nothing here\n;object=\"x.o3d\"\r\n\t"), 1);
    EXPECT_EQ(Parse(";no line end at all"), 1);
}

TEST_F(SceneListTest, LoadSceneFileChoosesByExtensionWithoutChangingThePath) {
    std::string list = "object=\"Box.o3d\" animation=\"Anim\\Box.a3d\"";
    scratch.Write("U09/U09.ZELT", list);
    char path[300];
    std::snprintf(path, sizeof path, "%sU09.zelt", dir.c_str());
    const std::string before = path;
    EXPECT_EQ(LoadSceneFile(target, path), 1);
    EXPECT_EQ(before, path);
    EXPECT_EQ(animations.size(), 1u);

    EXPECT_EQ(LoadSceneFile(target, (dir + "SMALL.O3D").c_str()), 1);
    EXPECT_EQ(LoadSceneFile(target, (dir + "room.S3D").c_str()), 1);
    EXPECT_EQ(LoadSceneFile(target, (dir + "Cam.c3d").c_str()), 0);
    EXPECT_EQ(LoadSceneFile(target, (dir + "Missing.zelt").c_str()), 0);
    EXPECT_EQ(LoadSceneFile(target, nullptr), 0);
}

TEST_F(SceneListTest, TexturesAreSearchedInTheMapFoldersInOrder) {
    std::filesystem::create_directories(dir + "Maps");
    std::filesystem::create_directories(dir + "Extra");
    zelt::DmfImage image;
    image.width = image.height = 2;
    image.texels8 = {1, 2, 3, 4};
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(zelt::DmfSerialize(image, bytes));
    scratch.Write("U09/Extra/WOOD.DMF", std::string(bytes.begin(), bytes.end()));

    XMapDirs maps;
    ASSERT_EQ(maps.Add((dir + "Maps\\").c_str()), 1);
    ASSERT_EQ(maps.Add((dir + "extra\\").c_str()), 1);
    SetKernelMapDirs(&maps);

    void* handle = KernelOpen("wood.dmf", "rb");
    ASSERT_NE(handle, nullptr);
    void* data = nullptr;
    int size = 0;
    ASSERT_EQ(KernelReadAll(handle, &data, &size), 1);
    EXPECT_EQ(size, static_cast<int>(bytes.size()));
    EXPECT_EQ(std::memcmp(data, bytes.data(), bytes.size()), 0);
    KernelClose(handle);

    char found[XMapDirs::kPathSize] = {};
    std::FILE* file = FindInMapDirs("Wood.dmf", maps.m_Count, maps.m_Dirs, found);
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_NE(std::string(found).find("Extra/WOOD.DMF"), std::string::npos);

    // Not in any folder: message 1002 and no handle. Only the first folder: not found.
    EXPECT_EQ(KernelOpen("stone.dmf", "rb"), nullptr);
    EXPECT_EQ(report.boxes.size(), 1u);
    EXPECT_EQ(FindInMapDirs("wood.dmf", 1, maps.m_Dirs, nullptr), nullptr);

    // The list is bounded.
    for (int i = maps.m_Count; i < XMapDirs::kCapacity; ++i) EXPECT_EQ(maps.Add("x/"), 1);
    EXPECT_EQ(maps.Add("one too many/"), 0);
    EXPECT_EQ(maps.Add(std::string(300, 'a').c_str()), 0);
}

TEST_F(SceneListTest, LentFunctionsWriteReadAndCloseOnFailure) {
    void* out = KernelOpen((dir + "Written.bin").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(KernelWrite(out, "abc", 3), 1);
    KernelClose(out);
    EXPECT_EQ(scratch.Read("U09/Written.bin"), "abc");

    // Read back under another letter case.
    void* in = KernelOpen((dir + "WRITTEN.BIN").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    void* data = nullptr;
    int size = 0;
    ASSERT_EQ(KernelReadAll(in, &data, &size), 1);
    EXPECT_EQ(std::string(static_cast<char*>(data), size), "abc");
    KernelClose(in);
    KernelClose(nullptr);

    // A failed read has closed the handle already (the kernel does not close it again).
    in = KernelOpen((dir + "Written.bin").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(KernelReadAll(in, nullptr, &size), 0);
    EXPECT_EQ(KernelReadAll(nullptr, &data, &size), 0);
    EXPECT_EQ(KernelWrite(nullptr, "x", 1), 0);
    EXPECT_EQ(KernelOpen(nullptr, "rb"), nullptr);
}

TEST_F(SceneListTest, EntriesCanBeReadWithoutLoading) {
    std::vector<std::string> seen;
    const std::string text = "scene=\"a.s3d\" ;x\nLOD=\"b.o3d,5\"";
    EXPECT_EQ(ReadSceneListEntries(text.data(), static_cast<int>(text.size()),
                                   [&](const XSceneListEntry& e) {
                                       seen.push_back(std::string(kSceneListKeywords[e.m_Keyword]) + e.m_Field[0] +
                                                      (e.m_FieldCount > 1 ? std::string("|") + e.m_Field[1] : ""));
                                   }),
              1);
    EXPECT_EQ(seen, (std::vector<std::string>{"scene=a.s3d", "lod=b.o3d|5"}));
    EXPECT_EQ(ReadSceneListEntries("bogus=\"a\"", 9, nullptr), 0);
}

}  // namespace
