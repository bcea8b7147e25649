// The material description file: exact text written, round trip, clamps,
// map items and syntax errors.
#include "_AssetReader.h"
#include "_SceneBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using build::ScopedScene;

const std::string kRule = ";-----------------------------------------------";

std::string LastError() {
  char text[KELMAT_LAST_ERROR_SIZE];
  Kelmat_Get_Last_Error(text);
  return text;
}

std::string WriteText(const std::string& name, const std::string& text) {
  std::string path = build::TempPath(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return path;
}

std::string FileText(const std::string& path) {
  auto bytes = asset::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Overwrites every field the file carries.
void Scramble(KelmatMaterial* m) {
  m->type = 0;
  std::memset(m->ambient, 7, 3);
  std::memset(m->diffuse, 7, 3);
  std::memset(m->specular, 7, 3);
  std::memset(m->lightColor, 7, 3);
  m->shininess = m->shininessStrength = m->transparency = 7;
  m->binaryOpacity = m->twoSided = m->tiling = 0;
  if (m->textureMap) m->textureMap->reflection = 0;
  if (m->lightMap) m->lightMap->reflection = 0;
}

struct Materials : ::testing::Test {
  ScopedScene scene;
  KelmatMaterial* brick = build::Material(scene.get(), "Brick");
  KelmatMaterial* glass = build::Material(scene.get(), "Glass wall");  // list head
};

TEST_F(Materials, WritesTheExactText) {
  glass->type = MATERIAL_GOURAUD_RGB;
  glass->ambient[0] = 255, glass->ambient[1] = 128, glass->ambient[2] = 0;
  glass->diffuse[1] = 1;
  glass->specular[2] = 200;
  glass->lightColor[0] = 9;
  glass->shininess = 30, glass->shininessStrength = 40, glass->transparency = 60;
  glass->binaryOpacity = 1, glass->twoSided = 1, glass->tiling = 0;
  glass->textureMap = build::Map("GLASS.BMP", 1);
  brick->type = 3;  // not a known type: no TYPE line
  brick->lightMap = build::Map("SHINE.BMP", 0);
  std::string path = build::TempPath("exact.txt");
  ASSERT_EQ(Kelmat_Generate_Material_File(scene.get(), path.c_str()), 1);
  std::string expected = kRule + "\r\n; " + path + "\r\n" + kRule + "\r\n\r\n" +
                         "MATERIAL=\"Glass wall\"\r\n"
                         "TYPE=MATERIAL_GOURAUD_RGB\r\n"
                         "AMBIENT=255,128,0\r\n"
                         "DIFFUSE=0,1,0\r\n"
                         "SPECULAR=0,0,200\r\n"
                         "LIGHT_COLOR=9,0,0\r\n"
                         "SHININESS=30\r\n"
                         "SHININESS_STRENGTH=40\r\n"
                         "TRANSPARENCY=60\r\n"
                         "BINARY_OPACITY=1\r\n"
                         "TWO_SIDED=1\r\n"
                         "TILING=0\r\n"
                         "TEXTURE_MAP=\"GLASS.BMP\"\r\n"
                         "REFLECTION=1\r\n"
                         "LIGHT_MAP=\"\"\r\n"
                         "REFLECTION=0\r\n"
                         "\r\n" + kRule + "\r\n\r\n" +
                         "MATERIAL=\"Brick\"\r\n"
                         "AMBIENT=0,0,0\r\n"
                         "DIFFUSE=0,0,0\r\n"
                         "SPECULAR=0,0,0\r\n"
                         "LIGHT_COLOR=0,0,0\r\n"
                         "SHININESS=0\r\n"
                         "SHININESS_STRENGTH=0\r\n"
                         "TRANSPARENCY=0\r\n"
                         "BINARY_OPACITY=0\r\n"
                         "TWO_SIDED=0\r\n"
                         "TILING=1\r\n"
                         "TEXTURE_MAP=\"\"\r\n"
                         "REFLECTION=0\r\n"
                         "LIGHT_MAP=\"SHINE.BMP\"\r\n"
                         "REFLECTION=0\r\n"
                         "\r\n" + kRule + "\r\n\r\n";
  EXPECT_EQ(FileText(path), expected);
}

TEST_F(Materials, RoundTripRestoresEveryField) {
  glass->type = MATERIAL_SELF_ILLUM;
  glass->ambient[2] = 33;
  glass->diffuse[0] = 255;
  glass->specular[1] = 44;
  glass->lightColor[2] = 1;
  glass->shininess = 100, glass->shininessStrength = 12, glass->transparency = 99;
  glass->binaryOpacity = 123, glass->twoSided = 1, glass->tiling = 1;
  glass->textureMap = build::Map("A.BMP", 1);
  glass->lightMap = build::Map("B.BMP", 1);
  brick->type = 3;
  brick->lightMap = build::Map("C.BMP", 1);
  KelmatMaterial glassBefore = *glass, brickBefore = *brick;
  KelmatMap textureBefore = *glass->textureMap, lightBefore = *glass->lightMap;

  std::string path = build::TempPath("roundtrip.txt");
  ASSERT_EQ(Kelmat_Generate_Material_File(scene.get(), path.c_str()), 1);
  Scramble(glass);
  Scramble(brick);
  brick->type = 3;
  ASSERT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 1) << LastError();
  EXPECT_EQ(std::memcmp(glass, &glassBefore, sizeof glassBefore), 0);
  EXPECT_EQ(std::memcmp(brick, &brickBefore, sizeof brickBefore), 0);
  EXPECT_EQ(std::memcmp(glass->textureMap, &textureBefore, sizeof textureBefore), 0);
  EXPECT_EQ(std::memcmp(glass->lightMap, &lightBefore, sizeof lightBefore), 0);
  EXPECT_EQ(brick->lightMap->reflection, 1);
  EXPECT_EQ(brick->textureMap, nullptr);
}

TEST_F(Materials, ClampsValuesAsRead) {
  std::string path = WriteText("clamps.txt",
                               "MATERIAL=\"Brick\"\r\n"
                               "AMBIENT=300,0,256\r\n"
                               "DIFFUSE=255,1000,2\r\n"
                               "SHININESS=150\r\n"
                               "SHININESS_STRENGTH=101\r\n"
                               "TRANSPARENCY=100\r\n"
                               "TWO_SIDED=5\r\n"
                               "TILING=2\r\n"
                               "BINARY_OPACITY=7\r\n"
                               "TEXTURE_MAP=\"T.BMP\"\r\n"
                               "REFLECTION=5\r\n"
                               "TYPE=MATERIAL_GOURAUD\r\n");
  ASSERT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 1) << LastError();
  EXPECT_EQ(brick->ambient[0], 255);
  EXPECT_EQ(brick->ambient[1], 0);
  EXPECT_EQ(brick->ambient[2], 255);
  EXPECT_EQ(brick->diffuse[1], 255);
  EXPECT_EQ(brick->diffuse[2], 2);
  EXPECT_EQ(brick->shininess, 100);
  EXPECT_EQ(brick->shininessStrength, 100);
  EXPECT_EQ(brick->transparency, 100);
  EXPECT_EQ(brick->twoSided, 1);
  EXPECT_EQ(brick->tiling, 1);
  EXPECT_EQ(brick->binaryOpacity, 7);
  ASSERT_NE(brick->textureMap, nullptr);
  EXPECT_STREQ(brick->textureMap->name, "T.BMP");
  EXPECT_EQ(brick->textureMap->reflection, 1);
  EXPECT_EQ(brick->type, MATERIAL_GOURAUD);
  EXPECT_EQ(glass->shininess, 0);  // only the named material changes
}

