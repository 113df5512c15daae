// Constants shared by the clock's modules.
#pragma once

namespace NSClockCommon {

// The watch face's application id: the package whose shared folders hold the tables and
// previews, part of the colour-band preference key, and the idle clock to hand over to.
constexpr const char* WATCH_APPLICATION_ID = "com.korvane.clock-dalvexa";

} // namespace NSClockCommon

// Success result of the platform's path lookups.
#ifndef ERR_OK
#define ERR_OK 0
#endif
