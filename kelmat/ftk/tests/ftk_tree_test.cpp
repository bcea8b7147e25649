#include <gtest/gtest.h>

#include <cstring>

#include "_FtkFixture.h"
#include "kelmat/ftk/FtkRecords.h"

using namespace ftk;
using B = build3ds::Chunk;

namespace {

std::vector<int> InvalidChunkCodes() { return {ERR_INVALID_CHUNK, ERR_CREATING_DATABASE}; }
std::vector<int> ReadingCodes() { return {ERR_READING_FILE, ERR_CREATING_DATABASE}; }

void SetU32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

TEST(FtkTree, ContainersPrefixesAndLeaves) {
  B root(0x4D4D);
  root.Add(B(0x0002).U32(3));  // fixed 4-byte prefix, no sub-chunks
  B data(0x3D3D);
  build3ds::MeshSpec m = build3ds::Square("Plane");
  m.groups = {{"Red", {0, 1}}};
  data.Add(build3ds::NamedMesh(m));
  data.Add(B(0x1234).U32(0xDEADBEEF));  // unknown: a leaf
  root.Add(data);
  root.Add(build3ds::KeyframerHeader(100, 5, 50));
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  Database& db = l.db;
  EXPECT_EQ(db.RootTag(), M3DMAGIC);
  const int named = FindChunk(db, 0, NAMED_OBJECT);
  ASSERT_NE(named, kNoChunk);
  EXPECT_TRUE(db.chunks[named].container);
  EXPECT_EQ(db.chunks[named].dataLength, 6u);  // "Plane" and its terminator
  const int faces = FindChunk(db, 0, FACE_ARRAY);
  ASSERT_NE(faces, kNoChunk);
  EXPECT_EQ(db.chunks[faces].dataLength, 2u + 2 * 8);
  const int group = FindChild(db, faces, MSH_MAT_GROUP);
  ASSERT_NE(group, kNoChunk);  // reached past the triangle list
  const int leaf = FindChunk(db, 0, 0x1234);
  ASSERT_NE(leaf, kNoChunk);
  EXPECT_FALSE(db.chunks[leaf].container);
  EXPECT_FALSE(db.chunks[leaf].loaded);  // payloads are read on first use
  const std::vector<uint8_t>* payload = ChunkData(db, leaf);
  ASSERT_NE(payload, nullptr);
  EXPECT_TRUE(db.chunks[leaf].loaded);
  EXPECT_EQ(payload->size(), 4u);
  EXPECT_EQ((*payload)[0], 0xEF);
  const int hdr = FindChunk(db, 0, KFHDR);
  ASSERT_NE(hdr, kNoChunk);
  EXPECT_EQ(db.chunks[hdr].dataLength, 2u + 7 + 4);
  EXPECT_EQ(db.chunks[FindChunk(db, 0, 0x0002)].dataLength, 4u);
  EXPECT_FALSE(ErrorPending());
}

TEST(FtkTree, OtherRootLeavesNoSubChunks) {
  B root(0x1111);
  root.Add(B(0x3D3D));
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  EXPECT_EQ(l.db.chunks.size(), 1u);
  EXPECT_EQ(MaterialCount(l.db), 0);
  EXPECT_EQ(MeshCount(l.db), 0);
  EXPECT_FALSE(ErrorPending());
  EXPECT_EQ(ObjectNodeCount(l.db), 0);
  EXPECT_EQ(l.Codes(), std::vector<int>{ERR_WRONG_DATABASE});
}

TEST(FtkTree, ShortOrOverlongChunksStopTheRead) {
  B root(0x4D4D);
  root.Add(B(0x3D3D).Add(B(0x1234).U32(1)));
  std::vector<uint8_t> good = root.Bytes();
  // The leaf (at 12) claims 5 bytes: below the header size.
  std::vector<uint8_t> shortChunk = good;
  SetU32(shortChunk, 14, 5);
  LoadedDb a;
  EXPECT_FALSE(a.Load(shortChunk));
  EXPECT_EQ(a.Codes(), InvalidChunkCodes());
  // Zero length would loop forever if accepted.
  std::vector<uint8_t> zero = good;
  SetU32(zero, 14, 0);
  LoadedDb b;
  EXPECT_FALSE(b.Load(zero));
  EXPECT_EQ(b.Codes(), InvalidChunkCodes());
  // The leaf runs one byte past its parent (the file is longer).
  std::vector<uint8_t> past = good;
  SetU32(past, 14, 11);
  past.push_back(0);
  SetU32(past, 2, static_cast<uint32_t>(past.size()));
  LoadedDb c;
  EXPECT_FALSE(c.Load(past));
  EXPECT_EQ(c.Codes(), InvalidChunkCodes());
  // A root that claims more than the file holds.
  std::vector<uint8_t> longRoot = good;
  SetU32(longRoot, 2, static_cast<uint32_t>(good.size() + 1));
  LoadedDb d;
  EXPECT_FALSE(d.Load(longRoot));
  EXPECT_EQ(d.Codes(), ReadingCodes());
  // Four stray bytes at the end of a container cannot hold a header.
  B stray(0x4D4D);
  stray.Add(B(0x3D3D).U32(0));  // 3D3Dh has no prefix: 4 bytes left over
  LoadedDb e;
  EXPECT_FALSE(e.Load(stray.Bytes()));
  EXPECT_EQ(e.Codes(), InvalidChunkCodes());
  // A triangle list whose count does not fit its chunk.
  B faces(0x4D4D);
  faces.Add(B(0x4120).U16(3).U32(0));
  LoadedDb f;
  EXPECT_FALSE(f.Load(faces.Bytes()));
  EXPECT_EQ(f.Codes(), InvalidChunkCodes());
  // Deep nesting is read without recursion: 20000 empty scene sections,
  // each inside the one before.
  const uint32_t depth = 20000;
  std::vector<uint8_t> nested(6 + 6 * depth);
  for (uint32_t i = 0; i <= depth; ++i) {
    const uint16_t tag = i == 0 ? 0x4D4D : 0x3D3D;
    nested[6 * i] = static_cast<uint8_t>(tag);
    nested[6 * i + 1] = static_cast<uint8_t>(tag >> 8);
    SetU32(nested, 6 * i + 2, 6 * (depth + 1 - i));
  }
  LoadedDb g;
  EXPECT_TRUE(g.Load(nested));
  EXPECT_EQ(g.db.chunks.size(), depth + 1);
  EXPECT_EQ(FindChunk(g.db, 0, 0x4000), kNoChunk);
}

TEST(FtkTree, UnterminatedStringsFail) {
  // An object name of 12 characters: one more than its limit.
  B tooLong(0x4D4D);
  tooLong.Add(B(0x3D3D).Add(B(0x4000).Str("ABCDEFGHIJKL")));
  LoadedDb a;
  EXPECT_FALSE(a.Load(tooLong.Bytes()));
  EXPECT_EQ(a.Codes(), ReadingCodes());
  // Eleven characters are accepted.
  B fits(0x4D4D);
  fits.Add(B(0x3D3D).Add(B(0x4000).Str("ABCDEFGHIJK")));
  LoadedDb b;
  EXPECT_TRUE(b.Load(fits.Bytes()));
  // A name cut by the end of its chunk.
  B cut(0x4D4D);
  B named(0x4000);
  named.data = {'A', 'B'};
  cut.Add(B(0x3D3D).Add(named));
  LoadedDb c;
  EXPECT_FALSE(c.Load(cut.Bytes()));
  EXPECT_EQ(c.Codes(), ReadingCodes());
  // A node name of 11 characters is too long for a node header.
  B node(0x4D4D);
  B kf(0xB000);
  kf.Add(B(0xB002).Add(B(0xB010).Str("ABCDEFGHIJK").U16(0).U16(0).U16(0xFFFF)));
  node.Add(kf);
  LoadedDb d;
  EXPECT_FALSE(d.Load(node.Bytes()));
  EXPECT_EQ(d.Codes(), ReadingCodes());
}

TEST(FtkTree, ParentNamesFromIds) {
  using build3ds::NodeSpec;
  B root(0x4D4D);
  B kf = build3ds::KeyframerHeader(30, 0, 30);
  NodeSpec body;
  body.id = 7;
  body.name = "box";
  body.instance = "a";
  kf.Add(build3ds::Node(body));
  NodeSpec arm;
  arm.id = 3;
  arm.name = "arm";
  arm.parent = 7;
  kf.Add(build3ds::Node(arm));
  NodeSpec cam;
  cam.id = 9;
  cam.name = "Cam";
  cam.tag = 0xB003;
  kf.Add(build3ds::Node(cam));
  NodeSpec hand;  // no id chunk of its own
  hand.name = "hand";
  hand.parent = 3;
  kf.Add(build3ds::Node(hand));
  NodeSpec lens;
  lens.id = 10;
  lens.name = "lens";
  lens.parent = 9;
  kf.Add(build3ds::Node(lens));
  NodeSpec orphan;
  orphan.id = 11;
  orphan.name = "orphan";
  orphan.parent = 42;
  kf.Add(build3ds::Node(orphan));
  root.Add(kf);
  LoadedDb l;
  ASSERT_TRUE(l.Load(root.Bytes()));
  Database& db = l.db;
  ASSERT_EQ(db.nodeLinks.size(), 6u);
  EXPECT_EQ(db.nodeLinks[0].parentName, "");
  EXPECT_EQ(db.nodeLinks[1].parentName, "box.a");
  EXPECT_EQ(db.nodeLinks[3].parentName, "arm");
  EXPECT_FALSE(db.nodeLinks[3].hasId);
  EXPECT_EQ(db.nodeLinks[4].parentName, "Cam");
  EXPECT_EQ(db.nodeLinks[5].parentName, "");
  ASSERT_EQ(ObjectNodeCount(db), 5);
  Node n;
  ASSERT_TRUE(GetObjectNode(db, 2, n));
  EXPECT_EQ(n.name, "hand");
  EXPECT_EQ(n.parentName, "arm");
  ASSERT_TRUE(GetNodeByName(db, "box.a", n));
  EXPECT_EQ(n.id, 7);
  EXPECT_EQ(n.FullName(), "box.a");
  EXPECT_FALSE(GetNodeByName(db, "box", n));
  ASSERT_TRUE(GetNodeByName(db, "Cam", n));
  EXPECT_FALSE(ErrorPending());
}

TEST(FtkTree, UncreatedDatabaseIsRefused) {
  ClearErrors();
  Database db;
  EXPECT_EQ(MaterialCount(db), 0);
  EXPECT_EQ(GetError(0).code, ERR_INVALID_DATABASE);
  ClearErrors();
  EXPECT_FALSE(CreateDatabase(nullptr, db));
  EXPECT_EQ(GetError(0).code, ERR_INVALID_ARG);
  EXPECT_EQ(GetError(1).code, ERR_CREATING_DATABASE);
  ClearErrors();
}
