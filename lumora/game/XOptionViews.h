// The list and text-entry views of the option screens: the saved-game lists
// of the load and save screens ("#LOA", "#SAV"), the player list of the
// player screen ("#USc"), and the text entries ("#Edi", "#SEd", "#UEd").
// The lists draw their lines as text into a surface of their own (keyed on
// its background colour) and copy it over the list's picture.
#pragma once

#include <string>
#include <vector>

#include "lumora/framework/LScrollView.h"
#include "lumora/framework/LTimer.h"
#include "lumora/framework/LView.h"

class LFrameManager;

class LOptionScreen : public LScrollView {
public:
    static constexpr int kLineHeight = 32;
    static constexpr int kBarWidth = 38;
    static constexpr int kMaxSlot = 98;  // slots above are not shown
    static constexpr unsigned kBackground = 0x00502020;  // RGB(32, 32, 80), also the transparent colour
    static constexpr unsigned kSelectedColour = 0x005AC4F7;  // RGB(247, 196, 90)
    static constexpr unsigned kLineColour = 0x00EBBA87;      // RGB(135, 186, 235)

    enum Kind { kLoadList, kSaveList, kPlayerList };

    explicit LOptionScreen(int kind);  // from the frame record
    ~LOptionScreen() override;

    int LoadMedia() override;
    void DrawContent(const platform::RECT* r) override;
    void DoLButtonDown(platform::POINT* p, int* keys) override;
    int DoChar(int lParam, int ch) override;
    void ScrollToPos() override;
    void OnSurfacesRestored() override;

    // Re-reads what the list shows (after a save, a new player ...).
    virtual void Refresh();
    // The text of every line into the text surface.
    virtual void RenderText();
    int GetKind() const { return m_Kind; }
    int LineCount() const { return static_cast<int>(m_Lines.size()); }
    int VisibleLines() const { return m_Height / kLineHeight; }
    int GetSelected() const { return m_Selected; }
    // Selects a line (-1: none) and scrolls it into view.
    void SelectLine(int line);
    // The saved-game slot or player number of a line, -1 outside the list.
    int ItemOfLine(int line) const;
    int LineOfItem(int item) const;
    std::string LineText(int line) const;

private:
    void FreeSurface();
    int EnsureSurface();

    int m_Kind;
    platform::DirectDrawSurface* m_TextSurface = nullptr;
    int m_Selected = -1;
    unsigned m_KeyValue = 0;
    char m_DefaultLabel[64] = {};
    std::vector<int> m_Lines;  // item (slot or player number) of each line
    int m_Dirty = 1;           // the text surface needs drawing again
};

// The player list: a click on a player puts its name into the entry.
class LUser : public LOptionScreen {
public:
    static constexpr int kEntryId = 11;
    static constexpr int kConfirmId = 2;
    LUser();  // from the frame record
    void DoLButtonDown(platform::POINT* p, int* keys) override;
    // Confirms the name of the entry: finds or creates the player, opens the
    // inventory panel, makes the player current and leaves the screen.
    virtual int SelectUser();
    // The entry's text changed: select the first player whose name begins
    // with it and switch the confirm button.
    void OnNameTyped(const char* name);
};

class LEditView : public LView, public LTimerClient {
public:
    static constexpr int kFontHeight = -16;  // Arial 12 points at 96 pixels an inch
    static constexpr unsigned kBlinkMs = 530;

    LEditView();  // from the frame record
    explicit LEditView(int maxLength);  // from the frame record, with its length limit
    ~LEditView() override;

    void DrawContent(const platform::RECT* r) override;
    void DoLButtonDown(platform::POINT* p, int* keys) override;
    void DoDragMove(int packedPoint, int keys) override;
    int DoKeyDown(int lParam, int key) override;
    int DoChar(int lParam, int ch) override;
    void OnTick() override;

    const char* GetText() const { return m_Text.c_str(); }
    // Replaces the text; the caret goes to its end.
    void SetText(const char* text);
    int GetMaxLength() const { return m_MaxLength; }
    int GetCaret() const { return m_Caret; }
    int GetSelectionEnd() const { return m_SelEnd; }
    // Enter: saves the game when the entry stands beside a save list.
    virtual void Confirm();
    // The text changed by typing.
    virtual void OnTextChanged() {}

protected:
    // The character boundary nearest to screen x.
    int BoundaryAt(int x) const;
    void DeleteSelection();

    std::string m_Text;
    int m_Caret = 0;
    int m_SelEnd = 0;
    int m_CaretShown = 1;
    unsigned m_LastBlink = 0;
    int m_MaxLength;
};

// "#SEd": the saved-game name, offered as message 300.
class LSaveEdit : public LEditView {
public:
    static constexpr int kMaxLength = 40;
    LSaveEdit();
};

// "#UEd": the player name; Enter confirms the player, never saves.
class LUserEdit : public LEditView {
public:
    static constexpr int kMaxLength = 30;
    LUserEdit();
    void Confirm() override;
    void OnTextChanged() override;
    int LoadMedia() override;
};

// A view of the frame with this number and class, or null: every lookup by
// number is checked before the view is used.
template <typename T>
T* FindTypedView(LView* root, int id) {
    return root ? dynamic_cast<T*>(root->FindView(id)) : nullptr;
}

// Switches a button between its enabled ("M") and disabled ("N") picture,
// with its behaviours.
void SetButtonEnabled(LView* button, int enabled);

void RegisterOptionViewClasses(LFrameManager* manager);
