// Fuzz target of the "PORTEF" chunk: any byte string is stored as the chunk
// of a saved game and read back. No more names than the chunk holds, each
// terminated and not empty; the next chunk's bytes are never taken for names.
#include <vector>

#include "ChunkFuzz.h"
#include "lumora/game/XInventoryPanel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteFuzzChunks("PORTEF", data, size, "CURSOR", std::string(300, 'N'));
    XChunkFile f;
    if (path.empty() || !f.Open(path.c_str(), 0)) return 0;
    std::vector<std::string> names;
    if (ReadInventoryChunk(&f, &names)) {
        const std::size_t stored = size >= 4 ? (size - 4) / kInventoryNameSize : 0;
        if (names.size() > stored || names.size() > static_cast<std::size_t>(kInventoryMaxItems)) std::abort();
        for (const std::string& n : names)
            if (n.empty() || n.size() >= static_cast<std::size_t>(kInventoryNameSize)) std::abort();
    }
    f.Close();
    return 0;
}
