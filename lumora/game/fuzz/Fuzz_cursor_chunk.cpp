// Fuzz target of the "CURSOR" chunk: any byte string is stored as the chunk
// of a saved game and read back. The name must come back terminated and the
// saved flag as 0 or 1.
#include <cstring>

#include "ChunkFuzz.h"
#include "lumora/game/XCursor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteFuzzChunks("CURSOR", data, size, "PORTEF", "\xff\xff\xff\x7f");
    XChunkFile f;
    if (path.empty() || !f.Open(path.c_str(), 0)) return 0;
    XCursor::SavedState state;
    if (ReadCursorChunk(&f, &state)) {
        if (std::memchr(state.name, 0, sizeof state.name) == nullptr) std::abort();
        if (state.saved != 0 && state.saved != 1) std::abort();
        if (size < static_cast<std::size_t>(XCursor::kChunkSize)) std::abort();
    }
    f.Close();
    return 0;
}
