// Universe 0, the start universe: it plays on universe 4's garden, where the
// painter bids the player welcome before the player screen opens. Its own
// folder gives the scene list, the tables and the voices; the scene stays
// loaded behind the menus.
#pragma once

#include "lumora/universes/XUniverse.h"

class XObject3D;

class XUniverse00 : public XUniverse {
public:
    // Longest wait for the welcome line, in milliseconds of the game clock.
    static constexpr unsigned kWelcomeLimit = 20000;

    // The training course's hidden step timer: each step is a gauge of
    // kStepSeconds whose kind is the step's number.
    static constexpr float kStepSeconds = 10.0f;

    // What the course knows when a step's time runs out.
    struct CourseState {
        int inBoat = 0;
        int carrying = 0;       // the cursor carries an object
        int sentBack = 0;       // step 7 already gave up once
        int nearPainter = 0;    // the player came near the painter with the glasses
        int inventorySeen = 0;
    };
    // What follows a step that ran out: a line (by the painter, with or
    // without a cut to his viewpoint, or the course's voice), then the next
    // step (number 0: none). `applies` 0: nothing now, look again next frame.
    struct FollowUp {
        int applies = 0;
        const char* line = nullptr;
        int byPainter = 0;
        int cut = 0;
        int glassesTaken = 0;  // the glasses count as taken
        int clearGauge = 0;    // step 7 gives up: the gauge is cleared
        const char* label = "";
        int number = 0;
    };
    static FollowUp NextStep(int step, const CourseState& state);

    // The list "U00.ZELT" of universe 0's folder, its entries and maps
    // taken from universe 4's folder (the scene's folder from then on).
    int Load(const char* listName) override;
    int Start(int mode, XChunkFile* save) override;
    // Sounds of the start universe's own "Sound" folder, on source A, at
    // pos or at the camera.
    int PlayPointSound(char* name, const ZeltVector* pos) override;
    // The training course: its first instruction and the steps that ran out.
    int Render() override;
    // The course's keys (before the base step), the boat, the painter.
    int Step() override;

    const char* const* OperationNames() const override;
    void RunOperation(int index) override;
    // The player takes the pair of glasses from the table.
    void TakeGlasses();
    // The player hands them to the painter, who puts them on.
    void GiveGlasses();

    XObject3D* m_Painter = nullptr;
    XObject3D* m_Boat = nullptr;
    int m_GlassesTaken = 0;
    int m_GlassesGiven = 0;
    // The training course.
    int m_CourseStarted = 0;
    int m_InBoat = 0;
    int m_Turned = 0;
    int m_SentBack = 0;
    int m_NearPainter = 0;
    int m_InventorySeen = 0;
    int m_CourseBusy = 0;  // a follow-up or a sequence runs: no other starts

private:
    // The scene folder "<data><folder>/" into m_Dir.
    void SetSceneDir(const char* folder);
    // Universe 4's name repairs and what the start universe puts away.
    void ApplyRepairs();
    int CourseRuns() const;
    void StartStep(const char* label, int number);
    int CurrentStep() const;
    void ClearStep(int number);
    // The painter says a line and the course waits until source A is silent.
    void PainterSays(const char* line);
    // A line of the course's voice from universe 0's folder.
    void CourseVoice(const char* line);
    void ToPainterView();
    void StepRanOut();
    void SeatInBoat();
    void LeaveBoat();
    void NearPainter();
};
