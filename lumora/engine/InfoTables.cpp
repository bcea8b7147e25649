#include "lumora/engine/InfoTables.h"

#include <cstring>
#include <memory>

#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"

namespace {

void PutInt(std::uint8_t*& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v >> 16);
    out[3] = static_cast<std::uint8_t>(v >> 24);
    out += 4;
}

void PutFloat(std::uint8_t*& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutInt(out, static_cast<std::int32_t>(bits));
}

// Writes the field's bytes as they are, but never past its terminator: the
// bytes after the text are zero so files are reproducible.
void PutText(std::uint8_t*& out, const char* field, int size) {
    const std::size_t length = strnlen(field, static_cast<std::size_t>(size));
    std::memset(out, 0, static_cast<std::size_t>(size));
    std::memcpy(out, field, length < static_cast<std::size_t>(size) ? length : static_cast<std::size_t>(size) - 1);
    out += size;
}

std::int32_t GetInt(const std::uint8_t*& in) {
    const std::uint32_t v = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
                            static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
    in += 4;
    return static_cast<std::int32_t>(v);
}

float GetFloat(const std::uint8_t*& in) {
    const auto bits = static_cast<std::uint32_t>(GetInt(in));
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// Copies a stored text and terminates it within `keep` characters.
void GetText(const std::uint8_t*& in, char* field, int size, int keep) {
    std::memcpy(field, in, static_cast<std::size_t>(size));
    field[keep < size ? keep : size - 1] = '\0';
    in += size;
}

// Reads the count and as many whole records as the chunk holds. Returns the
// record bytes, or Missing/Empty.
XTableRead ReadTable(XChunkFile& file, const char* chunk, int recordSize, std::vector<std::uint8_t>& bytes,
                     int& count) {
    count = 0;
    if (!file.BeginReadChunk(chunk)) return XTableRead::Missing;
    const std::uint32_t length = file.m_Dir[file.m_Current].length;
    std::uint8_t countBytes[4];
    if (length < 4 || !file.Read(countBytes, 4)) {
        file.EndReadChunk();
        return XTableRead::Empty;
    }
    const std::uint8_t* p = countBytes;
    const std::int32_t stored = GetInt(p);
    const std::uint32_t fits = (length - 4) / static_cast<std::uint32_t>(recordSize);
    if (stored <= 0) {
        if (stored < 0) DebugOut("Table %s: count %i refused", chunk, stored);
        file.EndReadChunk();
        return XTableRead::Empty;
    }
    count = stored;
    if (static_cast<std::uint32_t>(stored) > fits) {
        DebugOut("Table %s: count %i but room for %u records", chunk, stored, fits);
        count = static_cast<int>(fits);
    }
    bytes.assign(static_cast<std::size_t>(count) * static_cast<std::size_t>(recordSize), 0);
    if (count > 0 && !file.Read(bytes.data(), static_cast<int>(bytes.size()))) count = 0;
    file.EndReadChunk();
    return count > 0 ? XTableRead::Read : XTableRead::Empty;
}

int WriteTable(XChunkFile& file, const char* chunk, const std::vector<std::uint8_t>& bytes, int count) {
    std::uint8_t countBytes[4];
    std::uint8_t* p = countBytes;
    PutInt(p, count);
    int ok = file.BeginWriteChunk(chunk) && file.Write(countBytes, 4) &&
             (bytes.empty() || file.Write(bytes.data(), static_cast<unsigned>(bytes.size())));
    return file.EndWriteChunk() && ok ? 1 : 0;
}

// A chunk of a known size: all of it or nothing.
bool ReadFixedChunk(XChunkFile& file, const char* chunk, std::uint8_t* bytes, std::uint32_t size) {
    if (!file.BeginReadChunk(chunk)) return false;
    const bool whole = file.m_Dir[file.m_Current].length >= size && file.Read(bytes, static_cast<int>(size));
    file.EndReadChunk();
    return whole;
}

int WriteFixedChunk(XChunkFile& file, const char* chunk, const std::uint8_t* bytes, unsigned size) {
    const int ok = file.BeginWriteChunk(chunk) && file.Write(bytes, size);
    return file.EndWriteChunk() && ok ? 1 : 0;
}

template <class Fn>
int WriteWholeFile(const char* path, Fn body) {
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(path, 1)) return 0;
    const int ok = body(*file);
    const int closed = file->Close();
    return ok && closed ? 1 : 0;
}

}  // namespace

int CopyField(char* field, int size, const char* text) {
    std::memset(field, 0, static_cast<std::size_t>(size));
    if (!text) return 1;
    const std::size_t length = std::strlen(text);
    const std::size_t keep = length < static_cast<std::size_t>(size) ? length : static_cast<std::size_t>(size) - 1;
    std::memcpy(field, text, keep);
    return keep == length ? 1 : 0;
}

