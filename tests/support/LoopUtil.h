// Running the Ecore main loop in tests: until a condition holds, with a safety timer.
#pragma once

#include <functional>

namespace watchtest {

// Runs the main loop until `done` answers true (checked after every loop iteration
// and every 5 ms) or until timeoutSeconds have passed. True when `done` held.
bool RunLoopUntil(const std::function<bool()>& done, double timeoutSeconds = 5.0);

// The same for a condition that is costly to check (one that runs processes): it is
// checked at most every `interval` seconds.
bool RunLoopUntilEvery(const std::function<bool()>& done, double interval,
                       double timeoutSeconds = 5.0);

// Runs the main loop for the given time (for "nothing else happens" checks only).
void RunLoopFor(double seconds);

// Seconds on the monotonic clock.
double Now();

} // namespace watchtest
