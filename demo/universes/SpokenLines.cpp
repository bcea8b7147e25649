#include "demo/universes/SpokenLines.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "lumora/shell/ChunkFile.h"

namespace pack {

bool WriteSpokenLines(Pack& pack, const SpokenLines& lines) {
    std::ifstream in(lines.voicesFile, std::ios::binary);
    if (!in) return pack.Fail("cannot read " + lines.voicesFile);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        std::istringstream words(line);
        std::string name, speaker;
        words >> name >> speaker;
        std::string text;
        std::getline(words, text);
        const auto style = lines.styles.find(speaker);
        if (style == lines.styles.end() || text.find_first_not_of(' ') == std::string::npos)
            return pack.Fail(lines.voicesFile + ": bad line: " + line);
        text = text.substr(text.find_first_not_of(' '));
        const demo::Sound voice =
            demo::SpeakLine(text, style->second, pack.Path(lines.waveDir + "/" + name + ".tmp"), 22050);
        if (!pack.WriteWave(lines.waveDir + "/" + name + lines.waveExt, voice)) return false;
        const std::string timing = demo::TimingChunk(demo::TimingFromEnvelope(voice));
        auto file = std::make_unique<XChunkFile>();
        if (!file->Open(pack.Path(lines.timingDir + "/" + name + ".bin").c_str(), 1) || !file->BeginWriteChunk("INDEX") ||
            !file->Write(timing.data(), static_cast<unsigned>(timing.size())) || !file->EndWriteChunk() || !file->Close())
            return pack.Fail("cannot write the timing file of " + name);
        ++count;
    }
    return count > 0 ? true : pack.Fail(lines.voicesFile + " holds no line");
}

}  // namespace pack
