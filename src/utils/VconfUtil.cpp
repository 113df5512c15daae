#define LOG_TAG "CLOCK-COMMON"
#include "VconfUtil.h"
#include "ClockLog.h"

#include <glib.h>

namespace NSClockCommon {

namespace {

const char* const kRegionFormatTime1224Key = "db/menu_widget/regionformat_time1224";
const char* const kHostDeviceVendorKey = "db/wms/host_status/vendor";
const char* const kCSCCountryIsoKey = "db/csc/country_iso";
const char* const kIOSConnectedKey = "memory/private/weconn/ios_connected";
const char* const kSystemTimeChangedKey = "memory/system/timechanged";
const char* const kTimezoneIdKey = "db/setting/timezone_id";
const char* const kDateFormatKey = "db/setting/date_format";

// Copies a string from vconf and releases the original.
std::string TakeString(char* value) {
    std::string result(value);
    g_free(value);
    return result;
}

} // namespace

int VconfUtil::GetRegionFormatTime1224() {
    int value = 1;
    int ret = vconf_get_int(kRegionFormatTime1224Key, &value);
    if (ret != 0) {
        CLOCK_LOG("vconf_get_int  failed(%d)", ret);
        return 1;
    }
    return value;
}

std::string VconfUtil::GetHostDeviceVendor() {
    char* value = vconf_get_str(kHostDeviceVendorKey);
    if (value == NULL) {
        CLOCK_LOG("vconf_get_str  failed");
        return std::string();
    }
    return TakeString(value);
}

std::string VconfUtil::GetCSCCountryIso() {
    char* value = vconf_get_str(kCSCCountryIsoKey);
    if (value == NULL) {
        CLOCK_LOG("Fail to vconf_get_str (csc_country)");
        return std::string();
    }
    return TakeString(value);
}

std::string VconfUtil::GetLanguageCode() {
    char* value = vconf_get_str(WATCH_VCONF_KEY_LANGUAGE);
    if (value == NULL) {
        CLOCK_LOG("vconf_get_str(%s) failed", WATCH_VCONF_KEY_LANGUAGE);
        return std::string();
    }
    return TakeString(value);
}

int VconfUtil::GetIOSConnected() {
    int value = 0;
    int ret = vconf_get_int(kIOSConnectedKey, &value);
    if (ret != 0) {
        CLOCK_LOG("vconf_get_int failed(%d)", ret);
        return 0;
    }
    return value;
}

int VconfUtil::NotifySystemTimeChangedCb(vconf_callback_fn callback, void* userData) {
    return vconf_notify_key_changed(kSystemTimeChangedKey, callback, userData);
}

int VconfUtil::IgnoreSystemTimeChangedCb(vconf_callback_fn callback) {
    return vconf_ignore_key_changed(kSystemTimeChangedKey, callback);
}

int VconfUtil::NotifySettingsApplicationTimezoneIDChangedCb(vconf_callback_fn callback,
                                                            void* userData) {
    return vconf_notify_key_changed(kTimezoneIdKey, callback, userData);
}

int VconfUtil::IgnoreSettingsApplicationTimezoneIDChangedCb(vconf_callback_fn callback) {
    return vconf_ignore_key_changed(kTimezoneIdKey, callback);
}

int VconfUtil::NotifySettingsApplicationDateFormatChangedCb(vconf_callback_fn callback,
                                                            void* userData) {
    return vconf_notify_key_changed(kDateFormatKey, callback, userData);
}

int VconfUtil::IgnoreSettingsApplicationDateFormatChangedCb(vconf_callback_fn callback) {
    return vconf_ignore_key_changed(kDateFormatKey, callback);
}

int VconfUtil::NotifyRegionFormatTime1224ChangedCb(vconf_callback_fn callback, void* userData) {
    return vconf_notify_key_changed(kRegionFormatTime1224Key, callback, userData);
}

int VconfUtil::IgnoreRegionFormatTime1224ChangedCb(vconf_callback_fn callback) {
    return vconf_ignore_key_changed(kRegionFormatTime1224Key, callback);
}

} // namespace NSClockCommon
