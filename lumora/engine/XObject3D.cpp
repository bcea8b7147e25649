#include "lumora/engine/XObject3D.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"

int CursorValueOf(const ZeltObject* object) {
    const auto* record = object ? static_cast<const XObjectUserRecord*>(object->userData) : nullptr;
    return record ? record->m_CursorValue : 0;
}

void SetCollisionOff(ZeltObject* object, int value) {
    if (!object) return;
    object->collisionOff = value;
    for (ZeltObject* c = object->firstChild; c; c = c->nextSibling) SetCollisionOff(c, value);
}

XObject3D::XObject3D(int type, int id, const char* name, ZeltObject* object, XScene* host)
    : XNode(type, id, name), m_Host(host) {
    BindObject(object);
}

XObject3D::~XObject3D() {
    if (m_Record && m_Object && m_Object->userData == m_Record) m_Object->userData = nullptr;
    delete m_Record;
    m_Record = nullptr;
}

void XObject3D::BindObject(ZeltObject* object) {
    m_Object = object;
    if (!object) return;
    if (!object->userData) {
        m_Record = new XObjectUserRecord();
        object->userData = m_Record;
    }
    Zelt_Object_Get_Local_Matrix(object, m_Matrix);
    std::memcpy(m_BoundMatrix, m_Matrix, sizeof m_Matrix);
    Zelt_Object_Get_Global_Position(object, &m_Position);
    m_LoadedHidden = object->hidden ? 1 : 0;
}

XObject3D* XObject3D::Select(const char* name, int byName) {
    if (!byName) return this;
    for (XNode* n = this; n; n = n->m_Child) {
        auto* o = static_cast<XObject3D*>(n);
        if (o->m_Object && name && NamesMatch(o->m_Object->name, name, 1)) return o;
    }
    return nullptr;
}

XObject3D* XObject3D::Target(const char* name) {
    if (!name || !name[0]) return this;
    return static_cast<XObject3D*>(FindByName(name, 1));
}

void XObject3D::SetPosition(const char* name, float x, float y, float z, int byName) {
    XObject3D* o = Select(name, byName);
    if (!o) return;
    o->m_Position = {x, y, z};
    o->m_Matrix[12] = x;
    o->m_Matrix[13] = y;
    o->m_Matrix[14] = z;
    o->m_Moved = 1;
}

void XObject3D::SetRotation(const char* name, float angle, float angleB, int byName) {
    XObject3D* o = Select(name, byName);
    if (!o) return;
    float turn[16], result[16];
    Zelt_Make_Rotation_Matrice_Z(turn, o->m_Angle - angle);
    Zelt_Matrice_Mult(result, o->m_Matrix, turn);
    std::memcpy(o->m_Matrix, result, sizeof result);
    o->m_Angle = angle;
    o->m_AngleB = angleB;
    o->m_Turned = 1;
    o->m_Moved = 1;
}

void XObject3D::SetFlag(const char* name, int value) {
    XObject3D* o = Target(name);
    if (!o) {
        DebugOut("Obj %s not found in the scene", name ? name : "");
        return;
    }
    o->m_Flag = value;
}

void XObject3D::Show(const char* name, int show, int collisionOff) {
    XObject3D* o = Target(name);
    if (!o) {
        DebugOut("Alerte: XObject3D %s not found", name ? name : "");
        return;
    }
    if (!o->m_Object) return;
    if (show) {
        Zelt_Object_Unhide(o->m_Object, 1);
        SetCollisionOff(o->m_Object, 0);
    } else {
        Zelt_Object_Hide(o->m_Object, 1);
        SetCollisionOff(o->m_Object, collisionOff);
    }
}

void XObject3D::SetCursorValue(int value, const char* name, int byName) {
    XObject3D* o = Select(name, byName);
    if (!o || !o->m_Object || !o->m_Object->userData) return;
    static_cast<XObjectUserRecord*>(o->m_Object->userData)->m_CursorValue = value;
}

