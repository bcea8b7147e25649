// Universe 3, the fairground by day: the juggler, the accordion clown whose
// music keeps the policeman from hearing anything, and the policeman at the
// caravans' gate, who lets the player through with a flight of the camera
// over the caravans' meadow (the cinematic) into universe 33.
#pragma once

#include "lumora/universes/XUniverse.h"

class XSoundSource;

class XUniverse03 : public XUniverse {
public:
    XUniverse03();
    ~XUniverse03() override;

    int Start(int mode, XChunkFile* save) override;
    int Render() override;
    int OnLButtonDown(int x, int y) override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;

    // The handlers, in dispatch order.
    void AnimeSpeakClown();
    void FlicSalut();
    void DoCinematiqueFlic();

    // Loads the four files of the cinematic and binds them; 0 (reported)
    // when one cannot be loaded. The two animations come out stopped at
    // frame 1 in `camera` and `target`.
    int LoadCinematic(XAnimation** camera, XAnimation** target);

    XObject3D* m_Juggler = nullptr;
    XObject3D* m_Accordion = nullptr;
    XObject3D* m_Policeman = nullptr;
    XAnimation* m_JugglerAnim = nullptr;
    XAnimation* m_PolicemanAnim = nullptr;
    // The universe's two looping sources: the juggler's bells and, until
    // the coin is given (action 10), the accordion.
    XSoundSource* m_JugglerSource = nullptr;
    XSoundSource* m_AccordionSource = nullptr;
    int m_JugglerLines = 0;

private:
    void StopAccordion();
    // Plays a character's gesture once ("Anim/" file of the scene folder),
    // as its sub-animation 1; the gesture, or null.
    XAnimation* Gesture(XAnimation* character, const char* file, const char* name);
};
