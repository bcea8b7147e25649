// The scene information tables: byte layout, round trips through chunk
// files, and damaged files (counts, ids, sub-action counts, texts).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "_ShellTestSupport.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/shell/ChunkFile.h"

namespace {

XActionInfoRecord SampleAction(int id) {
    XActionInfoRecord a;
    a.m_Id = id;
    CopyField(a.m_Name, sizeof a.m_Name, "OpenDoor");
    CopyField(a.m_Condition, sizeof a.m_Condition, "(3)&!m4");
    a.m_RepeatLimit = 100;
    a.m_Trigger = XActionInfoRecord::kTriggerCarrying;
    CopyField(a.m_CarriedName, sizeof a.m_CarriedName, "U04_80");
    a.m_Event = 20;
    CopyField(a.m_Sender, sizeof a.m_Sender, "*U09_03");
    a.m_ReceiverKind = XActionInfoRecord::kReceiverSpeaker;
    CopyField(a.m_Receiver, sizeof a.m_Receiver, "*U09_01");
    a.m_SubCount = 10;
    for (int i = 0; i < 10; ++i) {
        a.m_Subs[i].m_Type = i + 1;
        std::snprintf(a.m_Subs[i].m_Param, sizeof a.m_Subs[i].m_Param, "param%d", i);
    }
    return a;
}

bool SameAction(const XActionInfoRecord& a, const XActionInfoRecord& b) {
    std::uint8_t ea[XActionInfoRecord::kSize], eb[XActionInfoRecord::kSize];
    EncodeActionInfo(a, ea);
    EncodeActionInfo(b, eb);
    return std::memcmp(ea, eb, sizeof ea) == 0;
}

std::int32_t IntAt(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Writes one chunk of raw bytes.
void WriteChunk(const std::string& path, const char* name, const std::vector<std::uint8_t>& bytes) {
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(path.c_str(), 1), 1);
    ASSERT_EQ(file->BeginWriteChunk(name), 1);
    if (!bytes.empty()) {
        ASSERT_EQ(file->Write(bytes.data(), static_cast<unsigned>(bytes.size())), 1);
    }
    file->EndWriteChunk();
    ASSERT_EQ(file->Close(), 1);
}

std::unique_ptr<XChunkFile> OpenForReading(const std::string& path) {
    auto file = std::make_unique<XChunkFile>();
    EXPECT_EQ(file->Open(path.c_str(), 0), 1);
    return file;
}

void PutCount(std::vector<std::uint8_t>& bytes, std::int32_t count) {
    bytes.resize(bytes.size() + 4);
    std::memcpy(bytes.data() + bytes.size() - 4, &count, 4);
}

TEST(InfoTables, RecordsHaveTheStoredLayout) {
    XObjectInfoRecord o;
    CopyField(o.m_Name, sizeof o.m_Name, "*U09_01");
    o.m_NodeType = 20;
    o.m_CursorValue = 2;
    o.m_Visible = 0;
    o.m_AnimFrame = 12.5f;
    o.m_AnimStopped = 1;
    o.m_AnimSpeed = 15;
    o.m_AnimLoop = 1;
    std::uint8_t ob[XObjectInfoRecord::kSize];
    EncodeObjectInfo(o, ob);
    EXPECT_STREQ(reinterpret_cast<char*>(ob), "*U09_01");
    EXPECT_EQ(IntAt(ob + 40), 20);
    EXPECT_EQ(IntAt(ob + 44), 2);
    EXPECT_EQ(IntAt(ob + 48), 0);
    float frame;
    std::memcpy(&frame, ob + 52, 4);
    EXPECT_EQ(frame, 12.5f);
    EXPECT_EQ(IntAt(ob + 56), 1);
    EXPECT_EQ(IntAt(ob + 60), 15);
    EXPECT_EQ(IntAt(ob + 64), 1);

    std::uint8_t ab[XActionInfoRecord::kSize];
    EncodeActionInfo(SampleAction(7), ab);
    EXPECT_EQ(IntAt(ab), 7);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 4), "OpenDoor");
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 34), "(3)&!m4");
    EXPECT_EQ(IntAt(ab + 292), 100);
    EXPECT_EQ(IntAt(ab + 296), 7);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 300), "U04_80");
    EXPECT_EQ(IntAt(ab + 332), 20);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 336), "*U09_03");
    EXPECT_EQ(IntAt(ab + 368), 6);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 372), "*U09_01");
    EXPECT_EQ(IntAt(ab + 404), 10);
    EXPECT_EQ(IntAt(ab + 408), 1);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 412), "param0");
    EXPECT_EQ(IntAt(ab + 408 + 9 * 68), 10);
    EXPECT_STREQ(reinterpret_cast<char*>(ab + 412 + 9 * 68), "param9");

    XSceneInfoRecord s{10, 20, 300, 40.0f};
    std::uint8_t sb[16];
    EncodeSceneInfo(s, sb);
    EXPECT_EQ(IntAt(sb + 8), 300);
    const XSceneInfoRecord back = DecodeSceneInfo(sb);
    EXPECT_EQ(back.m_AmbientBlue, 300);
    EXPECT_EQ(back.m_Scale, 40.0f);
}

