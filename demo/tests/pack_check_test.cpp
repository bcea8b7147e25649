// The pack check: the generated data pack in build/bin/Data holds what the
// game looks up, every scene list loads through the kernel without a single
// box, every name of the tables resolves, the videos play, and building the
// pack again gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "_Universe01.h"
#include "_Universe02.h"
#include "_Universe07.h"
#include "_UniverseScene.h"
#include "cinrey/cinrey.h"
#include "demo/lib/Voice.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"
#include "platform/Bmp.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Time.h"

namespace {

namespace fs = std::filesystem;

using packcheck::ReadAll;
using packcheck::Upper;

class PackCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(StartKernel(0, 16), 1);
    }

    void SetUp() override {
        root = fs::path(std::getenv("LUMORA_BIN")) / "Data";
        ASSERT_TRUE(fs::exists(root / "APP.BIN")) << "build the data target first: " << root;
        SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
            boxes.push_back(text);
            return 1;
        });
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetKernelMapDirs(nullptr);
    }

    std::string Resolve(const std::string& dir, const std::string& name) {
        return platform::ResolvePath(dir, name);
    }

    fs::path root;
    std::vector<std::string> boxes;
};

TEST_F(PackCheck, RootFilesAreThere) {
    char first[64] = {};
    platform::GetPrivateProfileString("SCENE", "FIRST", "", first, sizeof first, (root / "APP.CFG").c_str());
    ASSERT_STRNE(first, "");
    EXPECT_LE(std::strlen(first), 19u);
    const std::string list = first;
    EXPECT_NE(Resolve(root.string(), list.substr(0, 3) + "/" + list), "") << list;

    for (const char* name : {"2dbit/Intro1.bmp", "2DBIT/INTRO2.BMP"}) {
        const std::string path = Resolve(root.string(), name);
        ASSERT_NE(path, "") << name;
        platform::BmpImage image;
        std::string error;
        ASSERT_TRUE(platform::ReadBmpFile(path.c_str(), &image, &error)) << error;
        EXPECT_EQ(image.width, 640);
        EXPECT_EQ(image.height, 480);
    }
}