void EncodeSceneInfo(const XSceneInfoRecord& record, std::uint8_t* out) {
    PutInt(out, record.m_AmbientRed);
    PutInt(out, record.m_AmbientGreen);
    PutInt(out, record.m_AmbientBlue);
    PutFloat(out, record.m_Scale);
}

XSceneInfoRecord DecodeSceneInfo(const std::uint8_t* in) {
    XSceneInfoRecord record;
    record.m_AmbientRed = GetInt(in);
    record.m_AmbientGreen = GetInt(in);
    record.m_AmbientBlue = GetInt(in);
    record.m_Scale = GetFloat(in);
    return record;
}

void EncodeObjectInfo(const XObjectInfoRecord& record, std::uint8_t* out) {
    PutText(out, record.m_Name, XObjectInfoRecord::kNameSize);
    PutInt(out, record.m_NodeType);
    PutInt(out, record.m_CursorValue);
    PutInt(out, record.m_Visible);
    PutFloat(out, record.m_AnimFrame);
    PutInt(out, record.m_AnimStopped);
    PutInt(out, record.m_AnimSpeed);
    PutInt(out, record.m_AnimLoop);
}

XObjectInfoRecord DecodeObjectInfo(const std::uint8_t* in) {
    XObjectInfoRecord record;
    GetText(in, record.m_Name, XObjectInfoRecord::kNameSize, XObjectInfoRecord::kNameSize - 1);
    record.m_NodeType = GetInt(in);
    record.m_CursorValue = GetInt(in);
    record.m_Visible = GetInt(in);
    record.m_AnimFrame = GetFloat(in);
    record.m_AnimStopped = GetInt(in);
    record.m_AnimSpeed = GetInt(in);
    record.m_AnimLoop = GetInt(in);
    return record;
}

void EncodeActionInfo(const XActionInfoRecord& record, std::uint8_t* out) {
    using R = XActionInfoRecord;
    PutInt(out, record.m_Id);
    PutText(out, record.m_Name, R::kNameSize);
    PutText(out, record.m_Condition, R::kConditionSize);
    PutInt(out, record.m_RepeatLimit);
    PutInt(out, record.m_Trigger);
    PutText(out, record.m_CarriedName, R::kObjectNameSize);
    PutInt(out, record.m_Event);
    PutText(out, record.m_Sender, R::kObjectNameSize);
    PutInt(out, record.m_ReceiverKind);
    PutText(out, record.m_Receiver, R::kObjectNameSize);
    PutInt(out, record.m_SubCount);
    for (const XSubActionRecord& sub : record.m_Subs) {
        PutInt(out, sub.m_Type);
        PutText(out, sub.m_Param, XSubActionRecord::kParamSize);
    }
}

XActionInfoRecord DecodeActionInfo(const std::uint8_t* in) {
    using R = XActionInfoRecord;
    XActionInfoRecord record;
    record.m_Id = GetInt(in);
    GetText(in, record.m_Name, R::kNameSize, R::kNameSize - 1);
    // The condition goes into 256-byte fields later: at most 255 characters.
    GetText(in, record.m_Condition, R::kConditionSize, R::kConditionMax);
    record.m_RepeatLimit = GetInt(in);
    record.m_Trigger = GetInt(in);
    GetText(in, record.m_CarriedName, R::kObjectNameSize, R::kObjectNameSize - 1);
    record.m_Event = GetInt(in);
    GetText(in, record.m_Sender, R::kObjectNameSize, R::kObjectNameSize - 1);
    record.m_ReceiverKind = GetInt(in);
    GetText(in, record.m_Receiver, R::kObjectNameSize, R::kObjectNameSize - 1);
    record.m_SubCount = GetInt(in);
    for (XSubActionRecord& sub : record.m_Subs) {
        sub.m_Type = GetInt(in);
        GetText(in, sub.m_Param, XSubActionRecord::kParamSize, XSubActionRecord::kParamSize - 1);
    }
    return record;
}

int ReadSceneInfo(XChunkFile& file, XSceneInfoRecord& record) {
    std::uint8_t bytes[XSceneInfoRecord::kSize];
    if (!ReadFixedChunk(file, "SCENE", bytes, sizeof bytes)) return 0;
    record = DecodeSceneInfo(bytes);
    return 1;
}

int WriteSceneInfo(XChunkFile& file, const XSceneInfoRecord& record) {
    std::uint8_t bytes[XSceneInfoRecord::kSize];
    EncodeSceneInfo(record, bytes);
    return WriteFixedChunk(file, "SCENE", bytes, sizeof bytes);
}

