// One open screen: the views of its frame file, and the routing of mouse and
// key input to them (the last view drawn is the first one asked).
#pragma once

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LArray.h"
#include "platform/Types.h"

class LView;

class LFrame {
public:
    explicit LFrame(const char* name);
    LFrame(const LFrame&) = delete;
    LFrame& operator=(const LFrame&) = delete;
    virtual ~LFrame();

    virtual LView* GetRootView() const { return m_RootView; }
    virtual void SetRootView(LView* view) { m_RootView = view; }
    virtual LArray* GetViews() { return &m_Views; }
    virtual const char* GetName() const { return m_Name; }
    virtual int MouseMove(int packedPoint);
    virtual int LButtonDown(int packedPoint, int keys);
    virtual int KeyDown(int lParam, int key);
    virtual int RButtonDown(int packedPoint, int keys);
    virtual int DoubleClick(int packedPoint, int keys);
    virtual int DragStart(int packedPoint, int keys);
    virtual int DragMove(int packedPoint, int keys);
    virtual int LButtonUp(int packedPoint, int keys);
    virtual int FrameCommand(int a, int b);
    virtual int Char(int lParam, int ch);
    virtual int PreMouseMove(int) { return 0; }
    virtual int PreLButtonDown(int, int) { return 0; }
    virtual int PreKeyDown(int, int) { return 0; }
    virtual int PreRButtonDown(int, int) { return 0; }
    virtual int PreDoubleClick(int, int) { return 0; }
    virtual int PreDragStart(int, int) { return 0; }
    virtual int PreDragMove(int, int) { return 0; }
    virtual int PreLButtonUp(int, int) { return 0; }
    virtual int PreChar(int, int) { return 0; }
    virtual void Draw(const platform::RECT* r);
    virtual int Load();
    virtual int OnLoaded() { return 1; }
    virtual void DeleteRootView();
    virtual void OnSurfacesRestored();
    virtual void AddView(LView* view);
    virtual void RemoveView(LView* view);
    virtual int IsActive() const { return m_Active; }
    virtual void SetActive(int active);
    virtual LView* GetHoverView() const { return m_HoverView; }
    virtual LView* GetPressedView() const { return m_PressedView; }

    int CountViews() const { return m_Views.GetLastIndex() + 1; }
    LView* ViewAt(int index) const { return m_Views.PtrAt<LView>(index); }
    // The view with this identifier, or null.
    LView* FindViewById(int id) const;

private:
    // The topmost visible view under the point, or null.
    LView* HitView(int x, int y) const;
    using PressHandler = void (LView::*)(platform::POINT*, int*);
    int Press(int packedPoint, int keys, PressHandler handler);

    LView* m_RootView = nullptr;
    LArray m_Views{0, nullptr, kPointerSize};
    char m_Name[kFrameNameSize] = {};
    LView* m_HoverView = nullptr;
    LView* m_PressedView = nullptr;
    int m_Active = 1;
};
