// watchctl lang: the device's display language, as the settings application sets it.
#include "settings_cli.h"
#include "vconf_store.h"
#include "watchctl.h"

#include <cstdio>
#include <regex>

namespace watchctl {

namespace {

const char kLanguageKey[] = "db/menu_widget/language";

const char kUsage[] = "Usage: watchctl lang [LOCALE]\n"
                      "Sets the device's display language (db/menu_widget/language), for\n"
                      "example `watchctl lang ko_KR.UTF-8`; every application watching the\n"
                      "language is told. Without LOCALE, prints the current one.\n";

int Run(int argc, char** argv);
const Command kLang = {"lang", "set (or print) the device's display language", kUsage, Run};

int Run(int argc, char** argv) {
    auto store = watch::vconf::DeviceStore();
    if (argc == 1) {
        watch::settings::Value value;
        watch::settings::Status status = store->Get(kLanguageKey, &value);
        if (status == watch::settings::Status::NoKey)
            return Fail("lang: no language is set");
        if (status != watch::settings::Status::Ok)
            return Fail("lang: %s", store->LastError().c_str());
        printf("%s\n", value.Text().c_str());
        return 0;
    }
    if (argc != 2)
        return UsageError(kLang, "one LOCALE expected");
    // language[_TERRITORY][.codeset][@modifier], as in ko_KR.UTF-8 or en_US.
    static const std::regex kLocale(
        "[A-Za-z]{2,3}(_[A-Za-z]{2,3})?(\\.[A-Za-z0-9-]+)?(@[A-Za-z0-9]+)?");
    if (!std::regex_match(argv[1], kLocale))
        return UsageError(kLang, "'%s' is not a locale like ko_KR.UTF-8", argv[1]);
    if (store->Set(kLanguageKey, watch::settings::Value::String(argv[1])) !=
        watch::settings::Status::Ok)
        return Fail("lang: %s", store->LastError().c_str());
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kLang);

} // namespace watchctl
