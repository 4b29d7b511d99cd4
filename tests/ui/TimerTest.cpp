// Message timers, driven by the real message queue.
#include <gtest/gtest.h>

#include "tests/common/Pump.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Timer.h"

TEST(Timer, RunsOnlyEnabledWithIntervalAndHandler)
{
    TTimer timer(nullptr, 30, true);
    EXPECT_FALSE(timer.Running()) << "no handler yet";
    int ticks = 0;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000));

    timer.SetEnabled(false);
    ticks = 0;
    PumpFor(200);
    EXPECT_EQ(ticks, 0);

    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    PumpFor(200);
    EXPECT_EQ(ticks, 0);
}

TEST(Timer, EnablingAnEnabledTimerDoesNotRestartIt)
{
    TTimer timer(nullptr, 300, true);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    // Re-enabling every 20 ms: a timer that restarted would never reach 300 ms.
    const ULONGLONG end = GetTickCount64() + 2000;
    while (ticks == 0 && GetTickCount64() < end) {
        timer.SetEnabled(true);
        PumpFor(20);
    }
    EXPECT_GT(ticks, 0);
}

// A running timer given a new interval runs on at the new one.
TEST(Timer, ANewIntervalTakesOverARunningTimer)
{
    TTimer timer(nullptr, 600000, true);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    timer.SetInterval(20);
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000)) << "the timer stopped or kept its old interval";
}

TEST(Timer, ErrorInHandlerReachesTheApplicationAndTheTimerGoesOn)
{
    int errors = 0;
    Application->OnException = [&](TObject*, const std::exception& e) {
        EXPECT_STREQ(e.what(), "tick failed");
        ++errors;
    };
    TTimer timer(nullptr, 20, true);
    timer.SetOnTimer([](TObject*) { throw Exception(L"tick failed"); });
    EXPECT_TRUE(PumpUntil([&] { return errors >= 2; }, 2000));
    Application->OnException = nullptr;
}
