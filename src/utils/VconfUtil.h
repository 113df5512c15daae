// Device settings the clock reads from vconf, and the change watches of the time-related
// keys. The getters log their failure and answer a neutral value; the watch wrappers log
// nothing and return the store's result (0 is success) for their callers to log.
#pragma once

#include <vconf.h>

#include <string>

namespace NSClockCommon {

class VconfUtil {
  public:
    virtual ~VconfUtil() {}

    // "db/menu_widget/regionformat_time1224"; 1 when it cannot be read.
    static int GetRegionFormatTime1224();
    // "db/wms/host_status/vendor"; empty when it cannot be read.
    static std::string GetHostDeviceVendor();
    // "db/csc/country_iso"; empty when it cannot be read.
    static std::string GetCSCCountryIso();
    // The display language (WATCH_VCONF_KEY_LANGUAGE); empty when it cannot be read.
    static std::string GetLanguageCode();
    // "memory/private/weconn/ios_connected"; 0 when it cannot be read.
    static int GetIOSConnected();

    // "memory/system/timechanged"
    int NotifySystemTimeChangedCb(vconf_callback_fn callback, void* userData);
    int IgnoreSystemTimeChangedCb(vconf_callback_fn callback);
    // "db/setting/timezone_id"
    int NotifySettingsApplicationTimezoneIDChangedCb(vconf_callback_fn callback, void* userData);
    int IgnoreSettingsApplicationTimezoneIDChangedCb(vconf_callback_fn callback);
    // "db/setting/date_format"
    int NotifySettingsApplicationDateFormatChangedCb(vconf_callback_fn callback, void* userData);
    int IgnoreSettingsApplicationDateFormatChangedCb(vconf_callback_fn callback);
    // "db/menu_widget/regionformat_time1224"
    int NotifyRegionFormatTime1224ChangedCb(vconf_callback_fn callback, void* userData);
    int IgnoreRegionFormatTime1224ChangedCb(vconf_callback_fn callback);
};

} // namespace NSClockCommon
