// The scene's side of the talking characters: making them, the ones listed
// in "Scene.bin", and the lines actions hand to them.
#include <cstdio>
#include <memory>
#include <vector>

#include "lumora/engine/InfoTables.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/engine/XSpeaker.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"

int XScene::InitSpeaker(const char* objectName, const char* newName, const char* faceName, int, int count,
                        const char* dir) {
    // Own copy: the caller's text may be the very name renamed below.
    char name[XNode::kNameSize];
    std::snprintf(name, sizeof name, "%s", objectName ? objectName : "");
    auto* node = name[0] && m_Objects && m_Objects->m_Child
                     ? static_cast<XObject3D*>(m_Objects->m_Child->FindByName(name, 0))
                     : nullptr;
    if (!node) {
        new MessageToUser(0, 1021, __FILE__, __LINE__, name);
        return 0;
    }
    XAnimation* anim = FindAnimation(name, 0);
    if (!anim) {
        WarningBox("Animation Speaker not found in the scene");
        return 0;
    }
    const bool renamed = newName && newName[0];
    if (renamed) {
        node->SetName(newName);
        if (node->m_Object) std::snprintf(node->m_Object->name, sizeof node->m_Object->name, "%s", newName);
        anim->SetName(newName);
        if (anim->m_Anim) std::snprintf(anim->m_Anim->name, sizeof anim->m_Anim->name, "%s", newName);
    }
    if (count <= 0) return 1;
    auto* speaker = new XSpeaker(name, faceName, this);
    // Tied to what was found here, also when it now bears another name.
    speaker->m_Node = node;
    if (renamed) speaker->m_Body = anim;
    char shapes[XSpeaker::kDirSize + XNode::kNameSize + 8];
    if (dir && dir[0]) std::snprintf(shapes, sizeof shapes, "%s", dir);
    else std::snprintf(shapes, sizeof shapes, "%sAnim/%s/", m_Dir, name);
    speaker->Load(shapes);
    if (m_Speakers) m_Speakers->AddNext(speaker, 0);
    else m_Speakers = speaker;
    return 1;
}

int XScene::InitSceneSpeakers() {
    char path[300];
    std::snprintf(path, sizeof path, "%sScene.bin", m_Dir);
    if (!FileExists(path)) return 1;
    std::vector<XSpeakerInfoRecord> records;
    {
        auto file = std::make_unique<XChunkFile>();
        if (!file->Open(path, 0)) return 0;
        ReadSpeakerInfos(*file, records);
        file->Close();
    }
    int all = 1;
    for (const XSpeakerInfoRecord& r : records) {
        char dir[XSpeaker::kDirSize] = {};
        if (r.m_Dir[0]) std::snprintf(dir, sizeof dir, "%s%s", m_Dir, r.m_Dir);
        if (!InitSpeaker(r.m_Object, r.m_NewName, r.m_Face, 0, r.m_Count, dir)) all = 0;
    }
    return all;
}

int XScene::SpeakerSay(const char* receiverName, const char* line) {
    if (!m_Speakers || !receiverName) return 0;
    char key[7];
    ShortKey(receiverName, key);
    for (XNode* n = m_Speakers; n; n = n->m_Next)
        if (NamesMatch(n->m_Name, key, 0)) {
            m_Speakers->Speak(key, line);
            return 1;
        }
    return 0;
}
