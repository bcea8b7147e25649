#include "platform/Dialog.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/Present.h"
#include "platform/Surface.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace platform {
namespace {

// Dialog units of an 8-point "MS Sans Serif" dialog: 6 x 13 pixel base units.
constexpr int kBaseX = 6, kBaseY = 13;
constexpr int kBorder = 3, kCaption = 18;
constexpr int kComboHeight = 20, kEntryHeight = 16;
constexpr int kFontHeight = -11;

int DuX(int du) { return du * kBaseX / 4; }
int DuY(int du) { return du * kBaseY / 8; }

struct Control {
    DialogControl spec;
    HWND hwnd = nullptr;
    RECT rect{};  // picture pixels
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> entries;
    int selection = -1;
};

struct Dialog {
    HINSTANCE instance = nullptr;
    DialogTemplate spec;
    HWND hwnd = nullptr;
    DLGPROC proc = nullptr;
    std::vector<Control> controls;
    RECT frame{};  // the dialog's outer rectangle
    int width = 640, height = 480;  // the picture
    std::vector<std::uint16_t> background;
    bool ended = false;
    INT_PTR result = 0;
    bool dirty = true;
    Control* pressed = nullptr;
    Control* open = nullptr;  // drop-down list showing its entries
    int hot = -1;             // highlighted entry of the open list
};

struct Registry {
    std::map<std::pair<HINSTANCE, int>, DialogTemplate> templates;
    std::map<std::pair<HINSTANCE, int>, DialogBitmap> bitmaps;
    std::vector<Dialog*> open;  // innermost last
    bool classesRegistered = false;
};

Registry& R() {
    static Registry r;
    return r;
}

Dialog* DialogOf(HWND hwnd) {
    for (Dialog* d : R().open)
        if (d->hwnd == hwnd) return d;
    return nullptr;
}

Control* ControlOf(HWND hwnd, Dialog** owner = nullptr) {
    for (Dialog* d : R().open)
        for (Control& c : d->controls)
            if (c.hwnd == hwnd) {
                if (owner) *owner = d;
                return &c;
            }
    return nullptr;
}

Control* ControlById(Dialog* d, int id) {
    if (!d) return nullptr;
    for (Control& c : d->controls)
        if (c.spec.id == id) return &c;
    return nullptr;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Outer frame and control rectangles of a template in a picture.
RECT Place(const DialogTemplate& t, int width, int height, std::vector<RECT>* controls) {
    const int cw = DuX(t.width), ch = DuY(t.height);
    const int caption = t.caption.empty() ? 0 : kCaption;
    const int fw = cw + 2 * kBorder, fh = ch + 2 * kBorder + caption;
    const int left = std::max(0, (width - fw) / 2), top = std::max(0, (height - fh) / 2);
    const int ox = left + kBorder, oy = top + kBorder + caption;
    if (controls) {
        controls->clear();
        for (const DialogControl& c : t.controls) {
            RECT r{ox + DuX(c.x), oy + DuY(c.y), ox + DuX(c.x + c.width), oy + DuY(c.y + c.height)};
            if (c.kind == DialogControlKind::DropDownList) r.bottom = r.top + kComboHeight;
            controls->push_back(r);
        }
    }
    return RECT{left, top, left + fw, top + fh};
}

// --- drawing ---------------------------------------------------------------

struct Canvas {
    PixelView view;
    std::uint16_t* px() const { return static_cast<std::uint16_t*>(view.bits); }
    void Fill(RECT r, unsigned cr, unsigned cg, unsigned cb) const {
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, view.width);
        r.bottom = std::min<LONG>(r.bottom, view.height);
        const std::uint16_t v = Rgb888To565(cr, cg, cb);
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) px()[y * view.width + x] = v;
    }
    void Edge(const RECT& r, bool raised) const {
        const unsigned hi = raised ? 255 : 128, lo = raised ? 128 : 255;
        Fill(RECT{r.left, r.top, r.right, r.top + 1}, hi, hi, hi);
        Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, hi, hi, hi);
        Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, lo, lo, lo);
        Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, lo, lo, lo);
    }
    void Text(const RECT& r, const std::string& text, UINT format, COLORREF color) const {
        TextStyle style;
        style.height = kFontHeight;
        style.color = color;
        style.format = format | DT_SINGLELINE | DT_VCENTER;
        DrawText(view, r, text, style);
    }
    void Disc(int cx, int cy, int radius, unsigned cr, unsigned cg, unsigned cb) const {
        for (int y = -radius; y <= radius; ++y)
            for (int x = -radius; x <= radius; ++x)
                if (x * x + y * y <= radius * radius + radius) Fill(RECT{cx + x, cy + y, cx + x + 1, cy + y + 1}, cr, cg, cb);
    }
};

