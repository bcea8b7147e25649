#include "lumora/engine/XNode.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

void Upper64(const char* text, char out[64]) {
    std::size_t i = 0;
    for (; text && text[i] && i < 63; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    out[i] = '\0';
}

}  // namespace

bool NamesMatch(const char* nodeName, const char* name, int exact) {
    char a[64], b[64];
    Upper64(nodeName, a);
    Upper64(name, b);
    if (std::strcmp(a, b) == 0) return true;
    return !exact && b[0] && std::strstr(a, b) != nullptr;
}

XNode::XNode(int type, int id, const char* name) : m_Type(type), m_Id(id) { SetName(name); }

XNode::~XNode() {
    // Both chains are deleted link by link, so a long chain does not nest one
    // destructor call per link.
    for (XNode* c = m_Child; c;) {
        XNode* after = c->m_Child;
        c->m_Child = nullptr;
        delete c;
        c = after;
    }
    m_Child = nullptr;
    for (XNode* n = m_Next; n;) {
        XNode* after = n->m_Next;
        n->m_Next = nullptr;
        delete n;
        n = after;
    }
    m_Next = nullptr;
}

void XNode::SetName(const char* name) { std::snprintf(m_Name, sizeof m_Name, "%s", name ? name : ""); }

void XNode::AddChild(XNode* node, int direct) {
    if (!node) return;
    XNode* at = this;
    if (!direct)
        while (at->m_Child) at = at->m_Child;
    at->m_Child = node;
    node->m_Parent = at;
}

void XNode::AddNext(XNode* node, int direct) {
    if (!node) return;
    XNode* at = this;
    if (!direct)
        while (at->m_Next) at = at->m_Next;
    at->m_Next = node;
    node->m_Parent = at;
}

XNode* XNode::FindByName(const char* name, int exact) {
    if (!name) return nullptr;
    if (NamesMatch(m_Name, name, exact)) return this;
    if (m_Child)
        if (XNode* found = m_Child->FindByName(name, exact)) return found;
    return m_Next ? m_Next->FindByName(name, exact) : nullptr;
}

XNode* XNode::FindById(int id) {
    if (m_Id == id) return this;
    if (m_Child)
        if (XNode* found = m_Child->FindById(id)) return found;
    return m_Next ? m_Next->FindById(id) : nullptr;
}
