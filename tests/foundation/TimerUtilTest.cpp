// TimerUtil on a real Ecore main loop.
#include "LoopUtil.h"
#include "TimerUtil.h"

#include <Ecore.h>
#include <gtest/gtest.h>

#include <stdexcept>

using NSClockCommon::TimerEventListener;
using NSClockCommon::TimerUtil;
using watchtest::Now;
using watchtest::RunLoopUntil;

namespace {

struct Listener : TimerEventListener {
    int calls = 0;
    bool answer = true;
    std::vector<double> times;
    bool OnTimerEvent() override {
        ++calls;
        times.push_back(Now());
        return answer;
    }
};

class TimerUtilTest : public ::testing::Test {
  protected:
    void SetUp() override { ecore_init(); }
    void TearDown() override { ecore_shutdown(); }
};

} // namespace

TEST_F(TimerUtilTest, NonPositiveIntervalThrows) {
    TimerUtil timer;
    Listener listener;
    timer.mListener = &listener;
    for (float interval : {-1.0f, 0.0f}) {
        timer.mInterval = interval;
        try {
            timer.Start();
            ADD_FAILURE() << "no exception for " << interval;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "[Start]timer interval is 0");
        }
        EXPECT_FALSE(timer.IsRunning());
    }
}

TEST_F(TimerUtilTest, IdleOperationsDoNothing) {
    TimerUtil timer;
    timer.Stop();
    timer.Reset();
    timer.Freeze();
    timer.Thaw();
    EXPECT_FALSE(timer.IsRunning());
}

TEST_F(TimerUtilTest, RepeatsWhileTheListenerSaysTrue) {
    TimerUtil timer;
    Listener listener;
    timer.mListener = &listener;
    timer.mInterval = 0.05f;
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(RunLoopUntil([&] { return listener.calls >= 3; }));
    EXPECT_TRUE(timer.IsRunning());
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
}

TEST_F(TimerUtilTest, SecondStartRestartsTheCountdown) {
    TimerUtil timer;
    Listener listener;
    listener.answer = false;
    timer.mListener = &listener;
    timer.mInterval = 0.3f;
    const double start = Now();
    timer.Start();
    // Restart half way: the only expiry comes a full interval after the restart.
    double restarted = 0;
    std::pair<TimerUtil*, double*> ctx(&timer, &restarted);
    ecore_timer_add(
        0.15,
        [](void* data) -> Eina_Bool {
            auto* ctx = static_cast<std::pair<TimerUtil*, double*>*>(data);
            *ctx->second = Now();
            ctx->first->Start();
            return ECORE_CALLBACK_CANCEL;
        },
        &ctx);
    ASSERT_TRUE(RunLoopUntil([&] { return listener.calls >= 1; }));
    ASSERT_GT(restarted, start);
    EXPECT_GE(listener.times[0] - restarted, 0.29);
    // One timer only: after the listener ended it, nothing fires any more.
    RunLoopUntil([&] { return Now() - listener.times[0] > 0.7; }, 2.0);
    EXPECT_EQ(listener.calls, 1);
}

TEST_F(TimerUtilTest, ListenerAnsweringFalseEndsTheTimer) {
    TimerUtil timer;
    Listener listener;
    listener.answer = false;
    timer.mListener = &listener;
    timer.mInterval = 0.05f;
    timer.Start();
    ASSERT_TRUE(RunLoopUntil([&] { return listener.calls == 1; }));
    EXPECT_FALSE(timer.IsRunning());
    RunLoopUntil([&] { return Now() - listener.times[0] > 0.25; }, 2.0);
    EXPECT_EQ(listener.calls, 1);
    timer.Stop(); // nothing to stop; must not touch the timer Ecore deleted
    EXPECT_FALSE(timer.IsRunning());
}

TEST_F(TimerUtilTest, ClearedListenerEndsTheTimerWithoutACall) {
    TimerUtil timer;
    Listener listener;
    timer.mListener = &listener;
    timer.mInterval = 0.05f;
    timer.Start();
    timer.mListener = nullptr;
    ASSERT_TRUE(RunLoopUntil([&] { return !timer.IsRunning(); }));
    EXPECT_EQ(listener.calls, 0);
}

TEST_F(TimerUtilTest, DestructionDeletesTheRunningTimer) {
    Listener listener;
    {
        TimerUtil timer;
        timer.mListener = &listener;
        timer.mInterval = 0.05f;
        timer.Start();
    }
    const double start = Now();
    RunLoopUntil([&] { return Now() - start > 0.2; }, 1.0);
    EXPECT_EQ(listener.calls, 0);
}
