// Walk of the kernel's object forest shared by the frame and pick: calls the object methods in
// their fixed order and hands every drawable face of a visible object to a visitor.
#pragma once

#include <algorithm>
#include <type_traits>
#include <vector>

#include "tarnel/Internal.h"

namespace tarnel {

inline const ZeltObjectMethods* methodsOf(const ZeltObject* o) {
  return o && o->objectClass ? o->objectClass->methods : nullptr;
}

inline bool lightsReach(const ZeltObject* o) { return o->kind && (o->kind->lights || o->kind->spotLights); }

inline bool faceDrawn(ZeltFace* f) {
  return f && (!f->faceClass || !f->faceClass->isDrawn || f->faceClass->isDrawn(f));
}

// Visitor: (reported object, displayed object, face index, face).
template <class Visit>
class ForestWalk {
 public:
  ForestWalk(ZeltRenderContext* context, Visit& visit) : ctx_(context), visit_(visit) {}

  void run() {
    // A malformed forest (a cycle) must not hang the frame.
    long budget = 1 << 20;
    for (ZeltObject* root = ctx_->firstRoot; root && budget > 0; root = root->nextRoot, --budget) {
      stack_.clear();
      stack_.push_back(root);
      while (!stack_.empty() && budget-- > 0) {
        ZeltObject* o = stack_.back();
        stack_.pop_back();
        if (o->kind && o->kind->group) {
          drawGroup(o);
          continue;  // members belong to the group
        }
        if (!o->hidden) drawObject(o);
        pushChildren(o);
      }
    }
  }

 private:
  void pushChildren(ZeltObject* o) {
    size_t mark = stack_.size();
    int guard = 0;
    for (ZeltObject* c = o->firstChild; c && guard < 65536; c = c->nextSibling, ++guard) stack_.push_back(c);
    std::reverse(stack_.begin() + static_cast<long>(mark), stack_.end());
  }

  void visitFaces(ZeltObject* reported, ZeltObject* displayed) {
    if (!displayed->faces) return;
    for (int i = 0; i < displayed->faceCount; ++i) {
      ZeltFace* f = displayed->faces[i];
      if (faceDrawn(f)) visit_(reported, displayed, i, f);
    }
  }

  void drawObject(ZeltObject* o) {
    const ZeltObjectMethods* m = methodsOf(o);
    if (!m) return;
    if (m->prepare) m->prepare(o);
    ZeltObject* shown = m->chooseDisplayed ? m->chooseDisplayed(o, ctx_) : o;
    if (!shown) shown = o;
    if (m->transform) m->transform(o, ctx_, shown->transformArgument);
    if (m->cull) m->cull(shown, o, ctx_);
    if (!o->visible) return;
    if (ZeltRenderRecord* rec = renderer().record) ++rec->stamp;
    if (lightsReach(o) && m->light) m->light(shown, o, ctx_);
    if (m->project) m->project(shown, o, ctx_);
    visitFaces(o, shown);
  }

  // A group and its members share one vertex pool and are handled as a whole.
  void drawGroup(ZeltObject* g) {
    members_.clear();
    members_.push_back(g);
    for (size_t k = 0; k < members_.size() && members_.size() < 65536; ++k) {
      int guard = 0;
      for (ZeltObject* c = members_[k]->firstChild; c && guard < 65536; c = c->nextSibling, ++guard)
        members_.push_back(c);
    }
    for (ZeltObject* o : members_) {
      const ZeltObjectMethods* m = methodsOf(o);
      if (!m) continue;
      if (m->prepare) m->prepare(o);
      if (m->transform) m->transform(o, ctx_, o->transformArgument);
    }
    bool visible = false;
    for (ZeltObject* o : members_) {
      const ZeltObjectMethods* m = methodsOf(o);
      if (m && m->cull) m->cull(o, o, ctx_);
      if (o->visible) {
        visible = true;
        break;
      }
    }
    if (!visible) return;
    if (ZeltRenderRecord* rec = renderer().record) ++rec->stamp;
    for (ZeltObject* o : members_) {
      const ZeltObjectMethods* m = methodsOf(o);
      if (!m) continue;
      if (lightsReach(o) && m->light) m->light(o, o, ctx_);
      if (m->project) m->project(o, o, ctx_);
    }
    for (ZeltObject* o : members_)
      if (!o->hidden) visitFaces(o, o);
  }

  ZeltRenderContext* ctx_;
  Visit& visit_;
  std::vector<ZeltObject*> stack_;
  std::vector<ZeltObject*> members_;
};

template <class Visit>
void walkForest(ZeltRenderContext* context, Visit&& visit) {
  ForestWalk<std::remove_reference_t<Visit>> walk(context, visit);
  walk.run();
}

}  // namespace tarnel
