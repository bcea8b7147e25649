#include "lumora/universes/XPaintingScene.h"
#include "lumora/universes/XUniverse02.h"
#include "lumora/universes/XUniverse04.h"

#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"

namespace {

constexpr float kUpright = 1.5707964f;

const XPaintingScene::Viewpoint kViewpoints[] = {
    {"U11_01", 1, 308.53f, -508.2f, 29.55f, 1.56f, kUpright},
    {"U11_02", 2, 652.36f, 153.88f, 78.93f, -6.24f, kUpright},
    {"U11_03", 2, 408.0f, -831.52f, 52.53f, -4.44f, kUpright},
    {"U12_03", 3, 449.35f, -232.52f, 68.83f, -8.04f, 2.11f},
    {"U12_04", 33, 320.98f, -92.88f, 68.83f, -1.68f, 2.05f},
    {"U13_01", 4, -26.42f, 37.1f, -3.6f, 2.98f, kUpright},
    {"U13_03", 4, 53.62f, 132.69f, -4.6f, 7.66f, kUpright},
    {"U13_04", 4, 196.0f, 284.0f, 15.0f, -0.07f, kUpright},
    {"U13_05", 4, 44.25f, 150.98f, -3.63f, 4.807f, kUpright},
    {"U13_06", 4, 165.6f, 291.76f, 15.0f, 3.307f, kUpright},
    {"U13_11", 4, 176.4f, 311.57f, 15.0f, 3.37f, kUpright},
    {"U13_12", 4, 137.41f, 123.18f, -4.61f, 2.647f, 1.21f},
    {"U13_13", 4, 110.47f, -48.46f, -4.61f, -6.29f, kUpright},
    {"U13_14", 4, 108.5f, 286.05f, 15.0f, -2.93f, kUpright},
    {"U13_15", 5, 226.37f, -1075.79f, 47.58f, -3.37f, kUpright},
    {"U14_01", 5, 680.45f, -135.73f, 45.83f, -3.19f, kUpright},
    // These two paintings of universe 6 were placed by eye, near its others.
    {"U14_02", 6, -1033.06f, 146.35f, 25.41f, -0.52f, kUpright},
    {"U14_03", 6, -1033.06f, 146.35f, 25.41f, -3.66f, kUpright},
    {"U14_05", 6, -1104.9f, -1042.33f, 25.41f, 0.555f, kUpright},
    {"U14_07", 6, -1104.9f, -1042.33f, 25.41f, -2.586f, kUpright},
};

const char* AmbienceOf(int group) {
    switch (group) {
        case 1: return "U01";
        case 2: return "s1_15";
        case 3:
        case 33: return "s2_01";
        case 4: return "s3_01";
        case 5: return "s4_01a";
        case 6: return "s4_11";
        default: return nullptr;
    }
}

const char* const kNoOperations[] = {nullptr};

const char* const kFairShow[] = {
    // The people: the projectionist, the accordion clown, the policeman.
    "*U03_01", "*U03_02", "*U03_09",
    // The caravan's story: the drawer, its key, the trunk, the curtain, the
    // jack-in-the-box and its matches; the bicycle ridden away.
    "*U03_22", "*U03_23", "*U03_24", "*U03_25", "*U03_26", "*U03_27", "*U03_30",
    // The show: the projector's beam, its reels and film, the film can, the
    // lamp's glow and smoke.
    "*U03_37", "Bobine1", "Bobine2", "Pellicule", "BoiteFilm", "LampeProjecteur", "Fumee",
    // What moves in the night: the clown's lantern, moths, bats.
    "Lanterne", "Papillon1", "Papillon2", "Papillon3", "ChauveSouris1", "ChauveSouris2", "ChauveSouris3",
    nullptr};
static_assert(sizeof kFairShow / sizeof kFairShow[0] == XPaintingScene::kFairShowCount + 1);

}  // namespace