void DrawBitmap(const Canvas& canvas, const DialogBitmap& b, int left, int top, const RECT& clip) {
    for (int y = 0; y < b.height; ++y) {
        const int py = top + y;
        if (py < clip.top || py >= clip.bottom || py < 0 || py >= canvas.view.height) continue;
        for (int x = 0; x < b.width; ++x) {
            const int px = left + x;
            if (px < clip.left || px >= clip.right || px < 0 || px >= canvas.view.width) continue;
            const std::uint32_t c = b.rgb[static_cast<size_t>(y) * b.width + x];
            canvas.px()[py * canvas.view.width + px] = Rgb888To565(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
        }
    }
}

void Draw(Dialog& d, std::vector<std::uint16_t>& pixels) {
    pixels = d.background;
    Canvas cv{PixelView{pixels.data(), d.width, d.height, d.width * 2, PixelFormat::RGB565}};
    const RECT f = d.frame;
    cv.Fill(f, 192, 192, 192);
    cv.Edge(f, true);
    const COLORREF black = RGB(0, 0, 0), grey = RGB(128, 128, 128), white = RGB(255, 255, 255);
    if (!d.spec.caption.empty()) {
        RECT bar{f.left + kBorder, f.top + kBorder, f.right - kBorder, f.top + kBorder + kCaption};
        cv.Fill(bar, 0, 0, 128);
        cv.Text(RECT{bar.left + 4, bar.top, bar.right, bar.bottom}, d.spec.caption, DT_LEFT, white);
    }
    const RECT client{f.left + kBorder, f.top + kBorder + (d.spec.caption.empty() ? 0 : kCaption), f.right - kBorder,
                      f.bottom - kBorder};
    for (const Control& c : d.controls) {
        const RECT& r = c.rect;
        const COLORREF ink = c.enabled ? black : grey;
        switch (c.spec.kind) {
            case DialogControlKind::PushButton:
            case DialogControlKind::DefPushButton: {
                const bool down = d.pressed == &c;
                cv.Fill(r, 192, 192, 192);
                if (c.spec.kind == DialogControlKind::DefPushButton) {
                    cv.Fill(RECT{r.left, r.top, r.right, r.top + 1}, 0, 0, 0);
                    cv.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, 0, 0, 0);
                    cv.Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, 0, 0, 0);
                    cv.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, 0, 0, 0);
                    cv.Edge(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, !down);
                } else {
                    cv.Edge(r, !down);
                }
                cv.Text(RECT{r.left + (down ? 1 : 0), r.top + (down ? 1 : 0), r.right, r.bottom}, c.spec.text, DT_CENTER, ink);
                break;
            }
            case DialogControlKind::AutoRadioButton: {
                const int cy = (r.top + r.bottom) / 2, cx = r.left + 6;
                cv.Disc(cx, cy, 6, 128, 128, 128);
                cv.Disc(cx, cy, 5, 255, 255, 255);
                if (c.checked) cv.Disc(cx, cy, 2, 0, 0, 0);
                cv.Text(RECT{r.left + 16, r.top, r.right, r.bottom}, c.spec.text, DT_LEFT, ink);
                break;
            }
            case DialogControlKind::GroupBox: {
                const RECT box{r.left, r.top + 6, r.right, r.bottom};
                cv.Edge(box, false);
                cv.Edge(RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, true);
                SIZE ext{};
                GetTextExtent(c.spec.text, kFontHeight, false, &ext);
                const RECT label{r.left + 6, r.top, r.left + 10 + ext.cx, r.top + 13};
                cv.Fill(label, 192, 192, 192);
                cv.Text(RECT{label.left + 2, label.top, label.right + 2, label.bottom}, c.spec.text, DT_LEFT, ink);
                break;
            }
            case DialogControlKind::DropDownList: {
                cv.Fill(r, c.enabled ? 255 : 192, c.enabled ? 255 : 192, c.enabled ? 255 : 192);
                cv.Edge(r, false);
                const RECT arrow{r.right - 18, r.top + 2, r.right - 2, r.bottom - 2};
                cv.Fill(arrow, 192, 192, 192);
                cv.Edge(arrow, true);
                const int ax = (arrow.left + arrow.right) / 2, ay = (arrow.top + arrow.bottom) / 2 - 2;
                for (int k = 0; k < 4; ++k) cv.Fill(RECT{ax - 3 + k, ay + k, ax + 4 - k, ay + k + 1}, 0, 0, 0);
                if (c.selection >= 0 && c.selection < static_cast<int>(c.entries.size()))
                    cv.Text(RECT{r.left + 4, r.top, arrow.left - 2, r.bottom}, c.entries[c.selection], DT_LEFT, ink);
                break;
            }
            case DialogControlKind::Picture:
                if (const DialogBitmap* b = FindDialogBitmap(d.instance, c.spec.bitmap)) DrawBitmap(cv, *b, r.left, r.top, client);
                break;
            case DialogControlKind::Frame:
                cv.Edge(r, false);
                cv.Edge(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, true);
                break;
            case DialogControlKind::Text: cv.Text(r, c.spec.text, DT_LEFT, ink); break;
        }
    }
    if (const Control* c = d.open) {
        const int n = static_cast<int>(c->entries.size());
        for (int i = 0; i < n; ++i) {
            const RECT e = DialogListEntryRect(c->rect, i);
            const bool hi = i == d.hot;
            cv.Fill(e, hi ? 0 : 255, hi ? 0 : 255, hi ? 128 : 255);
            cv.Text(RECT{e.left + 4, e.top, e.right, e.bottom}, c->entries[i], DT_LEFT, hi ? white : black);
        }
        if (n > 0) {
            const RECT all{c->rect.left, c->rect.bottom, c->rect.right, DialogListEntryRect(c->rect, n - 1).bottom};
            cv.Fill(RECT{all.left, all.bottom, all.right, all.bottom + 1}, 0, 0, 0);
            cv.Fill(RECT{all.left, all.top, all.left + 1, all.bottom}, 0, 0, 0);
            cv.Fill(RECT{all.right - 1, all.top, all.right, all.bottom}, 0, 0, 0);
        }
    }
}

