#include "kelmat/ftk/FtkDatabase.h"

#include <cstring>

#include "kelmat/ftk/FtkError.h"

namespace ftk {
namespace {

enum class Prefix {
  Leaf,
  None,
  Fixed,
  String,      // zero-terminated string
  KeyHeader,   // uint16, string, uint32
  NodeHeader,  // string, 6 bytes
  FaceList,    // uint16 n, n x 8 bytes
};

struct PrefixRule {
  Prefix kind;
  uint32_t size;  // Fixed only
  std::size_t limit;  // string limits
};

PrefixRule RuleFor(uint16_t tag) {
  switch (tag) {
    case 0x4D4D: case 0xC23D: case 0x3DAA: case 0x3D3D: case 0x4100: case 0x3000:
    case 0x2100: case 0x1200: case 0x2D2D: case 0x2D3D: case 0x3DFF: case 0xA010:
    case 0xA020: case 0xA030: case 0xA040: case 0xA041: case 0xA042: case 0xA050:
    case 0xA052: case 0xA053: case 0xA084: case 0xA200: case 0xA204: case 0xA210:
    case 0xA220: case 0xA230: case 0xA33A: case 0xA33C: case 0xA33D: case 0xA33E:
    case 0xA340: case 0xA342: case 0xA344: case 0xA346: case 0xA348: case 0xA34A:
    case 0xA34C: case 0x8001:
      return {Prefix::None, 0, 0};
    case 0x4000: return {Prefix::String, 0, kObjectNameLimit};
    case 0xA000: return {Prefix::String, 0, kMaterialNameLimit};
    case 0xA300: return {Prefix::String, 0, kMapNameLimit};
    case 0xB011: return {Prefix::String, 0, kNodeNameLimit};
    case 0x1100: case 0x3080: case 0x4181: return {Prefix::String, 0, kLongStringLimit};
    case 0xB00A: return {Prefix::KeyHeader, 0, kLongStringLimit};
    case 0xB010: return {Prefix::NodeHeader, 0, kNodeNameLimit};
    case 0x4120: return {Prefix::FaceList, 0, 0};
    case 0x0030: case 0x1420: case 0x1430: case 0xB030: return {Prefix::Fixed, 2, 0};
    case 0x0011: return {Prefix::Fixed, 3, 0};
    case 0x0002: case 0x0031: case 0x0100: case 0x1300: case 0x1400: case 0x1410:
    case 0x3D3E: case 0xB009: case 0xB015: case 0xD000:
      return {Prefix::Fixed, 4, 0};
    case 0xB008: return {Prefix::Fixed, 8, 0};
    case 0x4641: return {Prefix::Fixed, 10, 0};
    case 0x0010: case 0x1500: case 0x4600: case 0xA310: case 0xB013:
      return {Prefix::Fixed, 12, 0};
    case 0x7001: return {Prefix::Fixed, 14, 0};
    case 0x2200: case 0x2300: case 0x2302: case 0x3010: case 0x3020: case 0x3030:
    case 0x3040: case 0x3050: case 0x3060:
      return {Prefix::Fixed, 16, 0};
    case 0x4610: return {Prefix::Fixed, 20, 0};
    case 0xB014: return {Prefix::Fixed, 24, 0};
    case 0x3070: return {Prefix::Fixed, 28, 0};
    case 0x4700: return {Prefix::Fixed, 32, 0};
    case 0x4160: return {Prefix::Fixed, 48, 0};
    default:
      if (tag >= 0xAFFF && tag <= 0xB007) return {Prefix::None, 0, 0};
      return {Prefix::Leaf, 0, 0};
  }
}

// Length of a zero-terminated string at pos, terminator included, looking at
// no more than limit + 1 bytes and never past end.
bool StringLength(File* file, uint64_t pos, uint64_t end, std::size_t limit, uint32_t& length) {
  uint8_t buffer[kLongStringLimit + 1];
  uint64_t available = end > pos ? end - pos : 0;
  std::size_t want = limit + 1;
  if (want > available) want = static_cast<std::size_t>(available);
  if (want == 0 || !ReadAt(file, pos, buffer, want)) {
    if (want == 0) PushError(ERR_READING_FILE);
    return false;
  }
  const void* zero = std::memchr(buffer, 0, want);
  if (zero == nullptr) {
    PushError(ERR_READING_FILE);
    return false;
  }
  length = static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - buffer) + 1;
  return true;
}

bool ReadU16(File* file, uint64_t pos, uint64_t end, uint16_t& v) {
  uint8_t b[2];
  if (end < pos + 2) {
    PushError(ERR_INVALID_CHUNK);
    return false;
  }
  if (!ReadAt(file, pos, b, 2)) return false;
  v = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

// Size of the fixed prefix of a container whose data starts at dataPos and
// ends at end. Records an error and returns false when it does not fit.
bool PrefixSize(File* file, const PrefixRule& rule, uint64_t dataPos, uint64_t end,
                uint32_t& size) {
  uint64_t available = end - dataPos;
  switch (rule.kind) {
    case Prefix::Leaf:
    case Prefix::None:
      size = 0;
      return true;
    case Prefix::Fixed:
      size = rule.size;
      break;
    case Prefix::String:
      if (!StringLength(file, dataPos, end, rule.limit, size)) return false;
      break;
    case Prefix::KeyHeader: {
      if (available < 2) {
        PushError(ERR_INVALID_CHUNK);
        return false;
      }
      uint32_t text = 0;
      if (!StringLength(file, dataPos + 2, end, rule.limit, text)) return false;
      size = 2 + text + 4;
      break;
    }
    case Prefix::NodeHeader: {
      uint32_t text = 0;
      if (!StringLength(file, dataPos, end, rule.limit, text)) return false;
      size = text + 6;
      break;
    }
    case Prefix::FaceList: {
      uint16_t n = 0;
      if (!ReadU16(file, dataPos, end, n)) return false;
      size = 2 + 8u * n;
      break;
    }
  }
  if (size > available) {
    PushError(ERR_INVALID_CHUNK);
    return false;
  }
  return true;
}

bool ReadTree(File* file, Database& db) {
  uint8_t header[6];
  if (!ReadAt(file, 0, header, 6)) return false;
  Chunk root;
  root.tag = static_cast<uint16_t>(header[0] | (header[1] << 8));
  root.length = static_cast<uint32_t>(header[2]) | (static_cast<uint32_t>(header[3]) << 8) |
                (static_cast<uint32_t>(header[4]) << 16) | (static_cast<uint32_t>(header[5]) << 24);
  root.position = 0;
  root.container = true;
  db.chunks.push_back(root);
  if (root.tag != M3DMAGIC && root.tag != CMAGIC && root.tag != MLIBMAGIC) return true;
  if (root.length < 6) {
    PushError(ERR_INVALID_CHUNK);
    return false;
  }
  if (root.length > file->size) {
    PushError(ERR_READING_FILE);
    return false;
  }

  struct Open {
    int chunk;
    uint64_t end;
  };
  std::vector<Open> open{{0, root.length}};
  uint64_t pos = 6;
  while (!open.empty()) {
    const Open top = open.back();
    if (pos >= top.end) {
      open.pop_back();
      continue;
    }
    if (top.end - pos < 6) {
      PushError(ERR_INVALID_CHUNK);
      return false;
    }
    if (!ReadAt(file, pos, header, 6)) return false;
    Chunk chunk;
    chunk.tag = static_cast<uint16_t>(header[0] | (header[1] << 8));
    chunk.length = static_cast<uint32_t>(header[2]) | (static_cast<uint32_t>(header[3]) << 8) |
                   (static_cast<uint32_t>(header[4]) << 16) |
                   (static_cast<uint32_t>(header[5]) << 24);
    chunk.position = pos;
    chunk.parent = top.chunk;
    if (chunk.length < 6 || chunk.length > top.end - pos) {
      PushError(ERR_INVALID_CHUNK);
      return false;
    }
    const uint64_t end = pos + chunk.length;
    const PrefixRule rule = RuleFor(chunk.tag);
    chunk.container = rule.kind != Prefix::Leaf;
    if (chunk.container) {
      uint32_t prefix = 0;
      if (!PrefixSize(file, rule, pos + 6, end, prefix)) return false;
      chunk.dataLength = prefix;
    } else {
      chunk.dataLength = chunk.length - 6;
    }
    const int index = static_cast<int>(db.chunks.size());
    db.chunks.push_back(std::move(chunk));
    Chunk& parent = db.chunks[top.chunk];
    if (parent.lastChild == kNoChunk) {
      parent.firstChild = index;
    } else {
      db.chunks[parent.lastChild].nextSibling = index;
    }
    parent.lastChild = index;
    const Chunk& added = db.chunks[index];
    if (added.container) {
      open.push_back({index, end});
      pos = pos + 6 + added.dataLength;
    } else {
      pos = end;
    }
  }
  return true;
}

bool ReadNodeHeader(Database& db, int chunk, std::string& name, uint16_t& parentId) {
  Reader r(ChunkData(db, chunk));
  uint16_t flags1 = 0, flags2 = 0;
  return r.String(name, kNodeNameLimit) && r.U16(flags1) && r.U16(flags2) && r.U16(parentId);
}

bool ResolveParents(Database& db) {
  db.nodeLinks.clear();
  const int kf = FindChunk(db, 0, KFDATA);
  if (kf == kNoChunk) return true;
  for (int c = db.chunks[kf].firstChild; c != kNoChunk; c = db.chunks[c].nextSibling) {
    const uint16_t tag = db.chunks[c].tag;
    if (tag < OBJECT_NODE_TAG || tag > SPOTLIGHT_NODE_TAG) continue;
    NodeLink link;
    link.chunk = c;
    link.tag = tag;
    const int id = FindChild(db, c, NODE_ID);
    if (id != kNoChunk) {
      Reader r(ChunkData(db, id));
      if (!r.U16(link.id)) return false;
      link.hasId = true;
    }
    const int header = FindChild(db, c, NODE_HDR);
    if (header != kNoChunk && !ReadNodeHeader(db, header, link.name, link.parentId)) return false;
    if (tag == OBJECT_NODE_TAG) {
      const int instance = FindChild(db, c, INSTANCE_NAME);
      if (instance != kNoChunk) {
        Reader r(ChunkData(db, instance));
        if (!r.String(link.instance, kNodeNameLimit)) return false;
      }
    }
    db.nodeLinks.push_back(std::move(link));
  }
  for (NodeLink& link : db.nodeLinks) {
    if (link.parentId == 0xFFFF) continue;
    for (const NodeLink& other : db.nodeLinks) {
      if (other.hasId && other.id == link.parentId) {
        link.parentName = other.name;
        if (other.tag == OBJECT_NODE_TAG && !other.instance.empty()) {
          link.parentName += ".";
          link.parentName += other.instance;
        }
        break;
      }
    }
  }
  return true;
}

}  // namespace

bool IsContainerTag(uint16_t tag) { return RuleFor(tag).kind != Prefix::Leaf; }

bool CreateDatabase(File* file, Database& db) {
  db = Database{};
  if (file == nullptr || file->mode != FileMode::Read || file->handle == nullptr) {
    PushError(ERR_INVALID_ARG);
    PushError(ERR_CREATING_DATABASE);
    return false;
  }
  db.file = file;
  if (!ReadTree(file, db) || !ResolveParents(db)) {
    if (!ErrorPending()) PushError(ERR_READING_FILE);
    PushError(ERR_CREATING_DATABASE);
    return false;
  }
  db.created = true;
  return true;
}

const std::vector<uint8_t>* ChunkData(Database& db, int chunk) {
  if (chunk < 0 || static_cast<std::size_t>(chunk) >= db.chunks.size()) {
    PushError(ERR_INVALID_ARG);
    return nullptr;
  }
  Chunk& c = db.chunks[chunk];
  if (!c.loaded) {
    std::vector<uint8_t> data(c.dataLength);
    if (!ReadAt(db.file, c.position + 6, data.data(), data.size())) return nullptr;
    c.data = std::move(data);
    c.loaded = true;
  }
  return &c.data;
}

int FindChunk(const Database& db, int from, uint16_t tag) {
  if (from < 0 || static_cast<std::size_t>(from) >= db.chunks.size()) return kNoChunk;
  int c = from;
  while (true) {
    if (db.chunks[c].tag == tag) return c;
    if (db.chunks[c].firstChild != kNoChunk) {
      c = db.chunks[c].firstChild;
      continue;
    }
    while (c != from && db.chunks[c].nextSibling == kNoChunk) c = db.chunks[c].parent;
    if (c == from) return kNoChunk;
    c = db.chunks[c].nextSibling;
  }
}

int FindChild(const Database& db, int parent, uint16_t tag) {
  if (parent < 0 || static_cast<std::size_t>(parent) >= db.chunks.size()) return kNoChunk;
  for (int c = db.chunks[parent].firstChild; c != kNoChunk; c = db.chunks[c].nextSibling) {
    if (db.chunks[c].tag == tag) return c;
  }
  return kNoChunk;
}

int FindNextSibling(const Database& db, int after, uint16_t tag) {
  if (after < 0 || static_cast<std::size_t>(after) >= db.chunks.size()) return kNoChunk;
  for (int c = db.chunks[after].nextSibling; c != kNoChunk; c = db.chunks[c].nextSibling) {
    if (db.chunks[c].tag == tag) return c;
  }
  return kNoChunk;
}

bool Reader::Fail() {
  if (ok_) PushError(ERR_READING_FILE);
  ok_ = false;
  return false;
}

bool Reader::U8(uint8_t& v) {
  if (!ok_ || size_ - offset_ < 1) return Fail();
  v = data_[offset_++];
  return true;
}

bool Reader::U16(uint16_t& v) {
  if (!ok_ || size_ - offset_ < 2) return Fail();
  v = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
  offset_ += 2;
  return true;
}

bool Reader::U32(uint32_t& v) {
  if (!ok_ || size_ - offset_ < 4) return Fail();
  v = static_cast<uint32_t>(data_[offset_]) | (static_cast<uint32_t>(data_[offset_ + 1]) << 8) |
      (static_cast<uint32_t>(data_[offset_ + 2]) << 16) |
      (static_cast<uint32_t>(data_[offset_ + 3]) << 24);
  offset_ += 4;
  return true;
}

bool Reader::F32(float& v) {
  uint32_t bits = 0;
  if (!U32(bits)) return false;
  std::memcpy(&v, &bits, sizeof v);
  return true;
}

bool Reader::Skip(std::size_t n) {
  if (!ok_ || size_ - offset_ < n) return Fail();
  offset_ += n;
  return true;
}

bool Reader::String(std::string& v, std::size_t limit) {
  if (!ok_) return Fail();
  std::size_t avail = size_ - offset_;
  std::size_t look = limit + 1 < avail ? limit + 1 : avail;
  if (look == 0) return Fail();
  const void* zero = std::memchr(data_ + offset_, 0, look);
  if (zero == nullptr) return Fail();
  std::size_t len = static_cast<const uint8_t*>(zero) - (data_ + offset_);
  v.assign(reinterpret_cast<const char*>(data_ + offset_), len);
  offset_ += len + 1;
  return true;
}

}  // namespace ftk
