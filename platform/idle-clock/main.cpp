// watch-idle-clock: the device component that shows the idle clock on request. Started by
// `watchctl boot`, stopped by `watchctl shutdown`.
#include "IdleClock.h"

int main(int argc, char** argv) {
    return watch::idleclock::Main(argc, argv);
}