// --- behaviour ---------------------------------------------------------------

void Command(Dialog& d, int id, UINT code, HWND control) {
    if (d.proc) d.proc(d.hwnd, WM_COMMAND, MAKEWPARAM(id, static_cast<int>(code)), reinterpret_cast<LPARAM>(control));
}

void Click(Dialog& d, Control& c) {
    if (!c.enabled) return;
    d.dirty = true;
    switch (c.spec.kind) {
        case DialogControlKind::PushButton:
        case DialogControlKind::DefPushButton: Command(d, c.spec.id, BN_CLICKED, c.hwnd); break;
        case DialogControlKind::AutoRadioButton:
            for (Control& o : d.controls)
                if (&o != &c && o.spec.kind == DialogControlKind::AutoRadioButton && c.spec.group != 0 &&
                    o.spec.group == c.spec.group)
                    o.checked = false;
            c.checked = true;
            Command(d, c.spec.id, BN_CLICKED, c.hwnd);
            break;
        case DialogControlKind::DropDownList:
            d.open = &c;
            d.hot = c.selection;
            break;
        default: break;
    }
}

void Choose(Dialog& d, int entry) {
    Control* c = d.open;
    d.open = nullptr;
    d.dirty = true;
    if (!c || entry < 0 || entry >= static_cast<int>(c->entries.size())) return;
    c->selection = entry;
    Command(d, c->spec.id, CBN_SELCHANGE, c->hwnd);
}

