// watchctl vconf: the device settings from the shell; and the boot step that empties the
// volatile "memory/" keys once per boot.
#include "settings_cli.h"
#include "vconf_store.h"
#include "watch_bus.h"
#include "watchctl.h"

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl vconf ACTION [KEY] [VALUE] [--type int|bool|double|string]\n"
    "Reads and writes the device settings (<root>/settings/vconf.db).\n\n"
    "Actions:\n"
    "  get KEY          print the value (with --type: only if it has that type)\n"
    "  set KEY VALUE    store the value; --type is needed for a new key, else the\n"
    "                   key keeps its type\n"
    "  unset KEY        remove the key\n"
    "  list [PREFIX]    print every key (under PREFIX) as KEY<TAB>TYPE<TAB>VALUE\n"
    "  watch [KEY]      print KEY<TAB>TYPE<TAB>VALUE (or KEY<TAB>unset) at every change\n"
    "                   of KEY (or of any key) made by any process; needs a booted\n"
    "                   device; stops on Ctrl-C\n"
    "  reset            delete the database, readable or not, and start an empty one\n\n"
    "Keys begin with db/, file/ or memory/; memory/ keys are emptied at every boot.\n"
    "Bool values: true/false, 1/0, yes/no, on/off. Exit status: 0 done, 1 failed,\n"
    "2 bad usage.\n";

int Run(int argc, char** argv);
const Command kCommand = {"vconf", "read, write and watch the device settings (vconf)", kUsage,
                          Run};

int Run(int argc, char** argv) {
    StoreTarget target{&kCommand, "vconf", watch::vconf::DeviceStore(), watch::vconf::IsValidKey,
                       "it begins with db/, file/ or memory/"};
    return RunStoreAction(target, argc - 1, argv + 1);
}

bool ClearVolatile(std::string* error) {
    const std::string bootId = watch::bus::Address();
    if (bootId.empty()) {
        *error = "no device bus to tell this boot from the last";
        return false;
    }
    if (watch::vconf::ClearVolatileKeys(bootId) != watch::settings::Status::Ok) {
        *error = watch::vconf::DeviceStore()->LastError() + " (try `watchctl vconf reset`)";
        return false;
    }
    return true;
}

bool NothingToStop(std::string*) {
    return true;
}

// Before the system components, which may read or write memory/ keys of this boot.
const BootStep kVolatileKeys = {"vconf memory keys", 0, ClearVolatile, NothingToStop};

} // namespace

WATCHCTL_REGISTER(kCommand);
WATCHCTL_REGISTER_BOOT_STEP(kVolatileKeys);

} // namespace watchctl
