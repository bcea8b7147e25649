// The inventory panel "PorteF": the objects the player carries, shown in a
// strip at the bottom of the screen that slides up into view and back down.
// Clicking an object takes it (it becomes the cursor and leaves the strip);
// clicking the strip while carrying an object puts it back. Objects are
// known by their strip picture names, whose seventh character is "P" (the
// cursor picture's is "C"); names are compared on their first seven.
#pragma once

#include <string>
#include <vector>

#include "lumora/framework/LFrame.h"
#include "lumora/framework/LTimer.h"
#include "lumora/framework/LView.h"

class LFrameManager;
class XChunkFile;

// "#pov", ViewID 200: holds one bitmap view per object.
class XInventoryStrip : public LView {
public:
    static constexpr int kViewId = 200;
    static constexpr int kSlot = 70;          // pixels from one object to the next
    static constexpr int kObjectSize = 51;
    static constexpr int kFirstX = 156;
    static constexpr int kVisible = 7;        // objects shown at once
    static constexpr int kWidthPerItem = 121;
    static constexpr int kTakeCursor = 4;

    XInventoryStrip();  // from the frame record
    XInventoryStrip(int id, const platform::RECT& frame, LView* parent);

    void OnLButtonDown(platform::POINT* p, int* keys) override;
    virtual void AddItem(const char* name);
    virtual int RemoveItem(const char* name);
    virtual void Scroll(int direction);
    virtual int HasItem(const char* name) const;
    virtual int SaveState(XChunkFile* f) const;
    virtual int LoadState(XChunkFile* f);
    virtual void Clear();

    int GetItemCount() const { return m_ItemCount; }
    int GetScrollPos() const { return m_ScrollPos; }
    // The picture names, in strip order.
    std::vector<std::string> ItemNames() const;

private:
    int m_NextId = 1000;
    int m_ItemCount = 0;
    int m_ScrollPos = 0;  // in objects, 0 or negative
};

// "#pob": an arrow; ViewID 100 moves the strip towards later objects, any
// other towards earlier ones.
class XInventoryArrow : public LView {
public:
    static constexpr int kLaterId = 100;
    XInventoryArrow();  // from the frame record
    void OnLButtonDown(platform::POINT* p, int* keys) override;
};

// One carried object in the strip.
class XInventoryObjectView : public LBitmapView {
public:
    XInventoryObjectView(int id, const platform::RECT& frame, const char* pictureName, LView* strip);
    void OnLButtonDown(platform::POINT* p, int* keys) override;
};

class XInventoryPanel : public LFrame, public LTimerClient {
public:
    static constexpr const char* kFrameName = "PorteF";
    static constexpr int kStep = 4;       // pixels per tick
    static constexpr int kShownY = 420;   // root top when shown
    static constexpr int kHiddenY = 480;  // root top when hidden
    static constexpr int kSpaceKey = 32;

    explicit XInventoryPanel(const char* name);
    ~XInventoryPanel() override;

    int KeyDown(int lParam, int key) override;
    int Load() override;
    void SetActive(int active) override;
    void OnTick() override;

    virtual int RemoveObject(const char* name);
    virtual int HasObject(const char* name);
    virtual void Show();
    virtual void Hide();
    virtual int SaveState(XChunkFile* f);
    virtual int LoadState(XChunkFile* f);
    virtual void Clear();
    virtual void AddObject(const char* name);
    virtual int IsUnderPointer() const;

    XInventoryStrip* GetStrip() const;
    int IsShown() const { return m_Shown; }
    int GetSlideStep() const { return m_Step; }
    // The open panel, or null.
    static XInventoryPanel* Current();

private:
    int RootY() const;

    int m_Step = 0;
    int m_Remaining = 0;
    int m_Shown = 0;
};

// Registers "#pov", "#pob" and the frame class "PorteF" with a frame
// manager (the game's frame manager does it when it registers its classes).
void RegisterInventoryClasses(LFrameManager* manager);

// The "PORTEF" chunk: the last index of the list (count - 1), then 30 bytes
// per picture name. Reading gives 0 without the chunk; the names come back
// terminated and their number bounded by the chunk's length.
constexpr int kInventoryNameSize = 30;
constexpr int kInventoryMaxItems = 256;
int WriteInventoryChunk(XChunkFile* f, const std::vector<std::string>& names);
int ReadInventoryChunk(XChunkFile* f, std::vector<std::string>* names);
