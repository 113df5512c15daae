// watchctl pref: a package's preferences from the shell.
#include "preference_store.h"
#include "settings_cli.h"
#include "watch_device.h"
#include "watchctl.h"

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl pref PACKAGE ACTION [KEY] [VALUE] [--type int|bool|double|string]\n"
    "Reads and writes the preferences of an installed package\n"
    "(<root>/apps/PACKAGE/data/.preference.db).\n\n"
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
    "Bool values: true/false, 1/0, yes/no, on/off. Exit status: 0 done, 1 failed,\n"
    "2 bad usage.\n";

int Run(int argc, char** argv);
const Command kCommand = {"pref", "read, write and watch a package's preferences", kUsage, Run};

bool ValidKey(const char* key) {
    return watch::settings::IsValidKeyText(key);
}

int Run(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-')
        return UsageError(kCommand, "no PACKAGE");
    const std::string package = argv[1];
    if (!watch::IsValidId(package))
        return UsageError(kCommand, "'%s' is not a package id", package.c_str());
    if (!watch::preference::IsInstalled(package))
        return Fail("pref: package %s is not installed in %s", package.c_str(),
                    watch::DeviceRoot().c_str());
    StoreTarget target{&kCommand, "pref " + package, watch::preference::PackageStore(package),
                       ValidKey, "1 to 1024 bytes of text"};
    return RunStoreAction(target, argc - 2, argv + 2);
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
