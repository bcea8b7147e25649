#include "tools/lumora-pack/Pack.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "lumora/engine/InfoTables.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Bmp.h"
#include "platform/Files.h"
#include "tools/dmfconv/TextureConvert.h"
#include "tools/lumora-pack/Tables.h"
#include "zelt/Dmf.h"

namespace pack {

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string Pack::Path(const std::string& rel) const { return m_Root + "/" + rel; }

bool Pack::MakeDir(const std::string& rel) {
    std::error_code error;
    std::filesystem::create_directories(Path(rel), error);
    return error ? Fail("cannot make " + Path(rel) + ": " + error.message()) : true;
}

bool Pack::Fail(const std::string& why) {
    if (m_Error.empty()) m_Error = why;
    return false;
}

bool Pack::WriteFile(const std::string& rel, const std::string& bytes) {
    std::ofstream out(Path(rel), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return Fail("cannot write " + Path(rel));
    ++m_Files;
    return true;
}

bool Pack::WriteTexture(const std::string& rel, const Image& image) {
    dmfconv::Picture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = {image.rgb[i * 3], image.rgb[i * 3 + 1], image.rgb[i * 3 + 2]};
    zelt::DmfImage dmf;
    std::string why;
    if (!dmfconv::Convert(picture, dmfconv::ConvertOptions{}, dmf, why)) return Fail(rel + ": " + why);
    std::vector<std::uint8_t> bytes;
    if (!zelt::DmfSerialize(dmf, bytes)) return Fail(rel + ": cannot encode the texture");
    return WriteFile(rel, std::string(bytes.begin(), bytes.end()));
}

bool Pack::WriteWave(const std::string& rel, const Sound& sound) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(sound.samples.size() * 2);
    std::string out = "RIFF";
    PutLe(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, 1, 2);  // mono
    PutLe(out, static_cast<std::uint32_t>(sound.rate), 4);
    PutLe(out, static_cast<std::uint32_t>(sound.rate) * 2, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    out += "data";
    PutLe(out, dataBytes, 4);
    for (std::int16_t s : sound.samples) PutLe(out, static_cast<std::uint16_t>(s), 2);
    return WriteFile(rel, out);
}

bool Pack::WriteTiming(const std::string& rel, const std::vector<demo::TimingMark>& marks) {
    std::string index;
    PutLe(index, static_cast<std::uint32_t>(marks.size()), 4);
    for (const demo::TimingMark& m : marks) {
        PutLe(index, m.ms, 4);
        PutLe(index, static_cast<std::uint32_t>(m.shape), 2);
        PutLe(index, 0, 2);
    }
    auto file = std::make_unique<XChunkFile>();
    const bool ok = file->Open(Path(rel).c_str(), 1) && file->BeginWriteChunk("INDEX") &&
                    file->Write(index.data(), static_cast<unsigned>(index.size())) && file->EndWriteChunk();
    if (!file->Close() || !ok) return Fail("cannot write " + Path(rel));
    ++m_Files;
    return true;
}

bool Pack::WriteBitmap(const std::string& rel, const Image& image) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(image.rgb[i * 3]) << 16 | static_cast<std::uint32_t>(image.rgb[i * 3 + 1]) << 8 |
                    image.rgb[i * 3 + 2];
    platform::PixelView view;
    view.bits = pixels.data();
    view.width = image.width;
    view.height = image.height;
    view.pitch = image.width * 4;
    view.format = platform::PixelFormat::XRGB8888;
    const std::vector<std::uint8_t> bytes = platform::EncodeBmp(view);
    if (bytes.empty()) return Fail(rel + ": cannot encode the bitmap");
    return WriteFile(rel, std::string(bytes.begin(), bytes.end()));
}

bool Pack::CompileTables(const std::string& dir, const std::string& tablesFile, const UniverseNames& names) {
    std::ifstream in(tablesFile, std::ios::binary);
    if (!in) return Fail("cannot read " + tablesFile);
    std::stringstream text;
    text << in.rdbuf();
    // A sound named without ".wav" is the game's name + ".WAV".
    auto soundExists = [&](const std::string& name) {
        std::string file = name;
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find(".wav") == std::string::npos) file += ".WAV";
        return !platform::ResolvePath(Path(dir), "Sound/" + file).empty();
    };
    Tables tables;
    std::string why;
    if (!pack::CompileTables(text.str(), tablesFile, names, soundExists, tables, why)) return Fail(why);
    if (!SaveObjectInfoFile(Path(dir + "/INFOOBJ.BIN").c_str(), tables.objects) ||
        !SaveActionInfoFile(Path(dir + "/INFOACT.BIN").c_str(), tables.actions))
        return Fail("cannot write the tables of " + dir);
    m_Files += 2;
    return true;
}

}  // namespace pack