Control* DefaultButton(Dialog& d) {
    for (Control& c : d.controls)
        if (c.spec.kind == DialogControlKind::DefPushButton) return &c;
    return nullptr;
}

void HandleInput(Dialog& d, const MSG& msg) {
    const int x = GET_X_LPARAM(msg.lParam), y = GET_Y_LPARAM(msg.lParam);
    switch (msg.message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (d.open) {
                for (int i = 0; i < static_cast<int>(d.open->entries.size()); ++i)
                    if (Inside(DialogListEntryRect(d.open->rect, i), x, y)) {
                        Choose(d, i);
                        return;
                    }
                d.open = nullptr;  // a press elsewhere closes the list
                d.dirty = true;
                return;
            }
            for (Control& c : d.controls)
                if (Inside(c.rect, x, y) && c.enabled &&
                    (c.spec.kind == DialogControlKind::PushButton || c.spec.kind == DialogControlKind::DefPushButton ||
                     c.spec.kind == DialogControlKind::AutoRadioButton || c.spec.kind == DialogControlKind::DropDownList)) {
                    d.pressed = &c;
                    d.dirty = true;
                    if (c.spec.kind == DialogControlKind::DropDownList) {
                        d.pressed = nullptr;
                        Click(d, c);
                    }
                    return;
                }
            return;
        case WM_LBUTTONUP:
            if (Control* c = d.pressed) {
                d.pressed = nullptr;
                d.dirty = true;
                if (Inside(c->rect, x, y)) Click(d, *c);
            }
            return;
        case WM_MOUSEMOVE:
            if (d.open)
                for (int i = 0; i < static_cast<int>(d.open->entries.size()); ++i)
                    if (Inside(DialogListEntryRect(d.open->rect, i), x, y) && d.hot != i) {
                        d.hot = i;
                        d.dirty = true;
                    }
            return;
        case WM_KEYDOWN:
            if (d.open) {
                const int n = static_cast<int>(d.open->entries.size());
                if (msg.wParam == VK_DOWN && d.hot + 1 < n) ++d.hot;
                if (msg.wParam == VK_UP && d.hot > 0) --d.hot;
                if (msg.wParam == VK_RETURN) Choose(d, d.hot);
                if (msg.wParam == VK_ESCAPE) d.open = nullptr;
                d.dirty = true;
                return;
            }
            if (msg.wParam == VK_RETURN) {
                if (Control* c = DefaultButton(d)) Click(d, *c);
            } else if (msg.wParam == VK_ESCAPE) {
                Command(d, IDCANCEL, BN_CLICKED, nullptr);
            }
            return;
        default: return;
    }
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

LRESULT ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* d = nullptr;
    Control* c = ControlOf(hwnd, &d);
    if (!c) return DefWindowProc(hwnd, message, wParam, lParam);
    const int count = static_cast<int>(c->entries.size());
    switch (message) {
        case BM_GETCHECK: return c->checked ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            c->checked = wParam == BST_CHECKED;
            d->dirty = true;
            return 0;
        case CB_ADDSTRING:
            c->entries.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
            d->dirty = true;
            return count;
        case CB_GETCOUNT: return count;
        case CB_GETCURSEL: return c->selection;
        case CB_SETCURSEL:
            if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= count) {
                c->selection = -1;
                d->dirty = true;
                return CB_ERR;
            }
            c->selection = static_cast<int>(wParam);
            d->dirty = true;
            return c->selection;
        case CB_GETLBTEXT: {
            const int i = static_cast<int>(wParam);
            if (i < 0 || i >= count || !lParam) return CB_ERR;
            std::strcpy(reinterpret_cast<char*>(lParam), c->entries[i].c_str());
            return static_cast<LRESULT>(c->entries[i].size());
        }
        case CB_RESETCONTENT:
            c->entries.clear();
            c->selection = -1;
            if (d->open == c) d->open = nullptr;
            d->dirty = true;
            return 0;
        default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

LRESULT DialogWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* d = DialogOf(hwnd);
    if (d && d->proc && d->proc(hwnd, message, wParam, lParam)) return TRUE;
    return DefWindowProc(hwnd, message, wParam, lParam);
}

