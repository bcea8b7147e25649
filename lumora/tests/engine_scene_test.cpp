// Scenes on the test rooms of the data pack: loading, object look-ups, the
// name conventions, the object table of a new visit and the scene file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "_ShellTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/MessageTable.h"

namespace fs = std::filesystem;

namespace {

std::string BinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(BinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }

    // A scene of the folder `dir` (data root + "Uxx/") with its kernel scene made.
    void Make(const std::string& dir) {
        std::snprintf(scene.m_Dir, sizeof scene.m_Dir, "%s", dir.c_str());
        ASSERT_EQ(Zelt_Scene_Create(&scene.m_Scene), 1);
        scene.CreateTrees();
        scene.AddMapDir((dir + "Maps\\").c_str());
    }

    std::string U09() const { return (fs::path(BinDir()) / "Data" / "U09").string() + "/"; }

    ReportRecorder recorder;
    XScene scene;
};

}  // namespace

TEST_F(SceneTest, LooksObjectsUpExactlyOrByPartOfTheName) {
    Make(U09());
    ASSERT_EQ(scene.Load("U09.ZELT"), 1);
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_NE(scene.m_Scene->activeCamera, nullptr);

    ZeltObject* door = scene.FindObject("*U09_03", 1);
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(scene.FindObject("*u09_03", 1), door) << "letter case does not count";
    EXPECT_EQ(scene.FindObject("u09_03", 0), door);
    EXPECT_EQ(scene.FindObject("u09_03", 1), nullptr);
    EXPECT_EQ(scene.FindObject("", 0), nullptr) << "an empty name matches nothing inexactly";
    EXPECT_EQ(scene.FindObject("no such thing", 0), nullptr);

    // The painter's face is a child: found in the tree under the painter.
    ZeltObject* face = scene.FindObject("$$$DUMMY.*visage", 1);
    ASSERT_NE(face, nullptr);
    EXPECT_NE(face->parent, nullptr);
    EXPECT_STREQ(scene.FindActionObject(face)->name, face->name) << "its own name holds the star";
    ZeltObject* head = scene.FindObject("TETE", 1);
    ASSERT_NE(head, nullptr);
    ZeltObject* carrier = scene.FindActionObject(head);
    ASSERT_NE(carrier, nullptr);
    EXPECT_NE(std::strchr(carrier->name, '*'), nullptr);
}

TEST_F(SceneTest, BillboardNamesTurnToTheCameraAndKeepTheirClickablePart) {
    Make(U09());
    ASSERT_EQ(scene.Load("U09.ZELT"), 1);
    ZeltObject* vase = scene.FindObject("*U09_01", 1);
    ASSERT_NE(vase, nullptr);
    std::strcpy(vase->name, "lamp$XZ$*U02_05");
    ZeltObject* clock = scene.FindObject("*U09_02", 1);
    ASSERT_NE(clock, nullptr);
    std::strcpy(clock->name, "Tree$Z$");
    const int before = TotalObjectCount();
    scene.ApplyNameConventions();
    EXPECT_STREQ(vase->name, "*U02_05");
    EXPECT_STREQ(clock->name, "Tree$Z$") << "no star: the name stays";
    EXPECT_GT(TotalObjectCount(), before + 4) << "children are counted too";
}

TEST_F(SceneTest, NewVisitAppliesTheObjectTable) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().string() + "/U09/";
    fs::copy(U09(), dir, fs::copy_options::recursive);
    // One record in other letter case, one hidden, one naming nothing, and
    // the same object twice (the second wins).
    std::vector<XObjectInfoRecord> records(4);
    std::strcpy(records[0].m_Name, "*u09_01");
    records[0].m_CursorValue = 1;
    std::strcpy(records[1].m_Name, "*U09_02");
    records[1].m_Visible = 0;
    std::strcpy(records[2].m_Name, "*U09_77");
    std::strcpy(records[3].m_Name, "*U09_01");
    records[3].m_CursorValue = 5;
    ASSERT_EQ(SaveObjectInfoFile((dir + "INFOOBJ.BIN").c_str(), records), 1);

    Make(dir);
    ASSERT_EQ(scene.Load("U09.ZELT"), 1);
    ASSERT_EQ(scene.RestoreState(nullptr), 1);
    ZeltObject* vase = scene.FindObject("*U09_01", 1);
    ASSERT_NE(vase, nullptr);
    EXPECT_STREQ(vase->name, "*U09_01") << "the last record's letter case";
    EXPECT_EQ(scene.GetCursorValue(vase), 5);
    ZeltObject* clock = scene.FindObject("*U09_02", 1);
    ASSERT_NE(clock, nullptr);
    EXPECT_NE(clock->hidden, 0);
    bool reported = false;
    for (const std::string& line : recorder.debugLines)
        if (line.find("XScene::InitInfoObj: Object *U09_77 not be found") != std::string::npos) reported = true;
    EXPECT_TRUE(reported);
}

TEST_F(SceneTest, SceneFileGivesAmbientAndScale) {
    Make(U09());
    ASSERT_EQ(scene.LoadSceneInfo(), 1);
    EXPECT_EQ(scene.m_Ambient[0], 110);
    EXPECT_EQ(scene.m_Ambient[1], 100);
    EXPECT_EQ(scene.m_Ambient[2], 90);
    EXPECT_FLOAT_EQ(scene.m_Scale, 40.0f);

    XScene bare;
    ScratchDir empty;
    std::snprintf(bare.m_Dir, sizeof bare.m_Dir, "%s/", empty.Path().string().c_str());
    ASSERT_EQ(bare.LoadSceneInfo(), 1);
    EXPECT_EQ(bare.m_Ambient[0], 255);
    EXPECT_EQ(bare.m_Ambient[2], 255);
    EXPECT_FLOAT_EQ(bare.m_Scale, 40.0f);
}

TEST(SceneFactory, UniverseNumbersComeFromTheListName) {
    EXPECT_EQ(UniverseOfList("U07.ZELT"), 7);
    EXPECT_EQ(UniverseOfList("U33.ZELT"), 33);
    EXPECT_EQ(UniverseOfList("U00.ZELT"), 0);
    EXPECT_EQ(UniverseOfList("U"), 0);
    XScene* scene = CreateScene(33);
    ASSERT_NE(scene, nullptr);
    delete scene;
}
