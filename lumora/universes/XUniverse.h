// What every universe's script shares: the click dispatch through the
// action queue, the object-name repairs, sequences that hold the cursor,
// waits that go on animating, and the two ways out of a universe.
#pragma once

#include "lumora/engine/XScene.h"

class XObject3D;

class XUniverse : public XScene {
public:
    // How the queue's actions meet the operation names.
    enum Dispatch {
        kFirstMatch = 0,  // the first name an action answers runs, the others are not asked
        kEveryMatch = 1,  // every name it answers runs, in order
        kFirstAlways = 2, // the first name runs whenever it answers, then the others by first match
    };
    static constexpr float kKeep = 100.0f;  // camera moves: keep this value
    static constexpr float kLevel = 1.5707960f;

    // The base click, then the queue's actions through the operation names.
    int OnLButtonDown(int x, int y) override;

    // The script's operation names in dispatch order, ending with null.
    virtual const char* const* OperationNames() const = 0;
    // Runs the handler of OperationNames()[index].
    virtual void RunOperation(int index) = 0;

    // The dispatch rules: first or every match; whether a click that picked
    // nothing stops before the queue, and what it then answers.
    Dispatch m_Dispatch = kFirstMatch;
    int m_NeedsPickedNode = 1;
    int m_NoPickAnswer = 0;

    // Walks the queue: each action is taken out and asked for the names.
    // The number of handlers run.
    int RunQueue();

    // Repairs. A repair whose object is missing does nothing (null).
    ZeltObject* RenameObject(const char* name, const char* newName);
    // Every object named `name` gets `format` with n = 1, 2, ... in lookup
    // order; the count renamed.
    int NumberObjects(const char* name, const char* format);
    ZeltObject* HideObject(const char* name);
    // Hidden, collision-off and out of line tests.
    ZeltObject* RemoveObject(const char* name);

    // Lookups of the scene's trees (null when missing).
    XObject3D* Node(const char* name);
    XAnimation* Anim(const char* name);
    // Cursor value of an object node by name, or of a node.
    void SetCursorValueOf(const char* name, int value);
    static void SetCursorValueOf(XObject3D* node, int value);
    // The global position of a node's object ((0,0,0) when missing).
    static ZeltVector PositionOf(const XObject3D* node);
    ZeltVector CameraPosition() const;

    // A talking character says a line (noted in the debug output); 0 when
    // the scene has no such character.
    int Say(const char* speaker, const char* line);

    // Waits, animating and rendering, while the source plays, until Return
    // is down, or at the latest the length of its wave on the game clock.
    void WaitWhilePlaying(XSoundSource* source);
    // Waits while a talking character speaks or Return is up.
    void WaitWhileSpeaking();
    // Waits until the animation stops (at most `limit` ms).
    void WaitAnimation(XAnimation* anim, unsigned limit = 20000);
    // 1 while the program still shows this scene (a wait ends otherwise).
    int Live() const;

    // Leaves forward: fade, wait for the last sounds, the travel video, the
    // next universe. Failing: back to the menu.
    void LeaveForward(const char* video, int next, unsigned fadeMs = 2000);
    void Fail();

    // The automatic save of a new visit (slot 0, the save's own name).
    void SaveOnArrival();

    // Holds the cursor (clicks and scene steps stop) for a sequence and
    // gives it back on every path out.
    class Sequence {
    public:
        Sequence();
        ~Sequence();
        Sequence(const Sequence&) = delete;
        Sequence& operator=(const Sequence&) = delete;
    };
    // Holds Escape off for a sequence that is not skipped.
    class NoEscape {
    public:
        NoEscape();
        ~NoEscape();
        NoEscape(const NoEscape&) = delete;
        NoEscape& operator=(const NoEscape&) = delete;

    private:
        int m_Saved = 1;
    };
};
