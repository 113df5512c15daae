// bench-store-writer vconf|pref: the other side of watch-bench's change notification
// timing. Reads a number per line, stores it, and answers with the time just before the
// store call. A program of its own: the benchmark's own bus connection is not shared.
#include "app_preference.h"
#include "vconf.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || (strcmp(argv[1], "vconf") != 0 && strcmp(argv[1], "pref") != 0)) {
        fprintf(stderr, "usage: %s vconf|pref\n", argv[0]);
        return 2;
    }
    const bool vconf = strcmp(argv[1], "vconf") == 0;
    char line[64];
    while (fgets(line, sizeof(line), stdin)) {
        const int value = atoi(line);
        struct timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const double before = double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
        const int rc = vconf ? vconf_set_int("memory/bench/changed", value)
                             : preference_set_int("bench/changed", value);
        printf("%.9f %d\n", before, rc);
        fflush(stdout);
    }
    return 0;
}