TEST(InfoTables, FilesRoundTrip) {
    ScratchDir dir;
    XSceneInfoRecord scene{90, 80, 70, 40.0f};
    XCameraInfoRecord camera{55.0f, 20.0f, 37.0f, 3.5f};
    ASSERT_EQ(SaveSceneInfoFile(dir.File("Scene.bin").c_str(), scene, camera), 1);
    auto file = OpenForReading(dir.File("SCENE.BIN"));
    XSceneInfoRecord sceneBack;
    XCameraInfoRecord cameraBack;
    ASSERT_EQ(ReadSceneInfo(*file, sceneBack), 1);
    ASSERT_EQ(ReadCameraInfo(*file, cameraBack), 1);
    EXPECT_EQ(sceneBack.m_AmbientGreen, 80);
    EXPECT_EQ(cameraBack.m_SphereOffsetZ, 37.0f);
    EXPECT_EQ(cameraBack.m_Speed, 3.5f);
    file->Close();

    std::vector<XObjectInfoRecord> objects(2);
    CopyField(objects[0].m_Name, 40, "*U09_01");
    CopyField(objects[1].m_Name, 40, "*U09_03");
    objects[1].m_AnimFrame = 7.25f;
    ASSERT_EQ(SaveObjectInfoFile(dir.File("INFOOBJ.BIN").c_str(), objects), 1);
    std::vector<XObjectInfoRecord> objectsBack;
    file = OpenForReading(dir.File("infoobj.bin"));
    ASSERT_EQ(ReadObjectInfos(*file, objectsBack), XTableRead::Read);
    ASSERT_EQ(objectsBack.size(), 2u);
    EXPECT_STREQ(objectsBack[1].m_Name, "*U09_03");
    EXPECT_EQ(objectsBack[1].m_AnimFrame, 7.25f);
    file->Close();

    std::vector<XActionInfoRecord> actions = {SampleAction(0), SampleAction(255)};
    ASSERT_EQ(SaveActionInfoFile(dir.File("INFOACT.BIN").c_str(), actions), 1);
    std::vector<XActionInfoRecord> actionsBack;
    file = OpenForReading(dir.File("INFOACT.BIN"));
    ASSERT_EQ(ReadActionInfos(*file, actionsBack), XTableRead::Read);
    ASSERT_EQ(actionsBack.size(), 2u);
    EXPECT_TRUE(SameAction(actions[0], actionsBack[0]));
    EXPECT_TRUE(SameAction(actions[1], actionsBack[1]));
    // A table file has no other chunk.
    EXPECT_EQ(ReadObjectInfos(*file, objectsBack), XTableRead::Missing);
    EXPECT_EQ(ReadSceneInfo(*file, sceneBack), 0);
    file->Close();
}