const XPaintingScene::Viewpoint* XPaintingScene::FindViewpoint(const char* code) {
    if (!code) return nullptr;
    for (const Viewpoint& v : kViewpoints)
        if (std::strncmp(code, v.code, 6) == 0) return &v;
    return nullptr;
}

const char* const* XPaintingScene::FairShowObjects() { return kFairShow; }

const char* const* XPaintingScene::OperationNames() const { return kNoOperations; }

void XPaintingScene::RunOperation(int) {}

int XPaintingScene::Load(const char* listName) {
    if (!m_Code[0] && g_App && g_App->m_Game)
        std::snprintf(m_Code, sizeof m_Code, "%.6s", g_App->m_Game->m_PaintingCode);
    const Viewpoint* view = FindViewpoint(m_Code);
    if (!view) DebugOut("Painting scene: no viewpoint for \"%s\"", m_Code);
    else if (const char* ambience = AmbienceOf(view->group)) PlaySound(ambience, 1);
    return XScene::Load(listName);
}

void XPaintingScene::HideFairShow() {
    for (const char* const* name = kFairShow; *name; ++name) RemoveObject(*name);
}

void XPaintingScene::ApplyRepairs(int group) {
    switch (group) {
        case 1:
            if (ZeltObject* carpet = FindObject("Tapiroug*", 0)) Zelt_Object_Hide(carpet, 1);
            break;
        case 2:
            XUniverse02::RepairNames(*this);
            if (XObject3D* magpie = Node("*U02_05")) magpie->Show("", 1, 0);
            if (XAnimation* magpie = Anim("*U02_05")) magpie->Enable(1);
            break;
        case 3:
        case 33: {
            char name[16];
            for (int i = 1; i <= 9; ++i) {
                std::snprintf(name, sizeof name, "*Ecran0%i", i);
                HideObject(name);
            }
            HideObject("Box186");
            HideFairShow();
            RemoveObject("*U03_13");
            break;
        }
        case 4:
            XUniverse04::GardenRepairs(*this);
            RemoveObject("*U04_05");
            RemoveObject("*U04_31");
            for (const char* prop : {"*U04_44", "*U04_53", "*U04_63"}) RemoveObject(prop);
            if (m_Pilot) {
                m_Pilot->SetSphereRadius(5.0f);
                m_Pilot->SetSphereOffsetZ(0.0f);
            }
            break;
        case 5:
            if (m_Pilot) {
                m_Pilot->SetSphereRadius(19.0f);
                m_Pilot->SetSphereOffsetZ(29.0f);
            }
            break;
        default: break;
    }
}

int XPaintingScene::Start(int mode, XChunkFile* save) {
    const Viewpoint* view = FindViewpoint(m_Code);
    if (view) ApplyRepairs(view->group);
    if (!XScene::Start(mode, save)) return 0;
    if (std::strncmp(m_Code, "U11_03", 6) == 0) {
        if (XObject3D* magpie = Node("*U02_05")) magpie->Show("", 1, 0);
        if (XAnimation* magpie = Anim("*U02_05")) {
            magpie->m_Loop = 1;
            magpie->Play(0);
        }
    }
    if (view && m_Pilot) {
        m_Pilot->SetPosition(view->x, view->y, view->z);
        m_Pilot->SetAngles(view->theta, view->phi);
    }
    if (view && (view->group == 3 || view->group == 33)) {
        // The base Start gave the objects of the tables their collision
        // back (hidden before it, they counted as collision-only objects).
        HideFairShow();
        RemoveObject("*U03_13");
        RemoveObject("*Ecran10");
    }
    return 1;
}

int XPaintingScene::OnLButtonDown(int, int) { return 1; }

int XPaintingScene::OnMouseMove(int, int) { return 1; }

ZeltObject* XPaintingScene::Pick(int x, int y) {
    m_PickedObject = m_Scene ? Zelt_Scene_Pick_Object(m_Scene, static_cast<float>(x), static_cast<float>(y), nullptr,
                                                      nullptr)
                             : nullptr;
    return m_PickedObject;
}
