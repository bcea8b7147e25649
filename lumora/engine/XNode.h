// The game's own small trees beside the kernel's objects: every clickable
// object, animation, light and action is an XNode. A node owns its child
// chain (m_Child) and its alternative chain (m_Next), so deleting a root
// deletes its whole tree.
#pragma once

class XNode {
public:
    // Node kinds.
    static constexpr int kLight = 3;
    static constexpr int kObject = 4;
    static constexpr int kAnimation = 5;
    static constexpr int kAction = 10;
    static constexpr int kSubAnimation = 50;
    static constexpr int kNameSize = 64;

    XNode(int type, int id, const char* name);
    virtual ~XNode();
    XNode(const XNode&) = delete;
    XNode& operator=(const XNode&) = delete;

    // direct: becomes m_Child (whatever was there is no longer linked);
    // otherwise appended at the end of the child chain. Sets the node's parent.
    virtual void AddChild(XNode* node, int direct);
    // The same along m_Next.
    virtual void AddNext(XNode* node, int direct);
    // This node, then its child chain, then its next chain (depth first).
    // Names match as scene objects do: equal ignoring case, or with exact 0
    // and a name that is not empty, contained in the node's name.
    virtual XNode* FindByName(const char* name, int exact);
    virtual XNode* FindById(int id);

    void SetName(const char* name);

    int m_Type = 0;
    int m_Id = 0;
    char m_Name[kNameSize] = {};
    XNode* m_Owner = nullptr;
    XNode* m_Child = nullptr;
    XNode* m_Parent = nullptr;
    XNode* m_Next = nullptr;
};

// The name rule of XNode::FindByName and XScene::FindObject, on 64-character
// upper-cased working copies.
bool NamesMatch(const char* nodeName, const char* name, int exact);
