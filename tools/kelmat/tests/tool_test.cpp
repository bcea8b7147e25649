// The kelmat tool's commands, run in-process and once as the installed program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "kelmat/tests/_AssetReader.h"
#include "tools/kelmat/KelmatTool.h"

namespace {

std::string Data(const std::string& name) {
  const char* root = std::getenv("LUMORA_TESTDATA");
  return std::string(root ? root : "../shared/testdata") + "/3ds/" + name;
}

std::filesystem::path Scratch() {
  static const std::filesystem::path dir = [] {
    std::random_device rd;
    auto d = std::filesystem::temp_directory_path() / ("lumora-kelmat-tool-" + std::to_string(rd()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

struct Result {
  int status;
  std::string out, err;
};

Result RunTool(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = kelmat_tool::Run(args, out, err);
  return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(KelmatTool, InfoShowsTheTree) {
  Result r = RunTool({"info", Data("test1.3ds")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "materials: 3")) << r.out;
  EXPECT_TRUE(Contains(r.out, "2 - Default  gouraud rgb  diffuse")) << r.out;
  EXPECT_TRUE(Contains(r.out, "texture IMAGE1.JPG")) << r.out;
  EXPECT_TRUE(Contains(r.out, "objects: 9")) << r.out;
  EXPECT_TRUE(Contains(r.out, "Box05  parent -  vertices 32  faces 12")) << r.out;
  EXPECT_TRUE(Contains(r.out, "keys: position 1, rotation 1, scale 1, hide 0, morph 0")) << r.out;

  Result cam = RunTool({"info", Data("CameraRollAnim.3ds")});
  ASSERT_EQ(cam.status, 0) << cam.err;
  EXPECT_TRUE(Contains(cam.out, "cameras: 1")) << cam.out;
  EXPECT_TRUE(Contains(cam.out, "field of view 45 deg")) << cam.out;
}

TEST(KelmatTool, FileWithoutKeyframerIsImportedDirectly) {
  Result r = RunTool({"info", Data("fels.3ds")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "has no keyframer section")) << r.out;
  EXPECT_TRUE(Contains(r.out, "Default  parent -  vertices 386  faces 768")) << r.out;
  EXPECT_FALSE(kelmat_tool::HasKeyframer(Data("fels.3ds")));
  EXPECT_TRUE(kelmat_tool::HasKeyframer(Data("test1.3ds")));
  EXPECT_FALSE(kelmat_tool::HasKeyframer(Data("missing.3ds")));
}

TEST(KelmatTool, ConvertWritesFiveFilesAndSplits) {
  const std::filesystem::path dir = Scratch() / "convert";
  Result r = RunTool({"convert", Data("test1.3ds"), "-o", dir.string(), "--scale", "0.5", "--weld", "0.001",
                      "--weld-normals", "--snap", "0.01", "--weld-scene", "--optimize", "1", "--split"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* ext : {".s3d", ".o3d", ".a3d", ".c3d", ".l3d"}) {
    asset::AssetFile file;
    std::string error;
    ASSERT_TRUE(asset::ReadAssetFile((dir / (std::string("test1") + ext)).string(), file, error)) << ext << error;
    if (std::string(ext) == ".o3d") {
      ASSERT_EQ(file.objects.size(), 9u);
      EXPECT_EQ(file.objects[0].welded, 1);
      // Welded cubes: 32 vertices with duplicated seams become fewer.
      EXPECT_LT(file.objects[0].poolSize, 32);
      for (const asset::Object& o : file.objects)
        for (const asset::Face& f : o.faces) EXPECT_GE(f.indices.size(), 3u);
    }
  }
  asset::AssetFile box;
  std::string error;
  ASSERT_TRUE(asset::ReadAssetFile((dir / "Box04.o3d").string(), box, error)) << error;
  ASSERT_EQ(box.objects.size(), 1u);
  EXPECT_EQ(box.objects[0].name, "Box04");
  ASSERT_TRUE(asset::ReadAssetFile((dir / "Box04.a3d").string(), box, error)) << error;
  ASSERT_EQ(box.animations.size(), 1u);
  EXPECT_TRUE(Contains(r.out, "Box10.o3d")) << r.out;
}

TEST(KelmatTool, MaterialsFileAndMaterialOption) {
  const std::filesystem::path txt = Scratch() / "test1.txt";
  Result r = RunTool({"materials", Data("test1.3ds"), "-o", txt.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream in(txt);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_TRUE(Contains(text.str(), "MATERIAL=\"1 - Default\"")) << text.str();
  // An edited file applied during a conversion.
  const std::filesystem::path edited = Scratch() / "edited.txt";
  std::ofstream(edited, std::ios::binary) << "MATERIAL=\"1 - Default\"\r\nSHININESS=77\r\n";
  const std::filesystem::path dir = Scratch() / "edited";
  r = RunTool({"convert", Data("test1.3ds"), "-o", dir.string(), "--materials", edited.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  asset::AssetFile o3d;
  std::string error;
  ASSERT_TRUE(asset::ReadAssetFile((dir / "test1.o3d").string(), o3d, error)) << error;
  bool found = false;
  for (const asset::Material& m : o3d.materials) {
    if (m.name == "1 - Default") {
      found = true;
      EXPECT_EQ(m.shininess, 77);
    }
  }
  EXPECT_TRUE(found);
}

TEST(KelmatTool, FailuresGiveStatusOneAndTheLastError) {
  Result r = RunTool({"convert", Data("CameraRollAnimWithChildObject.3ds"), "-o", (Scratch() / "bad").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Can't find parent object Camera01\n");
  r = RunTool({"info", Data("missing.3ds")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "ERR_OPENING_FILE")) << r.err;
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {}, {"explode"}, {"info"}, {"convert", Data("test1.3ds")}, {"convert", Data("test1.3ds"), "-o"},
           {"convert", Data("test1.3ds"), "-o", "x", "--weld", "far"}, {"info", Data("test1.3ds"), "--split"}}) {
    r = RunTool(bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "usage:")) << r.err;
  }
}

TEST(KelmatTool, InstalledProgramRuns) {
  const char* bin = std::getenv("LUMORA_BIN");
  ASSERT_NE(bin, nullptr);
  const std::filesystem::path out = Scratch() / "program.txt";
  const std::string command = "\"" + std::string(bin) + "/kelmat\" info \"" + Data("RotatingCube.3DS") +
                              "\" > \"" + out.string() + "\" 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_TRUE(Contains(text.str(), "Box01  parent -  vertices 26  faces 12")) << text.str();
  EXPECT_TRUE(Contains(text.str(), "rotation 182")) << text.str();
  const std::string failing = "\"" + std::string(bin) + "/kelmat\" info /nonexistent.3ds > /dev/null 2>&1";
  EXPECT_NE(std::system(failing.c_str()), 0);
}
