// Views: rectangles in screen coordinates (640 x 480 client pixels) that
// draw themselves, react to the mouse and keys and may hold other views.
// Built from frame records (reading their blocks from the frame reader) or
// in code.
#pragma once

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LBehavior.h"
#include "lumora/framework/LMedia.h"

class LFrame;

// Largest coordinate a view keeps (records beyond it are brought back to it).
constexpr int kMaxCoordinate = 1 << 24;

class LView : public LBehaviorHost {
public:
    // From the frame record under the reader's cursor.
    LView();
    // In code: frame rectangle, flags and parent (may be null).
    LView(int id, const platform::RECT& frame, int visible, int mustClip, int ignoreClip, LView* parent);
    ~LView() override;

    virtual void Paint(const platform::RECT* r);
    virtual void DrawContent(const platform::RECT* r);
    virtual int LoadMedia();
    virtual void LocalToScreen(platform::POINT in, platform::POINT* out) const;
    virtual void AddSubView(LView* view);
    virtual void RemoveSubView(LView* view);
    virtual int CountSubViews() const;
    virtual LView* FindView(int id);
    virtual int HitTest(int x, int y) const;
    virtual int Intersects(const platform::RECT* r) const;
    virtual void OnMouseLeave();
    virtual void OnMouseEnter();
    virtual void OnMouseMove(platform::POINT* p);
    virtual void OnLButtonDown(platform::POINT* p, int* keys);
    virtual void OnRButtonDown(platform::POINT* p, int* keys);
    virtual void OnDoubleClick(platform::POINT* p, int* keys);
    virtual void OnDragStart(int packedPoint, int keys);
    virtual void OnDragMove(int packedPoint, int keys);
    virtual void OnDragEnd(int packedPoint, int keys);
    virtual int OnFrameCommand(int, int) { return 0; }
    virtual int OnKeyDown(int lParam, int key);
    virtual int OnChar(int lParam, int ch);
    virtual void DoMouseLeave() {}
    virtual void DoMouseEnter() {}
    virtual void DoMouseMove(platform::POINT*) {}
    virtual void DoLButtonDown(platform::POINT*, int*) {}
    virtual void DoRButtonDown(platform::POINT*, int*) {}
    virtual void DoDoubleClick(platform::POINT*, int*) {}
    virtual void DoDragStart(int, int) {}
    virtual void DoDragMove(int, int) {}
    virtual void DoDragEnd(int, int) {}
    virtual int DoKeyDown(int, int) { return 0; }
    virtual int DoChar(int, int) { return 0; }
    virtual void PaintAll(const platform::RECT* r);
    virtual void GetPosition(platform::POINT* p) const;
    virtual void GetSize(platform::POINT* p) const;
    virtual void GetContentOffset(platform::POINT* p) const;
    virtual void GetContentSize(platform::POINT* p) const;
    virtual void GetFrameRect(platform::RECT* r) const;
    virtual void GetContentRect(platform::RECT* r) const;
    virtual void GetClipRect(platform::RECT* r) const;
    virtual void MoveBy(int dx, int dy);
    virtual void MoveTo(int x, int y);
    virtual void Hook1(int, int) {}
    virtual void Hook2(int, int) {}
    virtual void ScrollTo(int x, int y);
    virtual void ScrollBy(int dx, int dy);
    virtual int GetMax() const { return m_Max; }
    virtual int GetMin() const { return m_Min; }
    virtual int GetPos() const { return m_Pos; }
    virtual void SetMax(int v) { m_Max = v; }
    virtual void SetMin(int v) { m_Min = v; }
    virtual void SetPos(int v) { m_Pos = v; }
    virtual void OnSurfacesRestored();
    virtual int IsVisible() const { return m_Visible; }
    virtual void SetVisible(int visible);
    virtual LView* GetSuperView() const { return m_SuperView; }
    virtual LFrame* GetFrame() const;
    virtual void Invalidate();
    virtual void FinishLoad();

    int GetViewID() const { return m_ViewID; }
    int IsPressed() const { return m_Pressed; }
    LView* SubViewAt(int index) const { return m_SubViews ? m_SubViews->PtrAt<LView>(index) : nullptr; }
    // Set by the record constructor when the parent named by the record is
    // not an earlier view of the frame (the loader then refuses the file).
    int HasLoadError() const { return m_LoadError; }
    // Takes the view out of its parent's children without deleting it.
    void DetachFromSuperView();

protected:
    void InvalidateRect(const platform::RECT& r) const;

    LView* m_SuperView = nullptr;
    LArray* m_SubViews = nullptr;
    int m_ViewID = 0;
    int m_X = 0, m_Y = 0, m_Width = 0, m_Height = 0;
    int m_OffsetX = 0, m_OffsetY = 0;
    int m_ContentWidth = 0, m_ContentHeight = 0;
    int m_Reserved = 0;
    int m_Visible = 1;
    int m_MustClip = 0;
    int m_IgnoreClip = 0;
    int m_Min = 0, m_Max = 0, m_Pos = 0;
    int m_Pressed = 0;
    int m_LoadError = 0;
};

// "#BIT": a view showing one medium, whose content can be scrolled.
class LBitmapView : public LView {
public:
    LBitmapView();  // from the frame record
    LBitmapView(int id, const platform::RECT& frame, const char* bitmapName, int drawMode, LView* parent);
    ~LBitmapView() override;

    void DrawContent(const platform::RECT* r) override;
    int LoadMedia() override;
    virtual LMediaObject* LoadBitmap(const char* name);
    virtual void ReleaseBitmap();
    virtual void SetBitmap(const char* name);
    virtual const char* GetBitmapName() const { return m_BitmapName; }

    LMediaObject* GetMedium() const { return m_Medium; }

protected:
    LMediaObject* m_Medium = nullptr;
    LMediumRef m_Ref;
    platform::RECT m_SourceRect{0, 0, 0, 0};
    int m_DrawMode = kDrawCopy;
    char m_BitmapName[kFrameNameSize] = {};
};

// The packed point of mouse messages and drag events: x in the low 16 bits,
// y in the high 16 bits, both signed.
inline int PackPoint(int x, int y) {
    return static_cast<int>((static_cast<unsigned>(y) << 16) | (static_cast<unsigned>(x) & 0xFFFFu));
}
inline platform::POINT UnpackPoint(int packed) {
    return platform::POINT{static_cast<std::int16_t>(packed & 0xFFFF), static_cast<std::int16_t>((packed >> 16) & 0xFFFF)};
}
