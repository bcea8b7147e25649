// Behaviours and their hosts. A behaviour is a reusable reaction (highlight,
// frame link, drag ...) attached to a view, or to the frame manager itself;
// the host sends it every event and owns it.
#pragma once

#include "lumora/framework/LArray.h"
#include "platform/Types.h"

// Events passed to behaviours and screen event handlers.
enum LEventType {
    kEventLeave = 1,
    kEventEnter = 2,
    kEventMove = 3,
    kEventLButtonDown = 4,
    kEventRButtonDown = 5,
    kEventDoubleClick = 6,
    kEventPainted = 7,
    kEventMessage = 8,
    kEventIdleDone = 9,
    kEventBeforeTimers = 10,
    kEventDragStart = 11,
    kEventDragMove = 12,
    kEventDragEnd = 13,
    kEventSurfacesRestored = 14,
    kEventKey = 15,
    kEventChar = 16,
    kEventAppActive = 17,
    kEventAppInactive = 18,
};

// What the class creator's factories make: a view or a behaviour.
class LFrameObject {
public:
    virtual ~LFrameObject() = default;
};

class LBehavior;

class LBehaviorHost : public LFrameObject {
public:
    LBehaviorHost() = default;
    LBehaviorHost(const LBehaviorHost&) = delete;
    LBehaviorHost& operator=(const LBehaviorHost&) = delete;
    ~LBehaviorHost() override;

    virtual void AddBehavior(LBehavior* behavior);
    virtual void RemoveBehavior(LBehavior* behavior);
    // Every behaviour in list order; the first nonzero answer (0 when none).
    virtual int SendEvent(int type, void* sender, void* data);
    virtual void CreateBehaviorList();
    virtual int CountBehaviors() const;
    virtual void EnableBehaviors(int enabled, int code);

    LBehavior* BehaviorAt(int index) const { return m_Behaviors ? m_Behaviors->PtrAt<LBehavior>(index) : nullptr; }

protected:
    LArray* m_Behaviors = nullptr;
};

class LBehavior : public LFrameObject {
public:
    LBehavior() = default;
    LBehavior(const LBehavior&) = delete;
    LBehavior& operator=(const LBehavior&) = delete;
    ~LBehavior() override;

    virtual int HandleEvent(int type, void* sender, void* data);
    virtual void Init();
    virtual void OnInit() {}
    virtual void AttachTo(LBehaviorHost* host);
    virtual void DetachFrom(LBehaviorHost* host);
    virtual void DetachFromAll();
    virtual int IsEnabled() const { return m_Enabled; }
    virtual void SetEnabled(int enabled) { m_Enabled = enabled; }
    virtual int GetRect(platform::RECT* r) const;

    int SizesOwner() const { return m_SizesOwner; }

protected:
    int m_SizesOwner = 1;
    LArray* m_Owners = nullptr;
    int m_Enabled = 1;
};
