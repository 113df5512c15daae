// The watch face's colour band in the package preference store: read, write and watch.
// Failures are logged with the key and the store's error code and give a neutral result.
#pragma once

#include <app_preference.h>

#include <string>

namespace NSClockCommon {

class PreferenceUtil {
  public:
    virtual ~PreferenceUtil() {}

    // The stored colour band (0 blue .. 4 mint), or 0 when it cannot be read.
    static int GetWatchColorBand();
    // Stores the band as given (range checks are the caller's); true when stored.
    static bool SetWatchColorBand(int colorBand);
    // Watches key (the caller's copy of the colour-band key) with the callback.
    static void AddWatchColorBandChageCB(const std::string& key, preference_changed_cb callback,
                                         void* userData);
    static void RemoveWatchColorBandChageCB(const std::string& key);
};

} // namespace NSClockCommon
