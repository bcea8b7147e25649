#include "kelmat/ftk/FtkRecords.h"

#include "kelmat/ftk/FtkError.h"

namespace ftk {
namespace {

constexpr float kByteToFraction = 0.003921569f;

bool Usable(const Database& db) {
  if (!db.created || db.chunks.empty()) {
    PushError(ERR_INVALID_DATABASE);
    return false;
  }
  return true;
}

bool IsKeyframerDatabase(const Database& db) {
  if (!Usable(db)) return false;
  if (db.RootTag() != M3DMAGIC && db.RootTag() != CMAGIC) {
    PushError(ERR_WRONG_DATABASE);
    return false;
  }
  return true;
}

void IndexObjects(Database& db) {
  if (db.objectsIndexed) return;
  db.objectsIndexed = true;
  const int section = FindChunk(db, 0, MDATA);
  if (section == kNoChunk) return;
  for (int c = FindChild(db, section, NAMED_OBJECT); c != kNoChunk;
       c = FindNextSibling(db, c, NAMED_OBJECT)) {
    Reader r(ChunkData(db, c));
    std::string name;
    // The name was checked when the tree was read; a failure here means the
    // file could not be read again.
    if (!r.String(name, kObjectNameLimit)) continue;
    db.objectIndex.emplace_back(std::move(name), c);
  }
}

void IndexMaterials(Database& db) {
  if (db.materialsIndexed) return;
  db.materialsIndexed = true;
  int section = FindChunk(db, 0, MDATA);
  if (section == kNoChunk) section = FindChunk(db, 0, MLIBMAGIC);
  if (section == kNoChunk) return;
  for (int c = FindChild(db, section, MAT_ENTRY); c != kNoChunk;
       c = FindNextSibling(db, c, MAT_ENTRY)) {
    db.materialIndex.push_back(c);
  }
}

void IndexNodes(Database& db) {
  if (db.nodesIndexed) return;
  db.nodesIndexed = true;
  const int section = FindChunk(db, 0, KFDATA);
  if (section == kNoChunk) return;
  for (int c = db.chunks[section].firstChild; c != kNoChunk; c = db.chunks[c].nextSibling) {
    const uint16_t tag = db.chunks[c].tag;
    if (tag < AMBIENT_NODE_TAG || tag > SPOTLIGHT_NODE_TAG) continue;
    std::string name;
    const int header = FindChild(db, c, NODE_HDR);
    if (header != kNoChunk) {
      Reader r(ChunkData(db, header));
      if (!r.String(name, kNodeNameLimit)) continue;
    }
    if (tag == OBJECT_NODE_TAG) {
      const int inst = FindChild(db, c, INSTANCE_NAME);
      if (inst != kNoChunk) {
        Reader r(ChunkData(db, inst));
        std::string instance;
        if (!r.String(instance, kNodeNameLimit)) continue;
        if (!instance.empty()) name += "." + instance;
      }
    }
    db.nodeIndex.emplace_back(std::move(name), c);
  }
}

bool ReadColor24(Database& db, int chunk, Color& out) {
  Reader r(ChunkData(db, chunk));
  uint8_t rgb[3];
  if (!r.U8(rgb[0]) || !r.U8(rgb[1]) || !r.U8(rgb[2])) return false;
  out.r = rgb[0] * kByteToFraction;
  out.g = rgb[1] * kByteToFraction;
  out.b = rgb[2] * kByteToFraction;
  return true;
}

// A010h/A020h/A030h: 0011h, replaced by 0012h when present.
bool ReadMaterialColor(Database& db, int chunk, bool required, Color& out) {
  const int c24 = FindChild(db, chunk, COLOR_24);
  if (c24 == kNoChunk) {
    if (required) {
      PushError(ERR_UNFOUND_CHUNK);
      return false;
    }
    return true;
  }
  if (!ReadColor24(db, c24, out)) return false;
  const int lin = FindChild(db, chunk, LIN_COLOR_24);
  return lin == kNoChunk || ReadColor24(db, lin, out);
}

// A040h and the like: 0030h int16 percent, else 0031h float fraction.
bool ReadPercentage(Database& db, int chunk, float& out) {
  const int ip = FindChild(db, chunk, INT_PERCENTAGE);
  if (ip != kNoChunk) {
    Reader r(ChunkData(db, ip));
    uint16_t v = 0;
    if (!r.U16(v)) return false;
    out = static_cast<float>(static_cast<int16_t>(v)) * 0.01f;
    return true;
  }
  const int fp = FindChild(db, chunk, FLOAT_PERCENTAGE);
  if (fp != kNoChunk) {
    Reader r(ChunkData(db, fp));
    return r.F32(out);
  }
  return true;
}

bool ReadMapName(Database& db, int chunk, std::string& out) {
  const int name = FindChild(db, chunk, MAT_MAPNAME);
  if (name == kNoChunk) return true;
  Reader r(ChunkData(db, name));
  return r.String(out, kMapNameLimit);
}

bool ReadFloats(Reader& r, float* out, int n) {
  for (int i = 0; i < n; ++i) {
    if (!r.F32(out[i])) return false;
  }
  return true;
}

bool ReadMeshChunk(Database& db, int object, Mesh& out) {
  out = Mesh{};
  {
    Reader r(ChunkData(db, object));
    if (!r.String(out.name, kObjectNameLimit)) return false;
  }
  const int mesh = FindChild(db, object, N_TRI_OBJECT);
  if (mesh == kNoChunk) {
    PushError(ERR_WRONG_OBJECT);
    return false;
  }
  const int points = FindChild(db, mesh, POINT_ARRAY);
  if (points != kNoChunk) {
    Reader r(ChunkData(db, points));
    uint16_t n = 0;
    if (!r.U16(n)) return false;
    out.vertices.resize(static_cast<std::size_t>(n) * 3);
    if (!ReadFloats(r, out.vertices.data(), n * 3)) return false;
  }
  const int faces = FindChild(db, mesh, FACE_ARRAY);
  if (faces != kNoChunk) {
    Reader r(ChunkData(db, faces));
    uint16_t n = 0;
    if (!r.U16(n)) return false;
    out.faces.resize(n);
    for (Triangle& t : out.faces) {
      if (!r.U16(t.a) || !r.U16(t.b) || !r.U16(t.c) || !r.U16(t.flags)) return false;
    }
    for (int g = FindChild(db, faces, MSH_MAT_GROUP); g != kNoChunk;
         g = FindNextSibling(db, g, MSH_MAT_GROUP)) {
      Reader gr(ChunkData(db, g));
      MaterialGroup group;
      uint16_t count = 0;
      if (!gr.String(group.name, kMaterialNameLimit) || !gr.U16(count)) return false;
      group.faces.resize(count);
      for (uint16_t& f : group.faces) {
        if (!gr.U16(f)) return false;
      }
      out.groups.push_back(std::move(group));
    }
  }
  const int uv = FindChild(db, mesh, TEX_VERTS);
  if (uv != kNoChunk) {
    Reader r(ChunkData(db, uv));
    uint16_t n = 0;
    if (!r.U16(n)) return false;
    out.mapping.resize(static_cast<std::size_t>(n) * 2);
    if (!ReadFloats(r, out.mapping.data(), n * 2)) return false;
  }
  const int matrix = FindChild(db, mesh, MESH_MATRIX);
  if (matrix != kNoChunk) {
    Reader r(ChunkData(db, matrix));
    if (!ReadFloats(r, out.matrix, 12)) return false;
  }
  return true;
}

// Named objects with a sub-chunk of the tag (and, for lights, with or
// without a spot chunk).
enum class Kind { Mesh, Camera, Omni, Spot };

bool IsKind(Database& db, int object, Kind kind) {
  switch (kind) {
    case Kind::Mesh: return FindChild(db, object, N_TRI_OBJECT) != kNoChunk;
    case Kind::Camera: return FindChild(db, object, N_CAMERA) != kNoChunk;
    case Kind::Omni:
    case Kind::Spot: {
      const int light = FindChild(db, object, N_DIRECT_LIGHT);
      if (light == kNoChunk) return false;
      const bool spot = FindChild(db, light, DL_SPOTLIGHT) != kNoChunk;
      return spot == (kind == Kind::Spot);
    }
  }
  return false;
}

int CountKind(Database& db, Kind kind) {
  if (!Usable(db)) return 0;
  IndexObjects(db);
  int n = 0;
  for (const auto& entry : db.objectIndex) n += IsKind(db, entry.second, kind);
  return n;
}

int NthOfKind(Database& db, Kind kind, int index) {
  if (!Usable(db)) return kNoChunk;
  IndexObjects(db);
  if (index < 0) {
    PushError(ERR_INVALID_ARG);
    return kNoChunk;
  }
  for (const auto& entry : db.objectIndex) {
    if (IsKind(db, entry.second, kind) && index-- == 0) return entry.second;
  }
  PushError(ERR_INVALID_ARG);
  return kNoChunk;
}

bool ReadLight(Database& db, int object, Light& out) {
  out = Light{};
  {
    Reader r(ChunkData(db, object));
    if (!r.String(out.name, kObjectNameLimit)) return false;
  }
  const int light = FindChild(db, object, N_DIRECT_LIGHT);
  if (light == kNoChunk) {
    PushError(ERR_WRONG_OBJECT);
    return false;
  }
  {
    Reader r(ChunkData(db, light));
    if (!ReadFloats(r, out.position, 3)) return false;
  }
  bool haveColor = false;
  for (int c = db.chunks[light].firstChild; c != kNoChunk; c = db.chunks[c].nextSibling) {
    Reader r(ChunkData(db, c));
    switch (db.chunks[c].tag) {
      case COLOR_F:
        if (!haveColor) {
          float rgb[3];
          if (!ReadFloats(r, rgb, 3)) return false;
          out.color = {rgb[0], rgb[1], rgb[2]};
          haveColor = true;
        }
        break;
      case COLOR_24:
        if (!haveColor) {
          if (!ReadColor24(db, c, out.color)) return false;
          haveColor = true;
        }
        break;
      case DL_SPOTLIGHT:
        out.spot = true;
        if (!ReadFloats(r, out.target, 3) || !r.F32(out.hotspot) || !r.F32(out.falloff)) return false;
        break;
      case DL_OFF: out.off = true; break;
      case DL_ATTENUATE: out.attenuate = true; break;
      case DL_EXCLUDE: {
        std::string name;
        if (!r.String(name, kObjectNameLimit)) return false;
        out.excludes.push_back(std::move(name));
        break;
      }
      case DL_INNER_RANGE:
        if (!r.F32(out.innerRange)) return false;
        break;
      case DL_OUTER_RANGE:
        if (!r.F32(out.outerRange)) return false;
        break;
      case DL_MULTIPLIER:
        if (!r.F32(out.multiplier)) return false;
        break;
      default: break;
    }
  }
  return true;
}

bool ReadTrack(Database& db, int chunk, TrackKind kind, Track& out) {
  out = Track{};
  Reader r(ChunkData(db, chunk));
  uint32_t count = 0;
  if (!r.U16(out.flags) || !r.Skip(8) || !r.U32(count)) return false;
  // Never trust the count beyond what the payload can hold (6 bytes per key).
  const std::size_t plausible = r.remaining() / 6;
  out.keys.reserve(count < plausible ? count : plausible);
  for (uint32_t k = 0; k < count; ++k) {
    Key key;
    if (!r.U32(key.frame) || !r.U16(key.splineFlags)) return false;
    float* spline[5] = {&key.tension, &key.continuity, &key.bias, &key.easeTo, &key.easeFrom};
    for (int bit = 0; bit < 5; ++bit) {
      if ((key.splineFlags & (1u << bit)) && !r.F32(*spline[bit])) return false;
    }
    switch (kind) {
      case TrackKind::Position:
      case TrackKind::Scale: {
        float v[3];
        if (!ReadFloats(r, v, 3)) return false;
        out.values.insert(out.values.end(), v, v + 3);
        break;
      }
      case TrackKind::Rotation: {
        float v[4];
        if (!ReadFloats(r, v, 4)) return false;
        out.values.insert(out.values.end(), v, v + 4);
        break;
      }
      case TrackKind::Morph: {
        std::string name;
        if (!r.String(name, kMorphNameLimit)) return false;
        out.morphNames.push_back(std::move(name));
        break;
      }
      case TrackKind::Hide: break;
    }
    out.keys.push_back(key);
  }
  return true;
}

bool ReadNode(Database& db, int chunk, Node& out) {
  out = Node{};
  for (const NodeLink& link : db.nodeLinks) {
    if (link.chunk == chunk) {
      out.hasId = link.hasId;
      out.id = link.id;
      out.parentId = link.parentId;
      out.parentName = link.parentName;
      break;
    }
  }
  const int header = FindChild(db, chunk, NODE_HDR);
  if (header != kNoChunk) {
    Reader r(ChunkData(db, header));
    if (!r.String(out.name, kNodeNameLimit) || !r.U16(out.flags1) || !r.U16(out.flags2) ||
        !r.U16(out.parentId)) {
      return false;
    }
  }
  if (db.chunks[chunk].tag == OBJECT_NODE_TAG) {
    const int inst = FindChild(db, chunk, INSTANCE_NAME);
    if (inst != kNoChunk) {
      Reader r(ChunkData(db, inst));
      if (!r.String(out.instance, kNodeNameLimit)) return false;
    }
  }
  const int pivot = FindChild(db, chunk, PIVOT);
  if (pivot != kNoChunk) {
    Reader r(ChunkData(db, pivot));
    if (!ReadFloats(r, out.pivot, 3)) return false;
  }
  struct TrackSlot {
    uint16_t tag;
    TrackKind kind;
    Track* track;
  } slots[] = {
      {POS_TRACK_TAG, TrackKind::Position, &out.position},
      {ROT_TRACK_TAG, TrackKind::Rotation, &out.rotation},
      {SCL_TRACK_TAG, TrackKind::Scale, &out.scale},
      {MORPH_TRACK_TAG, TrackKind::Morph, &out.morph},
      {HIDE_TRACK_TAG, TrackKind::Hide, &out.hide},
  };
  for (const TrackSlot& slot : slots) {
    const int c = FindChild(db, chunk, slot.tag);
    if (c != kNoChunk && !ReadTrack(db, c, slot.kind, *slot.track)) return false;
  }
  return true;
}

}  // namespace

int MaterialCount(Database& db) {
  if (!Usable(db)) return 0;
  IndexMaterials(db);
  return static_cast<int>(db.materialIndex.size());
}

bool GetMaterial(Database& db, int index, Material& out) {
  out = Material{};
  if (!Usable(db)) return false;
  IndexMaterials(db);
  if (index < 0 || static_cast<std::size_t>(index) >= db.materialIndex.size()) {
    PushError(ERR_INVALID_ARG);
    return false;
  }
  const int entry = db.materialIndex[index];
  for (int c = db.chunks[entry].firstChild; c != kNoChunk; c = db.chunks[c].nextSibling) {
    const uint16_t tag = db.chunks[c].tag;
    if ((tag & 0xFF00) == 0x8000) continue;  // the toolkit's own bookkeeping
    switch (tag) {
      case MAT_NAME: {
        Reader r(ChunkData(db, c));
        if (!r.String(out.name, kMaterialNameLimit)) return false;
        break;
      }
      case MAT_AMBIENT:
        if (!ReadMaterialColor(db, c, false, out.ambient)) return false;
        break;
      case MAT_DIFFUSE:
        if (!ReadMaterialColor(db, c, true, out.diffuse)) return false;
        break;
      case MAT_SPECULAR:
        if (!ReadMaterialColor(db, c, true, out.specular)) return false;
        break;
      case MAT_SHININESS:
        if (!ReadPercentage(db, c, out.shininess)) return false;
        break;
      case MAT_SHIN2PCT:
        if (!ReadPercentage(db, c, out.shininessStrength)) return false;
        break;
      case MAT_TRANSPARENCY:
        if (!ReadPercentage(db, c, out.transparency)) return false;
        break;
      case MAT_SELF_ILPCT:
        if (!ReadPercentage(db, c, out.selfIllum)) return false;
        break;
      case MAT_TWO_SIDE: out.twoSided = true; break;
      case MAT_WIRE: out.shading = 0; break;
      case MAT_XPFALLIN: out.transparency = -out.transparency; break;
      case MAT_SHADING: {
        Reader r(ChunkData(db, c));
        uint16_t shading = 0;
        if (!r.U16(shading)) return false;
        out.shading = static_cast<int16_t>(shading);
        break;
      }
      case MAT_TEXMAP:
        if (!ReadMapName(db, c, out.textureMap)) return false;
        break;
      case MAT_SPECMAP:
        if (!ReadMapName(db, c, out.shininessMap)) return false;
        break;
      default: break;
    }
  }
  return true;
}

int NamedObjectCount(Database& db) {
  if (!Usable(db)) return 0;
  IndexObjects(db);
  return static_cast<int>(db.objectIndex.size());
}

int FindNamedObject(Database& db, const std::string& name) {
  if (!Usable(db)) return kNoChunk;
  IndexObjects(db);
  for (const auto& entry : db.objectIndex) {
    if (entry.first == name) return entry.second;
  }
  return kNoChunk;
}

int MeshCount(Database& db) { return CountKind(db, Kind::Mesh); }

bool GetMesh(Database& db, int index, Mesh& out) {
  const int object = NthOfKind(db, Kind::Mesh, index);
  return object != kNoChunk && ReadMeshChunk(db, object, out);
}

bool GetMeshByName(Database& db, const std::string& name, Mesh& out) {
  out = Mesh{};
  const int object = FindNamedObject(db, name);
  return object != kNoChunk && ReadMeshChunk(db, object, out);
}

int CameraCount(Database& db) { return CountKind(db, Kind::Camera); }

bool GetCamera(Database& db, int index, Camera& out) {
  out = Camera{};
  const int object = NthOfKind(db, Kind::Camera, index);
  if (object == kNoChunk) return false;
  {
    Reader r(ChunkData(db, object));
    if (!r.String(out.name, kObjectNameLimit)) return false;
  }
  Reader r(ChunkData(db, FindChild(db, object, N_CAMERA)));
  return ReadFloats(r, out.position, 3) && ReadFloats(r, out.target, 3) && r.F32(out.roll) &&
         r.F32(out.lens);
}

int OmniLightCount(Database& db) { return CountKind(db, Kind::Omni); }

bool GetOmniLight(Database& db, int index, Light& out) {
  out = Light{};
  const int object = NthOfKind(db, Kind::Omni, index);
  return object != kNoChunk && ReadLight(db, object, out);
}

int SpotLightCount(Database& db) { return CountKind(db, Kind::Spot); }

bool GetSpotLight(Database& db, int index, Light& out) {
  out = Light{};
  const int object = NthOfKind(db, Kind::Spot, index);
  return object != kNoChunk && ReadLight(db, object, out);
}

bool GetKeyframerSettings(Database& db, KeyframerSettings& out) {
  out = KeyframerSettings{};
  if (!IsKeyframerDatabase(db)) return false;
  const int kf = FindChunk(db, 0, KFDATA);
  if (kf == kNoChunk) return true;
  const int header = FindChild(db, kf, KFHDR);
  if (header != kNoChunk) {
    Reader r(ChunkData(db, header));
    uint16_t revision = 0;
    std::string text;
    if (!r.U16(revision) || !r.String(text, kLongStringLimit) || !r.U32(out.length)) return false;
  }
  const int segment = FindChild(db, kf, KFSEG);
  if (segment != kNoChunk) {
    Reader r(ChunkData(db, segment));
    if (!r.U32(out.segmentStart) || !r.U32(out.segmentEnd)) return false;
  }
  const int current = FindChild(db, kf, KFCURTIME);
  if (current != kNoChunk) {
    Reader r(ChunkData(db, current));
    if (!r.U32(out.currentFrame)) return false;
  }
  return true;
}

int ObjectNodeCount(Database& db) {
  if (!IsKeyframerDatabase(db)) return 0;
  int n = 0;
  for (const NodeLink& link : db.nodeLinks) n += link.tag == OBJECT_NODE_TAG;
  return n;
}

bool GetObjectNode(Database& db, int index, Node& out) {
  out = Node{};
  if (!IsKeyframerDatabase(db)) return false;
  for (const NodeLink& link : db.nodeLinks) {
    if (link.tag == OBJECT_NODE_TAG && index-- == 0) return ReadNode(db, link.chunk, out);
  }
  PushError(ERR_INVALID_ARG);
  return false;
}

bool GetNodeByName(Database& db, const std::string& name, Node& out) {
  out = Node{};
  if (!IsKeyframerDatabase(db)) return false;
  IndexNodes(db);
  for (const auto& entry : db.nodeIndex) {
    if (entry.first == name) return ReadNode(db, entry.second, out);
  }
  return false;
}

}  // namespace ftk
