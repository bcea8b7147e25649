// The spoken lines of a universe, read from its ".voices" file: one line a
// voice (file name, speaker, then the French text), each spoken by
// espeak-ng in the speaker's style into a wave file, with its lip-sync
// timing file (chunk "INDEX") beside it or in another folder.
#pragma once

#include <map>
#include <string>

#include "demo/lib/Voice.h"
#include "tools/lumora-pack/Pack.h"

namespace pack {

struct SpokenLines {
    std::string voicesFile;                          // full path of the ".voices" file
    std::map<std::string, demo::VoiceStyle> styles;  // by speaker column
    std::string waveDir;                             // "U01/Sound"
    std::string timingDir;                           // "U01/Sound"
    std::string waveExt = ".WAV";
};

// Writes every line; false (with the pack's failure) on a bad line, an
// unknown speaker, a file not written or a file without lines.
bool WriteSpokenLines(Pack& pack, const SpokenLines& lines);

}  // namespace pack
