// The application framework's log: every source of the library writes under one tag.
#pragma once

#include "dlog.h"

namespace watch {
namespace appfw {

inline constexpr const char* kTag = "WATCH-APPFW";

} // namespace appfw
} // namespace watch

#define LOG_ERROR(...) __dlog_print(LOG_ID_MAIN, DLOG_ERROR, ::watch::appfw::kTag, __VA_ARGS__)
#define LOG_WARN(...) __dlog_print(LOG_ID_MAIN, DLOG_WARN, ::watch::appfw::kTag, __VA_ARGS__)
#define LOG_INFO(...) __dlog_print(LOG_ID_MAIN, DLOG_INFO, ::watch::appfw::kTag, __VA_ARGS__)
