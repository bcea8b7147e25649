// Well-formed but incomplete files: each chunk of the shared test files is
// cut out in turn (the lengths of its ancestors shortened to match) and the
// result imported. The tree stays valid, so the import reaches its later
// steps with sections, meshes, groups, names or tracks missing; it may fail,
// but must do so with a message and without reading outside its data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "_FtkFixture.h"
#include "kelmat/kelmat.h"

namespace {

std::string TestFile(const std::string& name) {
  if (const char* root = std::getenv("LUMORA_TESTDATA")) return std::string(root) + "/3ds/" + name;
  const std::filesystem::path repo =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
  return (repo.parent_path() / "shared" / "testdata" / "3ds" / name).string();
}

void SetU32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string LastError() {
  char text[KELMAT_LAST_ERROR_SIZE];
  Kelmat_Get_Last_Error(text);
  return text;
}

}  // namespace

TEST(FtkDropChunk, EveryChunkOfTheTestFilesMayGoMissing) {
  const char* names[] = {"test1.3ds", "CameraRollAnimWithChildObject.3ds", "cubes_with_alpha.3DS"};
  int imported = 0, failed = 0;
  for (const char* name : names) {
    const std::vector<uint8_t> bytes = build3ds::ReadFile(TestFile(name));
    LoadedDb l;
    ASSERT_TRUE(l.Load(bytes)) << name;
    const std::vector<ftk::Chunk> chunks = l.db.chunks;
    const std::string path = ScratchPath("dropped.3ds");
    for (std::size_t k = 1; k < chunks.size(); ++k) {
      const ftk::Chunk& gone = chunks[k];
      std::vector<uint8_t> out(bytes.begin(), bytes.begin() + gone.position);
      out.insert(out.end(), bytes.begin() + gone.position + gone.length, bytes.end());
      for (int a = gone.parent; a != ftk::kNoChunk; a = chunks[a].parent)
        SetU32(out, chunks[a].position + 2, chunks[a].length - gone.length);
      ASSERT_TRUE(build3ds::WriteFile(path, out));
      for (int direct = 0; direct < 2; ++direct) {
        KelmatScene scene{};
        Kelmat_Set_Last_Error("%s", "");
        if (Kelmat_Load_3ds(path.c_str(), &scene, 1.0f, direct, 0.001f, direct, 1) == 1) {
          ++imported;
          // Whatever was imported can be written.
          const std::string s3d = ScratchPath("dropped.s3d");
          EXPECT_EQ(Kelmat_Save_S3d(&scene, s3d.c_str()), 1);
        } else {
          ++failed;
          EXPECT_FALSE(LastError().empty()) << name << " without chunk " << k;
        }
        Kelmat_Release_Scene(&scene);
      }
    }
  }
  EXPECT_GT(imported, 0);
  EXPECT_GT(failed, 0);
  EXPECT_EQ(ftk::OpenFileCount(), 0);
}
