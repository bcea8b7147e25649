// Damaged 3D Studio files: the import fails or succeeds, but never reads
// outside the file, never loops and never leaves a file open.
#include <gtest/gtest.h>

#include <random>

#include "_ImportHelpers.h"
#include "_SceneBuilder.h"
#include "kelmat/ftk/tests/Build3ds.h"
#include "kelmat/kelmat.h"

namespace {

int ImportBytes(const std::vector<uint8_t>& bytes, const std::string& path, int noKeyframer = 0) {
  EXPECT_TRUE(build3ds::WriteFile(path, bytes));
  build::ScopedScene s;
  return Kelmat_Load_3ds(path.c_str(), s.get(), 1.0f, 1, 0.01f, noKeyframer, 1);
}

}  // namespace

TEST(ImportRobust, EveryTruncationOfARealFile) {
  const std::vector<uint8_t> whole = build3ds::ReadFile(TestFile3ds("test1.3ds"));
  ASSERT_GT(whole.size(), 1000u);
  // One path for all: the import must close it each time and read the new
  // contents from the start.
  const std::string path = QuickScratch("truncated.3ds");
  int succeeded = 0;
  for (std::size_t n = 0; n < whole.size(); ++n) {
    succeeded += ImportBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + n), path);
  }
  // The root chunk claims the whole file, so every cut is noticed.
  EXPECT_EQ(succeeded, 0);
  EXPECT_EQ(ImportBytes(whole, path), 1) << LastError();
}

TEST(ImportRobust, CorruptedBytesAndLengths) {
  const char* names[] = {"RotatingCube.3DS", "test1.3ds", "CameraRollAnimWithChildObject.3ds",
                         "cubes_with_alpha.3DS"};
  std::mt19937 rng(20261209);
  const std::string path = QuickScratch("corrupt.3ds");
  for (const char* name : names) {
    const std::vector<uint8_t> whole = build3ds::ReadFile(TestFile3ds(name));
    ASSERT_FALSE(whole.empty()) << name;
    for (int round = 0; round < 250; ++round) {
      std::vector<uint8_t> bytes = whole;
      const int flips = 1 + static_cast<int>(rng() % 6);
      for (int i = 0; i < flips; ++i) {
        const std::size_t at = rng() % bytes.size();
        // Half of the damage goes to plausible counts and lengths: small
        // values and 0xFF runs.
        switch (rng() % 3) {
          case 0: bytes[at] = static_cast<uint8_t>(rng()); break;
          case 1: bytes[at] = 0xFF; break;
          default: bytes[at] = static_cast<uint8_t>(rng() % 8); break;
        }
      }
      ImportBytes(bytes, path, static_cast<int>(round & 1));
    }
  }
  // The table is not exhausted by all those imports.
  EXPECT_EQ(ImportBytes(build3ds::ReadFile(TestFile3ds("RotatingCube.3DS")), path), 1) << LastError();
}