TEST_F(PackCheck, EverySceneListLoadsAndEveryNameResolves) {
    int lists = 0;
    for (const auto& folder : fs::directory_iterator(root)) {
        if (!folder.is_directory()) continue;
        for (const platform::DirEntry& entry : platform::ListDirectory(folder.path().string(), "*.zelt")) {
            const std::string& listName = entry.name;
            SCOPED_TRACE(listName);
            ++lists;
            boxes.clear();
            const std::string dir = folder.path().string() + "/";
            // The start universe's list takes its entries and maps from
            // universe 4's folder; its tables stay in its own.
            const bool start = Upper(listName) == "U00.ZELT";
            const std::string sceneDir = start ? Resolve(root.string(), "U04") + "/" : dir;
            const std::string text = ReadAll(dir + listName);
            // Every file the list names exists.
            std::set<std::string> named;
            ASSERT_EQ(ReadSceneListEntries(text.data(), static_cast<int>(text.size()),
                                           [&](const XSceneListEntry& e) { named.insert(e.m_Field[0]); }),
                      1);
            for (const std::string& file : named) EXPECT_NE(Resolve(sceneDir, file), "") << file;

            // The kernel loads it: objects, animations, cameras, lights, textures.
            ZeltScene* scene = nullptr;
            ASSERT_NE(Zelt_Scene_Create(&scene), 0);
            XMapDirs maps;
            maps.Add((sceneDir + "Maps\\").c_str());
            SetKernelMapDirs(&maps);
            std::vector<std::string> animations;
            XSceneListTarget target;
            target.m_Scene = scene;
            target.m_Dir = sceneDir.c_str();
            target.m_LoadAnim = [&](const char* file, ZeltObject*, float) {
                ZeltAnimation* anim = nullptr;
                EXPECT_NE(Zelt_Load_Sdk_a3d(scene, file, &anim), 0) << file;
                if (anim) animations.push_back(anim->name);
            };
            EXPECT_EQ(LoadSceneFile(target, (dir + listName).c_str()), 1);
            EXPECT_TRUE(boxes.empty()) << boxes.front();
            EXPECT_NE(Zelt_Scene_Get_First_Camera(scene), nullptr);
            // The station's script renames objects after loading; painting
            // lists ("U01D.ZELT") hold the scenery only, without the tables.
            if (Upper(listName) == "U01.ZELT") u01::ApplyRepairs(scene);
            if (Upper(listName) == "U02.ZELT") u02::ApplyRepairs(scene);
            // Paris's script names its grille.
            if (Upper(listName) == "U05.ZELT")
                if (ZeltObject* grille = Zelt_Scene_Get_Object(scene, "Grille01"))
                    std::snprintf(grille->name, sizeof grille->name, "*U05_08");
            if (Upper(listName) == "U07.ZELT") u07::ApplyRenames(scene);
            // The garden's script names the jam pot, the bucket and the flower bed.
            if (Upper(listName) == "U04.ZELT")
                for (const auto& [from, to] : {std::pair{"*pot confi", "*U04_53"}, std::pair{"*U04_05t", "*U04_05"},
                                               std::pair{"Massif1", "*U04_51"}, std::pair{"Massif2", "*U04_51"},
                                               std::pair{"Massif3", "*U04_51"}, std::pair{"Massif4", "*U04_51"},
                                               std::pair{"Massif5", "*U04_51"}}) {
                    ZeltObject* o = Zelt_Scene_Get_Object(scene, from);
                    ASSERT_NE(o, nullptr) << from;
                    std::snprintf(o->name, sizeof o->name, "%s", to);
                }
            // The start universe names the painter's pair of glasses and the other.
            if (start)
                for (const char* name : {"*U04_81", "*U04_80"}) {
                    ZeltObject* glasses = Zelt_Scene_Get_Object(scene, "*Lunettes0");
                    ASSERT_NE(glasses, nullptr) << name;
                    std::snprintf(glasses->name, sizeof glasses->name, "%s", name);
                }
            if (Upper(listName).size() > 6 && Upper(listName).substr(Upper(listName).size() - 6) == "D.ZELT") {
                Zelt_Scene_Release(scene);
                SetKernelMapDirs(nullptr);
                continue;
            }
            std::set<std::string> objects;
            for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o))
                objects.insert(Upper(o->name));

            // "Scene.bin" holds both chunks.
            EXPECT_TRUE(packcheck::ReadSceneRecords(dir).read) << dir;

            // The tables name objects of the scene, and sounds and animations that exist.
            auto file = std::make_unique<XChunkFile>();
            std::vector<XObjectInfoRecord> records;
            ASSERT_EQ(file->Open(Resolve(dir, "INFOOBJ.BIN").c_str(), 0), 1);
            ASSERT_EQ(ReadObjectInfos(*file, records), XTableRead::Read);
            file->Close();
            std::set<std::string> clickable;
            for (const auto& r : records) {
                EXPECT_EQ(objects.count(Upper(r.m_Name)), 1u) << r.m_Name;
                clickable.insert(Upper(r.m_Name));
            }
            std::vector<XActionInfoRecord> actions;
            ASSERT_EQ(file->Open(Resolve(dir, "INFOACT.BIN").c_str(), 0), 1);
            ASSERT_EQ(ReadActionInfos(*file, actions), XTableRead::Read);
            file->Close();
            for (const auto& a : actions) {
                EXPECT_EQ(clickable.count(Upper(a.m_Sender)), 1u) << a.m_Name;
                EXPECT_EQ(clickable.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
                for (int s = 0; s < a.m_SubCount; ++s) {
                    const XSubActionRecord& sub = a.m_Subs[s];
                    if (sub.m_Type == 1 || sub.m_Type == 12 || sub.m_Type == 13 || sub.m_Type == 101) {
                        EXPECT_NE(Resolve(dir, std::string("Sound/") + sub.m_Param + ".WAV"), "") << sub.m_Param;
                    }
                    if (sub.m_Type == 4) {
                        EXPECT_TRUE(std::any_of(animations.begin(), animations.end(), [&](const std::string& n) {
                            return Upper(n).find(Upper(sub.m_Param)) != std::string::npos;
                        })) << sub.m_Param;
                    }
                }
            }
            Zelt_Scene_Release(scene);
            SetKernelMapDirs(nullptr);
        }
    }
    EXPECT_GE(lists, 1);
}

