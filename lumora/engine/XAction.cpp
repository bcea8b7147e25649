#include "lumora/engine/XAction.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class ConditionScan {
public:
    ConditionScan(const char* text, const int* flags) : m_Text(text), m_Flags(flags) {}

    // The condition over [begin, end).
    bool Eval(int begin, int end) {
        bool result = true;
        int i = begin;
        while (i < end) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(m_Text[i])));
            if (IsBlank(c) || c == ')') {
                ++i;
                continue;
            }
            if (c == 't') return true;
            if (c == 'f') return false;
            if (c == '|') return result || Eval(i + 1, end);
            if (c == '&') return Eval(i + 1, end) && result;
            bool term;
            if (c == '(') {
                int close = i + 1;
                for (int depth = 1; close < end; ++close) {
                    if (m_Text[close] == '(') ++depth;
                    else if (m_Text[close] == ')' && --depth == 0) break;
                }
                term = Eval(i + 1, close);
                i = close < end ? close + 1 : end;
            } else {
                bool negate = false;
                if (c == '!') {
                    negate = true;
                    ++i;
                    // The letter after "!" (usually "m") is passed over; a digit is not.
                    if (i < end && !IsDigit(m_Text[i])) ++i;
                }
                term = Term(i, end);
                if (negate) term = !term;
            }
            result = result && term;
        }
        return result;
    }

private:
    // Skips to the next digit and reads the id there.
    bool Term(int& i, int end) {
        while (i < end && !IsDigit(m_Text[i])) ++i;
        if (i >= end) {
            WarningBox("Cannot find number at this string %s", m_Text);
            return m_Flags[0] != 0;
        }
        long id = 0;
        for (; i < end && IsDigit(m_Text[i]); ++i)
            if (id <= XActionManager::kMaxActions) id = id * 10 + (m_Text[i] - '0');
        if (id >= XActionManager::kMaxActions) {
            DebugOut("Condition %s: no action %ld", m_Text, id);
            return false;
        }
        return m_Flags[id] != 0;
    }

    const char* m_Text;
    const int* m_Flags;
};

// The carried object as a trigger-7 action names it: the cursor's picture
// without a leading "*", first six characters.
void CarriedName(const char* picture, char out[7]) {
    if (picture[0] == '*') ++picture;
    std::snprintf(out, 7, "%.6s", picture);
}

int ParamInt(const char* param) { return param[0] ? std::atoi(param) : 0; }

bool SenderMatches(const XAction* action, const XObject3D* clicked) {
    if (action->m_Event != clicked->m_Type || !action->m_Sender) return false;
    return NamesMatch(action->m_Sender->m_Name, clicked->m_Name, 0);
}

}  // namespace

bool EvaluateCondition(const char* text, const int* doneFlags) {
    if (!text) return true;
    const int length = static_cast<int>(strnlen(text, XAction::kConditionSize - 1));
    ConditionScan scan(text, doneFlags);
    return scan.Eval(0, length);
}

XAction::XAction(int id, const char* name, XActionManager* manager) : XNode(kAction, id, name), m_Manager(manager) {
    SetCondition("TRUE");
}

XAction::XAction(const XActionInfoRecord& r, XObject3D* sender, XObject3D* receiver, XActionManager* manager)
    : XNode(kAction, r.m_Id, r.m_Name), m_Trigger(r.m_Trigger), m_Event(r.m_Event), m_ReceiverKind(r.m_ReceiverKind),
      m_Sender(sender), m_Receiver(receiver), m_RepeatLimit(r.m_RepeatLimit), m_Manager(manager) {
    std::snprintf(m_CarriedName, sizeof m_CarriedName, "%.*s", XActionInfoRecord::kObjectNameSize - 1, r.m_CarriedName);
    SetCondition(r.m_Condition);
    m_SubCount = r.m_SubCount < 0 ? 0 : (r.m_SubCount > kMaxSubs ? kMaxSubs : r.m_SubCount);
    for (int i = 0; i < m_SubCount; ++i) {
        m_Subs[i].m_Type = r.m_Subs[i].m_Type;
        std::snprintf(m_Subs[i].m_Param, kParamSize, "%.*s", kParamSize - 1, r.m_Subs[i].m_Param);
    }
}

