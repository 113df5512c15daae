// A device settings writer for the fault tests, as its own program so that it can be
// killed, and so that its writes reach other processes over the device bus.
//
//   fault-store-writer NAME
//
// Round i (from 1, until killed) sets db/fault/NAME/k<i % 50> and then db/fault/NAME/last
// to i, then prints "ack i" once both calls have returned. A failed call prints
// "fail vconf_set_int i RESULT" and ends with status 1.
#include "vconf.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s NAME\n", argv[0]);
        return 2;
    }
    const std::string base = std::string("db/fault/") + argv[1] + "/";
    for (int i = 1;; ++i) {
        for (const std::string& key : {base + "k" + std::to_string(i % 50), base + "last"}) {
            const int rc = vconf_set_int(key.c_str(), i);
            if (rc != 0) {
                printf("fail vconf_set_int %d %d\n", i, rc);
                return 1;
            }
        }
        printf("ack %d\n", i);
        fflush(stdout);
    }
}