TEST_F(Materials, MapItemsCreateRemoveAndAimReflection) {
  brick->textureMap = build::Map("OLD.BMP", 1);
  brick->lightMap = build::Map("L.BMP", 0);
  std::string path = WriteText("maps.txt",
                               "MATERIAL=\"Brick\"\r\n"
                               "REFLECTION=0\r\n"          // before any map item: the texture map
                               "TEXTURE_MAP=\"\"\r\n"
                               "REFLECTION=1\r\n"          // the texture map is gone: nothing
                               "LIGHT_MAP=\"L2.BMP\"\r\n"
                               "MATERIAL=\"Glass wall\"\r\n"
                               "LIGHT_MAP=\"G.BMP\"\r\n"
                               "REFLECTION=1\r\n"
                               "TEXTURE_MAP=\"0123456789012345678901234567890123456789\"\r\n");
  ASSERT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 1) << LastError();
  EXPECT_EQ(brick->textureMap, nullptr);
  ASSERT_NE(brick->lightMap, nullptr);
  EXPECT_STREQ(brick->lightMap->name, "L2.BMP");
  EXPECT_EQ(brick->lightMap->reflection, 0);
  ASSERT_NE(glass->lightMap, nullptr);
  EXPECT_EQ(glass->lightMap->reflection, 1);  // aimed at the latest map item
  ASSERT_NE(glass->textureMap, nullptr);
  EXPECT_EQ(std::string(glass->textureMap->name), "0123456789012345678901234567890");
  EXPECT_EQ(glass->textureMap->reflection, 0);
}

