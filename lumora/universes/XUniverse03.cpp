#include "lumora/universes/XUniverse03.h"

#include <cstdio>
#include <string>

#include "include/zelt/records.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

namespace {

const char* const kOperations[] = {"AnimeSpeakClown", "FlicSalut", "DoCinematiqueFlic", nullptr};

// The fairground's entrance, looking north at the big top.
constexpr ZeltVector kArrival{450.0f, -520.0f, 68.83f};
constexpr float kNorth = -1.5707964f;

}  // namespace

XUniverse03::XUniverse03() {
    m_Dispatch = kEveryMatch;
    m_NeedsPickedNode = 0;
}

XUniverse03::~XUniverse03() {
    for (XSoundSource** source : {&m_JugglerSource, &m_AccordionSource}) {
        if (!*source) continue;
        (*source)->Stop();
        delete *source;
        *source = nullptr;
    }
}

const char* const* XUniverse03::OperationNames() const { return kOperations; }

void XUniverse03::RunOperation(int index) {
    switch (index) {
        case 0: AnimeSpeakClown(); break;
        case 1: FlicSalut(); break;
        case 2: DoCinematiqueFlic(); break;
        default: break;
    }
}

int XUniverse03::Start(int mode, XChunkFile* save) {
    PlaySound("s2_01", 1);
    if (!XScene::Start(mode, save)) return 0;
    if (m_Pilot) {
        m_Pilot->SetSphereRadius(30.5f);
        m_Pilot->SetSphereOffsetZ(10.5f);
    }
    InitSpeaker("U03_01", "", "$$$DUMMY.*visage", 0, 8, nullptr);
    InitSpeaker("U03_02", "", "$$$DUMMY.visage", 0, 8, nullptr);
    InitSpeaker("U03_09", "", "$$$DUMMY.visage", 0, 8, nullptr);
    m_Juggler = Node("*U03_01");
    m_Accordion = Node("*U03_02");
    m_Policeman = Node("*U03_09");
    m_JugglerAnim = Anim("*U03_01");
    m_PolicemanAnim = Anim("*U03_09");

    // The juggler's bells, and the accordion until the coin is given.
    char file[400];
    m_JugglerSource = new XSoundSource(5, 1000.0f);
    std::snprintf(file, sizeof file, "%sSound/%s", m_Dir, "s2_03.wav");
    const ZeltVector juggler = PositionOf(m_Juggler);
    m_JugglerSource->Play(file, &juggler, 1);
    if (!m_Actions || !m_Actions->m_DoneFlags[10]) {
        m_AccordionSource = new XSoundSource(6, 1000.0f);
        std::snprintf(file, sizeof file, "%sSound/%s", m_Dir, "s2_04.wav");
        const ZeltVector accordion = PositionOf(m_Accordion);
        m_AccordionSource->Play(file, &accordion, 1);
    }
    if (mode != 1) return 1;

    // A new visit: the entrance, the coin from the station in the pocket,
    // and the juggler's welcome.
    if (m_Pilot) {
        m_Pilot->SetPositionVec(&kArrival);
        m_Pilot->SetAngles(kNorth, kLevel);
    }
    if (XInventoryPanel* inventory = XInventoryPanel::Current())
        if (!inventory->HasObject("U01_19P")) inventory->AddObject("U01_19P");
    {
        Sequence hold;
        Run(600);
        if (m_Pilot && m_Juggler) m_Pilot->TravelTowardObject(1000, FindInTree(m_Juggler->m_Object, "TETE", 1));
        Say("U03_01", "d2_01");
        m_JugglerLines = 1;
        WaitWhileSpeaking();
        if (m_Pilot) m_Pilot->Travel(1200, nullptr, kNorth, kLevel, kKeep);
    }
    if (g_App && g_App->m_Game) g_App->m_Game->SaveGame(GetMessageText(1003), 0);
    return 1;
}

int XUniverse03::Render() {
    // While the next scene is being asked for, nothing of this one moves.
    if (g_App && g_App->GetState() == APP_LOAD_SCENE) return 1;
    const int result = XScene::Render();
    if (m_AccordionSource && m_Actions && m_Actions->m_DoneFlags[10]) StopAccordion();
    if (m_JugglerSource) m_JugglerSource->Refresh();
    if (m_AccordionSource) m_AccordionSource->Refresh();
    return result;
}

int XUniverse03::OnLButtonDown(int x, int y) { return XUniverse::OnLButtonDown(x, y); }

void XUniverse03::StopAccordion() {
    if (!m_AccordionSource) return;
    m_AccordionSource->Stop();
    delete m_AccordionSource;
    m_AccordionSource = nullptr;
    DebugOut("Universe 3: the accordion stops");
}

