#include "platform/Input.h"

#include "platform/Present.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <algorithm>
#include <climits>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

// Marks a button event that acts wherever the pointer is at delivery.
constexpr int kAtPointer = INT_MIN;

// The last announcement of a mark: when it came, and its place in the
// order of all announcements.
struct Announcement {
    std::uint64_t ms = 0;
    std::uint64_t frame = 0;
    std::uint64_t order = 0;
};

struct Player {
    bool loaded = false;
    InputScript script;
    std::size_t next = 0;
    // Times and frames count from the moment the script starts playing, or
    // from the announcement the last "wait" line held for.
    std::uint64_t baseMs = 0;
    std::uint64_t baseFrame = 0;
    // Only announcements made after this one can release a "wait" line.
    std::uint64_t baseOrder = 0;
    std::uint64_t announcements = 0;
    std::vector<std::pair<std::string, Announcement>> marks;

    void Start(InputScript s) {
        script = std::move(s);
        next = 0;
        baseMs = ClockElapsed();
        baseFrame = PresentedFrameCount();
        baseOrder = announcements;
    }
    Announcement* Find(const std::string& mark) {
        for (auto& [name, when] : marks)
            if (name == mark) return &when;
        return nullptr;
    }
};

Player& ThePlayer() {
    static Player player;
    return player;
}

void ReportErrors(const std::string& source, const InputScript& script) {
    for (const std::string& e : script.errors) std::fprintf(stderr, "LUMORA_INPUT %s:%s\n", source.c_str(), e.c_str());
}

void EnsureLoaded() {
    Player& p = ThePlayer();
    if (p.loaded) return;
    p.loaded = true;
    if (const char* path = std::getenv("LUMORA_INPUT"); path && *path) LoadInputScript(path);
}

std::string Upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool ParseNumber(std::string_view s, std::uint64_t& out) {
    if (s.empty()) return false;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    std::uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    out = v;
    return true;
}

bool ParseInt(std::string_view s, int& out) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    std::uint64_t v = 0;
    if (!ParseNumber(s, v) || v > 100000) return false;
    out = negative ? -static_cast<int>(v) : static_cast<int>(v);
    return true;
}

struct Named {
    const char* name;
    UINT vk;
};

constexpr Named kKeyNames[] = {
    {"LBUTTON", VK_LBUTTON}, {"RBUTTON", VK_RBUTTON}, {"MBUTTON", VK_MBUTTON}, {"BACK", VK_BACK},
    {"BACKSPACE", VK_BACK}, {"TAB", VK_TAB}, {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},
    {"SHIFT", VK_SHIFT}, {"CONTROL", VK_CONTROL}, {"CTRL", VK_CONTROL}, {"MENU", VK_MENU},
    {"ALT", VK_MENU}, {"PAUSE", VK_PAUSE}, {"CAPITAL", VK_CAPITAL}, {"CAPSLOCK", VK_CAPITAL},
    {"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE}, {"SPACE", VK_SPACE}, {"PRIOR", VK_PRIOR},
    {"PAGEUP", VK_PRIOR}, {"NEXT", VK_NEXT}, {"PAGEDOWN", VK_NEXT}, {"END", VK_END},
    {"HOME", VK_HOME}, {"LEFT", VK_LEFT}, {"UP", VK_UP}, {"RIGHT", VK_RIGHT},
    {"DOWN", VK_DOWN}, {"SNAPSHOT", VK_SNAPSHOT}, {"INSERT", VK_INSERT}, {"DELETE", VK_DELETE},
    {"MULTIPLY", VK_MULTIPLY}, {"ADD", VK_ADD}, {"SUBTRACT", VK_SUBTRACT}, {"DECIMAL", VK_DECIMAL},
    {"DIVIDE", VK_DIVIDE}, {"LSHIFT", VK_LSHIFT}, {"RSHIFT", VK_RSHIFT}, {"LCONTROL", VK_LCONTROL},
    {"RCONTROL", VK_RCONTROL}, {"LMENU", VK_LMENU}, {"RMENU", VK_RMENU}, {"NUMLOCK", VK_NUMLOCK},
    {"SCROLL", VK_SCROLL},
};

// Splits off the next blank-separated word.
std::string_view NextWord(std::string_view& rest) {
    size_t b = rest.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(b);
    size_t e = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, e);
    rest = e == std::string_view::npos ? std::string_view{} : rest.substr(e);
    return word;
}