void XAction::SetCondition(const char* condition) {
    std::snprintf(m_Condition, sizeof m_Condition, "%.*s", kConditionSize - 1, condition ? condition : "");
}

int XAction::IsActive() {
    if (m_Executing) return 0;
    if (m_Manager && m_Id >= 0 && m_Id < XActionManager::kMaxActions && m_Manager->m_DoneFlags[m_Id]) return 0;
    for (char* p = m_Condition; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    static const int kNoneDone[XActionManager::kMaxActions] = {};
    return EvaluateCondition(m_Condition, m_Manager ? m_Manager->m_DoneFlags : kNoneDone) ? 1 : 0;
}

void XAction::MarkDone() {
    m_DoneCount = m_RepeatLimit;
    m_Done = 1;
    if (m_Manager && m_Id >= 0 && m_Id < XActionManager::kMaxActions) {
        m_Manager->m_DoneCounts[m_Id] = m_RepeatLimit;
        m_Manager->m_DoneFlags[m_Id] = 1;
    }
}

int XAction::CanDo(const char* name) const {
    for (int i = 0; i < m_SubCount; ++i)
        if (name && NamesMatch(m_Subs[i].m_Param, name, 1)) {
            DebugOut("Action====================>Cando (%s)", name);
            return 1;
        }
    return 0;
}

int XAction::Execute() {
    if (m_Executing) return 0;
    m_Executing = 1;
    if (m_Manager) m_Manager->m_Current = this;
    for (int i = 0; i < m_SubCount; ++i) RunSub(m_Subs[i]);
    m_Executing = 0;
    ++m_DoneCount;
    if (m_Manager && m_Id >= 0 && m_Id < XActionManager::kMaxActions) m_Manager->m_DoneCounts[m_Id] = m_DoneCount;
    if (m_RepeatLimit < kNeverDone && m_DoneCount >= m_RepeatLimit) {
        MarkDone();
        DebugOut("Action=%s. NbDone=%i ", m_Name, m_DoneCount);
    }
    return 1;
}

void XAction::RunSub(const Sub& sub) {
    XScene* scene = m_Manager ? m_Manager->m_Host : nullptr;
    // The scene's sound calls lower-case the name in place: they get a copy.
    char param[kParamSize];
    std::memcpy(param, sub.m_Param, sizeof param);
    param[kParamSize - 1] = '\0';
    switch (sub.m_Type) {
    case kSubSound:
        if (m_ReceiverKind == XActionInfoRecord::kReceiverSpeaker && scene && m_Receiver &&
            scene->SpeakerSay(m_Receiver->m_Name, param))
            break;
        if (m_Sender && m_Sender->m_Object) Zelt_Object_Get_Global_Position(m_Sender->m_Object, &m_Sender->m_Position);
        if (scene) scene->PlayPointSound(param, m_Sender ? &m_Sender->m_Position : nullptr);
        break;
    case kSubTake:
        if (m_Receiver) {
            m_Receiver->SetCursorValue(0, "", 0);
            m_Receiver->Show("", 0, 1);
            char picture[8];
            const char* name = m_Receiver->m_Name;
            std::snprintf(picture, sizeof picture, "%.6sC", name[0] ? name + 1 : "");
            if (g_Cursor) g_Cursor->SetObjectCursor(XCursor::kModeObject, picture, 0);
        }
        // The object is in hand: the strip steps aside.
        if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->Hide();
        break;
    case kSubPutDown:
        if (g_Cursor) {
            // The carried object is used up: it does not come back to the strip.
            if (g_Cursor->GetMode() == XCursor::kModeObject && g_Cursor->GetObjectName()[0])
                if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->RemoveObject(g_Cursor->GetObjectName());
            g_Cursor->StopAnimation();
            g_Cursor->Select(0, 0, 0);
        }
        if (m_Receiver) m_Receiver->SetCursorValue(0, "", 0);
        if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->Hide();
        break;
    case kSubAnimate:
        if (XAnimation* anim = scene ? scene->FindAnimation(param, 0) : nullptr) anim->Play(0);
        break;
    case kSubNothing:
    case kSubNothingToo: break;
    case kSubWait:
        if (scene) scene->Run(static_cast<unsigned>(ParamInt(param) > 0 ? ParamInt(param) : 0));
        break;
    case kSubCursorValue:
        if (m_Receiver) m_Receiver->SetCursorValue(ParamInt(param), "", 0);
        break;
    case kSubHide:
        if (m_Receiver) {
            if (ParamInt(param) == 0) m_Receiver->Show("", 1, 0);
            else m_Receiver->Show("", 0, 1);
        }
        break;
    case kSubQueue:
        if (m_Manager) m_Manager->Enqueue(this);
        break;
    case kSubLoopSound:
        if (scene) scene->PlaySound(param, 1);
        break;
    case kSubPointSound2:
        if (m_Sender && m_Sender->m_Object) Zelt_Object_Get_Global_Position(m_Sender->m_Object, &m_Sender->m_Position);
        if (scene) scene->PlayPointSound2(param, m_Sender ? &m_Sender->m_Position : nullptr, 0);
        break;
    case kSubChain:
        if (XAction* other = m_Manager ? m_Manager->Find(param) : nullptr)
            if (other->IsActive()) other->Execute();
        break;
    case kSubEnable:
    case kSubDisable:
        if (XAction* other = m_Manager ? m_Manager->Find(param) : nullptr)
            other->SetCondition(sub.m_Type == kSubEnable ? "TRUE" : "FALSE");
        break;
    case kSubVoice:
        if (scene) scene->PlayVoice(param, 0, 100);
        break;
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Sub-action %i", sub.m_Type);
        new MessageToUser(0, 100, __FILE__, __LINE__, text);
        break;
    }
    }
}

