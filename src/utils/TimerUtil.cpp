#include "TimerUtil.h"

#include <sstream>
#include <stdexcept>

namespace NSClockCommon {

TimerUtil::TimerUtil() : mListener(nullptr), mInterval(-1.0f), mTimer(nullptr) {}

TimerUtil::~TimerUtil() {
    if (mTimer)
        ecore_timer_del(mTimer);
}

void TimerUtil::Start() {
    if (!(mInterval > 0)) {
        std::stringstream message;
        message << "["
                << "Start"
                << "]"
                << "timer interval is 0";
        throw std::runtime_error(message.str());
    }
    if (mTimer) {
        ecore_timer_reset(mTimer);
        return;
    }
    mTimer = ecore_timer_add(static_cast<double>(mInterval), OnExpiredCb, this);
}

void TimerUtil::Stop() {
    if (!mTimer)
        return;
    ecore_timer_del(mTimer);
    mTimer = nullptr;
}

void TimerUtil::Reset() {
    if (mTimer)
        ecore_timer_reset(mTimer);
}

void TimerUtil::Freeze() {
    if (mTimer)
        ecore_timer_freeze(mTimer);
}

void TimerUtil::Thaw() {
    if (mTimer)
        ecore_timer_thaw(mTimer);
}

Eina_Bool TimerUtil::OnExpiredCb(void* data) {
    TimerUtil* self = static_cast<TimerUtil*>(data);
    if (!self->mListener) {
        self->mTimer = nullptr;
        return ECORE_CALLBACK_CANCEL;
    }
    if (self->mListener->OnTimerEvent())
        return ECORE_CALLBACK_RENEW;
    // Ecore deletes the timer on cancel: forget the handle first.
    self->mTimer = nullptr;
    return ECORE_CALLBACK_CANCEL;
}

} // namespace NSClockCommon
