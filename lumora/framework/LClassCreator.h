// Maps class codes to the functions that build views and behaviours (load
// mode) or that write their blocks from the text form (compile mode), and
// drives the loading and compiling of frame files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumora/framework/LArray.h"

class LFrameObject;
class LFrame;

using LClassFactory = LFrameObject* (*)();
// Reads the current text record (or behaviour) and writes the class's blocks.
using LClassWriter = int (*)();

class LClassCreator {
public:
    enum { kLoad = 0, kCompile = 1 };

    explicit LClassCreator(int mode);
    LClassCreator(const LClassCreator&) = delete;
    LClassCreator& operator=(const LClassCreator&) = delete;
    ~LClassCreator();

    void Register(int code, LClassFactory factory);
    void RegisterWriter(int code, LClassWriter writer);
    void Unregister(int code);
    // Builds the views of the frame the frame manager is creating; 1 or 0.
    int LoadFrame(const char* frameName);
    // The same into a given frame.
    int LoadFrameInto(const char* frameName, LFrame* frame);
    // Text source (a file) to binary records; the number of view records, 0
    // when the source cannot be compiled (the reader tells why).
    int Compile(const char* sourceName, std::vector<std::uint8_t>* output);
    // The same on a source held in memory.
    int CompileText(const char* text, std::size_t size, std::vector<std::uint8_t>* output);
    int GetMode() const { return m_Mode; }
    // Registers a writer for every class of the frame-file format.
    void RegisterAllWriters();

private:
    void* Lookup(int code) const;
    int LoadRecords(int count, LFrame* frame);
    int CompileRecords();

    LArray m_Codes;
    LArray m_Functions;
    int m_Mode;
};

LClassCreator* GetClassCreator();

// A whole binary frame file (view count first) from its text form; empty
// with *error set when the source cannot be compiled.
std::vector<std::uint8_t> CompileFrameText(const char* text, std::size_t size, std::string* error);
// The same from a source file (a path, or a name in the current folder; ".txt"
// is added to a name without extension).
std::vector<std::uint8_t> CompileFrameFile(const char* path, std::string* error);
// The text form of a binary frame file; false with *error set when the file
// is damaged or holds an unknown class.
bool DecompileFrame(const std::uint8_t* data, std::size_t size, std::string* text, std::string* error);
