#define LOG_TAG "CLOCK-COMMON"
#include "PreferenceUtil.h"
#include "ClockDefines.h"
#include "ClockLog.h"

namespace NSClockCommon {

namespace {

const std::string kColorBandKey = dalvexa::kColorBandKey;

} // namespace

int PreferenceUtil::GetWatchColorBand() {
    int colorBand = 0;
    int ret = preference_get_int(kColorBandKey.c_str(), &colorBand);
    if (ret != PREFERENCE_ERROR_NONE) {
        CLOCK_LOG("preference_get_int(%s) .. [0x%x]", kColorBandKey.c_str(), ret);
        return 0;
    }
    return colorBand;
}

bool PreferenceUtil::SetWatchColorBand(int colorBand) {
    int ret = preference_set_int(kColorBandKey.c_str(), colorBand);
    if (ret != PREFERENCE_ERROR_NONE) {
        CLOCK_LOG("preference_set_int(%s) .. [0x%x]", kColorBandKey.c_str(), ret);
        return false;
    }
    return true;
}

void PreferenceUtil::AddWatchColorBandChageCB(const std::string& key,
                                              preference_changed_cb callback, void* userData) {
    int ret = preference_set_changed_cb(key.c_str(), callback, userData);
    if (ret != PREFERENCE_ERROR_NONE)
        CLOCK_LOG("preference_set_changed_cb(%s) .. [0x%x]", key.c_str(), ret);
}

void PreferenceUtil::RemoveWatchColorBandChageCB(const std::string& key) {
    int ret = preference_unset_changed_cb(key.c_str());
    if (ret != PREFERENCE_ERROR_NONE)
        CLOCK_LOG("preference_unset_changed_cb(%s) .. [0x%x]", key.c_str(), ret);
}

} // namespace NSClockCommon
