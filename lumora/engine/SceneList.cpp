#include "lumora/engine/SceneList.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "lumora/shell/DataPath.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"

const char* const kSceneListKeywords[6] = {"scene=", "object=", "animation=", "camera=", "light=", "lod="};

namespace {

enum Keyword { kScene, kObject, kAnimation, kCamera, kLight, kLod };

const XMapDirs* g_KernelMapDirs = nullptr;

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(const char* text) {
    std::string out(text ? text : "");
    for (char& c : out) c = LowerChar(c);
    return out;
}


// text starts with the lower-case keyword, ignoring case.
bool StartsWithKeyword(const char* text, const char* keyword, int size) {
    for (int i = 0; i < size; ++i)
        if (LowerChar(text[i]) != keyword[i]) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

enum class Scan { End, Entry, Unknown, BadArgument };

// Reads the next entry from text[pos]; pos ends after its closing quote, or
// at the offending keyword or argument.
Scan NextEntry(const char* text, int length, int& pos, XSceneListEntry& entry) {
    for (;;) {
        while (pos < length && IsBlank(text[pos])) ++pos;
        if (pos >= length) return Scan::End;
        if (text[pos] != ';') break;
        while (pos < length && text[pos] != '\n') ++pos;
    }
    entry = XSceneListEntry{};
    entry.m_Keyword = -1;
    for (int k = 0; k < 6; ++k) {
        const int size = static_cast<int>(std::strlen(kSceneListKeywords[k]));
        if (pos + size <= length && StartsWithKeyword(text + pos, kSceneListKeywords[k], size)) {
            entry.m_Keyword = k;
            pos += size;
            break;
        }
    }
    if (entry.m_Keyword < 0) return Scan::Unknown;
    if (pos >= length || text[pos] != '"') return Scan::BadArgument;
    ++pos;
    for (;;) {
        char* field = entry.m_Field[entry.m_FieldCount];
        int used = 0;
        // A field stops at a comma or a quote; the end of the text, a line
        // end or a 256th character mean the argument was never closed.
        while (pos < length && text[pos] != ',' && text[pos] != '"' && text[pos] != '\r' && text[pos] != '\n') {
            if (used == 255) return Scan::BadArgument;
            field[used++] = text[pos++];
        }
        field[used] = '\0';
        if (pos >= length || (text[pos] != ',' && text[pos] != '"')) return Scan::BadArgument;
        ++entry.m_FieldCount;
        if (text[pos++] == '"') return Scan::Entry;
        if (entry.m_FieldCount == 2) return Scan::BadArgument;
    }
}

std::string Excerpt(const char* text, int length, int pos) {
    int end = pos;
    while (end < length && end - pos < 40 && text[end] != '\r' && text[end] != '\n') ++end;
    return std::string(text + pos, text + end);
}

void ReportSyntax(const char* text, int length, int pos) {
    new MessageToUser(0, 100, __FILE__, __LINE__, Excerpt(text, length, pos).c_str(), nullptr, nullptr);
}

void LoadAnimationAlone(ZeltScene* scene, const char* file) {
    ZeltAnimation* animation = nullptr;
    if (!Zelt_Load_Sdk_a3d(scene, file, &animation))
        new MessageToUser(1, 1400, __FILE__, __LINE__, file, nullptr, nullptr);
}

bool StartsWithCollisionFolder(const char* file) {
    std::string lower = Lower(file);
    return lower.size() >= 10 && lower.compare(0, 6, "static") == 0 && (lower[6] == '\\' || lower[6] == '/') &&
           lower.compare(7, 3, "col") == 0;
}

}  // namespace

int XMapDirs::Add(const char* dir) {
    if (!dir || m_Count >= kCapacity || std::strlen(dir) >= static_cast<std::size_t>(kPathSize)) return 0;
    std::strcpy(m_Dirs[m_Count++], dir);
    return 1;
}

void SetKernelMapDirs(const XMapDirs* dirs) { g_KernelMapDirs = dirs; }
const XMapDirs* GetKernelMapDirs() { return g_KernelMapDirs; }

std::FILE* FindInMapDirs(const char* name, int count, const char (*dirs)[XMapDirs::kPathSize], char* foundPath) {
    if (!name || !dirs) return nullptr;
    if (count > XMapDirs::kCapacity) count = XMapDirs::kCapacity;
    for (int i = 0; i < count; ++i) {
        const std::string real = ResolveForReading(std::string(dirs[i]) + name);
        if (real.empty()) continue;
        std::FILE* file = std::fopen(real.c_str(), "rb");
        if (!file) continue;
        if (foundPath) {
            std::strncpy(foundPath, real.c_str(), XMapDirs::kPathSize - 1);
            foundPath[XMapDirs::kPathSize - 1] = '\0';
        }
        return file;
    }
    return nullptr;
}

void* KernelOpen(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    auto* handle = new (std::nothrow) XKernelFile;
    if (!handle) return nullptr;
    if (Lower(path).find(".dmf") != std::string::npos) {
        if (g_KernelMapDirs)
            handle->m_File = FindInMapDirs(path, g_KernelMapDirs->m_Count, g_KernelMapDirs->m_Dirs, nullptr);
    } else {
        const bool reading = mode[0] == 'r';
        const std::string real = reading ? ResolveForReading(path) : ResolveForWriting(path);
        if (!real.empty()) handle->m_File = std::fopen(real.c_str(), mode);
    }
    if (!handle->m_File) {
        new MessageToUser(0, 1002, __FILE__, __LINE__, path, nullptr, nullptr);
        delete handle;
        return nullptr;
    }
    return handle;
}

int KernelReadAll(void* opaque, void** buffer, int* size) {
    auto* handle = static_cast<XKernelFile*>(opaque);
    if (!handle || !buffer || !size) {
        KernelClose(opaque);
        return 0;
    }
    long length = -1;
    if (std::fseek(handle->m_File, 0, SEEK_END) == 0) length = std::ftell(handle->m_File);
    if (length >= 0 && length < (1L << 30) && std::fseek(handle->m_File, 0, SEEK_SET) == 0) {
        std::free(handle->m_Buffer);
        // One spare byte so an empty file still gets a buffer.
        handle->m_Buffer = std::malloc(static_cast<std::size_t>(length) + 1);
        if (handle->m_Buffer &&
            std::fread(handle->m_Buffer, 1, static_cast<std::size_t>(length), handle->m_File) ==
                static_cast<std::size_t>(length)) {
            *buffer = handle->m_Buffer;
            *size = static_cast<int>(length);
            return 1;
        }
    }
    KernelClose(opaque);  // the kernel must not close it again
    return 0;
}

int KernelWrite(void* opaque, const void* data, int length) {
    auto* handle = static_cast<XKernelFile*>(opaque);
    if (handle && data && length >= 0 &&
        std::fwrite(data, 1, static_cast<std::size_t>(length), handle->m_File) == static_cast<std::size_t>(length))
        return 1;
    KernelClose(opaque);
    return 0;
}

void KernelClose(void* opaque) {
    auto* handle = static_cast<XKernelFile*>(opaque);
    if (!handle) return;
    if (handle->m_File) std::fclose(handle->m_File);
    std::free(handle->m_Buffer);
    delete handle;
}

void LendKernelFunctions() {
    Zelt_Init_Ptr(KernelOpen, KernelReadAll, KernelWrite, KernelClose, std::malloc, std::calloc, std::realloc,
                  std::free);
}

int StartKernel(int mathBuild, int bits) {
    if (!Zelt_Init_Mathlib(mathBuild)) return 0;
    LendKernelFunctions();
    Zelt_Init_Vtbl(1);
    return Zelt_Init_Kernel(bits) ? 1 : 0;
}

int LoadSceneFile(XSceneListTarget& target, const char* path) {
    if (!path) return 0;
    const std::string lower = Lower(path);
    if (lower.find(".s3d") != std::string::npos) return Zelt_Load_Sdk_s3d(target.m_Scene, path) ? 1 : 0;
    if (lower.find(".o3d") != std::string::npos) {
        ZeltObject* object = nullptr;
        return Zelt_Load_Sdk_o3d(target.m_Scene, path, &object) ? 1 : 0;
    }
    if (lower.find(".zelt") == std::string::npos) return 0;
    void* handle = KernelOpen(path, "rb");
    if (!handle) return 0;
    void* text = nullptr;
    int size = 0;
    if (!KernelReadAll(handle, &text, &size)) return 0;
    const int result = ParseSceneList(target, static_cast<const char*>(text), size);
    KernelClose(handle);
    return result;
}

int ParseSceneList(XSceneListTarget& target, const char* text, int length) {
    if (!text || length < 0) return 0;
    ZeltScene* scene = target.m_Scene;
    ZeltObject* lastObject = nullptr;
    int pos = 0;
    for (;;) {
        XSceneListEntry entry;
        const int start = pos;
        const Scan scan = NextEntry(text, length, pos, entry);
        if (scan == Scan::End) return 1;
        if (scan == Scan::Unknown) {
            ReportSyntax(text, length, start);
            return 0;
        }
        // "lod=" needs an object to stand for; without one its argument is
        // not read and the entry counts as unknown.
        if (entry.m_Keyword == kLod && !lastObject) {
            ReportSyntax(text, length, start);
            return 0;
        }
        if (scan == Scan::BadArgument || (entry.m_Keyword == kLod && entry.m_FieldCount < 2)) {
            // Scenes and objects report their own load failures.
            if (entry.m_Keyword != kScene && entry.m_Keyword != kObject) ReportSyntax(text, length, start);
            return 0;
        }
        const std::string file = std::string(target.m_Dir) + entry.m_Field[0];
        switch (entry.m_Keyword) {
            case kScene:
                if (!Zelt_Load_Sdk_s3d(scene, file.c_str())) {
                    WarningBox("Can't load scene ");
                    return 0;
                }
                break;
            case kObject: {
                ZeltObject* object = nullptr;
                if (!Zelt_Load_Sdk_o3d(scene, file.c_str(), &object) || !object) {
                    WarningBox("Cannot load the object %s", file.c_str());
                    return 0;
                }
                lastObject = object;
                // Objects under static\col only exist for collision.
                if (StartsWithCollisionFolder(entry.m_Field[0])) Zelt_Object_Hide(object, 1);
                break;
            }
            case kAnimation: {
                if (!lastObject) break;
                const float speed = entry.m_FieldCount > 1 ? static_cast<float>(std::atof(entry.m_Field[1])) : 30.0f;
                if (target.m_LoadAnim)
                    target.m_LoadAnim(file.c_str(), lastObject, speed);
                else
                    LoadAnimationAlone(scene, file.c_str());
                break;
            }
            case kCamera:
                if (!Zelt_Load_Sdk_c3d(scene, file.c_str())) WarningBox("Error: Can't load camera %s ... ", file.c_str());
                break;
            case kLight:
                if (!Zelt_Load_Sdk_l3d(scene, file.c_str())) WarningBox("Error: Can't load light %s ... ", file.c_str());
                Zelt_Scene_All_Light_Include_Scene_All_Object(scene, 1);
                break;
            case kLod: {
                ZeltObject* lod = nullptr;
                if (!Zelt_Load_Sdk_o3d(scene, file.c_str(), &lod) || !lod) {
                    new MessageToUser(0, 1020, __FILE__, __LINE__, entry.m_Field[0], nullptr, nullptr);
                    break;
                }
                Zelt_Object_Add_Lod(lastObject, lod, scene, static_cast<float>(std::atof(entry.m_Field[1])));
                Zelt_Scene_All_Light_Include_Object(scene, lod, 1);
                break;
            }
        }
    }
}

int ReadSceneListEntries(const char* text, int length, std::function<void(const XSceneListEntry&)> entry) {
    if (!text || length < 0) return 0;
    int pos = 0;
    for (;;) {
        XSceneListEntry next;
        const Scan scan = NextEntry(text, length, pos, next);
        if (scan == Scan::End) return 1;
        if (scan != Scan::Entry) return 0;
        if (entry) entry(next);
    }
}