constexpr const char* kDialogClass = "#platform-dialog";
constexpr const char* kControlClass = "#platform-dialog-control";

void RegisterClasses() {
    if (R().classesRegistered) return;
    WNDCLASS dialog{};
    dialog.lpfnWndProc = DialogWindowProc;
    dialog.lpszClassName = kDialogClass;
    RegisterClass(&dialog);
    WNDCLASS control{};
    control.lpfnWndProc = ControlProc;
    control.lpszClassName = kControlClass;
    RegisterClass(&control);
    R().classesRegistered = true;
}

void TakeBackground(Dialog& d) {
    d.background.assign(static_cast<size_t>(d.width) * d.height, Rgb888To565(0, 64, 64));
    std::vector<std::uint8_t> storage;
    PixelView last;
    if (GrabLastFrame(storage, last) && last.width == d.width && last.height == d.height)
        ConvertPixels(last, PixelView{d.background.data(), d.width, d.height, d.width * 2, PixelFormat::RGB565});
}

void Show(Dialog& d) {
    std::vector<std::uint16_t> pixels;
    Draw(d, pixels);
    Present(PixelView{pixels.data(), d.width, d.height, d.width * 2, PixelFormat::RGB565});
    d.dirty = false;
}

}  // namespace

DialogBitmap PaintDialogBitmap(int width, int height, int bitsPerPixel,
                               const std::function<std::uint32_t(int x, int y)>& colour) {
    DialogBitmap b;
    b.width = std::max(0, width);
    b.height = std::max(0, height);
    b.bitsPerPixel = bitsPerPixel;
    b.rgb.reserve(static_cast<size_t>(b.width) * b.height);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) b.rgb.push_back(colour(x, y) & 0xFFFFFFu);
    return b;
}

void RegisterDialogTemplate(HINSTANCE instance, int id, const DialogTemplate& dialog) {
    R().templates[{instance, id}] = dialog;
}

void RegisterDialogBitmap(HINSTANCE instance, int id, const DialogBitmap& bitmap) {
    DialogBitmap b = bitmap;
    b.rgb.resize(static_cast<size_t>(std::max(0, b.width)) * static_cast<size_t>(std::max(0, b.height)));
    R().bitmaps[{instance, id}] = std::move(b);
}

const DialogBitmap* FindDialogBitmap(HINSTANCE instance, int id) {
    auto it = R().bitmaps.find({instance, id});
    return it == R().bitmaps.end() ? nullptr : &it->second;
}

std::map<int, RECT> DialogLayout(HINSTANCE instance, int templateId, int pictureWidth, int pictureHeight) {
    std::map<int, RECT> out;
    auto it = R().templates.find({instance, templateId});
    if (it == R().templates.end()) return out;
    std::vector<RECT> rects;
    Place(it->second, pictureWidth, pictureHeight, &rects);
    for (size_t i = 0; i < rects.size(); ++i)
        if (it->second.controls[i].id != -1) out[it->second.controls[i].id] = rects[i];
    return out;
}

