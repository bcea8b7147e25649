// The 2D screen framework's entry point: owns the open frames (bottom first),
// the class creator and frame reader, the media, the screen events, the
// timers and the update region; takes the window messages and redraws.
#pragma once

#include <functional>
#include <vector>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LBehavior.h"
#include "lumora/framework/LTimer.h"
#include "platform/Surface.h"

class LBitmapReader;
class LClassCreator;
class LFrame;
class LFrameReader;
class LMediaManager;
class LView;

using LFrameFactory = LFrame* (*)(const char* name);

class LFrameManager : public LBehaviorHost {
public:
    LFrameManager();
    ~LFrameManager() override;

    // 0 on success; -1 when a member cannot be made, or the media manager's
    // error code (-1 without "Media.txt").
    virtual int Init(platform::DirectDraw* ddraw, platform::DirectDrawSurface* primary,
                     platform::DirectDrawSurface* drawTarget, platform::HWND window, platform::HINSTANCE module,
                     int reserved, const char* dataRoot, int fullScreen);
    virtual platform::DirectDraw* GetDirectDraw() const { return m_DirectDraw; }
    virtual platform::DirectDrawSurface* GetDrawTarget() const { return m_DrawTarget; }
    virtual platform::DirectDrawSurface* GetPrimary() const { return m_Primary; }
    virtual platform::HWND GetWindow() const { return m_Window; }
    virtual LFrame* GetCurrentFrame() const { return m_CurrentFrame; }
    virtual LFrame* GetCreatingFrame() const { return m_CreatingFrame; }
    virtual platform::HINSTANCE GetModule() const { return m_Module; }
    virtual LClassCreator* GetClassCreator() const { return m_ClassCreator; }
    virtual LUpdateRegion* GetUpdateRegion() const { return m_UpdateRegion; }
    virtual LFrameReader* GetFrameReader() const { return m_FrameReader; }
    virtual LMediaManager* GetMediaManager() const { return m_Media; }
    virtual int GetReservedFlag() const { return m_ReservedFlag; }
    virtual LScriptTable* GetScriptTable() const { return m_Scripts; }
    virtual void* GetReservedPointer() const { return nullptr; }
    virtual const char* GetDataRoot() const { return m_DataRoot; }
    virtual int GetFullScreen() const { return m_FullScreen; }
    virtual LTimerList* GetTimerList() const { return m_Timers; }
    LBitmapReader* GetBitmapArchive() const { return m_BitmapArchive; }
    virtual void SetMode(platform::DirectDrawSurface* drawTarget, int fullScreen);
    virtual int OfferMessage(platform::HWND hwnd, platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);
    virtual int HandleMessage(platform::HWND hwnd, platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);
    virtual void Redraw(int full);
    virtual void OnTimer(platform::HWND hwnd, platform::UINT msg, platform::WPARAM wParam, platform::LPARAM lParam);
    virtual void DrawFrames(const platform::RECT* r);
    virtual void TickTimers();
    virtual void NotifyMessage();
    virtual void Idle();
    virtual void RequestFrame(const char* name);
    virtual void RequestClose(LFrame* frame);
    virtual LFrame* OpenFrame(const char* name);
    virtual LFrame* CreateFrame(const char* name, int index);
    virtual void CloseFrame(LFrame* frame);
    virtual void CloseFrameByName(const char* name);
    virtual void CloseCurrentFrame();
    virtual int DetachCurrentFrame();
    virtual LFrame* FrameOfRootView(LView* view) const;
    virtual void AdjustPoint(platform::POINT*) {}
    virtual void OneArgumentHook(int) {}
    virtual void ScreenToClientPoint(platform::POINT* p);

    void RegisterFrameClass(const char* name, LFrameFactory factory);

    // Shows the draw target on the screen: the one place a finished picture
    // leaves the framework.
    virtual void ShowDrawTarget();
    // Replaces the platform's Present in ShowDrawTarget (the game flips
    // through its display layer); null restores it.
    static void SetShowHook(void (*show)());

    int CountFrames() const;
    LFrame* FrameAt(int index) const;
    // Whether f is an open frame (or the detached one waiting to be closed).
    bool IsKnownFrame(const LFrame* f) const;
    const char* GetPendingFrame() const { return m_PendingFrame; }

    // Skips the next OfferMessage and Redraw (the gallery sets it as it opens).
    static void SetSkipOnce(int skip);
    static int GetSkipOnce();

    // The sound manager joins the frame manager as one of its behaviours: the
    // factory (installed by the shell) is called at the end of Init, and the
    // behaviour it returns receives the manager-level events (keys,
    // activation) and is deleted with the manager.
    using SoundManagerFactory = std::function<LBehavior*(LFrameManager&)>;
    static void SetSoundManagerFactory(SoundManagerFactory factory);

protected:
    // Registration of the frame-file classes, the named frame classes and the
    // screen events; a game subclass adds its own.
    virtual void RegisterClasses();
    virtual void RegisterScripts() {}

private:
    int SendManagerEvent(int type, void* data);
    void DispatchLButtonDown(platform::LPARAM lParam, platform::WPARAM wParam, int* handled);
    // Active frames, top first (a snapshot: handlers may open and close frames).
    std::vector<LFrame*> ActiveFramesTopFirst() const;

    platform::DirectDraw* m_DirectDraw = nullptr;
    platform::DirectDrawSurface* m_DrawTarget = nullptr;
    platform::DirectDrawSurface* m_Primary = nullptr;
    platform::HWND m_Window = nullptr;
    platform::HINSTANCE m_Module = nullptr;
    LTimerList* m_Timers = nullptr;
    int m_Dragging = 0;
    LClassCreator* m_ClassCreator = nullptr;
    LUpdateRegion* m_UpdateRegion = nullptr;
    LFrameReader* m_FrameReader = nullptr;
    LMediaManager* m_Media = nullptr;
    LScriptTable* m_Scripts = nullptr;
    LBitmapReader* m_BitmapArchive = nullptr;
    int m_ReservedFlag = 0;
    LArray* m_Frames = nullptr;
    LArray* m_FrameFactories = nullptr;
    LArray* m_FrameClassNames = nullptr;
    LFrame* m_CurrentFrame = nullptr;
    LFrame* m_CreatingFrame = nullptr;
    LFrame* m_DetachedFrame = nullptr;
    std::vector<LFrame*> m_Detached;  // every frame taken out of the list and not yet closed
    char m_DataRoot[256] = {};
    int m_FullScreen = 0;
    char m_PendingFrame[kFrameNameSize] = {};
    std::vector<LFrame*> m_PendingClose;  // closes asked for before the next idle pass
    platform::UINT_PTR m_TimerId = 0;
    // Messages being handled: frames asked to open or close meanwhile wait
    // for the idle pass after the handling (a handler may redraw in between).
    int m_Dispatching = 0;
};

// The one frame manager, and the framework members reachable through it.
LFrameManager* GetFrameManager();
