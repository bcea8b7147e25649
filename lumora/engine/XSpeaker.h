// Talking characters. An XSpeaker ties a clickable object to its face object
// and to a set of mouth shapes, one keyframe animation per shape, bound to
// the face. While a line plays on the scene's positional source A one shape
// at a time is switched on: following the line's timing file
// ("<scene>Sound/<line>.bin", chunk "INDEX") or, without one, at random.
// The shapes live in the scene's animation tree; the speaker only points at
// them. The scene owns its speakers (chain m_Speakers) and deletes them.
#pragma once

#include <cstdint>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/XNode.h"

class XAnimation;
class XObject3D;
class XScene;

class XSpeaker : public XNode {
public:
    static constexpr int kType = 6;
    static constexpr int kShapeSlots = 9;  // slot 0: the first shape found
    static constexpr int kDirSize = 260;
    // Shape indexes.
    static constexpr int kYeux = 1;
    static constexpr int kCh = 2;
    static constexpr int kChYeux = 3;
    static constexpr int kB = 4;
    static constexpr int kE = 5;
    static constexpr int kF = 6;
    static constexpr int kO = 7;
    static constexpr int kA = 8;  // frame 0 is the mouth at rest
    // Least time between two shape changes, ms.
    static constexpr unsigned kChangeInterval = 200;

    // One entry of a timing file (8 bytes stored: time, code, 2 spare bytes).
    struct TimingEntry {
        std::uint32_t m_Time = 0;   // ms from the start of the line
        std::uint16_t m_Shape = 0;  // 1 rest, 2 and 3 their shapes, others: talking
    };

    XSpeaker(const char* name, const char* faceName, XScene* host);
    ~XSpeaker() override;

    // Finds the node, the face and the body animation, and loads the shapes
    // from `dir` (a folder ending in "/"). Missing shapes reuse the first one
    // found. 1 when at least one shape loaded.
    int Load(const char* dir);
    // Loads dir + shape + ".A3D" and binds its animation named like the face
    // to the face object, disabled, in slot `index`. 1 or 0.
    int LoadShape(const char* dir, const char* shape, int index);
    // Along this chain, the first speaker whose name contains speakerName
    // says `line` (a sound of the scene's "Sound/" folder); the character
    // speaking so far stops first. Without such a speaker the line plays at
    // the listener. 0 when the line could not be played.
    int Speak(const char* speakerName, const char* line);
    // Ends the line's mouth movement: every shape off, the mouth at rest.
    void Stop();
    // Once per frame while this speaker is the scene's m_Speaking.
    void Animate();
    void SetShape(int index);
    void Rest();
    // Reads the entries of a timing file; 1 when it had a readable "INDEX".
    int LoadTiming(const char* path);
    // The shape code at `ms` from the start of the line; past the last entry
    // the line is over: Stop() and 1.
    int ShapeAt(unsigned ms);

    int m_Talking = 0;
    XObject3D* m_Node = nullptr;
    char m_Dir[kDirSize] = {};
    XAnimation* m_Body = nullptr;
    ZeltObject* m_Face = nullptr;
    char m_FaceName[kNameSize] = {};
    XAnimation* m_Shapes[kShapeSlots] = {};
    int m_PreviousShape = -1;
    int m_CurrentShape = 0;
    unsigned m_TalkStart = 0;
    int m_HasTiming = 0;
    int m_TimingCount = 0;
    std::vector<TimingEntry> m_Timing;
    XScene* m_Host = nullptr;

private:
    char m_Line[kNameSize] = {};  // the line being said
    XSpeaker* Find(const char* speakerName);
    void AnimateTimed();
    void AnimateRandom();
    void PoseAtRest();
};

// The names of the shape files, by index (index 0 has none).
const char* SpeakerShapeName(int index);
