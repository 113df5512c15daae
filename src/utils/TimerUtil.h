// One repeating Ecore timer that forwards each expiry to a TimerEventListener, whose
// answer decides whether the timer keeps running.
#pragma once

#include <Ecore.h>

#include "TimerEventListener.h"

namespace NSClockCommon {

class TimerUtil {
  public:
    TimerUtil();
    virtual ~TimerUtil();

    // Starts the timer, or restarts the countdown of the running one. Throws
    // std::runtime_error("[Start]timer interval is 0") when the interval is not positive.
    void Start();
    void Stop();
    void Reset();
    void Freeze();
    void Thaw();
    bool IsRunning() const { return mTimer != nullptr; }

    // Set by the owner before Start; not owned.
    TimerEventListener* mListener;
    float mInterval;

  private:
    static Eina_Bool OnExpiredCb(void* data);

    Ecore_Timer* mTimer;

    TimerUtil(const TimerUtil&) = delete;
    TimerUtil& operator=(const TimerUtil&) = delete;
};

} // namespace NSClockCommon