// `rest` up to a comment: a ';' at its start or after a blank.
std::string_view CutComment(std::string_view rest) {
    for (size_t i = 0; i < rest.size(); ++i)
        if (rest[i] == ';' && (i == 0 || rest[i - 1] == ' ' || rest[i - 1] == '\t')) return rest.substr(0, i);
    return rest;
}

bool ParseButton(std::string_view word, MouseButton& b) {
    std::string w = Upper(word);
    if (w == "LEFT") b = MouseButton::Left;
    else if (w == "RIGHT") b = MouseButton::Right;
    else if (w == "MIDDLE") b = MouseButton::Middle;
    else return false;
    return true;
}

std::string EncodeUtf8(std::uint32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// Parses one command into events; returns an error text, empty when fine.
std::string ParseCommand(std::string_view rest, std::vector<BackendEvent>& out) {
    using T = BackendEvent::Type;
    std::string verb = Upper(NextWord(rest));
    auto noMore = [&]() -> std::string {
        return NextWord(rest).empty() ? std::string{} : "unexpected text after the command";
    };
    auto event = [&](T type) {
        BackendEvent e;
        e.type = type;
        return e;
    };
    if (verb == "KEY") {
        std::string how = Upper(NextWord(rest));
        std::string_view name = NextWord(rest);
        UINT vk = 0;
        if (how != "DOWN" && how != "UP" && how != "PRESS") return "key wants down, up or press";
        if (name.empty()) return "key wants a virtual key";
        if (!ParseVirtualKey(name, vk)) return "unknown virtual key \"" + std::string(name) + "\"";
        if (auto e = noMore(); !e.empty()) return e;
        BackendEvent down = event(T::KeyDown);
        down.vk = vk;
        BackendEvent up = event(T::KeyUp);
        up.vk = vk;
        if (how != "UP") out.push_back(down);
        if (how != "DOWN") out.push_back(up);
        return {};
    }
    if (verb == "TEXT") {
        // The rest of the line after one blank, verbatim.
        if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) rest.remove_prefix(1);
        if (rest.empty()) return "text wants characters";
        BackendEvent e = event(T::Text);
        e.text = std::string(rest);
        out.push_back(e);
        return {};
    }
    if (verb == "CHAR") {
        std::string_view code = NextWord(rest);
        std::uint64_t c = 0;
        if (code.size() == 1)
            c = static_cast<unsigned char>(code[0]);
        else if (!ParseNumber(code, c) || c == 0 || c > 0xFFFF)
            return "char wants one character or a code";
        if (auto e = noMore(); !e.empty()) return e;
        BackendEvent e = event(T::Text);
        e.text = EncodeUtf8(static_cast<std::uint32_t>(c));
        out.push_back(e);
        return {};
    }
    if (verb == "MOVE") {
        BackendEvent e = event(T::MouseMove);
        if (!ParseInt(NextWord(rest), e.x) || !ParseInt(NextWord(rest), e.y)) return "move wants x and y";
        if (auto err = noMore(); !err.empty()) return err;
        out.push_back(e);
        return {};
    }
    if (verb == "DOWN" || verb == "UP" || verb == "CLICK" || verb == "DBLCLICK") {
        MouseButton b;
        if (!ParseButton(NextWord(rest), b)) return Upper(verb) + " wants left, right or middle";
        std::string_view xs = NextWord(rest);
        bool at = !xs.empty();
        int x = 0, y = 0;
        if (at && (!ParseInt(xs, x) || !ParseInt(NextWord(rest), y))) return "bad x y";
        if (auto err = noMore(); !err.empty()) return err;
        if (at) {
            BackendEvent m = event(T::MouseMove);
            m.x = x;
            m.y = y;
            out.push_back(m);
        }
        // Without a position the button acts where the pointer is; the
        // window layer fills it in at delivery (x = y = INT_MIN marks it).
        auto button = [&](T type) {
            BackendEvent e = event(type);
            e.button = b;
            e.x = at ? x : kAtPointer;
            e.y = at ? y : kAtPointer;
            return e;
        };
        int presses = verb == "DBLCLICK" ? 2 : 1;
        for (int i = 0; i < presses; ++i) {
            if (verb != "UP") out.push_back(button(T::ButtonDown));
            if (verb != "DOWN") out.push_back(button(T::ButtonUp));
        }
        return {};
    }
    if (verb == "FOCUS") {
        std::string how = Upper(NextWord(rest));
        if (how != "IN" && how != "OUT") return "focus wants in or out";
        if (auto err = noMore(); !err.empty()) return err;
        out.push_back(event(how == "IN" ? T::FocusGained : T::FocusLost));
        return {};
    }
    if (verb == "LOSE") {
        if (Upper(NextWord(rest)) != "SURFACES") return "lose wants surfaces";
        if (auto err = noMore(); !err.empty()) return err;
        out.push_back(event(T::LoseSurfaces));
        return {};
    }
    struct Simple {
        const char* name;
        T type;
    };
    static constexpr Simple simple[] = {{"MINIMIZE", T::Minimize}, {"RESTORE", T::Restore}, {"CLOSE", T::Close}, {"QUIT", T::Quit}};
    for (const Simple& s : simple) {
        if (verb == s.name) {
            if (auto err = noMore(); !err.empty()) return err;
            out.push_back(event(s.type));
            return {};
        }
    }
    if (verb.empty()) return "missing command";
    return "unknown command \"" + verb + "\"";
}

}  // namespace

