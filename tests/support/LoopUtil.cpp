#include "LoopUtil.h"

#include <Ecore.h>

#include <time.h>

namespace watchtest {

bool RunLoopUntil(const std::function<bool()>& done, double timeoutSeconds) {
    if (done())
        return true;
    // done() is checked after every loop iteration and every 5 ms; the safety timer ends
    // the wait.
    struct Wait {
        const std::function<bool()>& done;
        bool satisfied = false, timedOut = false;
    } w{done};
    auto check = [](void* data) -> Eina_Bool {
        Wait* wait = static_cast<Wait*>(data);
        if (!wait->satisfied && wait->done()) {
            wait->satisfied = true;
            ecore_main_loop_quit();
        }
        return ECORE_CALLBACK_RENEW;
    };
    Ecore_Timer* poll = ecore_timer_add(0.005, check, &w);
    Ecore_Idle_Exiter* exiter = ecore_idle_exiter_add(check, &w);
    Ecore_Timer* safety = ecore_timer_add(
        timeoutSeconds,
        [](void* data) -> Eina_Bool {
            static_cast<Wait*>(data)->timedOut = true;
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        &w);
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
