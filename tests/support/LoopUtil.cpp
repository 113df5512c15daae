#include "LoopUtil.h"

#include <Ecore.h>

#include <time.h>

namespace watchtest {

namespace {

struct Wait {
    const std::function<bool()>* done;
    bool satisfied = false;
    bool timedOut = false;
};

Eina_Bool Check(void* data) {
    Wait* w = static_cast<Wait*>(data);
    if (!w->satisfied && (*w->done)()) {
        w->satisfied = true;
        ecore_main_loop_quit();
    }
    return ECORE_CALLBACK_RENEW;
}

Eina_Bool Timeout(void* data) {
    Wait* w = static_cast<Wait*>(data);
    w->timedOut = true;
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}

} // namespace

bool RunLoopUntil(const std::function<bool()>& done, double timeoutSeconds) {
    if (done())
        return true;
    Wait w;
    w.done = &done;
    Ecore_Timer* poll = ecore_timer_add(0.005, Check, &w);
    Ecore_Timer* safety = ecore_timer_add(timeoutSeconds, Timeout, &w);
    Ecore_Idle_Exiter* exiter = ecore_idle_exiter_add(Check, &w);
    ecore_main_loop_begin();
    ecore_timer_del(poll);
    if (!w.timedOut)
        ecore_timer_del(safety);
    ecore_idle_exiter_del(exiter);
    return w.satisfied || done();
}

void RunLoopFor(double seconds) {
    RunLoopUntil([] { return false; }, seconds);
}

double Now() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

bool RunLoopUntilEvery(const std::function<bool()>& done, double interval, double timeoutSeconds) {
    double next = 0;
    return RunLoopUntil(
        [&] {
            if (Now() < next)
                return false;
            next = Now() + interval;
            return done();
        },
        timeoutSeconds);
}

} // namespace watchtest
