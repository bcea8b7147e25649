// Media: every picture of the 2D screens is a named medium from the table
// "Media.txt" in "2DBIT/". The manager creates media on first use, shares
// them by reference count and draws them with clipping, a transparent colour
// and a draw mode.
#pragma once

#include <string>
#include <vector>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/LArray.h"
#include "platform/Surface.h"

class LView;

// What a user of a medium keeps: its group and its sub-index (1 unless it is
// a picture of a sheet).
struct LMediumRef {
    int group = 0;
    int subIndex = 1;
    class LMediaObject* medium = nullptr;  // the medium itself: group 0 holds many simple media
};

// Kinds of table entries.
enum { kMediumSheet = 0, kMediumSimple = 1, kMediumTiled = 2 };
// Largest sub-index of a sheet, and the largest tile grid side.
constexpr int kMaxSheetIndex = 4096;
constexpr int kMaxTileSide = 64;

class LMediaObject {
public:
    LMediaObject(platform::DirectDraw* dd, platform::PixelFormat format, const std::string& folder,
                 const std::string& file, int keyR, int keyG, int keyB);
    LMediaObject(const LMediaObject&) = delete;
    LMediaObject& operator=(const LMediaObject&) = delete;
    virtual ~LMediaObject();

    // Adds a reference; a sheet also records rect as its picture subIndex.
    virtual void Attach(const platform::RECT* rect, int subIndex);
    // Drops a reference; 1 when none is left.
    virtual int Release();
    virtual int Reload();
    virtual platform::DirectDrawSurface* GetSurface() const { return m_Surface; }
    virtual int Load();
    virtual int Restore();
    virtual int GetRect(const LMediumRef* ref, platform::RECT* out) const;
    // Draws src of the picture at (x, y) on target, clipped by the clip view
    // (or the screen) and paintRect, with the draw mode.
    virtual int Draw(platform::DirectDrawSurface* target, const platform::RECT& src, int x, int y, LView* clipView,
                     const platform::RECT* paintRect, const LMediumRef* ref, int mode);
    virtual int GetRefCount() const { return m_RefCount; }

    const std::string& GetFileName() const { return m_FileName; }
    // The surface value of the transparent colour, -1 without one.
    int GetKeyValue() const { return m_KeyValue; }

protected:
    // Clips the source rectangle and its destination (x, y) to the clip view
    // (or the screen), paintRect and the bitmap; 0 when nothing is left.
    int ClipDraw(const platform::RECT& srcIn, int x, int y, LView* clipView, const platform::RECT* paintRect,
                 platform::RECT* src, int* outX, int* outY) const;

    std::vector<platform::RECT> m_Rects;  // picture n at n - 1
    int m_RefCount = 0;
    std::string m_FileName;
    platform::DWORD m_CopyFlags = platform::DDBLTFAST_WAIT;
    platform::DirectDraw* m_DirectDraw;
    platform::PixelFormat m_Format;
    std::string m_Folder;
    int m_KeyR, m_KeyG, m_KeyB;
    int m_KeyValue = -1;
    platform::DirectDrawSurface* m_Surface = nullptr;
    platform::RECT m_BitmapRect{0, 0, 0, 0};
};

// One picture in one surface.
class LSimpleMediaObject : public LMediaObject {
public:
    using LMediaObject::LMediaObject;
};

// One surface for a whole group; every entry of the group is a sub-rectangle.
class LSharedMediaObject : public LMediaObject {
public:
    using LMediaObject::LMediaObject;
    void Attach(const platform::RECT* rect, int subIndex) override;
};

class LMediaManager {
public:
    struct Entry {
        int group = 0;
        int value = 0;  // sheet: picture number; tiled: (rows << 16) + columns
        int kind = kMediumSimple;
        platform::RECT rect{0, 0, 0, 0};
        LMediaObject* medium = nullptr;
        std::string file;
        int keyR = -1, keyG = -1, keyB = -1;
    };

    // Reads "Media.txt" from dataRoot + "2DBIT/"; GetStatus() is -1 when it
    // is missing. Media are loaded into surfaces of the given format.
    LMediaManager(const char* dataRoot, platform::DirectDraw* dd, platform::PixelFormat format);
    // The table from memory (tests, fuzzing); no surfaces are loaded.
    LMediaManager(const char* dataRoot, const char* table, std::size_t size);
    LMediaManager(const LMediaManager&) = delete;
    LMediaManager& operator=(const LMediaManager&) = delete;
    virtual ~LMediaManager();

    virtual void BuildIndex();
    virtual int ReadTable();
    virtual void SetGroupMedium(int group, LMediaObject* medium);
    virtual LMediaObject* FindGroupMedium(int group, int* index) const;
    // 1 when the line made an entry; a damaged line is reported and skipped.
    virtual int ParseLine(char* line);
    virtual LMediaObject* GetMedium(const char* name, LMediumRef* out, int noColourKey);
    virtual void ReleaseMedium(const LMediumRef* ref, int count);
    virtual void RestoreAll();
    virtual int AddEntry(const char* name, const Entry& entry);
    virtual void AddDefaultExtension(std::string* name) const;
    virtual const std::string& GetMediaFolder() const { return m_Folder; }

    int GetStatus() const { return m_Status; }
    int CountEntries() const { return m_Names.GetLastIndex() + 1; }
    const Entry* FindEntry(const char* name) const;
    // Lines of the table that were skipped as damaged.
    int CountRejectedLines() const { return m_Rejected; }
    void SetTarget(platform::DirectDraw* dd, platform::PixelFormat format);

private:
    int ParseText(const char* text, std::size_t size);
    LMediaObject* CreateMedium(const Entry& entry, int noColourKey);

    LArray m_Names;  // 32-byte names, sorted without regard to case
    std::vector<Entry> m_Entries;  // parallel to m_Names
    std::vector<std::pair<int, int>> m_GroupIndex;  // (group, entry index), by group
    std::string m_Folder;
    platform::DirectDraw* m_DirectDraw = nullptr;
    platform::PixelFormat m_Format = platform::PixelFormat::RGB565;
    int m_Status = 0;
    int m_Rejected = 0;
    int m_LineNumber = 0;
};
