#include "lumora/universes/XUniverse.h"

#include <cstdio>

#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"
#include "platform/Types.h"

namespace {

// The longest a wait for a sound or an animation lasts when its end is
// never noticed (a source whose wave cannot be measured).
constexpr unsigned kWaitLimit = 30000;

}  // namespace

int XUniverse::OnLButtonDown(int x, int y) {
    XScene::OnLButtonDown(x, y);
    if (!m_PickedNode && m_NeedsPickedNode) return m_NoPickAnswer;
    RunQueue();
    return 1;
}

int XUniverse::RunQueue() {
    if (!m_Actions) return 0;
    const char* const* names = OperationNames();
    int ran = 0;
    for (XAction* action = m_Actions->FirstQueued(); action; action = m_Actions->NextQueued()) {
        // An action that hands over several names sits in the queue once
        // per name: it is taken out whole, so its handlers run once each.
        for (int slot = 0; slot < XActionManager::kQueueSize; ++slot) m_Actions->Dequeue(action);
        for (int i = 0; names && names[i]; ++i) {
            if (!action->CanDo(names[i])) continue;
            RunOperation(i);
            ++ran;
            if (m_Dispatch == kFirstMatch || (m_Dispatch == kFirstAlways && i > 0)) break;
        }
    }
    return ran;
}

ZeltObject* XUniverse::RenameObject(const char* name, const char* newName) {
    ZeltObject* o = m_Scene ? Zelt_Scene_Get_Object(m_Scene, name) : nullptr;
    if (o) std::snprintf(o->name, sizeof o->name, "%s", newName);
    return o;
}

int XUniverse::NumberObjects(const char* name, const char* format) {
    int n = 0;
    char newName[sizeof(ZeltObject::name)];
    // Each renamed object drops out of the lookup, so the next one is found.
    for (;;) {
        std::snprintf(newName, sizeof newName, format, n + 1);
        if (!RenameObject(name, newName)) return n;
        ++n;
    }
}

ZeltObject* XUniverse::HideObject(const char* name) {
    ZeltObject* o = m_Scene ? Zelt_Scene_Get_Object(m_Scene, name) : nullptr;
    if (o) Zelt_Object_Hide(o, 1);
    return o;
}

ZeltObject* XUniverse::RemoveObject(const char* name) {
    ZeltObject* o = HideObject(name);
    if (!o) return nullptr;
    SetCollisionOff(o, 1);
    o->lineTestExcluded = 1;
    return o;
}

XObject3D* XUniverse::Node(const char* name) {
    return m_Objects ? static_cast<XObject3D*>(m_Objects->FindByName(name, 1)) : nullptr;
}

XAnimation* XUniverse::Anim(const char* name) { return FindAnimation(name, 1); }

void XUniverse::SetCursorValueOf(const char* name, int value) { SetCursorValueOf(Node(name), value); }

void XUniverse::SetCursorValueOf(XObject3D* node, int value) {
    if (node) node->SetCursorValue(value, "", 0);
}

ZeltVector XUniverse::PositionOf(const XObject3D* node) {
    ZeltVector p{0, 0, 0};
    if (node && node->m_Object) Zelt_Object_Get_Global_Position(node->m_Object, &p);
    return p;
}

ZeltVector XUniverse::CameraPosition() const {
    return m_Pilot ? ZeltVector{m_Pilot->m_Position[0], m_Pilot->m_Position[1], m_Pilot->m_Position[2]}
                   : ZeltVector{0, 0, 0};
}

int XUniverse::Say(const char* speaker, const char* line) {
    DebugOut("Universe: %s says %s", speaker, line);
    return SpeakerSay(speaker, line);
}

int XUniverse::Live() const {
    return g_App && g_CurrentScene == this && g_App->GetState() == APP_SCENE ? 1 : 0;
}

void XUniverse::WaitWhilePlaying(XSoundSource* source) {
    if (!source) return;
    const unsigned start = platform::timeGetTime();
    while (Live() && source->IsSounding() && !KeyPressed(platform::VK_RETURN) && platform::timeGetTime() - start < kWaitLimit)
        Run(0);
}

void XUniverse::WaitWhileSpeaking() {
    const unsigned start = platform::timeGetTime();
    while (Live() && m_Speaking && !KeyPressed(platform::VK_RETURN) && platform::timeGetTime() - start < kWaitLimit) Run(0);
}

void XUniverse::WaitAnimation(XAnimation* anim, unsigned limit) {
    if (!anim) return;
    const unsigned start = platform::timeGetTime();
    while (Live() && !anim->m_Stopped && platform::timeGetTime() - start < limit) {
        Run(0);
        Step();
    }
}

void XUniverse::LeaveForward(const char* video, int next, unsigned fadeMs) {
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
    if (fadeMs) FadeOut(fadeMs);
    WaitWhilePlaying(m_SoundA);
    WaitWhilePlaying(m_SoundB);
    if (g_App && video) g_App->PlayVideo(video, "s6_1", 0, 1);
    DebugOut("Universe: leaving for %d", next);
    if (g_App && g_App->m_Game) g_App->m_Game->ChangeUniverse(next);
}

void XUniverse::Fail() {
    DebugOut("Universe: failed, back to the menu");
    if (g_App && g_App->m_Game) g_App->m_Game->ReturnToMenu();
}

void XUniverse::SaveOnArrival() {
    if (!g_App || !g_App->m_Game) return;
    const int saved = g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    DebugOut("Universe: automatic save %s", saved ? "written" : "failed");
}

XUniverse::Sequence::Sequence() {
    if (g_Cursor) g_Cursor->SetEnabled(0, 0);
}

XUniverse::Sequence::~Sequence() {
    if (g_Cursor) g_Cursor->SetEnabled(1, 1);
}

XUniverse::NoEscape::NoEscape() {
    if (!g_App) return;
    m_Saved = g_App->m_EscapeEnabled;
    g_App->m_EscapeEnabled = 0;
}

XUniverse::NoEscape::~NoEscape() {
    if (g_App) g_App->m_EscapeEnabled = m_Saved;
}