bool ParseVirtualKey(std::string_view text, UINT& vk) {
    if (text.empty()) return false;
    if (text.size() == 1) {
        char c = text[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            vk = static_cast<UINT>(c);
            return true;
        }
        return false;
    }
    if (text[0] >= '0' && text[0] <= '9') {
        std::uint64_t v = 0;
        if (!ParseNumber(text, v) || v == 0 || v > 255) return false;
        vk = static_cast<UINT>(v);
        return true;
    }
    std::string name = Upper(text);
    if (name.rfind("VK_", 0) == 0) name.erase(0, 3);
    if (name.size() == 1) return ParseVirtualKey(name, vk);
    for (const Named& n : kKeyNames) {
        if (name == n.name) {
            vk = n.vk;
            return true;
        }
    }
    if (name[0] == 'F' && name.size() <= 3) {
        std::uint64_t f = 0;
        if (ParseNumber(std::string_view(name).substr(1), f) && f >= 1 && f <= 12) {
            vk = VK_F1 + static_cast<UINT>(f - 1);
            return true;
        }
    }
    if (name.rfind("NUMPAD", 0) == 0 && name.size() == 7 && name[6] >= '0' && name[6] <= '9') {
        vk = VK_NUMPAD0 + static_cast<UINT>(name[6] - '0');
        return true;
    }
    return false;
}

InputScript ParseInputScript(std::string_view text) {
    InputScript script;
    ScriptedEvent::When lastKind = ScriptedEvent::When::Ms;
    std::uint64_t lastAt = 0;
    int lineNo = 0;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view rest = line;
        std::string_view when = NextWord(rest);
        if (when.empty() || when[0] == ';') continue;
        if (Upper(when) == "WAIT") {
            // The mark is the rest of the line, up to a comment.
            rest = CutComment(rest);
            const size_t b = rest.find_first_not_of(" \t");
            const size_t e = rest.find_last_not_of(" \t");
            if (b == std::string_view::npos) {
                script.errors.push_back(std::to_string(lineNo) + ": wait for what? (want wait <mark>)");
                continue;
            }
            ScriptedEvent wait{ScriptedEvent::When::Frame, 0, BackendEvent{}, lineNo, Upper(rest.substr(b, e - b + 1))};
            script.events.push_back(std::move(wait));
            lastKind = ScriptedEvent::When::Frame;
            lastAt = 0;
            continue;
        }
        // A comment may follow a command after a blank, except on a text line.
        std::string_view probe = rest;
        std::string verb = Upper(NextWord(probe));
        if (verb != "TEXT") rest = CutComment(rest);
        auto fail = [&](const std::string& what) { script.errors.push_back(std::to_string(lineNo) + ": " + what); };
        ScriptedEvent::When kind;
        std::uint64_t at = 0;
        std::uint64_t n = 0;
        if (when[0] == '@' && ParseNumber(when.substr(1), n)) {
            kind = ScriptedEvent::When::Ms;
            at = n;
        } else if (when[0] == '#' && ParseNumber(when.substr(1), n)) {
            kind = ScriptedEvent::When::Frame;
            at = n;
        } else if (when[0] == '+' && ParseNumber(when.substr(1), n)) {
            kind = lastKind;
            at = lastAt + n;
        } else {
            fail("bad time \"" + std::string(when) + "\" (want @<ms>, #<frame>, +<delta> or wait <mark>)");
            continue;
        }
        std::vector<BackendEvent> events;
        std::string error = ParseCommand(rest, events);
        if (!error.empty()) {
            fail(error);
            continue;
        }
        lastKind = kind;
        lastAt = at;
        for (BackendEvent& e : events) script.events.push_back(ScriptedEvent{kind, at, std::move(e), lineNo, {}});
    }
    return script;
}

