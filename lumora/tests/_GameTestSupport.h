// Chunk files for the game's saved-state tests.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class XChunkFile;

// Writes a chunk file holding these (name, bytes) chunks in order; false
// when it cannot be written.
bool WriteChunks(const std::string& path, const std::vector<std::pair<std::string, std::string>>& chunks);
// A save folder holding one current player, "Cleo", whose last save was in
// `universe` (what the gallery goes by).
bool WritePlayerWhoReached(const std::filesystem::path& saveDir, int universe);
// Opens a chunk file for reading and hands it to read; read's answer, 0
// when the file cannot be opened.
int ReadChunks(const std::string& path, const std::function<int(XChunkFile*)>& read);
// Opens a chunk file for writing, hands it to write, closes it; 0 when any
// step fails.
int WriteWith(const std::string& path, const std::function<int(XChunkFile*)>& write);
