/* The platform log. Every line is written whole, with one write, to <root>/log/watch.log
 * with its time, process, thread, priority letter and tag; also to standard error when
 * WATCH_LOG_STDERR is set to something other than "0". */
#ifndef WATCH_DLOG_H
#define WATCH_DLOG_H

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    LOG_ID_INVALID = -1,
    LOG_ID_MAIN = 0,
    LOG_ID_RADIO,
    LOG_ID_SYSTEM,
    LOG_ID_APPS,
    LOG_ID_MAX
} log_id_t;

typedef enum {
    DLOG_UNKNOWN = 0,
    DLOG_DEFAULT,
    DLOG_VERBOSE,
    DLOG_DEBUG,
    DLOG_INFO,
    DLOG_WARN,
    DLOG_ERROR,
    DLOG_FATAL,
    DLOG_SILENT,
    DLOG_PRIO_MAX
} log_priority;

typedef enum {
    DLOG_ERROR_NONE = 0,
    DLOG_ERROR_INVALID_PARAMETER = -22,
    DLOG_ERROR_NOT_PERMITTED = -1
} dlog_error_e;

/* Returns the number of bytes of the message, or a negative dlog_error_e. */
int __dlog_print(log_id_t log_id, int prio, const char* tag, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
int __dlog_vprint(log_id_t log_id, int prio, const char* tag, const char* fmt, va_list ap)
    __attribute__((format(printf, 4, 0)));

#define dlog_print(prio, tag, ...) __dlog_print(LOG_ID_APPS, prio, tag, __VA_ARGS__)

#ifdef __cplusplus
}
#endif

#endif
