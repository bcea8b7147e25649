// Scripted runs of the real program on a scratch copy of the data pack, and
// the frame dumps they leave.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"

// The folder of the program and its data pack.
std::string BinDir();

struct DumpedFrame {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

DumpedFrame ReadFrame(const std::filesystem::path& path);
// Frame n (from 1) of a run's dump folder.
DumpedFrame ReadDumpedFrame(const std::filesystem::path& folder, int n);
int CountDumpedFrames(const std::filesystem::path& folder);

// The picture's colour reduced to five bits a channel, as a 16-bit frame holds it.
inline std::uint32_t Reduce(std::uint32_t c) { return c & 0xF8F8F8; }

// Share of sampled pixels (away from the cursor's corner) where two pictures agree.
double Agreement(const DumpedFrame& a, const DumpedFrame& b);

// Copies the pack into scratch/data and makes scratch/frames.
void CopyPack(const ScratchDir& scratch);

// Runs the program headless on scratch/data and scratch/save with an input
// script and a fixed clock of `msPerFrame`; `extraEnv` is put before the
// command (for example "LUMORA_AUDIO=audio.wav "). Returns the exit status
// and fills `log` with what it wrote.
// `extraArgs` go after the data and save folders (for example "--scene U03.ZELT").
int RunProgram(const ScratchDir& scratch, const std::string& script, std::string* log, int msPerFrame = 33,
               const std::string& extraEnv = "", const std::string& extraArgs = "");

// RunProgram straight into the scene list `list` (--scene), with the debug
// output and, when asked, a dump of every frame: the log, or "failed: " and
// it when the program did not end well.
std::string RunScene(const ScratchDir& scratch, const std::string& list, const std::string& script, bool frames = true,
                     int msPerFrame = 33);

// A scripted input's lines from "wait scene <list>" (the start when `list`
// is empty) up to, not including, the next "wait scene" line.
std::string ScriptPart(const std::string& script, const std::string& list);

// The first of `lines` that `log` does not hold after the one before it
// (from `from` on), or "" when all are there in that order; `last` gets
// where the last one was found.
std::string MissingInOrder(const std::string& log, const std::vector<std::string>& lines, std::size_t from = 0,
                           std::size_t* last = nullptr);
