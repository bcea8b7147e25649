// Chunk database of the 3D Studio file toolkit: the file's chunk tree in
// memory (flat storage, links by index), leaf payloads read on first use,
// and the keyframer nodes' parent names resolved when the tree is read.
#ifndef KELMAT_FTK_FTKDATABASE_H
#define KELMAT_FTK_FTKDATABASE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "kelmat/ftk/FtkFile.h"

namespace ftk {

// Chunk tags the toolkit knows by name.
enum ChunkTag : uint16_t {
  M3DMAGIC = 0x4D4D,
  CMAGIC = 0xC23D,
  MLIBMAGIC = 0x3DAA,
  MDATA = 0x3D3D,
  COLOR_F = 0x0010,
  COLOR_24 = 0x0011,
  LIN_COLOR_24 = 0x0012,
  INT_PERCENTAGE = 0x0030,
  FLOAT_PERCENTAGE = 0x0031,
  NAMED_OBJECT = 0x4000,
  N_TRI_OBJECT = 0x4100,
  POINT_ARRAY = 0x4110,
  FACE_ARRAY = 0x4120,
  MSH_MAT_GROUP = 0x4130,
  TEX_VERTS = 0x4140,
  MESH_MATRIX = 0x4160,
  N_DIRECT_LIGHT = 0x4600,
  DL_SPOTLIGHT = 0x4610,
  DL_OFF = 0x4620,
  DL_ATTENUATE = 0x4625,
  DL_EXCLUDE = 0x4654,
  DL_INNER_RANGE = 0x4659,
  DL_OUTER_RANGE = 0x465A,
  DL_MULTIPLIER = 0x465B,
  N_CAMERA = 0x4700,
  MAT_ENTRY = 0xAFFF,
  MAT_NAME = 0xA000,
  MAT_AMBIENT = 0xA010,
  MAT_DIFFUSE = 0xA020,
  MAT_SPECULAR = 0xA030,
  MAT_SHININESS = 0xA040,
  MAT_SHIN2PCT = 0xA041,
  MAT_TRANSPARENCY = 0xA050,
  MAT_TWO_SIDE = 0xA081,
  MAT_SELF_ILPCT = 0xA084,
  MAT_WIRE = 0xA085,
  MAT_XPFALLIN = 0xA08A,
  MAT_SHADING = 0xA100,
  MAT_TEXMAP = 0xA200,
  MAT_MAPNAME = 0xA300,
  MAT_SPECMAP = 0xA33C,
  KFDATA = 0xB000,
  AMBIENT_NODE_TAG = 0xB001,
  OBJECT_NODE_TAG = 0xB002,
  CAMERA_NODE_TAG = 0xB003,
  TARGET_NODE_TAG = 0xB004,
  LIGHT_NODE_TAG = 0xB005,
  L_TARGET_NODE_TAG = 0xB006,
  SPOTLIGHT_NODE_TAG = 0xB007,
  KFSEG = 0xB008,
  KFCURTIME = 0xB009,
  KFHDR = 0xB00A,
  NODE_HDR = 0xB010,
  INSTANCE_NAME = 0xB011,
  PIVOT = 0xB013,
  POS_TRACK_TAG = 0xB020,
  ROT_TRACK_TAG = 0xB021,
  SCL_TRACK_TAG = 0xB022,
  MORPH_TRACK_TAG = 0xB026,
  HIDE_TRACK_TAG = 0xB029,
  NODE_ID = 0xB030,
};

// String limits (characters before the terminator) of the strings the
// toolkit reads.
constexpr std::size_t kObjectNameLimit = 11;
constexpr std::size_t kMaterialNameLimit = 16;
constexpr std::size_t kMapNameLimit = 12;
constexpr std::size_t kNodeNameLimit = 10;
constexpr std::size_t kMorphNameLimit = 12;
constexpr std::size_t kLongStringLimit = 512;

constexpr int kNoChunk = -1;

struct Chunk {
  uint16_t tag = 0;
  uint32_t length = 0;    // whole chunk, header included
  uint64_t position = 0;  // file offset of the header
  uint32_t dataLength = 0;  // fixed prefix of a container, payload of a leaf
  bool container = false;
  int32_t parent = kNoChunk;
  int32_t firstChild = kNoChunk;
  int32_t lastChild = kNoChunk;
  int32_t nextSibling = kNoChunk;
  bool loaded = false;
  std::vector<uint8_t> data;  // the data bytes once read
};

// A keyframer node (B002h to B007h) as the parent-name resolution sees it.
struct NodeLink {
  int chunk = kNoChunk;
  uint16_t tag = 0;
  bool hasId = false;
  uint16_t id = 0;
  uint16_t parentId = 0xFFFF;
  std::string name;      // header name
  std::string instance;  // object nodes only
  std::string parentName;
};

class Database {
 public:
  bool created = false;
  File* file = nullptr;
  std::vector<Chunk> chunks;  // chunks[0] is the root once created
  std::vector<NodeLink> nodeLinks;

  // Indexes, built on first use.
  bool objectsIndexed = false;
  std::vector<std::pair<std::string, int>> objectIndex;  // 4000h chunks by name
  bool materialsIndexed = false;
  std::vector<int> materialIndex;  // AFFFh chunks in file order
  bool nodesIndexed = false;
  std::vector<std::pair<std::string, int>> nodeIndex;  // B001h-B007h by name

  uint16_t RootTag() const { return chunks.empty() ? 0 : chunks[0].tag; }
};

// Reads the chunk tree of an open file into db (replacing what it held) and
// resolves the keyframer nodes' parent names. On failure records the cause
// and then ERR_CREATING_DATABASE.
bool CreateDatabase(File* file, Database& db);

// True when the tag is read as a container; prefix kinds are internal.
bool IsContainerTag(uint16_t tag);

// The data bytes of a chunk (its prefix for a container, its payload for a
// leaf), read from the file on first use. Null on a read failure.
const std::vector<uint8_t>* ChunkData(Database& db, int chunk);

// Depth-first search in file order from 'from' (itself first).
int FindChunk(const Database& db, int from, uint16_t tag);
// First direct sub-chunk with the tag, or kNoChunk.
int FindChild(const Database& db, int parent, uint16_t tag);
// Next direct sibling after 'after' with the tag, or kNoChunk.
int FindNextSibling(const Database& db, int after, uint16_t tag);

// Bounded little-endian reader over a chunk's data. The first failed read
// records ERR_READING_FILE; later reads fail quietly.
class Reader {
 public:
  Reader() = default;
  explicit Reader(const std::vector<uint8_t>* data)
      : data_(data ? data->data() : nullptr), size_(data ? data->size() : 0), ok_(data != nullptr) {}
  Reader(const uint8_t* data, std::size_t size) : data_(data), size_(size), ok_(data != nullptr || size == 0) {}

  bool ok() const { return ok_; }
  std::size_t offset() const { return offset_; }
  std::size_t remaining() const { return ok_ ? size_ - offset_ : 0; }

  bool U8(uint8_t& v);
  bool U16(uint16_t& v);
  bool U32(uint32_t& v);
  bool F32(float& v);
  bool Skip(std::size_t n);
  // A zero-terminated string of at most limit characters.
  bool String(std::string& v, std::size_t limit);

 private:
  bool Fail();
  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t offset_ = 0;
  bool ok_ = false;
};

}  // namespace ftk

#endif