int ReadCameraInfo(XChunkFile& file, XCameraInfoRecord& record) {
    std::uint8_t bytes[XCameraInfoRecord::kSize];
    if (!ReadFixedChunk(file, "CAMERA", bytes, sizeof bytes)) return 0;
    const std::uint8_t* in = bytes;
    record.m_Fov = GetFloat(in);
    record.m_SphereRadius = GetFloat(in);
    record.m_SphereOffsetZ = GetFloat(in);
    record.m_Speed = GetFloat(in);
    return 1;
}

int WriteCameraInfo(XChunkFile& file, const XCameraInfoRecord& record) {
    std::uint8_t bytes[XCameraInfoRecord::kSize];
    std::uint8_t* out = bytes;
    PutFloat(out, record.m_Fov);
    PutFloat(out, record.m_SphereRadius);
    PutFloat(out, record.m_SphereOffsetZ);
    PutFloat(out, record.m_Speed);
    return WriteFixedChunk(file, "CAMERA", bytes, sizeof bytes);
}

XTableRead ReadObjectInfos(XChunkFile& file, std::vector<XObjectInfoRecord>& records) {
    records.clear();
    std::vector<std::uint8_t> bytes;
    int count = 0;
    const XTableRead result = ReadTable(file, "OBJECTS", XObjectInfoRecord::kSize, bytes, count);
    for (int i = 0; i < count; ++i) records.push_back(DecodeObjectInfo(bytes.data() + i * XObjectInfoRecord::kSize));
    return result;
}

int WriteObjectInfos(XChunkFile& file, const std::vector<XObjectInfoRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * XObjectInfoRecord::kSize);
    for (std::size_t i = 0; i < records.size(); ++i) EncodeObjectInfo(records[i], bytes.data() + i * XObjectInfoRecord::kSize);
    return WriteTable(file, "OBJECTS", bytes, static_cast<int>(records.size()));
}

XTableRead ReadActionInfos(XChunkFile& file, std::vector<XActionInfoRecord>& records) {
    records.clear();
    std::vector<std::uint8_t> bytes;
    int count = 0;
    const XTableRead result = ReadTable(file, "ACTIONS", XActionInfoRecord::kSize, bytes, count);
    for (int i = 0; i < count; ++i) {
        XActionInfoRecord record = DecodeActionInfo(bytes.data() + i * XActionInfoRecord::kSize);
        if (record.m_Id < 0 || record.m_Id > XActionInfoRecord::kMaxId) {
            DebugOut("INFOACT: action %s has the id %i, outside 0..255: skipped", record.m_Name, record.m_Id);
            continue;
        }
        if (record.m_SubCount < 0 || record.m_SubCount > XActionInfoRecord::kMaxSubs) {
            DebugOut("INFOACT: action %s has %i sub-actions (at most 10): skipped", record.m_Name, record.m_SubCount);
            continue;
        }
        records.push_back(record);
    }
    return result;
}

int WriteActionInfos(XChunkFile& file, const std::vector<XActionInfoRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * XActionInfoRecord::kSize);
    for (std::size_t i = 0; i < records.size(); ++i) EncodeActionInfo(records[i], bytes.data() + i * XActionInfoRecord::kSize);
    return WriteTable(file, "ACTIONS", bytes, static_cast<int>(records.size()));
}

int SaveSceneInfoFile(const char* path, const XSceneInfoRecord& scene, const XCameraInfoRecord& camera) {
    return WriteWholeFile(path, [&](XChunkFile& file) { return WriteSceneInfo(file, scene) && WriteCameraInfo(file, camera); });
}

int SaveObjectInfoFile(const char* path, const std::vector<XObjectInfoRecord>& records) {
    return WriteWholeFile(path, [&](XChunkFile& file) { return WriteObjectInfos(file, records); });
}

int SaveActionInfoFile(const char* path, const std::vector<XActionInfoRecord>& records) {
    return WriteWholeFile(path, [&](XChunkFile& file) { return WriteActionInfos(file, records); });
}

int ReadCameraState(XChunkFile& file, XCameraStateRecord& record) {
    std::uint8_t bytes[XCameraStateRecord::kSize];
    if (!file.BeginReadChunk("CAMERA")) return 0;
    const std::uint32_t length = file.m_Dir[file.m_Current].length;
    const std::uint32_t size = length >= XCameraStateRecord::kSize ? XCameraStateRecord::kSize
                                                                    : XCameraStateRecord::kShortSize;
    const bool read = length >= size && file.Read(bytes, static_cast<int>(size));
    file.EndReadChunk();
    if (!read) return 0;
    const std::uint8_t* in = bytes;
    for (float& p : record.m_Position) p = GetFloat(in);
    record.m_Theta = GetFloat(in);
    record.m_Phi = GetFloat(in);
    record.m_SphereRadius = GetFloat(in);
    record.m_SphereOffsetZ = GetFloat(in);
    record.m_CanMove = GetInt(in);
    if (size < XCameraStateRecord::kSize) return 1;
    record.m_CanTurn = GetInt(in);
    record.m_Collision = GetInt(in);
    record.m_Height = GetFloat(in);
    return 1;
}

