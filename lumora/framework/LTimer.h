// Timer clients ticked by the frame manager on every redraw pass, and the
// update region: the dirty rectangle that the next tick redraws.
#pragma once

#include "lumora/framework/LArray.h"
#include "platform/Types.h"

class LTimerClient;

class LTimerList {
public:
    LTimerList() = default;
    LTimerList(const LTimerList&) = delete;
    LTimerList& operator=(const LTimerList&) = delete;
    virtual ~LTimerList();  // deletes every client, last first

    virtual void Add(LTimerClient* client);
    virtual void Remove(LTimerClient* client);
    virtual int Count() const { return m_Clients.GetLastIndex() + 1; }
    // Every client from the last to the first.
    virtual void TickAll();
    virtual void DeleteAll();

private:
    LArray m_Clients{0, nullptr, kPointerSize};
};

class LTimerClient {
public:
    LTimerClient(int start, LTimerList* list);
    LTimerClient(const LTimerClient&) = delete;
    LTimerClient& operator=(const LTimerClient&) = delete;
    virtual ~LTimerClient();

    virtual void Start();
    virtual void Stop();
    virtual int IsRunning() const { return m_Running; }
    virtual void OnTick() {}

private:
    friend class LTimerList;
    int m_Running = 0;
    LTimerList* m_List;
};

class LFrameManager;

class LUpdateRegion : public LTimerClient {
public:
    LUpdateRegion(LTimerList* list, LFrameManager* manager);

    // Draws the dirty rectangle (when there is one) and empties it.
    void OnTick() override;
    // Adds r to the dirty rectangle; null dirties the whole screen.
    void Invalidate(const platform::RECT* r);
    // Takes r out of the dirty rectangle (where a rectangle can say so);
    // null empties it.
    void Validate(const platform::RECT* r);
    const platform::RECT& GetDirty() const { return m_Dirty; }
    int IsEmpty() const { return m_Dirty.left >= m_Dirty.right || m_Dirty.top >= m_Dirty.bottom; }

private:
    platform::RECT m_Dirty{0, 0, 0, 0};
    LFrameManager* m_Manager;
};

// Screen event handlers by name: int handler(eventType, sender, data).
using LScriptHandler = int (*)(int type, void* sender, void* data);

class LScriptTable {
public:
    LScriptTable();
    void Register(const char* name, LScriptHandler handler);
    void Unregister(const char* name);
    LScriptHandler Find(const char* name) const;

private:
    LArray m_Names;     // 32-byte names, sorted without regard to case
    LArray m_Handlers;  // parallel
};
