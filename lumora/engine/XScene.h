// One 3D place of the game: a kernel scene filled from a scene list, with
// its map folders, ambient light, frame timing, picking, sounds and debug
// pages. Each universe is a class derived from XScene; CreateScene picks it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"

class XAction;
class XActionManager;
class XAnimation;
class XCameraPilot;
class XChunkFile;
class XGauge;
class XLightNode;
class XObject3D;
class XSoundSource;
class XSpeaker;

class XScene {
public:
    XScene();
    virtual ~XScene();
    XScene(const XScene&) = delete;
    XScene& operator=(const XScene&) = delete;

    virtual int LoadSceneInfo();
    virtual int RestoreState(XChunkFile* save);
    virtual int SaveState(XChunkFile* save);
    virtual int Load(const char* listName);
    // What Load does once the list's full path is formed: loads it against
    // the scene folder m_Dir with the map folders set, then the pilot, the
    // gauge and the name conventions.
    int LoadListFile(const char* path);
    virtual int Start(int mode, XChunkFile* save);
    virtual void Release();
    virtual int Render();
    virtual void Animate();
    virtual int OnLButtonDown(int x, int y);
    virtual int OnRButtonDown(int x, int y);
    virtual int OnMouseMove(int x, int y);
    virtual int OnScreenMessage();
    virtual int Step();
    virtual ZeltObject* Pick(int x, int y);
    virtual int PlayPointSound(char* name, const ZeltVector* pos);
    virtual int PlaySound(const char* name, int loop);
    virtual int PlayPointSound2(char* name, const ZeltVector* pos, int loop);
    virtual int PlayVoice(char* name, int loop, int volume);

    // Objects, animations and actions.
    virtual XAnimation* LoadAnim(const char* file, ZeltObject* object, float speed);
    virtual void CollectLights();
    // Hands a line to the talking character named like `receiverName` (its
    // name without the leading "*", first six characters). 0 when the scene
    // has no such character: the caller then plays the line as a point sound.
    virtual int SpeakerSay(const char* receiverName, const char* line);

    // Talking characters. Makes the speaker of the object `objectName` (its
    // animation of the same name must exist) with the face `faceName` and the
    // mouth shapes of `dir` (default "<scene>Anim/<objectName>/"); a
    // `newName` renames the object and its animation first; a count of 0 or
    // less only renames. `reserved` is not read. 1 or 0.
    virtual int InitSpeaker(const char* objectName, const char* newName, const char* faceName, int reserved, int count,
                            const char* dir);
    // The speakers listed in "Scene.bin" (chunk "SPEAKERS"), for scenes
    // without a script of their own; Start calls it.
    int InitSceneSpeakers();
    XSpeaker* m_Speakers = nullptr;  // owned chain (m_Next links)
    XSpeaker* m_Speaking = nullptr;  // whose lips move now

    int Create(const char* listName);
    int InitVideoMode();
    void ApplyNameConventions();
    // Writes the object records of "INFOOBJ.BIN", brought up to date (chunk "OBJECTS").
    int SaveObjects(XChunkFile* save);
    void SetAmbient(int r, int g, int b);
    ZeltObject* FindObject(const char* name, int exact);
    ZeltObject* FindInTree(ZeltObject* object, const char* name, int exact);
    // The nearest object at or above `object` whose name holds "*", or null.
    ZeltObject* FindActionObject(ZeltObject* object);
    unsigned Run(unsigned ms);
    void FadeOut(unsigned ms);
    int AddMapDir(const char* dir);
    void UpdateSoundSources();
    void OnKeyUp(int vk);
    // Applies the object records of an open table file (chunk "OBJECTS").
    int InitInfoObj(XChunkFile* file);
    // The cursor value stored with a kernel object by the object table (0 when none).
    int GetCursorValue(ZeltObject* object) const;

    // Makes the three roots and the action manager (Create does it; a scene
    // made without a display, in tools and tests, calls it itself).
    void CreateTrees();
    XAnimation* AddAnimation(ZeltAnimation* anim, ZeltObject* object, const char* file, float speed);
    // Builds the actions from "INFOACT.BIN" of the scene folder.
    int InitActInfo();
    // The XObject3D carrying actions for a picked object, or null.
    XObject3D* FindActionNode(ZeltObject* object);
    // The animation node of that name in the animation tree, or null.
    XAnimation* FindAnimation(const char* name, int exact = 1);
    // 1 when an animation node drives the object.
    int IsAnimated(const ZeltObject* object) const;

    char m_Dir[260] = {};
    char m_ListName[16] = {};
    ZeltScene* m_Scene = nullptr;
    std::int64_t m_FrameStart = 0;
    std::int64_t m_FrameNow = 0;
    std::int64_t m_CounterFrequency = 1;
    float m_Scale = 40.0f;
    int m_ActionsEnabled = 1;
    int m_DebugPage = 0;
    float m_FrameRate = 30.0f;
    int m_AnimPaused = 0;
    int m_AnimStep = 0;
    std::uint8_t m_Ambient[4] = {255, 255, 255, 0};
    XSoundSource* m_SoundB = nullptr;
    XSoundSource* m_SoundA = nullptr;
    XSoundSource* m_Sources[7] = {};
    ZeltObject* m_PickedObject = nullptr;
    XMapDirs m_MapDirs;
    int m_DebugMoveMode = 0;
    int m_RenderStateDiagnostic = 0;

    // The trees (each root owns its tree) and the action manager.
    int m_AnimCount = 0;
    XAnimation* m_Animations = nullptr;
    XLightNode* m_Lights = nullptr;
    XActionManager* m_Actions = nullptr;
    int m_ObjectCount = 0;
    XObject3D* m_Objects = nullptr;
    XObject3D* m_PickedNode = nullptr;

    // The walking camera and the timed gauge (owned; made by Create).
    XGauge* m_Gauge = nullptr;
    XCameraPilot* m_Pilot = nullptr;

protected:
    void DrawDebugPage(std::uint16_t* pixels, int pitchPixels);
    // Lines of debug page 3: the camera.
    void AddCameraPage(std::vector<std::string>& lines);
    void DebugKeys();
    void CopySoftBuffer();
    void DeleteTrees();
    void StartCarriedObjectBlink();
    // A scene sound at pos (the listener's place when null) on one of the sources.
    int PlayAt(XSoundSource* source, char* name, const ZeltVector* pos, int loop, int missingMessage);
};

// The scene class of a universe number (a plain XScene for numbers without their own).
XScene* CreateScene(int universe);
// The universe number of a scene-list name: its second and third characters.
int UniverseOfList(const char* listName);
// Objects counted by ApplyNameConventions over every scene so far.
int TotalObjectCount();
