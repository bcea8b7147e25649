// Scene lists (".zelt"): the small text files naming the asset files of a
// scene, the loader that hands each of them to the kernel, and the file
// functions the program lends to the kernel, which look texture maps up in
// the current scene's map folders.
//
// A scene list is a run of entries `keyword"argument"`, keywords tried in
// this order without regard to case: scene= object= animation= camera=
// light= lod=. An argument holds one field or two separated by a comma; a
// ";" where an entry would start comments out the rest of the line.
#pragma once

#include <cstdio>
#include <functional>

#include "include/zelt/zelt.h"

// Folders where a scene's texture maps are searched, in order.
class XMapDirs {
public:
    static constexpr int kCapacity = 8;
    static constexpr int kPathSize = 260;

    // Appends a folder; 0 when the list is full or the folder does not fit.
    int Add(const char* dir);
    void Clear() { m_Count = 0; }

    char m_Dirs[kCapacity][kPathSize] = {};
    int m_Count = 0;
};

// The map folders the lent open function searches: the current scene's.
// Null (the default) searches none.
void SetKernelMapDirs(const XMapDirs* dirs);
const XMapDirs* GetKernelMapDirs();

// The kernel file handle: a C stream and the whole-file buffer, both owned.
struct XKernelFile {
    std::FILE* m_File = nullptr;
    void* m_Buffer = nullptr;
};

// The four functions lent to the kernel (Zelt_Init_Ptr). Paths go through
// the case-insensitive resolver; a name containing ".dmf" is looked up in
// the current map folders. A failed open reports message 1002 with the path.
void* KernelOpen(const char* path, const char* mode);
// On failure the handle is already closed and freed.
int KernelReadAll(void* handle, void** buffer, int* size);
int KernelWrite(void* handle, const void* data, int length);
void KernelClose(void* handle);

// Lends the four functions and the C allocators to the kernel.
void LendKernelFunctions();
// Starts the kernel for programs that only load and render scenes (tools,
// tests): the math build (0 chooses by processor), the lent functions, the
// method tables and software pixels of `bits` (15 or 16). 1 or 0.
int StartKernel(int mathBuild, int bits);

// Opens (binary read) the first of dir + name over `count` folders that
// exists; copies its real path into foundPath (kPathSize bytes) when given.
std::FILE* FindInMapDirs(const char* name, int count, const char (*dirs)[XMapDirs::kPathSize], char* foundPath);

// What a scene list is loaded into.
struct XSceneListTarget {
    ZeltScene* m_Scene = nullptr;
    // Scene folder every file name is relative to (data root + "Uxx/").
    const char* m_Dir = "";
    // Binds an animation file to the object loaded before it. Empty: the file
    // is loaded into the kernel scene as it is (message 1400 when it fails).
    std::function<void(const char* file, ZeltObject* object, float speed)> m_LoadAnim;
};

// Loads a ".s3d", ".o3d" or ".zelt" file (by substring, without regard to
// case; the path itself is not changed). 1 or 0.
int LoadSceneFile(XSceneListTarget& target, const char* path);

// Parses a scene list and loads what it names; 1 or 0. What was loaded before
// a failing entry stays in the scene.
int ParseSceneList(XSceneListTarget& target, const char* text, int length);

// One entry of a scene list as the parser reads it (for tools that check a
// list without loading it).
struct XSceneListEntry {
    int m_Keyword = 0;  // index into the keyword order above
    char m_Field[2][256] = {};
    int m_FieldCount = 0;
};
// Reads the entries without loading anything; 1 when the whole text is
// well formed (no box is shown). `entries` receives them in order.
int ReadSceneListEntries(const char* text, int length, std::function<void(const XSceneListEntry&)> entry);

extern const char* const kSceneListKeywords[6];