RECT DialogListEntryRect(const RECT& list, int index) {
    const LONG top = list.bottom + index * kEntryHeight;
    return RECT{list.left, top, list.right, top + kEntryHeight};
}

INT_PTR DialogBoxParam(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc, LPARAM param) {
    auto it = R().templates.find({instance, templateId});
    if (it == R().templates.end()) return -1;
    RegisterClasses();
    auto d = std::make_unique<Dialog>();
    d->instance = instance;
    d->spec = it->second;
    d->proc = proc;
    detail::MainClientSize(d->width, d->height);
    std::vector<RECT> rects;
    d->frame = Place(d->spec, d->width, d->height, &rects);
    HWND parent = owner ? owner : GetMainWindow();
    d->hwnd = CreateWindow(kDialogClass, d->spec.caption.c_str(), WS_POPUP, d->frame.left, d->frame.top,
                           d->frame.right - d->frame.left, d->frame.bottom - d->frame.top, parent);
    d->controls.resize(d->spec.controls.size());
    for (size_t i = 0; i < rects.size(); ++i) {
        Control& c = d->controls[i];
        c.spec = d->spec.controls[i];
        c.rect = rects[i];
        c.hwnd = CreateWindow(kControlClass, c.spec.text.c_str(), 0, rects[i].left, rects[i].top,
                              rects[i].right - rects[i].left, rects[i].bottom - rects[i].top, d->hwnd);
    }
    TakeBackground(*d);
    Dialog& dlg = *d;
    R().open.push_back(d.get());
    if (proc) proc(dlg.hwnd, WM_INITDIALOG, 0, param);

    while (!dlg.ended) {
        MSG msg;
        bool quit = false;
        while (!dlg.ended && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                dlg.ended = true;
                dlg.result = 0;
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the caller's own loop
                break;
            }
            if (IsInput(msg.message)) {
                HandleInput(dlg, msg);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            dlg.dirty = true;  // the window may have drawn over the picture
        }
        if (dlg.ended || quit) break;
        if (dlg.dirty) {
            Show(dlg);
            continue;
        }
        if (PendingScriptedEvents() == 0) {
            if (CurrentBackend() == BackendKind::Headless) {
                // Nobody can answer: the default button does, as with message boxes.
                if (Control* c = DefaultButton(dlg)) Click(dlg, *c);
                else EndDialog(dlg.hwnd, IDCANCEL);
                continue;
            }
        } else if (detail::ScriptedInputWait() < 0) {
            Show(dlg);  // the script waits for frames (or a fixed clock): give it one
            continue;
        }
        WaitMessage();
    }

    R().open.erase(std::remove(R().open.begin(), R().open.end(), d.get()), R().open.end());
    for (Control& c : dlg.controls) DestroyWindow(c.hwnd);
    DestroyWindow(dlg.hwnd);
    // The picture under the dialog comes back until the owner draws again.
    Present(PixelView{dlg.background.data(), dlg.width, dlg.height, dlg.width * 2, PixelFormat::RGB565});
    return dlg.result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* d = DialogOf(dialog);
    if (!d) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Control* c = ControlById(DialogOf(dialog), id);
    return c ? c->hwnd : nullptr;
}

int GetDlgCtrlID(HWND control) {
    Control* c = ControlOf(control);
    return c ? c->spec.id : 0;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessage(control, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    return SendDlgItemMessage(dialog, id, BM_SETCHECK, check, 0) == 0 && GetDlgItem(dialog, id) ? TRUE : FALSE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL EnableWindow(HWND window, BOOL enable) {
    Dialog* d = nullptr;
    Control* c = ControlOf(window, &d);
    if (!c) return FALSE;
    const BOOL wasDisabled = c->enabled ? FALSE : TRUE;
    c->enabled = enable != 0;
    if (d->open == c && !c->enabled) d->open = nullptr;
    d->dirty = true;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
    Control* c = ControlOf(window);
    if (c) return c->enabled ? TRUE : FALSE;
    return IsWindow(window);
}

}  // namespace platform
