#include "tools/lumora-pack/Tables.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

namespace pack {

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameName(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// The line without its comment: ";" at the start or after a blank.
std::string StripComment(const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == ';' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    return line;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool ParseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < -2147483647L || v > 2147483647L) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

// Sub-action types the game knows, and what their parameter names.
enum class Param { None, Sound, Animation, Number, Operation, Action };
bool SubActionKind(int type, Param& kind) {
    switch (type) {
        case 1: case 12: case 13: case 101: kind = Param::Sound; return true;
        case 4: kind = Param::Animation; return true;
        case 6: case 7: case 9: kind = Param::Number; return true;
        case 10: kind = Param::Operation; return true;
        case 14: case 15: case 16: kind = Param::Action; return true;
        case 2: case 3: case 5: case 11: kind = Param::None; return true;
        default: return false;
    }
}

struct Parser {
    const std::string& file;
    const UniverseNames& names;
    const std::function<bool(const std::string&)>& soundExists;
    Tables& out;
    std::string& why;
    int line = 0;

    bool Fail(const std::string& reason) {
        why = file + ":" + std::to_string(line) + ": " + reason;
        return false;
    }

    bool Field(char* field, int size, const std::string& text, const char* what) {
        if (text.size() > static_cast<std::size_t>(size - 1))
            return Fail(std::string(what) + " \"" + text + "\" is longer than " + std::to_string(size - 1) + " characters");
        CopyField(field, size, text.c_str());
        return true;
    }

    bool Object(std::istringstream& words) {
        XObjectInfoRecord r;
        std::string name, item;
        if (!(words >> name)) return Fail("object without a name");
        const bool known = std::any_of(names.objects.begin(), names.objects.end(),
                                       [&](const std::string& n) { return SameName(n, name); });
        if (!known) return Fail("unknown object " + name);
        if (!Field(r.m_Name, sizeof r.m_Name, name, "object name")) return false;
        while (words >> item) {
            const auto eq = item.find('=');
            if (eq == std::string::npos) return Fail("expected key=value, found " + item);
            const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
            bool ok = true;
            if (key == "type") ok = ParseInt(value, r.m_NodeType);
            else if (key == "cursor") ok = ParseInt(value, r.m_CursorValue);
            else if (key == "visible") ok = ParseInt(value, r.m_Visible);
            else if (key == "frame") ok = ParseFloat(value, r.m_AnimFrame);
            else if (key == "stopped") ok = ParseInt(value, r.m_AnimStopped);
            else if (key == "speed") ok = ParseInt(value, r.m_AnimSpeed);
            else if (key == "loop") ok = ParseInt(value, r.m_AnimLoop);
            else return Fail("unknown object field " + key);
            if (!ok) return Fail("bad value for " + key + ": " + value);
        }
        out.objects.push_back(r);
        return true;
    }

    const XObjectInfoRecord* TableObject(const std::string& name) const {
        for (const auto& o : out.objects)
            if (SameName(o.m_Name, name)) return &o;
        return nullptr;
    }

    // One line inside "action ... end".
    bool ActionLine(XActionInfoRecord& a, const std::string& keyword, std::istringstream& words, const std::string& rest) {
        std::string value;
        int number = 0;
        if (keyword == "sender" || keyword == "receiver") {
            if (!(words >> value)) return Fail(keyword + " without a name");
            if (!TableObject(value)) return Fail(keyword + " " + value + " is not in the object list");
            if (keyword == "sender") return Field(a.m_Sender, sizeof a.m_Sender, value, "sender");
            std::string kind;
            if (words >> kind) {
                if (kind != "speaker") return Fail("unknown receiver kind " + kind);
                a.m_ReceiverKind = XActionInfoRecord::kReceiverSpeaker;
            }
            return Field(a.m_Receiver, sizeof a.m_Receiver, value, "receiver");
        }
        if (keyword == "event" || keyword == "repeat") {
            if (!(words >> value) || !ParseInt(value, number)) return Fail(keyword + " needs a number");
            (keyword == "event" ? a.m_Event : a.m_RepeatLimit) = number;
            return true;
        }
        if (keyword == "click") {
            a.m_Trigger = XActionInfoRecord::kTriggerClick;
            return true;
        }
        if (keyword == "carrying") {
            if (!(words >> value)) return Fail("carrying needs an object name");
            a.m_Trigger = XActionInfoRecord::kTriggerCarrying;
            return Field(a.m_CarriedName, sizeof a.m_CarriedName, value, "carried object");
        }
        if (keyword == "condition") {
            if (rest.size() > static_cast<std::size_t>(XActionInfoRecord::kConditionMax))
                return Fail("condition longer than 255 characters");
            return Field(a.m_Condition, sizeof a.m_Condition, rest, "condition");
        }
        if (keyword == "do") {
            std::string type;
            if (!(words >> type) || !ParseInt(type, number)) return Fail("do needs a sub-action type");
            if (a.m_SubCount == XActionInfoRecord::kMaxSubs) return Fail("more than 10 sub-actions");
            Param kind;
            if (!SubActionKind(number, kind)) return Fail("unknown sub-action type " + type);
            const auto at = rest.find(type);
            const std::string param = Trim(rest.substr(at + type.size()));
            XSubActionRecord& sub = a.m_Subs[a.m_SubCount++];
            sub.m_Type = number;
            if (!Field(sub.m_Param, sizeof sub.m_Param, param, "sub-action parameter")) return false;
            return CheckParam(kind, param);
        }
        return Fail("unknown action field " + keyword);
    }

    bool CheckParam(Param kind, const std::string& param) {
        int number;
        switch (kind) {
            case Param::Sound:
                if (!soundExists(param)) return Fail("no sound file for " + param);
                return true;
            case Param::Animation:
                for (const auto& n : names.animations)
                    if (Upper(n).find(Upper(param)) != std::string::npos && !param.empty()) return true;
                return Fail("no animation named " + param);
            case Param::Number:
                if (!param.empty() && !ParseInt(param, number)) return Fail("expected a number, found " + param);
                return true;
            case Param::Operation:
                for (const auto& n : names.operations)
                    if (SameName(n, param)) return true;
                return Fail("the universe's script has no operation " + param);
            case Param::Action: return true;  // checked once every action is known
            case Param::None: return true;
        }
        return true;
    }
};

}  // namespace

bool CheckCondition(const std::string& condition, const std::function<bool(int id)>& doneable, std::string& why) {
    const std::string upper = Upper(Trim(condition));
    if (upper.empty() || upper == "TRUE" || upper == "FALSE") return true;
    int depth = 0;
    for (std::size_t i = 0; i < upper.size();) {
        const char c = upper[i];
        if (c == ' ' || c == '\t' || c == '&') {
            ++i;
            continue;
        }
        if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
            if (depth < 0) {
                why = "unbalanced ')' in condition " + condition;
                return false;
            }
            ++i;
            continue;
        }
        // A term: digits, m<digits> or !m<digits> (the game skips the
        // character after "!" unread, so it must be the "m").
        if (c == '!') {
            if (i + 1 >= upper.size() || upper[i + 1] != 'M') {
                why = "\"!\" must be followed by m and an id in condition " + condition;
                return false;
            }
            i += 2;
        } else if (c == 'M') {
            ++i;
        }
        const std::size_t start = i;
        while (i < upper.size() && std::isdigit(static_cast<unsigned char>(upper[i]))) ++i;
        if (i == start) {
            why = std::string("unexpected '") + condition[start < condition.size() ? start : condition.size() - 1] +
                  "' in condition " + condition;
            return false;
        }
        const int id = std::atoi(upper.substr(start, i - start).c_str());
        if (!doneable(id)) {
            why = "condition " + condition + " names action " + std::to_string(id) +
                  ", which is missing or never done (repeat 100 or more)";
            return false;
        }
    }
    if (depth != 0) {
        why = "unbalanced '(' in condition " + condition;
        return false;
    }
    return true;
}