void XObject3D::SetInfo(const XObjectInfoRecord& record) {
    SetCursorValue(record.m_CursorValue, "", 0);
    if (!record.m_Visible) {
        Show("", 0, 1);
    } else if (m_Object) {
        // A collision-only object stays hidden and collides again; any other
        // object a saved game had hidden comes back.
        if (m_LoadedHidden) SetCollisionOff(m_Object, 0);
        else if (m_Object->hidden) Show("", 1, 0);
    }
    XAnimation* anim = m_Host ? m_Host->FindAnimation(m_Name) : nullptr;
    if (!anim) return;
    if (record.m_AnimStopped) anim->StopAt(record.m_AnimFrame, 0);
    else anim->SetFrame(record.m_AnimFrame);
    anim->m_Speed = static_cast<float>(record.m_AnimSpeed);
    anim->m_Loop = record.m_AnimLoop;
}

void XObject3D::GetInfo(XObjectInfoRecord& record) const {
    record.m_CursorValue = CursorValueOf(m_Object);
    if (m_Object) record.m_Visible = m_LoadedHidden ? !m_Object->collisionOff : !m_Object->hidden;
    XAnimation* anim = m_Host ? m_Host->FindAnimation(m_Name) : nullptr;
    if (!anim) return;
    record.m_AnimFrame = anim->m_Frame;
    record.m_AnimStopped = anim->m_Stopped;
    record.m_AnimLoop = anim->m_Loop;
}

int XObject3D::LoadObject(const char* file) {
    ZeltObject* object = nullptr;
    if (!m_Host || !m_Host->m_Scene || !Zelt_Load_Sdk_o3d(m_Host->m_Scene, file, &object) || !object) {
        int code = 0;
        const char* text = "";
        Zelt_Get_Last_Error(&code, &text);
        char error[300];
        std::snprintf(error, sizeof error, "Error ZELT: %i %s", code, text ? text : "");
        new MessageToUser(0, 1020, __FILE__, __LINE__, file ? file : "", error);
        return 0;
    }
    if (m_Record && m_Object && m_Object->userData == m_Record) m_Object->userData = nullptr;
    delete m_Record;
    m_Record = nullptr;
    BindObject(object);
    SetName(object->name);
    for (ZeltLight* l = Zelt_Scene_Get_First_Light(m_Host->m_Scene); l; l = Zelt_Scene_Get_Next_Light(m_Host->m_Scene, l))
        Zelt_Light_Include_Object(l, object, 1);
    return 1;
}

void XObject3D::ApplyTransforms() {
    for (XNode* n = this; n; n = n->m_Child) {
        auto* o = static_cast<XObject3D*>(n);
        if (!o->m_Moved || !o->m_Object) continue;
        if (o->m_Host && o->m_Host->IsAnimated(o->m_Object)) {
            // The animation recomposed the local matrix this frame: add what
            // the scripts changed since binding.
            float inverse[16], delta[16], local[16], result[16];
            Zelt_Matrice_Inverse(inverse, o->m_BoundMatrix);
            Zelt_Matrice_Mult(delta, inverse, o->m_Matrix);
            Zelt_Object_Get_Local_Matrix(o->m_Object, local);
            // Unchanged since the last pass (animations frozen): already applied.
            if (o->m_Applied && std::memcmp(local, o->m_AppliedMatrix, sizeof local) == 0) continue;
            Zelt_Matrice_Mult(result, local, delta);
            Zelt_Object_Set_Local_Matrix(o->m_Object, result);
            Zelt_Object_Get_Local_Matrix(o->m_Object, o->m_AppliedMatrix);
            o->m_Applied = 1;
        } else {
            // Nothing resets this object's matrix: the stored one is its matrix.
            Zelt_Object_Set_Local_Matrix(o->m_Object, o->m_Matrix);
        }
    }
}

XLightNode::XLightNode(int id, const char* name, ZeltLight* light, XScene* host)
    : XObject3D(kLight, id, name, nullptr, host), m_Light(light) {
    if (light) m_Position = light->position;
}

void XLightNode::SetPosition(const char* name, float x, float y, float z, int byName) {
    for (XNode* n = this; n; n = n->m_Child) {
        auto* l = dynamic_cast<XLightNode*>(n);
        if (!l) continue;
        if (!byName || (l->m_Light && name && NamesMatch(l->m_Light->name, name, 1))) {
            l->m_Position = {x, y, z};
            if (l->m_Light) Zelt_Light_Set_Global_Position(l->m_Light, &l->m_Position);
            return;
        }
    }
}
