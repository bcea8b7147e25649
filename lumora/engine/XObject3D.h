// Clickable objects and lights of a scene. An XObject3D is bound to a kernel
// object, gives it a user record whose first int is the object's cursor
// value (the one place that value lives), and keeps the transforms scripts
// ask for. XLightNode wraps a kernel light.
#pragma once

#include "include/zelt/zelt.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/XNode.h"

class XScene;

// The 8-byte record each bound kernel object carries in its user-data field.
struct XObjectUserRecord {
    int m_CursorValue = 0;
    int m_Spare = 0;
};

// The cursor value stored with a kernel object (0 when it has no record).
int CursorValueOf(const ZeltObject* object);
// Sets the collision-off flag of an object and of all its descendants.
void SetCollisionOff(ZeltObject* object, int value);

class XObject3D : public XNode {
public:
    // Binds to `object` when given: a user record is made when the object
    // has none, its local matrix and global position are captured.
    XObject3D(int type, int id, const char* name, ZeltObject* object, XScene* host);
    ~XObject3D() override;

    virtual void SetPosition(const char* name, float x, float y, float z, int byName);
    virtual void SetRotation(const char* name, float angle, float angleB, int byName);
    virtual void SetFlag(const char* name, int value);
    virtual void Show(const char* name, int show, int collisionOff);

    void SetInfo(const XObjectInfoRecord& record);
    void GetInfo(XObjectInfoRecord& record) const;
    void SetCursorValue(int value, const char* name, int byName);
    int LoadObject(const char* file);
    // Per frame, for this node and its child chain.
    void ApplyTransforms();

    // The node of this chain whose object is named `name` (ignoring case),
    // along the child chain; this node with byName 0.
    XObject3D* Select(const char* name, int byName);
    // This node with an empty name, otherwise the node of that name below it (exact).
    XObject3D* Target(const char* name);

    ZeltObject* m_Object = nullptr;
    int m_Flag = 1;
    int m_Value = 0;
    int m_Turned = 0;
    ZeltVector m_Position = {0, 0, 0};
    int m_Moved = 0;
    float m_Angle = 0.0f;
    float m_AngleB = 1.5707964f;
    float m_Matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // The local matrix at binding, and whether the object was hidden then
    // (a collision-only object of the scene list).
    float m_BoundMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int m_LoadedHidden = 0;
    XScene* m_Host = nullptr;

protected:
    void BindObject(ZeltObject* object);

private:
    float m_AppliedMatrix[16] = {};
    int m_Applied = 0;
    XObjectUserRecord* m_Record = nullptr;  // owned, when this node made it
};

class XLightNode : public XObject3D {
public:
    XLightNode(int id, const char* name, ZeltLight* light, XScene* host);
    void SetPosition(const char* name, float x, float y, float z, int byName) override;

    ZeltLight* m_Light = nullptr;
};
