// Clocks: the millisecond clock, the high-resolution counter, calendar time
// and the periodic multimedia timer whose callback runs on a thread of its own.
//
// LUMORA_CLOCK=fixed:<ms> makes timeGetTime and the high-resolution counter
// deterministic: they stand still except at each presented frame, which moves
// them on by <ms>. Multimedia timers then follow that clock too.
#pragma once

#include "platform/Types.h"

namespace platform {

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;      // 1..12
    WORD wDayOfWeek = 0;  // 0 = Sunday
    WORD wDay = 0;        // 1..31
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    std::int64_t QuadPart;
};

// Milliseconds since an arbitrary origin; wraps after 49.7 days like Windows.
DWORD timeGetTime();

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

void GetSystemTime(SYSTEMTIME* utc);
void GetLocalTime(SYSTEMTIME* local);

// Multimedia timer.
using LPTIMECALLBACK = void (*)(UINT timerId, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);
enum : UINT { TIME_ONESHOT = 0x0000, TIME_PERIODIC = 0x0001, TIME_CALLBACK_FUNCTION = 0x0000 };
enum : MMRESULT { TIMERR_NOERROR = 0, MMSYSERR_INVALPARAM = 11 };

// Starts a timer whose callback runs on its own thread every `delay` ms
// (TIME_PERIODIC) or once (TIME_ONESHOT). Returns its id, 0 on failure.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// Stops the timer and waits for a running callback to finish (unless called
// from that callback). TIMERR_NOERROR, or MMSYSERR_INVALPARAM for an unknown id.
MMRESULT timeKillEvent(UINT timerId);

// Milliseconds the clock has moved since the platform layer started.
DWORD ClockElapsed();
bool IsFixedClock();
DWORD FixedClockStep();

// Test hook: switch to a fixed clock with the given step (0 = back to the
// real clock). Normally chosen once from LUMORA_CLOCK.
void SetFixedClock(DWORD stepMs);

namespace detail {
// Called once per presented frame: moves a fixed clock on by its step.
void AdvanceClockOneFrame();
}  // namespace detail

}  // namespace platform
