// Clocks and the multimedia timer thread, on the real and the fixed clock.
#include "platform/Present.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

using namespace platform;

namespace {

void PresentOneFrame() {
    std::uint16_t pixel = 0;
    Present(PixelView{&pixel, 1, 1, 2, PixelFormat::RGB565});
}

// Waits (up to a second) until pred holds.
template <class Pred>
bool Eventually(Pred pred) {
    for (int i = 0; i < 200; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<std::thread::id> thread{};
    std::atomic<UINT> lastId{0};
};

void CountCall(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* c = reinterpret_cast<Counter*>(user);
    c->thread = std::this_thread::get_id();
    c->lastId = id;
    ++c->calls;
}

struct SelfKill {
    std::atomic<int> calls{0};
    std::atomic<MMRESULT> result{99};
};

void KillMyself(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* s = reinterpret_cast<SelfKill*>(user);
    ++s->calls;
    s->result = timeKillEvent(id);
}

class TimeTest : public ::testing::Test {
protected:
    void TearDown() override { SetFixedClock(0); }
};

TEST_F(TimeTest, RealClockAdvancesAndCounterMatchesItsFrequency) {
    SetFixedClock(0);
    LARGE_INTEGER f{}, c0{}, c1{};
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 10000000);
    DWORD t0 = timeGetTime();
    QueryPerformanceCounter(&c0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    DWORD t1 = timeGetTime();
    QueryPerformanceCounter(&c1);
    EXPECT_GE(t1 - t0, 29u);
    EXPECT_LT(t1 - t0, 2000u);
    double counted = static_cast<double>(c1.QuadPart - c0.QuadPart) / static_cast<double>(f.QuadPart) * 1000.0;
    EXPECT_NEAR(counted, static_cast<double>(t1 - t0), 3.0);
}

TEST_F(TimeTest, FixedClockMovesOnlyAtPresentedFrames) {
    SetFixedClock(40);
    EXPECT_TRUE(IsFixedClock());
    DWORD t0 = timeGetTime();
    LARGE_INTEGER c0{}, c1{};
    QueryPerformanceCounter(&c0);
    EXPECT_GT(t0, 1000u) << "starts far from zero, like a machine that has been up a while";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(timeGetTime(), t0);
    EXPECT_EQ(ClockElapsed(), 0u);
    PresentOneFrame();
    PresentOneFrame();
    EXPECT_EQ(timeGetTime(), t0 + 80);
    EXPECT_EQ(ClockElapsed(), 80u);
    QueryPerformanceCounter(&c1);
    EXPECT_EQ(c1.QuadPart - c0.QuadPart, 80 * 10000);
}

TEST_F(TimeTest, CalendarTimeMatchesTheSystem) {
    SYSTEMTIME utc{}, local{};
    std::time_t now = std::time(nullptr);
    GetSystemTime(&utc);
    GetLocalTime(&local);
    std::tm g{}, l{};
    gmtime_r(&now, &g);
    localtime_r(&now, &l);
    EXPECT_EQ(utc.wYear, g.tm_year + 1900);
    EXPECT_EQ(utc.wMonth, g.tm_mon + 1);
    EXPECT_EQ(utc.wDayOfWeek, g.tm_wday);
    EXPECT_EQ(utc.wDay, g.tm_mday);
    EXPECT_EQ(utc.wHour, g.tm_hour);
    EXPECT_EQ(local.wHour, l.tm_hour);
    EXPECT_LT(utc.wMilliseconds, 1000);
}

TEST_F(TimeTest, PeriodicTimerRunsOnItsOwnThreadUntilKilled) {
    Counter c;
    MMRESULT id = timeSetEvent(10, 1, CountCall, reinterpret_cast<DWORD_PTR>(&c), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(Eventually([&] { return c.calls >= 5; }));
    EXPECT_NE(c.thread.load(), std::this_thread::get_id());
    EXPECT_EQ(c.lastId.load(), id);
    EXPECT_EQ(timeKillEvent(id), MMRESULT{TIMERR_NOERROR});
    int after = c.calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(c.calls, after) << "no call once timeKillEvent has returned";
    EXPECT_EQ(timeKillEvent(id), MMRESULT{MMSYSERR_INVALPARAM});
}

TEST_F(TimeTest, OneShotTimerFiresOnce) {
    Counter c;
    MMRESULT id = timeSetEvent(10, 0, CountCall, reinterpret_cast<DWORD_PTR>(&c), TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(Eventually([&] { return c.calls == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(c.calls, 1);
    timeKillEvent(id);
}

TEST_F(TimeTest, TimerMayKillItselfFromItsCallback) {
    SelfKill s;
    MMRESULT id = timeSetEvent(5, 0, KillMyself, reinterpret_cast<DWORD_PTR>(&s), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(Eventually([&] { return s.result == TIMERR_NOERROR; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(s.calls, 1);
}

TEST_F(TimeTest, BadTimerRequestsAreRefused) {
    Counter c;
    EXPECT_EQ(timeSetEvent(0, 0, CountCall, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(123456), MMRESULT{MMSYSERR_INVALPARAM});
}

TEST_F(TimeTest, MultimediaTimerFollowsTheFixedClock) {
    SetFixedClock(100);
    Counter c;
    MMRESULT id = timeSetEvent(50, 0, CountCall, reinterpret_cast<DWORD_PTR>(&c), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(c.calls, 0) << "the fixed clock has not moved";
    PresentOneFrame();  // 100 ms: two periods
    EXPECT_TRUE(Eventually([&] { return c.calls == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(c.calls, 2);
    timeKillEvent(id);
}

}  // namespace