bool LoadInputScript(const std::string& path) {
    Player& p = ThePlayer();
    p.loaded = true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "LUMORA_INPUT %s: cannot read the file\n", path.c_str());
        p.Start({});
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    p.Start(ParseInputScript(buffer.str()));
    ReportErrors(path, p.script);
    return true;
}

void SetInputScript(InputScript script) {
    Player& p = ThePlayer();
    p.loaded = true;
    p.Start(std::move(script));
}

void AnnounceInputMark(std::string_view mark) {
    Player& p = ThePlayer();
    const std::string name = Upper(mark);
    const Announcement now{ClockElapsed(), PresentedFrameCount(), ++p.announcements};
    // For whoever writes a script: where the mark fell on the script's clock.
    if (!p.script.events.empty())
        std::fprintf(stderr, "LUMORA_INPUT mark \"%s\" at #%llu (@%llu)\n", name.c_str(),
                     static_cast<unsigned long long>(now.frame - p.baseFrame),
                     static_cast<unsigned long long>(now.ms - p.baseMs));
    if (Announcement* known = p.Find(name)) *known = now;
    else p.marks.emplace_back(name, now);
}

std::size_t PendingScriptedEvents() {
    EnsureLoaded();
    Player& p = ThePlayer();
    return p.script.events.size() - p.next;
}

namespace detail {

void PumpScriptedInput() {
    EnsureLoaded();
    Player& p = ThePlayer();
    while (p.next < p.script.events.size()) {
        const ScriptedEvent& s = p.script.events[p.next];
        if (!s.mark.empty()) {
            const Announcement* a = p.Find(s.mark);
            if (!a || a->order <= p.baseOrder) break;
            p.baseMs = a->ms;
            p.baseFrame = a->frame;
            p.baseOrder = a->order;
            ++p.next;
            continue;
        }
        // Unsigned differences: the clock may be reset under a running script.
        std::uint64_t now = s.when == ScriptedEvent::When::Ms ? ClockElapsed() - p.baseMs : PresentedFrameCount() - p.baseFrame;
        if (now > (1ull << 40)) now = 0;
        if (now < s.at) break;
        BackendEvent e = s.event;
        ++p.next;  // before delivery: a nested pump continues after it
        if ((e.type == BackendEvent::Type::ButtonDown || e.type == BackendEvent::Type::ButtonUp) && e.x == kAtPointer) {
            POINT pt{};
            GetCursorPos(&pt);
            if (HWND main = GetMainWindow()) ScreenToClient(main, &pt);
            e.x = pt.x;
            e.y = pt.y;
        }
        DeliverEvent(e);
    }
}

int ScriptedInputWait() {
    EnsureLoaded();
    Player& p = ThePlayer();
    if (p.next >= p.script.events.size() || IsFixedClock()) return -1;
    const ScriptedEvent& s = p.script.events[p.next];
    if (s.when != ScriptedEvent::When::Ms) return -1;
    std::uint64_t now = ClockElapsed() - p.baseMs;
    if (now > (1ull << 40)) now = 0;
    return s.at <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(s.at - now, 1u << 30));
}

}  // namespace detail
}  // namespace platform
