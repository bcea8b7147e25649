// The scene information tables as stored: "Scene.bin" (chunk "SCENE"),
// "INFOOBJ.BIN" (chunk "OBJECTS", also used by saved games) and
// "INFOACT.BIN" (chunk "ACTIONS"). Records are read and written field by
// field, little-endian; the game and the data-pack builder share them.
//
// Reading is defensive: a count is bounded by what the chunk holds, every
// fixed text comes back terminated, and action records with an id outside
// 0..255 or more than 10 sub-actions are skipped with a debug line.
#pragma once

#include <cstdint>
#include <vector>

class XChunkFile;

// "Scene.bin", chunk "SCENE" (16 bytes).
struct XSceneInfoRecord {
    static constexpr int kSize = 16;
    int m_AmbientRed = 255;  // the low byte is used
    int m_AmbientGreen = 255;
    int m_AmbientBlue = 255;
    float m_Scale = 40.0f;
};

// "Scene.bin", chunk "CAMERA" (16 bytes): the camera pilot's parameters.
struct XCameraInfoRecord {
    static constexpr int kSize = 16;
    float m_Fov = 60.0f;  // degrees
    float m_SphereRadius = 20.0f;
    float m_SphereOffsetZ = 40.0f;
    float m_Speed = 4.0f;
};

// One clickable object, 68 bytes.
struct XObjectInfoRecord {
    static constexpr int kSize = 68;
    static constexpr int kNameSize = 40;
    char m_Name[kNameSize] = {};
    int m_NodeType = 0;     // the event kind actions match
    int m_CursorValue = 0;  // cursor shown over the object
    int m_Visible = 1;
    float m_AnimFrame = 0.0f;
    int m_AnimStopped = 0;
    int m_AnimSpeed = 30;   // frames per second
    int m_AnimLoop = 0;
};

// One sub-action: a type and its 64-byte parameter text.
struct XSubActionRecord {
    static constexpr int kSize = 68;
    static constexpr int kParamSize = 64;
    int m_Type = 0;
    char m_Param[kParamSize] = {};
};

// One action, 1088 bytes.
struct XActionInfoRecord {
    static constexpr int kSize = 1088;
    static constexpr int kNameSize = 30;
    static constexpr int kConditionSize = 258;
    static constexpr int kConditionMax = 255;  // characters
    static constexpr int kObjectNameSize = 32;
    static constexpr int kMaxSubs = 10;
    static constexpr int kMaxId = 255;
    static constexpr int kTriggerCarrying = 7;
    static constexpr int kTriggerClick = 8;
    static constexpr int kReceiverSpeaker = 6;

    int m_Id = 0;
    char m_Name[kNameSize] = {};
    char m_Condition[kConditionSize] = {};
    int m_RepeatLimit = 1;  // 100 or more: never done
    int m_Trigger = kTriggerClick;
    char m_CarriedName[kObjectNameSize] = {};
    int m_Event = 0;
    char m_Sender[kObjectNameSize] = {};
    int m_ReceiverKind = 0;
    char m_Receiver[kObjectNameSize] = {};
    int m_SubCount = 0;
    XSubActionRecord m_Subs[kMaxSubs] = {};
};

// What a table read found.
enum class XTableRead {
    Missing,  // the file has no such chunk
    Empty,    // a count of 0 (or nothing readable)
    Read,     // records were read (possibly fewer than the count said)
};

// Fixed-size byte images of the records.
void EncodeSceneInfo(const XSceneInfoRecord& record, std::uint8_t* out);
XSceneInfoRecord DecodeSceneInfo(const std::uint8_t* in);
void EncodeObjectInfo(const XObjectInfoRecord& record, std::uint8_t* out);
XObjectInfoRecord DecodeObjectInfo(const std::uint8_t* in);
void EncodeActionInfo(const XActionInfoRecord& record, std::uint8_t* out);
XActionInfoRecord DecodeActionInfo(const std::uint8_t* in);

// Chunk "SCENE" of an open file: 1 when it was read into `record`, 0 when
// the chunk is missing or short (record unchanged).
int ReadSceneInfo(XChunkFile& file, XSceneInfoRecord& record);
int WriteSceneInfo(XChunkFile& file, const XSceneInfoRecord& record);
// Chunk "CAMERA" of "Scene.bin", the same way.
int ReadCameraInfo(XChunkFile& file, XCameraInfoRecord& record);
int WriteCameraInfo(XChunkFile& file, const XCameraInfoRecord& record);