TEST_F(Materials, SkipsUnknownNamesCommentsAndBlankLines) {
  std::string path = WriteText("skips.txt",
                               "   \r\n"
                               "   ; indented comment\r\n"
                               "MATERIAL=\"Nobody\"\r\n"
                               "SHININESS=50\r\n"
                               "TYPE=NOT_A_TYPE\r\n"        // accepted: no material is current
                               "MATERIAL=\"brick\"\r\n"     // names are case-sensitive
                               "TRANSPARENCY=9\r\n"
                               "MATERIAL=\"Brick\";the one\r\n"
                               "  TILING=0\r\n"
                               "MATERIAL=\"Glass wall\"TYPE=MATERIAL_SELF_ILLUM\r\n"
                               "\n"                          // an empty line ends the reading
                               "SHININESS=77\r\n");
  brick->shininess = 3;
  glass->type = MATERIAL_GOURAUD;
  ASSERT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 1) << LastError();
  EXPECT_EQ(brick->shininess, 3);
  EXPECT_EQ(brick->transparency, 0);
  EXPECT_EQ(brick->tiling, 0);
  EXPECT_EQ(glass->type, MATERIAL_SELF_ILLUM);
  EXPECT_EQ(glass->shininess, 0);
  EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), build::TempPath("missing.txt").c_str()), 1);
}

TEST_F(Materials, SyntaxErrorsNameTheirLine) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {";c\n;d\nMATERIAL=\"Brick\"\nSHININESS=5\n", 3},       // LF line ends
      {"MATERIAL=Brick\r\n", 1},                              // missing quote
      {"MATERIAL=\"Brick\"\r\nTYPE=PHONG\r\n", 2},             // unknown type
      {"MATERIAL=\"Brick\"\r\nSHINY=5\r\n", 2},                // no such keyword
      {"\r\nMATERIAL=\"Brick\" TILING=1\r\n", 2},              // blank between items
      {"MATERIAL=\"Brick\"\r\nTEXTURE_MAP=\"open\r\n", 2},     // runs past the line
      {"MATERIAL=\"Brick\"\r\nAMBIENT=1,2\r\n", 2},            // third component missing
      {"MATERIAL=\"Brick\"\r\nSHININESS=5", 2},                // no line end at the end
      {"junk\r\n", 1},
  };
  for (const Case& c : cases) {
    std::string path = WriteText("syntax.txt", c.text);
    Kelmat_Set_Last_Error("none");
    EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 0) << c.text;
    EXPECT_EQ(LastError(), "Syntax error line " + std::to_string(c.line)) << c.text;
  }
  // What came before the error stays changed.
  std::string path = WriteText("partial.txt", "MATERIAL=\"Brick\"\r\nSHININESS=42\r\nOOPS\r\n");
  EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 0);
  EXPECT_EQ(brick->shininess, 42);
}

TEST_F(Materials, LongLinesNeverOverflowTheLineBuffer) {
  // A quoted name that runs past 256 characters while a material is current.
  std::string longName(400, 'x');
  std::string path = WriteText("long.txt", "MATERIAL=\"Brick\"\r\nTEXTURE_MAP=\"" + longName + "\"\r\n");
  EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 0);
  EXPECT_EQ(LastError(), "Syntax error line 2");
  EXPECT_EQ(brick->textureMap, nullptr);
  // Without a current material the over-long value is not applied, and the
  // rest of the line is read as the next line.
  path = WriteText("long2.txt", "SHININESS=" + std::string(300, '1') + "\r\n");
  EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 0);
  EXPECT_EQ(LastError(), "Syntax error line 2");
  // A line of 256 characters, its CR included, is read whole.
  path = WriteText("long3.txt", "MATERIAL=\"Brick\"\r\nSHININESS=" + std::string(244, '0') +
                                    "9\r\n");
  EXPECT_EQ(Kelmat_Analyse_Material_File(scene.get(), path.c_str()), 1) << LastError();
  EXPECT_EQ(brick->shininess, 9);
}

TEST_F(Materials, HeaderCarriesALongPathWhole) {
  std::string folder = build::TempPath(std::string(200, 'a') + "/" + std::string(200, 'b') + "/" +
                                       std::string(200, 'c'));
  std::filesystem::create_directories(folder);
  std::string path = folder + "/materials.txt";
  ASSERT_EQ(Kelmat_Generate_Material_File(scene.get(), path.c_str()), 1);
  std::string text = FileText(path);
  EXPECT_EQ(text.substr(kRule.size() + 2, path.size() + 4), "; " + path + "\r\n");
}

TEST_F(Materials, ReportsAFileThatCannotBeCreated) {
  std::string path = build::TempPath("missing-folder/m.txt");
  EXPECT_EQ(Kelmat_Generate_Material_File(scene.get(), path.c_str()), 0);
  EXPECT_EQ(LastError(), "Can't create " + path);
}

}  // namespace