TEST(InfoTables, DamagedCountsAreBoundedByTheChunk) {
    ScratchDir dir;
    ReportRecorder report;
    std::uint8_t record[XObjectInfoRecord::kSize];
    XObjectInfoRecord o;
    CopyField(o.m_Name, 40, "*A");
    EncodeObjectInfo(o, record);

    struct Case {
        std::int32_t count;
        int stored;
        XTableRead result;
        std::size_t read;
    };
    const Case cases[] = {
        {1000, 2, XTableRead::Read, 2},   // more than the chunk holds
        {2, 2, XTableRead::Read, 2},
        {1, 2, XTableRead::Read, 1},      // fewer: the count wins
        {0, 2, XTableRead::Empty, 0},
        {-5, 2, XTableRead::Empty, 0},
        {3, 0, XTableRead::Empty, 0},     // a count and nothing else
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes;
        PutCount(bytes, c.count);
        for (int i = 0; i < c.stored; ++i) bytes.insert(bytes.end(), record, record + sizeof record);
        // Half a record at the end is not a record.
        bytes.insert(bytes.end(), record, record + 30);
        WriteChunk(dir.File("INFOOBJ.BIN"), "OBJECTS", bytes);
        std::vector<XObjectInfoRecord> back;
        auto file = OpenForReading(dir.File("INFOOBJ.BIN"));
        EXPECT_EQ(ReadObjectInfos(*file, back), c.result) << c.count;
        EXPECT_EQ(back.size(), c.read) << c.count;
        file->Close();
    }
    EXPECT_FALSE(report.debugLines.empty());

    // A chunk too short for its count.
    WriteChunk(dir.File("INFOACT.BIN"), "ACTIONS", {1, 0});
    std::vector<XActionInfoRecord> actions;
    auto file = OpenForReading(dir.File("INFOACT.BIN"));
    EXPECT_EQ(ReadActionInfos(*file, actions), XTableRead::Empty);
    file->Close();
}

TEST(InfoTables, InvalidActionsAreSkippedAndTextsTerminated) {
    ScratchDir dir;
    ReportRecorder report;
    std::vector<XActionInfoRecord> actions = {SampleAction(3), SampleAction(256), SampleAction(-1), SampleAction(4),
                                              SampleAction(5)};
    actions[3].m_SubCount = 11;
    actions[4].m_SubCount = -2;
    std::vector<std::uint8_t> bytes;
    PutCount(bytes, static_cast<std::int32_t>(actions.size()) + 1);
    std::uint8_t record[XActionInfoRecord::kSize];
    for (const auto& a : actions) {
        EncodeActionInfo(a, record);
        bytes.insert(bytes.end(), record, record + sizeof record);
    }
    // A last record whose texts fill their fields without a terminator.
    EncodeActionInfo(SampleAction(9), record);
    std::memset(record + 4, 'N', 30);
    std::memset(record + 34, 'C', 258);
    std::memset(record + 336, 'S', 32);
    std::memset(record + 412, 'P', 64);
    bytes.insert(bytes.end(), record, record + sizeof record);
    WriteChunk(dir.File("INFOACT.BIN"), "ACTIONS", bytes);

    std::vector<XActionInfoRecord> back;
    auto file = OpenForReading(dir.File("INFOACT.BIN"));
    ASSERT_EQ(ReadActionInfos(*file, back), XTableRead::Read);
    file->Close();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].m_Id, 3);
    EXPECT_EQ(back[1].m_Id, 9);
    EXPECT_EQ(std::strlen(back[1].m_Name), 29u);
    EXPECT_EQ(std::strlen(back[1].m_Condition), 255u);
    EXPECT_EQ(std::strlen(back[1].m_Sender), 31u);
    EXPECT_EQ(std::strlen(back[1].m_Subs[0].m_Param), 63u);
    int skipped = 0;
    for (const auto& line : report.debugLines)
        if (line.find("skipped") != std::string::npos) ++skipped;
    EXPECT_EQ(skipped, 4);

    // Long texts given to the writer are cut, never overflow.
    XActionInfoRecord a;
    EXPECT_EQ(CopyField(a.m_Name, sizeof a.m_Name, std::string(40, 'x').c_str()), 0);
    EXPECT_EQ(std::strlen(a.m_Name), 29u);
    EXPECT_EQ(CopyField(a.m_Name, sizeof a.m_Name, "short"), 1);
}

TEST(InfoTables, SceneChunksShortOrMissingLeaveTheRecord) {
    ScratchDir dir;
    WriteChunk(dir.File("Scene.bin"), "SCENE", {1, 2, 3});
    XSceneInfoRecord scene;
    XCameraInfoRecord camera;
    auto file = OpenForReading(dir.File("Scene.bin"));
    EXPECT_EQ(ReadSceneInfo(*file, scene), 0);
    EXPECT_EQ(ReadCameraInfo(*file, camera), 0);
    file->Close();
    EXPECT_EQ(scene.m_AmbientRed, 255);
    EXPECT_EQ(scene.m_Scale, 40.0f);
    EXPECT_EQ(camera.m_Fov, 60.0f);
}

}  // namespace
