// A store writer for the fault tests, as its own program so that it can be killed, and
// so that its writes reach other processes over the device bus.
//
//   fault-store-writer vconf|pref NAME ROUNDS
//
// Round i (from 1; ROUNDS 0 runs until killed) sets NAME/k<i % 50> and then NAME/last to
// i, under "db/fault/" for vconf and "fault/" in the preferences of the application named
// by WATCH_APP_ID, then prints "ack i" once both calls have returned. A failed call prints
// "fail CALL i RESULT" and ends with status 1. With FAULT_GO_FILE set, it prints "ready"
// and waits for that file to exist before the first round.
#include "app_preference.h"
#include "vconf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool WaitForGo() {
    const char* go = getenv("FAULT_GO_FILE");
    if (!go)
        return true;
    printf("ready\n");
    fflush(stdout);
    struct stat st;
    for (int waited = 0; waited < 20000; ++waited) {
        if (stat(go, &st) == 0)
            return true;
        usleep(1000);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (strcmp(argv[1], "vconf") != 0 && strcmp(argv[1], "pref") != 0)) {
        fprintf(stderr, "usage: %s vconf|pref NAME ROUNDS\n", argv[0]);
        return 2;
    }
    const bool vconf = strcmp(argv[1], "vconf") == 0;
    const std::string base = std::string(vconf ? "db/fault/" : "fault/") + argv[2] + "/";
    const long rounds = atol(argv[3]);
    if (!WaitForGo()) {
        fprintf(stderr, "no go file\n");
        return 2;
    }
    for (long i = 1; rounds == 0 || i <= rounds; ++i) {
        const std::string keys[] = {base + "k" + std::to_string(i % 50), base + "last"};
        for (const std::string& key : keys) {
            const int rc = vconf ? vconf_set_int(key.c_str(), static_cast<int>(i))
                                 : preference_set_int(key.c_str(), static_cast<int>(i));
            if (rc != 0) {
                printf("fail %s %ld %d\n", vconf ? "vconf_set_int" : "preference_set_int", i, rc);
                return 1;
            }
        }
        printf("ack %ld\n", i);
        fflush(stdout);
    }
    return 0;
}
