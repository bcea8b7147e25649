#include "platform/Time.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Where a fixed clock starts: far enough from zero that code measuring
// "now - 0" at start-up sees a long interval, as it would on a real machine.
constexpr std::uint64_t kFixedOrigin = 100000;
constexpr std::int64_t kCounterFrequency = 10000000;  // 100 ns ticks

struct Clock {
    std::mutex mutex;
    std::condition_variable changed;  // fixed time moved, or a timer was stopped
    DWORD fixedStep = 0;              // 0: real clock
    bool paced = false;               // a fixed clock that never runs ahead of real time
    std::uint64_t fixedElapsed = 0;   // ms since the fixed clock started
    SteadyClock::time_point realStart = SteadyClock::now();

    Clock() {
        if (const char* env = std::getenv("LUMORA_CLOCK"); env && *env) {
            if (std::strncmp(env, "fixed:", 6) == 0) {
                char* end = nullptr;
                long step = std::strtol(env + 6, &end, 10);
                // ",paced": each frame also waits for real time to catch up,
                // so that a scripted run can be watched at its own speed.
                const bool pacedSuffix = end && std::strcmp(end, ",paced") == 0;
                if (end != env + 6 && (*end == '\0' || pacedSuffix) && step > 0 && step <= 1000000) {
                    fixedStep = static_cast<DWORD>(step);
                    paced = pacedSuffix;
                }
                else
                    std::fprintf(stderr, "LUMORA_CLOCK: bad step in \"%s\", using the real clock\n", env);
            } else if (std::strcmp(env, "real") != 0) {
                std::fprintf(stderr, "LUMORA_CLOCK: unknown value \"%s\", using the real clock\n", env);
            }
        }
    }

    // Milliseconds on the clock's own scale (not truncated).
    std::uint64_t NowMsLocked() const {
        if (fixedStep != 0) return kFixedOrigin + fixedElapsed;
        auto since = SteadyClock::now().time_since_epoch();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
};

Clock& TheClock() {
    static Clock clock;
    return clock;
}

// One multimedia timer and its thread.
struct MmTimer {
    UINT id = 0;
    UINT delay = 0;
    bool periodic = false;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    bool stop = false;  // guarded by the clock mutex
    bool done = false;  // the thread has finished; guarded by the clock mutex
    std::thread thread;
};

class MmTimers {
public:
    ~MmTimers() {
        // Clean shut-down: stop and join every timer still running.
        std::map<UINT, std::unique_ptr<MmTimer>> all;
        {
            std::lock_guard lock(mutex_);
            all.swap(timers_);
        }
        for (auto& [id, t] : all) {
            if (!StopAndJoin(*t)) t.release();  // its own thread still runs it
        }
    }

    MMRESULT Start(UINT delay, LPTIMECALLBACK callback, DWORD_PTR user, bool periodic) {
        auto timer = std::make_unique<MmTimer>();
        MmTimer* t = timer.get();
        t->delay = delay;
        t->periodic = periodic;
        t->callback = callback;
        t->user = user;
        std::lock_guard lock(mutex_);
        ReapFinishedLocked();
        do {
            t->id = nextId_++;
        } while (t->id == 0 || timers_.count(t->id));
        t->thread = std::thread([t] { Run(*t); });
        timers_.emplace(t->id, std::move(timer));
        return t->id;
    }

    MMRESULT Kill(UINT id) {
        std::unique_ptr<MmTimer> timer;
        {
            std::lock_guard lock(mutex_);
            auto it = timers_.find(id);
            if (it == timers_.end()) return MMSYSERR_INVALPARAM;
            timer = std::move(it->second);
            timers_.erase(it);
        }
        if (!StopAndJoin(*timer)) {
            std::lock_guard lock(mutex_);
            detached_.push_back(std::move(timer));
        }
        return TIMERR_NOERROR;
    }

private:
    // Returns false when the timer was stopped from its own callback: its
    // thread is detached and still returning through the record.
    static bool StopAndJoin(MmTimer& t) {
        Clock& clock = TheClock();
        {
            std::lock_guard lock(clock.mutex);
            t.stop = true;
        }
        clock.changed.notify_all();
        if (!t.thread.joinable()) return true;
        if (t.thread.get_id() == std::this_thread::get_id()) {
            t.thread.detach();
            return false;
        }
        t.thread.join();
        return true;
    }

