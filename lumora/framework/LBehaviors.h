// The behaviours frame records attach to views: "@FRA" opens another frame
// on a click, "@SCR" hands events to a screen event handler, "@HIL" and
// "@HIG" draw a highlight while the pointer is over the view, "@CUR" shows
// a pointer shape over it and "@DRA" lets it be dragged.
#pragma once

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LBehavior.h"
#include "lumora/framework/LMedia.h"

class LView;

class LFrameLinkBehavior : public LBehavior {
public:
    LFrameLinkBehavior();  // from the frame record
    explicit LFrameLinkBehavior(const char* frameName);
    int HandleEvent(int type, void* sender, void* data) override;
    const char* GetFrameName() const { return m_FrameName; }

private:
    char m_FrameName[kFrameNameSize] = {};
};

class LCursorBehavior : public LBehavior {
public:
    LCursorBehavior();  // from the frame record
    int HandleEvent(int type, void* sender, void* data) override;
    void OnInit() override;

private:
    int m_CursorId = 0;
    int m_Loaded = 0;  // the cursor port knows the shape
};

class LDragBehavior : public LBehavior {
public:
    enum { kCursorGrab = 1002, kCursorHand = 1003 };
    LDragBehavior();  // from the frame record
    explicit LDragBehavior(int mustReturn);
    int HandleEvent(int type, void* sender, void* data) override;

private:
    int m_MustReturn = 0;
    int m_OriginX = 0, m_OriginY = 0;
    int m_GrabX = 0, m_GrabY = 0;
};

class LHighlightBehavior : public LBehavior {
public:
    LHighlightBehavior();  // from the frame record
    LHighlightBehavior(const char* bitmapName, int offsetX, int offsetY);
    ~LHighlightBehavior() override;
    int HandleEvent(int type, void* sender, void* data) override;
    int GetRect(platform::RECT* r) const override;
    void OnInit() override;
    virtual int LoadBitmap(const char* name);
    virtual void DrawHighlight(LView* view);
    virtual void InvalidateHighlight(LView* view);
    int IsLit() const { return m_Lit; }

protected:
    char m_BitmapName[kFrameNameSize] = {};
    int m_OffsetX = 0, m_OffsetY = 0;
    int m_Lit = 0;
    platform::RECT m_BitmapRect{0, 0, 0, 0};
    LMediaObject* m_Medium = nullptr;
    LMediumRef m_Ref;
};

class LFixedHighlightBehavior : public LHighlightBehavior {
public:
    LFixedHighlightBehavior();  // from the frame record
    LFixedHighlightBehavior(const char* bitmapName, int x, int y);
    void DrawHighlight(LView* view) override;
    void InvalidateHighlight(LView* view) override;
};

class LScriptBehavior : public LBehavior {
public:
    LScriptBehavior();  // from the frame record
    explicit LScriptBehavior(const char* scriptName);
    int HandleEvent(int type, void* sender, void* data) override;
    const char* GetScriptName() const { return m_ScriptName; }

private:
    char m_ScriptName[kFrameNameSize] = {};
};