// Chunk "OBJECTS" of an open file (a table or a saved game).
XTableRead ReadObjectInfos(XChunkFile& file, std::vector<XObjectInfoRecord>& records);
int WriteObjectInfos(XChunkFile& file, const std::vector<XObjectInfoRecord>& records);

// Chunk "ACTIONS" of an "INFOACT.BIN" file. Invalid records are left out.
XTableRead ReadActionInfos(XChunkFile& file, std::vector<XActionInfoRecord>& records);
int WriteActionInfos(XChunkFile& file, const std::vector<XActionInfoRecord>& records);

// Whole files: the three tables as the scene folder holds them.
// "Scene.bin" gets both of its chunks.
int SaveSceneInfoFile(const char* path, const XSceneInfoRecord& scene, const XCameraInfoRecord& camera);
int SaveObjectInfoFile(const char* path, const std::vector<XObjectInfoRecord>& records);
int SaveActionInfoFile(const char* path, const std::vector<XActionInfoRecord>& records);

// Bounded copy into a fixed text field: at most size - 1 characters, the rest
// zero-filled. Returns 0 when the text had to be cut.
int CopyField(char* field, int size, const char* text);

// Saved game, chunk "CAMERA": the camera pilot's state. Every field is
// written (48 bytes); a chunk of the 36-byte form (up to m_CanMove) is read
// too, the fields after it keeping their values.
struct XCameraStateRecord {
    static constexpr int kSize = 48;
    static constexpr int kShortSize = 36;
    float m_Position[4] = {};  // eye x, y, z and a spare float
    float m_Theta = 0.0f;
    float m_Phi = 1.5707960f;
    float m_SphereRadius = 20.0f;
    float m_SphereOffsetZ = 40.0f;
    int m_CanMove = 1;
    int m_CanTurn = 1;
    int m_Collision = 1;
    float m_Height = 60.0f;
};

// Saved game, chunk "JAUGE" (42 bytes): a running gauge.
struct XGaugeStateRecord {
    static constexpr int kSize = 42;
    static constexpr int kLabelSize = 30;
    char m_Label[kLabelSize] = {};  // comes back terminated
    int m_Visible = 0;
    int m_Duration = 0;  // ms
    int m_Elapsed = 0;   // ms
};

// 1 when the whole chunk was read (record unchanged otherwise).
int ReadCameraState(XChunkFile& file, XCameraStateRecord& record);
int WriteCameraState(XChunkFile& file, const XCameraStateRecord& record);
int ReadGaugeState(XChunkFile& file, XGaugeStateRecord& record);
int WriteGaugeState(XChunkFile& file, const XGaugeStateRecord& record);

// ---- Talking characters -----------------------------------------------------

// "Scene.bin", chunk "SPEAKERS" (count, then 260-byte records): the talking
// characters a scene without a script of its own sets up after loading, one
// XScene::InitSpeaker call each.
struct XSpeakerInfoRecord {
    static constexpr int kNameSize = 64;
    static constexpr int kSize = 4 * kNameSize + 4;
    char m_Object[kNameSize] = {};   // the speaker's object, for example "*U09_05"
    char m_NewName[kNameSize] = {};  // empty: the object keeps its name
    char m_Face[kNameSize] = {};     // the face object, for example "$$$DUMMY.*visage"
    char m_Dir[kNameSize] = {};      // shape folder under the scene folder; empty: "Anim/<object>/"
    int m_Count = 1;                 // 0: rename only, no speaker
};

void EncodeSpeakerInfo(const XSpeakerInfoRecord& record, std::uint8_t* out);
XSpeakerInfoRecord DecodeSpeakerInfo(const std::uint8_t* in);
// Chunk "SPEAKERS" of an open "Scene.bin".
XTableRead ReadSpeakerInfos(XChunkFile& file, std::vector<XSpeakerInfoRecord>& records);
int WriteSpeakerInfos(XChunkFile& file, const std::vector<XSpeakerInfoRecord>& records);
// "Scene.bin" with its two chunks and the speakers.
int SaveSceneInfoFile(const char* path, const XSceneInfoRecord& scene, const XCameraInfoRecord& camera,
                      const std::vector<XSpeakerInfoRecord>& speakers);