XActionManager::XActionManager(XScene* host) : m_Host(host), m_Root(new XAction(0, "Root", this)) {}

XActionManager::~XActionManager() {
    delete m_Root;
    m_Root = nullptr;
}

int XActionManager::Add(XAction* action) {
    if (!action) return 0;
    if (action->m_Id < 0 || action->m_Id >= kMaxActions) {
        DebugOut("Action %s: id %i outside 0..255", action->m_Name, action->m_Id);
        delete action;
        return 0;
    }
    action->m_Manager = this;
    XNode* entry = m_Root->m_Child;
    for (; entry; entry = entry->m_Child) {
        auto* a = static_cast<XAction*>(entry);
        if (a->m_Event == action->m_Event && a->m_Sender && action->m_Sender &&
            NamesMatch(a->m_Sender->m_Name, action->m_Sender->m_Name, 1))
            break;
    }
    if (entry) entry->AddNext(action, 0);
    else m_Root->AddChild(action, 0);
    if (m_Table[action->m_Id]) DebugOut("Action %s takes the id %i of %s", action->m_Name, action->m_Id, m_Table[action->m_Id]->m_Name);
    m_Table[action->m_Id] = action;
    return 1;
}

XAction* XActionManager::Find(const char* name) {
    if (!name || !m_Root) return nullptr;
    return static_cast<XAction*>(m_Root->FindByName(name, 1));
}