int WriteCameraState(XChunkFile& file, const XCameraStateRecord& record) {
    std::uint8_t bytes[XCameraStateRecord::kSize];
    std::uint8_t* out = bytes;
    for (float p : record.m_Position) PutFloat(out, p);
    PutFloat(out, record.m_Theta);
    PutFloat(out, record.m_Phi);
    PutFloat(out, record.m_SphereRadius);
    PutFloat(out, record.m_SphereOffsetZ);
    PutInt(out, record.m_CanMove);
    PutInt(out, record.m_CanTurn);
    PutInt(out, record.m_Collision);
    PutFloat(out, record.m_Height);
    return WriteFixedChunk(file, "CAMERA", bytes, sizeof bytes);
}

int ReadGaugeState(XChunkFile& file, XGaugeStateRecord& record) {
    std::uint8_t bytes[XGaugeStateRecord::kSize];
    if (!ReadFixedChunk(file, "JAUGE", bytes, sizeof bytes)) return 0;
    const std::uint8_t* in = bytes;
    GetText(in, record.m_Label, XGaugeStateRecord::kLabelSize, XGaugeStateRecord::kLabelSize - 1);
    record.m_Visible = GetInt(in);
    record.m_Duration = GetInt(in);
    record.m_Elapsed = GetInt(in);
    return 1;
}

int WriteGaugeState(XChunkFile& file, const XGaugeStateRecord& record) {
    std::uint8_t bytes[XGaugeStateRecord::kSize];
    std::uint8_t* out = bytes;
    PutText(out, record.m_Label, XGaugeStateRecord::kLabelSize);
    PutInt(out, record.m_Visible);
    PutInt(out, record.m_Duration);
    PutInt(out, record.m_Elapsed);
    return WriteFixedChunk(file, "JAUGE", bytes, sizeof bytes);
}

// ---- Talking characters -----------------------------------------------------

void EncodeSpeakerInfo(const XSpeakerInfoRecord& record, std::uint8_t* out) {
    constexpr int n = XSpeakerInfoRecord::kNameSize;
    PutText(out, record.m_Object, n);
    PutText(out, record.m_NewName, n);
    PutText(out, record.m_Face, n);
    PutText(out, record.m_Dir, n);
    PutInt(out, record.m_Count);
}

XSpeakerInfoRecord DecodeSpeakerInfo(const std::uint8_t* in) {
    constexpr int n = XSpeakerInfoRecord::kNameSize;
    XSpeakerInfoRecord record;
    GetText(in, record.m_Object, n, n - 1);
    GetText(in, record.m_NewName, n, n - 1);
    GetText(in, record.m_Face, n, n - 1);
    GetText(in, record.m_Dir, n, n - 1);
    record.m_Count = GetInt(in);
    return record;
}

XTableRead ReadSpeakerInfos(XChunkFile& file, std::vector<XSpeakerInfoRecord>& records) {
    records.clear();
    std::vector<std::uint8_t> bytes;
    int count = 0;
    const XTableRead result = ReadTable(file, "SPEAKERS", XSpeakerInfoRecord::kSize, bytes, count);
    for (int i = 0; i < count; ++i) records.push_back(DecodeSpeakerInfo(bytes.data() + i * XSpeakerInfoRecord::kSize));
    return result;
}

int WriteSpeakerInfos(XChunkFile& file, const std::vector<XSpeakerInfoRecord>& records) {
    std::vector<std::uint8_t> bytes(records.size() * XSpeakerInfoRecord::kSize);
    for (std::size_t i = 0; i < records.size(); ++i) EncodeSpeakerInfo(records[i], bytes.data() + i * XSpeakerInfoRecord::kSize);
    return WriteTable(file, "SPEAKERS", bytes, static_cast<int>(records.size()));
}

int SaveSceneInfoFile(const char* path, const XSceneInfoRecord& scene, const XCameraInfoRecord& camera,
                      const std::vector<XSpeakerInfoRecord>& speakers) {
    return WriteWholeFile(path, [&](XChunkFile& file) {
        return WriteSceneInfo(file, scene) && WriteCameraInfo(file, camera) && WriteSpeakerInfos(file, speakers);
    });
}
