// A keyframe animation bound to a kernel object: frame, speed, loop,
// ping-pong, stop rules, and a list of alternative sub-animations that
// scripts switch between (slot 0 is the animation itself once a list exists).
#pragma once

#include <cstdint>

#include "include/zelt/zelt.h"
#include "lumora/engine/XNode.h"

class XChunkFile;
class XScene;

class XAnimation : public XNode {
public:
    static constexpr int kMaxSubs = 16;
    static constexpr int kFileSize = 260;

    // type is kAnimation or kSubAnimation; host gives the kernel scene and
    // the debug pause (null: never paused, nothing can be loaded).
    XAnimation(int type, int id, const char* name, const char* file, XScene* host);
    ~XAnimation() override;

    void Bind(ZeltAnimation* anim, ZeltObject* object, float speed, int loop, int stopped);
    // Loads an animation file into the host's kernel scene and binds it;
    // message 1400 with the file when the kernel cannot load it.
    int Load(const char* file, ZeltObject* object, float speed, int loop, int stopped);
    // Per frame, for this node, then its child chain, then its next chain.
    void Update();
    void Step();
    void Play(int stopped);
    void Enable(int on);
    void SetFrame(float frame);
    void StopAt(float frame, int playTo);
    void SetRange(int first, int last);
    void RestoreRange();
    XAnimation* Current(const char* name);
    // The attached sub-animation, or null (bad index, file not loaded).
    XAnimation* AddSub(const char* file, const char* name, int index, int makeCurrent);
    void SelectSub(int index, int on);
    XAnimation* FindSub(const char* name, int exact);
    // 0 for slot 0 or an empty slot.
    int RemoveSub(int index);
    int LoadSubs(XChunkFile* file);
    int SaveSubs(XChunkFile* file);

    int First() const { return m_Anim ? m_Anim->firstFrame : 0; }
    int Last() const { return m_Anim ? m_Anim->lastFrame : 0; }

    int m_Stopped = 0;
    int m_Enabled = 1;
    int m_Loop = 1;
    int m_PingPong = 0;
    int m_Backward = 0;
    float m_Frame = 0.0f;
    float m_Speed = 30.0f;
    ZeltAnimation* m_Anim = nullptr;
    ZeltObject* m_Object = nullptr;
    char m_File[kFileSize] = {};
    XAnimation* m_Subs[kMaxSubs] = {};
    std::int16_t m_SubCount = 0;
    std::int16_t m_SubCurrent = 0;
    int m_SavedFirst = 0;
    int m_SavedLast = 0;
    float m_StopFrame = 0.0f;
    int m_StopPending = 0;
    XScene* m_Host = nullptr;

private:
    void UpdateSelf();
    void SaveOwnSubs(XChunkFile* file);
};