TEST_F(PackCheck, VideosPlayToTheirEnd) {
    platform::SetFixedClock(40);
    int videos = 0;
    for (const platform::DirEntry& entry : platform::ListDirectory((root / "Video").string(), "*.avi")) {
        const std::string& name = entry.name;
        SCOPED_TRACE(name);
        ++videos;
        ASSERT_EQ(Cinrey_Open((root / "Video" / name).c_str()), 0);
        ASSERT_EQ(Cinrey_Play(0, 0), 0);
        int frames = 0;
        while (Cinrey_Status() != CINREY_ENDED && frames < 10000) ++frames;
        EXPECT_GT(frames, 10);
        Cinrey_Close();
        // Its wave: its own, or for a travel video the shared "s6_1".
        const std::string stem = name.substr(0, name.size() - 4);
        const bool travel = Upper(stem) == "GIVPARIS";
        EXPECT_NE(Resolve((root / "Video").string(), travel ? std::string("s6_1.wav") : stem + ".wav"), "");
    }
    EXPECT_GE(videos, 1);
}

// Loudness (RMS, 0..32767) of `seconds` of a wave from `from` seconds on.
double Loudness(const demo::Sound& s, double from, double seconds) {
    const std::size_t begin = static_cast<std::size_t>(from * s.rate);
    const std::size_t end = std::min(s.samples.size(), static_cast<std::size_t>((from + seconds) * s.rate));
    if (end <= begin) return 0;
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(s.samples[i]) * s.samples[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

// The prologue is eight seconds of pictures with music that lasts as long,
// fades in and out and is heard throughout; the travel wave knocks at every
// rail joint and loops without a click.
TEST_F(PackCheck, ThePrologueAndTheTravelWave) {
    platform::SetFixedClock(40);
    ASSERT_EQ(Cinrey_Open((root / "Video" / "Prologue.AVI").c_str()), 0);
    ASSERT_EQ(Cinrey_Play(0, 0), 0);
    int frames = 0;
    while (Cinrey_Status() != CINREY_ENDED && frames < 10000) ++frames;
    Cinrey_Close();
    EXPECT_GE(frames, 72);
    EXPECT_LE(frames, 121);

    demo::Sound music;
    ASSERT_TRUE(demo::ReadWave((root / "Video" / "Prologue.wav").string(), music));
    const double seconds = static_cast<double>(music.samples.size()) / music.rate;
    EXPECT_NEAR(seconds, frames / 12.0, 0.2) << "the music lasts as long as the pictures";
    EXPECT_LT(Loudness(music, 0, 0.02), 300);
    EXPECT_LT(Loudness(music, seconds - 0.02, 0.02), 300);
    for (double at = 0.5; at + 0.5 < seconds - 0.5; at += 0.5) EXPECT_GT(Loudness(music, at, 0.5), 1500) << at;

    demo::Sound rail;
    ASSERT_TRUE(demo::ReadWave((root / "Video" / "s6_1.wav").string(), rail));
    const double railSeconds = static_cast<double>(rail.samples.size()) / rail.rate;
    EXPECT_GE(railSeconds, 4.0);
    EXPECT_LT(std::abs(rail.samples.front()) + std::abs(rail.samples.back()), 200);
    // Loud 20 ms windows (the knocks) come in groups, with quiet between them.
    int knocks = 0;
    bool loud = false;
    double quietest = 1e9;
    for (double at = 0; at + 0.02 < railSeconds; at += 0.02) {
        const double l = Loudness(rail, at, 0.02);
        quietest = std::min(quietest, l);
        const bool now = l > 6000;
        knocks += now && !loud;
        loud = now;
    }
    EXPECT_GE(knocks, static_cast<int>(railSeconds / 0.9));
    EXPECT_LT(quietest, 4000);
}

TEST_F(PackCheck, BuildingAgainGivesTheSameBytes) {
    const fs::path again = fs::temp_directory_path() / ("pack-" + std::to_string(std::random_device{}()));
    const std::string command = (fs::path(std::getenv("LUMORA_BIN")) / "lumora-pack").string() + " " + again.string() +
                                " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> differ;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path rel = fs::relative(entry.path(), root);
        if (!fs::exists(again / rel) || ReadAll(entry.path()) != ReadAll(again / rel)) differ.push_back(rel.string());
    }
    fs::remove_all(again);
    EXPECT_GT(files, 10);
    std::string all;
    for (const auto& d : differ) all += d + " ";
    EXPECT_TRUE(differ.empty()) << all;
}

}  // namespace
