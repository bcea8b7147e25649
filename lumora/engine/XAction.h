// Actions: what clicks on scene objects do, read from "INFOACT.BIN". Each
// action names the clicked object (sender), the kind of click (plain, or
// while carrying a given object), a condition over other actions'
// completion, a repeat limit and up to ten sub-actions. The manager owns a
// scene's actions, their done flags and counts, and the queue through which
// the universe scripts pick up the actions meant for them.
#pragma once

#include "lumora/engine/InfoTables.h"
#include "lumora/engine/XNode.h"

class XActionManager;
class XChunkFile;
class XObject3D;
class XScene;

// Sub-action types.
enum XSubActionType {
    kSubSound = 1,
    kSubTake = 2,
    kSubPutDown = 3,
    kSubAnimate = 4,
    kSubNothing = 5,
    kSubWait = 6,
    kSubCursorValue = 7,
    kSubHide = 9,
    kSubQueue = 10,
    kSubNothingToo = 11,
    kSubLoopSound = 12,
    kSubPointSound2 = 13,
    kSubChain = 14,
    kSubEnable = 15,
    kSubDisable = 16,
    kSubVoice = 101,
};

// The value of a condition text over 256 done flags. Blanks are ignored;
// digits or "m" and digits name a done flag; "!" negates the term after it;
// "(...)" and "&" (the whole rest) are conditions of their own; "t" and "f"
// end the scan true or false; "|" ORs everything scanned so far with the
// rest. The scan never reads past the text's end (at most 255 characters)
// or outside the flags: an id above 255 names no action and is not done.
bool EvaluateCondition(const char* text, const int* doneFlags);

class XAction : public XNode {
public:
    static constexpr int kConditionSize = 256;
    static constexpr int kParamSize = XSubActionRecord::kParamSize;
    static constexpr int kMaxSubs = XActionInfoRecord::kMaxSubs;
    static constexpr int kNeverDone = 100;

    struct Sub {
        int m_Type = 0;
        char m_Param[kParamSize] = {};
    };

    // The root of a manager's tree: condition "TRUE".
    XAction(int id, const char* name, XActionManager* manager);
    XAction(const XActionInfoRecord& record, XObject3D* sender, XObject3D* receiver, XActionManager* manager);

    // Not done, not executing right now, and its condition holds.
    int IsActive();
    int Execute();
    int CanDo(const char* name) const;
    void MarkDone();
    void SetCondition(const char* condition);

    int m_Trigger = XActionInfoRecord::kTriggerClick;
    int m_Event = 0;
    int m_ReceiverKind = 0;
    char m_CarriedName[64] = {};
    XObject3D* m_Sender = nullptr;
    XObject3D* m_Receiver = nullptr;
    int m_SubCount = 0;
    Sub m_Subs[kMaxSubs] = {};
    int m_Done = 0;
    int m_DoneCount = 0;
    char m_Condition[kConditionSize] = {};
    int m_RepeatLimit = 1;
    // 1 while Execute runs: a chain back to the action or a click during one
    // of its waits finds it inactive.
    int m_Executing = 0;
    XActionManager* m_Manager = nullptr;

private:
    void RunSub(const Sub& sub);
};

class XActionManager {
public:
    static constexpr int kMaxActions = 256;
    static constexpr int kQueueSize = 10;

    explicit XActionManager(XScene* host);
    ~XActionManager();
    XActionManager(const XActionManager&) = delete;
    XActionManager& operator=(const XActionManager&) = delete;

    // Files the action in the tree (by event and sender) and in the table;
    // 0 (and the action deleted) for an id outside 0..255.
    int Add(XAction* action);
    // The click entry point: runs the first suitable action for the node.
    void Fire(XObject3D* clicked);
    XAction* Find(const char* name);
    int Enqueue(XAction* action);
    void Dequeue(XAction* action);
    XAction* FirstQueued();
    XAction* NextQueued();
    int LoadState(XChunkFile* file);
    int SaveState(XChunkFile* file);

    XScene* m_Host = nullptr;
    XAction* m_Root = nullptr;
    XAction* m_Current = nullptr;
    XAction* m_Table[kMaxActions] = {};
    int m_DoneFlags[kMaxActions] = {};
    int m_DoneCounts[kMaxActions] = {};
    XAction* m_Queue[kQueueSize] = {};
    int m_QueueCursor = 0;
};
