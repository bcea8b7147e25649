// The 2D screens of the pack in build/bin/Data: every frame decompiles, every
// picture a frame or "Media.txt" names is a readable bitmap, the views the
// game looks up have their numbers and classes, the cursor pictures are
// there, and every frame opens in lumora-screens without a message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>


#include "demo/screens/Screens.h"
#include "lumora/framework/LClassCreator.h"
#include "platform/Bmp.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// One record of a decompiled frame: its class and the text of its keys.
struct Record {
    std::string code;
    std::string text;
    int id = -1;
    std::string Value(const std::string& key) const {
        const std::size_t at = text.find(key);
        if (at == std::string::npos) return "";
        std::size_t v = at + key.size();
        while (v < text.size() && std::isspace(static_cast<unsigned char>(text[v]))) ++v;
        return text.substr(v, text.find(';', v) - v);
    }
};

class ScreensCheck : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(std::getenv("LUMORA_BIN")) / "Data";
        ASSERT_TRUE(fs::exists(root / "2DBIT" / "Media.txt")) << "build the data target first: " << root;
        // "Media.txt": name;group;kind;file;rect;colour
        std::istringstream table(ReadAll(root / "2DBIT" / "Media.txt"));
        for (std::string line; std::getline(table, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            std::vector<std::string> fields;
            std::stringstream parts(line);
            for (std::string f; std::getline(parts, f, ';');) fields.push_back(f);
            ASSERT_GE(fields.size(), 4u) << line;
            EXPECT_TRUE(media.emplace(Lower(fields[0]), fields[3]).second) << "twice in Media.txt: " << fields[0];
        }
    }

    // The records of a frame, from its binary form through the decompiler.
    std::vector<Record> Frame(const std::string& name) {
        const std::string bytes = ReadAll(root / "2DFRA" / (name + ".fra"));
        std::string text, why;
        EXPECT_TRUE(DecompileFrame(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &text, &why))
            << name << ": " << why;
        std::vector<Record> records;
        std::size_t start = 0;
        for (std::size_t end = text.find('$'); end != std::string::npos; end = text.find('$', start = end + 1)) {
            Record r;
            r.text = text.substr(start, end - start);
            const std::size_t hash = r.text.find('#');
            if (hash == std::string::npos) continue;
            r.code = r.text.substr(hash, 4);
            r.id = std::atoi(r.Value("VIE.ViewID").c_str());
            records.push_back(r);
        }
        return records;
    }
    Record View(const std::vector<Record>& frame, int id) {
        for (const Record& r : frame)
            if (r.id == id) return r;
        ADD_FAILURE() << "no view " << id;
        return {};
    }
    bool HasMedium(const std::string& name) const { return media.count(Lower(name)) != 0; }

    fs::path root;
    std::map<std::string, std::string> media;  // lower-case name -> file
};

const char* const kFrames[] = {"Option",  "OptionSave", "OptionLoad", "Credits",    "OptionQuitter",
                               "OptionReglages", "Save", "OptionUser", "TableauJeu", "PorteF",
                               "Galerie", "Tableau",    "Loupe",      "Taille"};

TEST_F(ScreensCheck, EveryPictureNamedByAFrameOrTheTableIsAReadableBitmap) {
    for (const auto& [name, file] : media) {
        platform::BmpImage image;
        EXPECT_TRUE(platform::ReadBmpFile((root / "2DBIT" / file).c_str(), &image)) << name << " -> " << file;
    }
    for (const char* frame : kFrames) {
        ASSERT_TRUE(fs::exists(root / "2DFRA" / (std::string(frame) + ".fra"))) << frame;
        const std::string bytes = ReadAll(root / "2DFRA" / (std::string(frame) + ".fra"));
        std::string text, why;
        ASSERT_TRUE(DecompileFrame(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &text, &why))
            << frame << ": " << why;
        const std::vector<std::string> names = screens::PictureNamesOfFrame(text);
        EXPECT_FALSE(names.empty()) << frame;
        for (const std::string& name : names) EXPECT_TRUE(HasMedium(name)) << frame << " names " << name;
    }
    // Names the program makes up itself.
    for (const char* name : {"SomB2", "SomE2", "NULL", "Credit02.bmp", "Credit03.bmp", "Credit04.bmp", "Credit05.bmp"})
        EXPECT_TRUE(HasMedium(name)) << name;
    for (const char* code : screens::kPaintingCodes)
        for (const char* suffix : {"TAB", "Loupe", "_Size"}) EXPECT_TRUE(HasMedium(std::string(code) + suffix)) << code << suffix;
}

