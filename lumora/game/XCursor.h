// The game's own cursor, drawn on the back buffer after everything else, in
// the 3D scenes and over the 2D screens: a small picture from a fixed table,
// the picture of a carried object, or a short animation. It remembers a
// carried object across temporary changes and saves that in saved games.
#pragma once

#include <cstdint>

#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LMedia.h"
#include "platform/Surface.h"

class XChunkFile;

class XCursor : public LCursorPort {
public:
    static constexpr int kMaxCursors = 20;
    static constexpr int kMaxSteps = 10;
    static constexpr int kNameSize = 30;
    static constexpr int kTableSize = 20;   // table pictures are drawn 20 x 20
    static constexpr int kObjectSize = 32;  // object pictures 32 x 32
    // Bytes of the "CURSOR" chunk: saved name, saved mode, saved flag.
    static constexpr int kChunkSize = kNameSize + 4 + 4;

    enum Mode { kModeNone = -1, kModeTable = 0, kModeObject = 1, kModeAnimation = 2 };
    enum {
        kDefault = 0, kWait = 1, kClick = 2, kVoice = 3, kTake = 4, kUse = 5,
        // 6 to 13: the magnifier arrows
    };

    struct Entry {
        int index = 0;
        char file[32] = {};
        int hotX = 0, hotY = 0;
        platform::DirectDrawSurface* surface = nullptr;
    };

    // The saved cursor as the "CURSOR" chunk holds it.
    struct SavedState {
        char name[kNameSize] = {};
        int mode = 0;
        int saved = 0;
    };

    XCursor(platform::HWND window, platform::DirectDraw* ddraw, platform::DirectDrawSurface* backBuffer);
    ~XCursor() override;
    XCursor(const XCursor&) = delete;
    XCursor& operator=(const XCursor&) = delete;

    // Fills the table with the game's fourteen pictures.
    void LoadCursors();
    // Loads a table picture into position `number`; 0 (and message 1010) when
    // it cannot be loaded, the position then staying empty.
    int AddCursor(int number, const char* file, int hotX, int hotY);
    // Empties a table position; the others keep their numbers.
    void RemoveCursor(int number);
    // Shows table picture `number`; 0 when there is no such position.
    int Select(int mode, int number, int redraw);
    void SetObjectCursor(int mode, const char* pictureName, int redraw);
    void Draw();
    void SetEnabled(int enabled, int redraw);
    void Suspend(int save, int redraw);
    void Resume(int redraw);
    void SaveCursor();
    void RestoreCursor(int redraw);
    void ReturnObjectToInventory();
    // 0 when ten steps are stored already.
    int AddAnimationStep(int mode, int number, LMediaObject* medium, const LMediumRef* ref = nullptr);
    // 0 (and nothing changes) for a rate of zero or less.
    int StartAnimation(int framesPerSecond);
    void StopAnimation();
    int IsBusy() const { return m_Mode == kModeObject || m_Mode == kModeAnimation; }
    int IsAnimating() const { return m_Mode == kModeAnimation; }
    int IsSuspended() const { return m_Suspended; }
    int SaveState(XChunkFile* f) const;
    // Reads the chunk when the file holds one; 0 and nothing changed otherwise.
    int LoadState(XChunkFile* f);

    // The rectangle drawn last (the shell invalidates it before a redraw).
    platform::RECT GetDrawRect() const { return platform::RECT{m_DrawX, m_DrawY, m_DrawRight, m_DrawBottom}; }
    int GetMode() const { return m_Mode; }
    int GetIndex() const { return m_Index; }
    const char* GetName() const { return m_Name; }
    const char* GetObjectName() const { return m_ObjectName; }
    // The carried object's picture (mode 1), for animation steps.
    LMediaObject* GetObjectMedium() const { return m_ObjectMedium; }
    const LMediumRef* GetObjectRef() const { return &m_ObjectRef; }
    int IsEnabled() const { return m_Enabled; }
    int IsSaved() const { return m_Saved; }
    const char* GetSavedName() const { return m_SavedName; }
    int GetCount() const { return m_Count; }
    const Entry& EntryAt(int number) const { return m_Table[number]; }
    int GetAnimationStep() const { return m_Step; }
    int GetAnimationInterval() const { return static_cast<int>(m_Interval); }
    platform::POINT GetPoint() const { return m_Point; }
    // The draw target of table pictures (the back buffer) may change with
    // the display mode.
    void SetBackBuffer(platform::DirectDrawSurface* backBuffer) { m_BackBuffer = backBuffer; }

    // LCursorPort: the framework's hover cursors.
    int HasResourceCursor(int) override { return 0; }
    void SetResourceCursor(int) override {}
    int IsCursorLocked() override { return IsBusy(); }
    void SelectCursor(int index) override { Select(kModeTable, index, 0); }

private:
    struct Step {
        int mode = 0;
        int number = 0;
        LMediaObject* medium = nullptr;
        LMediumRef ref;
    };
    void UpdatePosition();
    void DrawShape(int mode, int number, LMediaObject* medium, const LMediumRef* ref);
    void DrawTablePicture(int number);
    void DrawAnimation();
    void RedrawNow();
    int LoadPicture(Entry* e);
    void ReleaseObjectMedium();

    int m_Mode = kModeNone;
    int m_Index = 0;
    LMediaObject* m_ObjectMedium = nullptr;
    LMediumRef m_ObjectRef;
    char m_Name[kNameSize] = {};
    char m_ObjectName[kNameSize] = {};
    platform::POINT m_Point{0, 0};
    int m_DrawX = 0, m_DrawY = 0, m_DrawRight = 0, m_DrawBottom = 0;
    Entry m_Table[kMaxCursors];
    std::int16_t m_Count = 0;
    int m_Suspended = 0;
    int m_Enabled = 1;
    std::int16_t m_StepCount = 0;
    std::int16_t m_Step = 0;
    platform::DWORD m_Interval = 0;
    platform::DWORD m_LastStep = 0;
    Step m_Steps[kMaxSteps];
    int m_Saved = 0;
    int m_SavedMode = 0;
    char m_SavedName[kNameSize] = {};
    platform::DirectDraw* m_DirectDraw;
    platform::DirectDrawSurface* m_BackBuffer;
    platform::HWND m_Window;
};

// The one cursor manager (null before the shell makes it).
extern XCursor* g_Cursor;

// The "CURSOR" chunk: writes or reads the saved cursor. Reading gives 0 when
// the file has no such chunk; the name comes back terminated.
int WriteCursorChunk(XChunkFile* f, const XCursor::SavedState& state);
int ReadCursorChunk(XChunkFile* f, XCursor::SavedState* state);