    static void Run(MmTimer& t) {
        Clock& clock = TheClock();
        std::unique_lock lock(clock.mutex);
        std::uint64_t due = clock.NowMsLocked() + t.delay;
        for (;;) {
            if (clock.fixedStep != 0) {
                clock.changed.wait(lock, [&] { return t.stop || clock.fixedStep == 0 || clock.NowMsLocked() >= due; });
            } else {
                auto wait = std::chrono::milliseconds(static_cast<std::int64_t>(due) -
                                                      static_cast<std::int64_t>(clock.NowMsLocked()));
                clock.changed.wait_for(lock, wait, [&] { return t.stop || clock.fixedStep != 0 || clock.NowMsLocked() >= due; });
            }
            if (t.stop) break;
            if (clock.NowMsLocked() < due) {
                if (clock.fixedStep != 0 && due > clock.NowMsLocked() + t.delay) due = clock.NowMsLocked() + t.delay;
                continue;  // woken early, or the clock kind changed: wait again
            }
            LPTIMECALLBACK callback = t.callback;
            UINT id = t.id;
            DWORD_PTR user = t.user;
            bool periodic = t.periodic;
            lock.unlock();
            callback(id, 0, user, 0, 0);
            lock.lock();
            if (!periodic || t.stop) break;
            due += t.delay;
            // The real clock does not catch up on missed periods; the fixed
            // clock does, so a long frame gives every period its call.
            if (clock.fixedStep == 0 && due + t.delay < clock.NowMsLocked()) due = clock.NowMsLocked() + t.delay;
        }
        t.done = true;
    }

    void ReapFinishedLocked() {
        Clock& clock = TheClock();
        std::lock_guard lock(clock.mutex);
        std::erase_if(detached_, [](const std::unique_ptr<MmTimer>& t) { return t->done; });
        // Finished one-shot timers free their id, as Windows does.
        for (auto it = timers_.begin(); it != timers_.end();) {
            if (it->second->done) {
                it->second->thread.join();
                it = timers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex mutex_;
    std::map<UINT, std::unique_ptr<MmTimer>> timers_;
    UINT nextId_ = 1;
    std::vector<std::unique_ptr<MmTimer>> detached_;  // killed from their own callback
};

MmTimers& TheMmTimers() {
    static MmTimers timers;
    return timers;
}

void FillSystemTime(SYSTEMTIME* out, const std::tm& tm, long ms) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(ms);
}

void CalendarTime(SYSTEMTIME* out, bool local) {
    if (!out) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    if (local)
        localtime_r(&ts.tv_sec, &tm);
    else
        gmtime_r(&ts.tv_sec, &tm);
    FillSystemTime(out, tm, ts.tv_nsec / 1000000);
}

}  // namespace

DWORD timeGetTime() {
    Clock& clock = TheClock();
    std::lock_guard lock(clock.mutex);
    return static_cast<DWORD>(clock.NowMsLocked());
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return FALSE;
    Clock& clock = TheClock();
    std::lock_guard lock(clock.mutex);
    if (clock.fixedStep != 0) {
        count->QuadPart = static_cast<std::int64_t>(clock.NowMsLocked()) * (kCounterFrequency / 1000);
    } else {
        auto since = SteadyClock::now().time_since_epoch();
        count->QuadPart = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
    }
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

void GetSystemTime(SYSTEMTIME* utc) { CalendarTime(utc, false); }
void GetLocalTime(SYSTEMTIME* local) { CalendarTime(local, true); }

MMRESULT timeSetEvent(UINT delay, UINT /*resolution*/, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (!callback || delay == 0 || delay > 1000000) return 0;
    return TheMmTimers().Start(delay, callback, user, (flags & TIME_PERIODIC) != 0);
}

MMRESULT timeKillEvent(UINT timerId) { return TheMmTimers().Kill(timerId); }

DWORD ClockElapsed() {
    Clock& clock = TheClock();
    std::lock_guard lock(clock.mutex);
    if (clock.fixedStep != 0) return static_cast<DWORD>(clock.fixedElapsed);
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - clock.realStart).count());
}

bool IsFixedClock() { return FixedClockStep() != 0; }

DWORD FixedClockStep() {
    Clock& clock = TheClock();
    std::lock_guard lock(clock.mutex);
    return clock.fixedStep;
}

void SetFixedClock(DWORD stepMs) {
    Clock& clock = TheClock();
    {
        std::lock_guard lock(clock.mutex);
        clock.fixedStep = stepMs;
        clock.fixedElapsed = 0;
        clock.realStart = SteadyClock::now();
    }
    clock.changed.notify_all();
}

namespace detail {
void AdvanceClockOneFrame() {
    Clock& clock = TheClock();
    SteadyClock::time_point due{};
    bool paced = false;
    {
        std::lock_guard lock(clock.mutex);
        if (clock.fixedStep == 0) return;
        clock.fixedElapsed += clock.fixedStep;
        paced = clock.paced;
        due = clock.realStart + std::chrono::milliseconds(clock.fixedElapsed);
    }
    clock.changed.notify_all();
    if (paced) std::this_thread::sleep_until(due);
}
}  // namespace detail

}  // namespace platform