void XActionManager::Fire(XObject3D* clicked) {
    m_Current = nullptr;
    if (!clicked || !m_Root) return;
    int trigger = XActionInfoRecord::kTriggerClick;
    char carried[7] = {};
    if (g_Cursor && g_Cursor->IsBusy()) {
        trigger = XActionInfoRecord::kTriggerCarrying;
        CarriedName(g_Cursor->GetName(), carried);
    }
    XAction* entry = nullptr;
    for (XNode* n = m_Root->m_Child; n && !entry; n = n->m_Child)
        if (SenderMatches(static_cast<XAction*>(n), clicked)) entry = static_cast<XAction*>(n);
    if (!entry) {
        DebugOut("Pas d'Action trouvée");
        return;
    }
    DebugOut("...Action: Found Receiver Receiver = %s", clicked->m_Name);
    XAction* chosen = nullptr;
    for (XNode* n = entry; n && !chosen; n = n->m_Next) {
        auto* a = static_cast<XAction*>(n);
        DebugOut("......Action %s: Sender=%s Done=%i NbDone=%i", a->m_Name, carried, a->m_Done, a->m_DoneCount);
        if (a->m_Trigger != trigger || !a->IsActive()) {
            DebugOut("......Action %s n'est pas active", a->m_Name);
            continue;
        }
        if (trigger == XActionInfoRecord::kTriggerCarrying && strcasecmp(a->m_CarriedName, carried) != 0) {
            DebugOut("......Action %s est active", a->m_Name);
            continue;
        }
        chosen = a;
    }
    if (!chosen) {
        DebugOut("Pas d'Action trouvée");
        return;
    }
    DebugOut("Find Action %s", chosen->m_Name);
    chosen->Execute();
}

int XActionManager::Enqueue(XAction* action) {
    for (int i = kQueueSize - 1; i >= 0; --i)
        if (!m_Queue[i]) {
            m_Queue[i] = action;
            return 1;
        }
    AppLog("Cannot to add action into queue");
    return 0;
}

void XActionManager::Dequeue(XAction* action) {
    for (XAction*& slot : m_Queue)
        if (slot == action) {
            slot = nullptr;
            return;
        }
}

XAction* XActionManager::FirstQueued() {
    for (m_QueueCursor = 0; m_QueueCursor < kQueueSize; ++m_QueueCursor)
        if (m_Queue[m_QueueCursor]) return m_Queue[m_QueueCursor];
    return nullptr;
}

XAction* XActionManager::NextQueued() {
    while (++m_QueueCursor < kQueueSize)
        if (m_Queue[m_QueueCursor]) return m_Queue[m_QueueCursor];
    m_QueueCursor = kQueueSize;
    return nullptr;
}

int XActionManager::SaveState(XChunkFile* file) {
    if (!file || !file->BeginWriteChunk("ACTIONS")) return 0;
    file->Write(m_DoneFlags, sizeof m_DoneFlags);
    file->Write(m_DoneCounts, sizeof m_DoneCounts);
    for (XAction* a : m_Table) {
        if (!a) continue;
        char condition[XAction::kConditionSize] = {};
        std::memcpy(condition, a->m_Condition, sizeof condition);
        file->Write(condition, sizeof condition);
    }
    return file->EndWriteChunk();
}

int XActionManager::LoadState(XChunkFile* file) {
    if (!file || !file->BeginReadChunk("ACTIONS")) return 1;
    // Read into scratch first: a short chunk changes nothing.
    int flags[kMaxActions], counts[kMaxActions];
    if (!file->Read(flags, sizeof flags) || !file->Read(counts, sizeof counts)) {
        file->EndReadChunk();
        return 0;
    }
    std::memcpy(m_DoneFlags, flags, sizeof flags);
    std::memcpy(m_DoneCounts, counts, sizeof counts);
    for (int id = 0; id < kMaxActions; ++id) {
        XAction* a = m_Table[id];
        if (!a) continue;
        a->m_Done = m_DoneFlags[id] ? 1 : 0;
        a->m_DoneCount = m_DoneCounts[id];
        char condition[XAction::kConditionSize];
        if (!file->Read(condition, sizeof condition)) continue;
        condition[sizeof condition - 1] = '\0';
        a->SetCondition(condition);
    }
    file->EndReadChunk();
    return 1;
}