TEST_F(ScreensCheck, ViewsTheGameLooksUpHaveTheirNumbersClassesAndPictureForms) {
    const auto option = Frame("Option");
    EXPECT_EQ(View(option, 3).code, "#BIT");
    EXPECT_EQ(View(option, 6).code, "#BIT");
    EXPECT_EQ(View(option, 6).Value("SCR.ScriptName"), "OptionGalerie");
    const auto settings = Frame("OptionReglages");
    EXPECT_EQ(View(settings, 4).code, "#VoA");
    EXPECT_EQ(View(settings, 5).code, "#VoB");
    EXPECT_EQ(View(Frame("Credits"), 1).Value("BIT.BitmapName"), "Credit01.bmp");
    const auto save = Frame("OptionSave");
    EXPECT_EQ(View(save, 10).code, "#SAV");
    EXPECT_EQ(View(save, 11).code, "#SEd");
    const auto user = Frame("OptionUser");
    EXPECT_EQ(View(user, 11).code, "#UEd");
    EXPECT_EQ(View(user, 2).Value("SCR.ScriptName"), "SelectUser");
    EXPECT_EQ(View(Frame("OptionLoad"), 10).code, "#LOA");
    // Buttons the program switches between their enabled ("M") and disabled ("N") pictures.
    for (const Record& button : {View(save, 2), View(save, 3), View(save, 5), View(user, 2)}) {
        std::string name = button.Value("BIT.BitmapName");
        ASSERT_GE(name.size(), 5u);
        EXPECT_EQ(name[name.size() - 5], 'M') << name;
        name[name.size() - 5] = 'N';
        EXPECT_TRUE(HasMedium(name)) << name;
    }
    const auto panel = Frame("PorteF");
    EXPECT_EQ(View(panel, 200).code, "#pov");
    EXPECT_EQ(View(panel, 100).code, "#pob");
    EXPECT_EQ(View(Frame("Tableau"), 30).code, "#BIT");
    EXPECT_EQ(View(Frame("Loupe"), 1).code, "#LOP");
    // Gallery buttons name their painting by the first six characters of their picture.
    const auto gallery = Frame("Galerie");
    for (int i = 0; i < 20; ++i) {
        const Record button = View(gallery, screens::kGalleryButtons[i]);
        EXPECT_EQ(button.Value("BIT.BitmapName").substr(0, 6), screens::kPaintingCodes[i]);
        EXPECT_EQ(button.Value("SCR.ScriptName"), "GoToTableau");
    }
}

TEST_F(ScreensCheck, CursorPicturesAreTwentyPixelsWithATransparentSurround) {
    for (const char* file : {"Cur_default.BMP", "CUR_WAIT.BMP", "CUR_CLIC.BMP", "CUR_VOICE.BMP", "CUR_TAKE.BMP",
                             "CUR_USE.BMP", "LOUPEB.BMP", "LOUPED.BMP", "LOUPEDB.BMP", "LOUPEDH.BMP", "LOUPEG.BMP",
                             "LOUPEGB.BMP", "LOUPEGH.BMP", "LOUPEH.BMP"}) {
        platform::BmpImage image;
        ASSERT_TRUE(platform::ReadBmpFile((root / "2DBIT" / file).c_str(), &image)) << file;
        EXPECT_EQ(image.width, 20);
        EXPECT_EQ(image.height, 20);
        const auto white = std::count(image.rgb.begin(), image.rgb.end(), 0xFFFFFFu);
        EXPECT_GT(white, 50) << file;
        EXPECT_LT(white, 350) << file;
    }
}

TEST_F(ScreensCheck, EveryFrameOpensInLumoraScreensWithoutAMessage) {
    const fs::path out = fs::temp_directory_path() / ("screens-check-" + std::to_string(std::random_device{}()));
    fs::create_directories(out);
    for (const char* frame : kFrames) {
        const fs::path log = out / (std::string(frame) + ".log");
        const std::string command = "LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:20 " +
                                    (fs::path(std::getenv("LUMORA_BIN")) / "lumora-screens").string() + " " +
                                    root.string() + " " + frame + " --frames 2 --cursor > " + log.string() + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << frame;
        const std::string text = ReadAll(log);
        EXPECT_NE(text.find(std::string("screen: ") + frame), std::string::npos) << text;
        EXPECT_EQ(text.find("[message box]"), std::string::npos) << text;
        EXPECT_EQ(text.find("cannot"), std::string::npos) << text;
    }
    std::error_code error;
    fs::remove_all(out, error);
}

}  // namespace
