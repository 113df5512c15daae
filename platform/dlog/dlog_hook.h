/* A hook on the log layer: sees every line's priority, tag and formatted message before
 * it is written. For tests. */
#ifndef WATCH_DLOG_HOOK_H
#define WATCH_DLOG_HOOK_H

#include "dlog.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*dlog_hook_cb)(log_id_t log_id, int prio, const char* tag, const char* msg,
                             void* user_data);

/* One hook per process; NULL removes it. */
void dlog_set_hook(dlog_hook_cb hook, void* user_data);

/* The priority letter written in the log for prio ('E' for DLOG_ERROR). */
char dlog_priority_letter(int prio);

#ifdef __cplusplus
}
#endif

#endif
