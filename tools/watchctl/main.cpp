// watchctl: drives a device root (WATCH_ROOT, default build/device) from the shell.
#include "watchctl.h"

int main(int argc, char** argv) {
    return watchctl::Main(argc, argv);
}
