// Receiver of a TimerUtil's expiries.
#pragma once

namespace NSClockCommon {

class TimerEventListener {
  public:
    virtual ~TimerEventListener() {}
    // True keeps the timer running, false ends it.
    virtual bool OnTimerEvent() = 0;
};

} // namespace NSClockCommon
