// The scene's timed gauge: a bar in the top-left corner that empties as the
// time given to the player runs out. Time spent paused (the pause screen)
// does not count. A running gauge goes into saved games (chunk "JAUGE").
#pragma once

#include <cstdint>

class XChunkFile;

class XGauge {
public:
    static constexpr int kLabelSize = 30;

    // Starts a gauge of `seconds`; a gauge of no time (or less) has finished at once.
    void Start(float seconds, int visible, const char* label, int kind);
    // Counts the time since the last update and, while time remains and the
    // gauge is visible, draws the bar on the back buffer. Nothing while paused.
    void Draw();
    int IsRunning() const { return m_Start != 0; }
    // 1 once the time is used up (the fraction goes back to 0; with `clear`
    // the gauge stops); 0 before.
    int Finished(int clear);
    // Uses up the remaining time at once (debug key Control+Return).
    void Complete();
    void Clear();
    void Pause();
    void Resume();
    // Chunk "JAUGE": read when present (the clock restarts at once); written only while running.
    int LoadState(XChunkFile* file);
    int SaveState(XChunkFile* file);

    std::uint32_t m_Start = 0;  // clock of the last update; 0 when not running
    int m_Duration = 0;         // ms
    int m_Elapsed = 0;          // ms
    int m_Kind = 0;
    char m_Label[kLabelSize] = {};
    float m_Fraction = 0.0f;    // elapsed / duration
    int m_Visible = 0;
    int m_Paused = 0;

private:
    // Brings m_Elapsed and m_Fraction up to the clock.
    void Update();
    // The clock value that marks a running gauge (never 0).
    static std::uint32_t Now();
};
