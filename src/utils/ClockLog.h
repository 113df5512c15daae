// Logging and guard forms. Each source file defines LOG_TAG before including this header.
// Every line goes to the platform log's main buffer at the error priority, framed as
// "<file>: <function>(<line>) > " with a colour switch; the file is the base name fixed at
// compile time, the function the undecorated name, a guard's condition its source text.
#pragma once

#include <dlog.h>

#ifndef LOG_TAG
#error "define LOG_TAG before including ClockLog.h"
#endif

#define CLOCK_LOG_FILE __FILE_NAME__

#define CLOCK_LOG(msg, ...)                                                                        \
    ((void)__dlog_print(LOG_ID_MAIN, DLOG_ERROR, LOG_TAG,                                          \
                        "%s: %s(%d) > \033[1;40;31m" msg "\033[0;m", CLOCK_LOG_FILE, __func__,     \
                        __LINE__, ##__VA_ARGS__))

#define CLOCK_GUARD_LOG_(cond, kind)                                                               \
    ((void)__dlog_print(LOG_ID_MAIN, DLOG_ERROR, LOG_TAG,                                          \
                        "%s: %s(%d) > \033[0;40;31m[%s(): %d] (%s) [" kind "]\033[0;m",            \
                        CLOCK_LOG_FILE, __func__, __LINE__, __func__, __LINE__, cond))

#define RETURN_IF(cond)                                                                            \
    do {                                                                                           \
        if (cond) {                                                                                \
            CLOCK_GUARD_LOG_(#cond, "return");                                                     \
            return;                                                                                \
        }                                                                                          \
    } while (0)

#define RETURN_VALUE_IF(cond, value)                                                               \
    do {                                                                                           \
        if (cond) {                                                                                \
            CLOCK_GUARD_LOG_(#cond, "return");                                                     \
            return value;                                                                          \
        }                                                                                          \
    } while (0)

// Leaves the innermost enclosing loop or one-pass block, so it cannot hide in do/while.
#define BREAK_IF(cond)                                                                             \
    if (cond) {                                                                                    \
        CLOCK_GUARD_LOG_(#cond, "break");                                                          \
        break;                                                                                     \
    } else                                                                                         \
        ((void)0)

#define RETURN_MESSAGE_IF(cond, msg, ...)                                                          \
    do {                                                                                           \
        if (cond) {                                                                                \
            (void)__dlog_print(LOG_ID_MAIN, DLOG_ERROR, LOG_TAG,                                   \
                               "%s: %s(%d) > \033[0;40;31m[%s(): %d] " msg " [return]\033[0;m",    \
                               CLOCK_LOG_FILE, __func__, __LINE__, __func__, __LINE__,             \
                               ##__VA_ARGS__);                                                     \
            return;                                                                                \
        }                                                                                          \
    } while (0)