bool CompileTables(const std::string& text, const std::string& fileName, const UniverseNames& names,
                   const std::function<bool(const std::string&)>& soundExists, Tables& out, std::string& why) {
    out = Tables{};
    Parser p{fileName, names, soundExists, out, why};
    std::istringstream lines(text);
    std::string raw;
    XActionInfoRecord* current = nullptr;
    std::map<int, int> actionLine;
    while (std::getline(lines, raw)) {
        ++p.line;
        const std::string line = Trim(StripComment(raw));
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        const std::string rest = Trim(line.substr(keyword.size()));
        if (current) {
            if (keyword == "end") {
                if (!current->m_Sender[0] || !current->m_Receiver[0]) return p.Fail("action without sender or receiver");
                const XObjectInfoRecord* sender = p.TableObject(current->m_Sender);
                if (current->m_Event != sender->m_NodeType)
                    return p.Fail("event " + std::to_string(current->m_Event) + " is not the type of " + current->m_Sender);
                current = nullptr;
                continue;
            }
            if (!p.ActionLine(*current, keyword, words, rest)) return false;
            continue;
        }
        if (keyword == "object") {
            if (!p.Object(words)) return false;
        } else if (keyword == "action") {
            std::string id, name;
            int number = 0;
            if (!(words >> id >> name) || !ParseInt(id, number)) return p.Fail("action needs an id and a name");
            if (number < 0 || number > XActionInfoRecord::kMaxId) return p.Fail("action id " + id + " outside 0..255");
            if (actionLine.count(number)) return p.Fail("action id " + id + " used twice");
            actionLine[number] = p.line;
            out.actions.emplace_back();
            current = &out.actions.back();
            current->m_Id = number;
            CopyField(current->m_Condition, sizeof current->m_Condition, "TRUE");
            if (!p.Field(current->m_Name, sizeof current->m_Name, name, "action name")) return false;
        } else {
            return p.Fail("unknown keyword " + keyword);
        }
    }
    if (current) return p.Fail("action " + std::string(current->m_Name) + " has no end");

    // What needs every action: conditions and the actions sub-actions name.
    auto byId = [&](int id) -> const XActionInfoRecord* {
        for (const auto& a : out.actions)
            if (a.m_Id == id) return &a;
        return nullptr;
    };
    for (const auto& a : out.actions) {
        p.line = actionLine[a.m_Id];
        std::string reason;
        const bool ok = CheckCondition(a.m_Condition, [&](int id) {
            const XActionInfoRecord* named = byId(id);
            return named && named->m_RepeatLimit < 100;
        }, reason);
        if (!ok) return p.Fail(reason);
        for (int s = 0; s < a.m_SubCount; ++s) {
            Param kind;
            SubActionKind(a.m_Subs[s].m_Type, kind);
            if (kind != Param::Action) continue;
            const bool found = std::any_of(out.actions.begin(), out.actions.end(),
                                           [&](const XActionInfoRecord& b) { return SameName(b.m_Name, a.m_Subs[s].m_Param); });
            if (!found) return p.Fail(std::string("no action named ") + a.m_Subs[s].m_Param);
        }
    }
    return true;
}

}  // namespace pack
