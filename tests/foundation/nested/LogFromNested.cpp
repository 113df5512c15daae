// A log statement in a file below a sub-directory, with a tag of its own.
#define LOG_TAG "NESTED-TAG"
#include "ClockLog.h"

int LogFromNested() {
    CLOCK_LOG("nested %d", 7);
    return __LINE__ - 1;
}
