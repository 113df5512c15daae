// Constants shared by the clock's modules.
#pragma once

#include "DalvexaNames.h"

namespace NSClockCommon {

// The watch face's application id: the package whose shared folders hold the tables and
// previews, and the idle clock to hand over to.
constexpr const char* WATCH_APPLICATION_ID = dalvexa::kFaceAppId;

} // namespace NSClockCommon

// Success result of the platform's path lookups.
#ifndef ERR_OK
#define ERR_OK 0
#endif
