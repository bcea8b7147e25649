// The data pack being written: paths under its root, and writers for the
// kinds of files it holds (textures, sounds, bitmaps, tables). Every writer
// is deterministic: the same inputs give the same bytes.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "demo/lib/Media.h"

namespace pack {

using demo::Image;
using demo::Sound;

// What a universe tells the table compiler about itself.
struct UniverseNames {
    std::set<std::string> objects;     // kernel object names, as written
    std::set<std::string> animations;  // animation names
    std::set<std::string> operations;  // names its script answers (type-10 hand-overs)
};

class Pack {
public:
    explicit Pack(std::string root) : m_Root(std::move(root)) {}

    const std::string& Root() const { return m_Root; }
    // root + "/" + relative path (forward slashes).
    std::string Path(const std::string& rel) const;
    // Makes the folder (and its parents) under the root.
    bool MakeDir(const std::string& rel);

    bool WriteFile(const std::string& rel, const std::string& bytes);
    // A kernel texture from a picture through the converter's code (8-bit).
    bool WriteTexture(const std::string& rel, const Image& image);
    // A 16-bit PCM mono wave file.
    bool WriteWave(const std::string& rel, const Sound& sound);
    // A lip-sync timing file: chunk "INDEX" with the count and 8-byte
    // entries (time in ms, shape code, 2 spare bytes).
    bool WriteTiming(const std::string& rel, const std::vector<demo::TimingMark>& marks);
    // A 24-bit Windows bitmap.
    bool WriteBitmap(const std::string& rel, const Image& image);
    // Compiles a table text (objects and actions) into "INFOOBJ.BIN" and
    // "INFOACT.BIN" of the universe folder `dir`, checking it against the
    // universe's names and its "Sound/" folder.
    bool CompileTables(const std::string& dir, const std::string& tablesFile, const UniverseNames& names);

    // Records a failure (the first one is kept for the report).
    bool Fail(const std::string& why);
    bool Ok() const { return m_Error.empty(); }
    const std::string& Error() const { return m_Error; }
    int FilesWritten() const { return m_Files; }

private:
    std::string m_Root;
    std::string m_Error;
    int m_Files = 0;
};

}  // namespace pack