void XUniverse03::AnimeSpeakClown() {
    Sequence hold;
    if (m_PickedNode && m_PickedNode == m_Accordion) {
        if (m_Pilot) m_Pilot->TravelTowardObject(600, FindInTree(m_Accordion->m_Object, "TETE", 1));
        const int paid = m_Actions && m_Actions->m_DoneFlags[10];
        if (paid) StopAccordion();
        Say("U03_02", paid ? "d2_04" : "d2_03");
        WaitWhileSpeaking();
        return;
    }
    // The juggler juggles while he talks.
    if (m_Pilot && m_Juggler) m_Pilot->TravelTowardObject(600, FindInTree(m_Juggler->m_Object, "TETE", 1));
    XAnimation* juggle = Gesture(m_JugglerAnim, "U03_01/Jongle.A3D", "Jongle");
    Say("U03_01", m_JugglerLines++ % 2 ? "d2_02" : "d2_01");
    WaitWhileSpeaking();
    WaitAnimation(juggle, 3000);
    if (juggle) m_JugglerAnim->SelectSub(0, 1);
}

XAnimation* XUniverse03::Gesture(XAnimation* character, const char* file, const char* name) {
    if (!character) return nullptr;
    XAnimation* gesture = character->FindSub(name, 1);
    if (!gesture) {
        char path[400];
        std::snprintf(path, sizeof path, "%sAnim/%s", m_Dir, file);
        gesture = character->AddSub(path, name, 1, 1);
    }
    if (!gesture) return nullptr;
    character->SelectSub(1, 1);
    gesture->m_Loop = 0;
    gesture->m_Backward = 0;
    gesture->SetFrame(0.0f);
    gesture->Play(0);
    return gesture;
}

void XUniverse03::FlicSalut() {
    Sequence hold;
    if (m_Pilot && m_Policeman) m_Pilot->TravelTowardObject(600, FindInTree(m_Policeman->m_Object, "TETE", 1));
    XAnimation* salute = Gesture(m_PolicemanAnim, "U03_09/Salut.A3D", "Salut");
    const int quiet = m_Actions && m_Actions->m_DoneFlags[10];
    Say("U03_09", quiet ? "d2_06" : "d2_05");
    WaitWhileSpeaking();
    WaitAnimation(salute, 3000);
    if (salute) m_PolicemanAnim->SelectSub(0, 1);
}

int XUniverse03::LoadCinematic(XAnimation** camera, XAnimation** target) {
    static const char* const kFiles[2][2] = {{"cinematiques/Coordcam.o3d", "cinematiques/Coordcam.a3d"},
                                             {"cinematiques/Cine01.o3d", "cinematiques/Cine01.a3d"}};
    XAnimation* bound[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
        const std::string objectFile = ResolveForReading(std::string(m_Dir) + kFiles[i][0]);
        const std::string animFile = ResolveForReading(std::string(m_Dir) + kFiles[i][1]);
        ZeltObject* object = nullptr;
        ZeltAnimation* anim = nullptr;
        const char* failed = nullptr;
        if (!m_Scene || objectFile.empty() || !Zelt_Load_Sdk_o3d(m_Scene, objectFile.c_str(), &object) || !object)
            failed = kFiles[i][0];
        else if (animFile.empty() || !Zelt_Load_Sdk_a3d(m_Scene, animFile.c_str(), &anim) || !anim)
            failed = kFiles[i][1];
        if (failed) {
            int code = 0;
            const char* text = "";
            Zelt_Get_Last_Error(&code, &text);
            char error[300];
            std::snprintf(error, sizeof error, "Error ZELT: %i %s", code, text ? text : "");
            new MessageToUser(0, 1020, __FILE__, __LINE__, failed, error);
            return 0;
        }
        // The markers are never seen and never in the way.
        Zelt_Object_Hide(object, 1);
        SetCollisionOff(object, 1);
        object->lineTestExcluded = 1;
        bound[i] = AddAnimation(anim, object, animFile.c_str(), 15.0f);
        if (!bound[i]) return 0;
        bound[i]->Bind(anim, object, 15.0f, 0, 1);
        bound[i]->SetFrame(1.0f);
    }
    *camera = bound[0];
    *target = bound[1];
    return 1;
}

void XUniverse03::DoCinematiqueFlic() {
    {
        Sequence hold;
        XAnimation* camera = nullptr;
        XAnimation* target = nullptr;
        if (LoadCinematic(&camera, &target) && m_Pilot) {
            DebugOut("Universe 3: the policeman's cinematic");
            camera->Play(0);
            target->Play(0);
            const unsigned start = platform::timeGetTime();
            while (Live() && !camera->m_Stopped && platform::timeGetTime() - start < 20000) {
                ZeltVector eye{}, look{};
                Zelt_Object_Get_Global_Position(camera->m_Object, &eye);
                Zelt_Object_Get_Global_Position(target->m_Object, &look);
                m_Pilot->SetPositionVec(&eye);
                m_Pilot->LookAt(&eye, &look);
                Run(0);
            }
        }
    }
    DebugOut("Universe 3: on to the caravans");
    if (!g_App || !g_App->m_Game) return;
    g_App->m_Game->SetSceneList("U33.ZELT");
    g_App->SetState(APP_LOAD_SCENE);
}
