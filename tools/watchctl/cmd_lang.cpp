// watchctl lang: the device's display language, as the settings application sets it.
#include "settings_cli.h"
#include "vconf.h"
#include "vconf_store.h"
#include "watchctl.h"

#include <cctype>
#include <cstdio>

namespace watchctl {

namespace {

const char kUsage[] = "Usage: watchctl lang [LOCALE]\n"
                      "Sets the device's display language (" WATCH_VCONF_KEY_LANGUAGE "), for\n"
                      "example `watchctl lang ko_KR.UTF-8`; every application watching the\n"
                      "language is told. Without LOCALE, prints the current one.\n";

// Counts the characters at p that pass `ok`.
template <typename Pred> size_t Span(const char* p, Pred ok) {
    size_t n = 0;
    while (p[n] && ok(static_cast<unsigned char>(p[n])))
        ++n;
    return n;
}

// language[_TERRITORY][.codeset][@modifier], as in ko_KR.UTF-8 or en_US.
bool IsLocale(const char* text) {
    auto alpha = [](unsigned char c) { return isalpha(c) != 0; };
    auto alnum = [](unsigned char c) { return isalnum(c) != 0; };
    auto codeset = [](unsigned char c) { return isalnum(c) != 0 || c == '-'; };
    size_t n = Span(text, alpha);
    if (n < 2 || n > 3)
        return false;
    text += n;
    if (*text == '_') {
        n = Span(++text, alpha);
        if (n < 2 || n > 3)
            return false;
        text += n;
    }
    if (*text == '.') {
        n = Span(++text, codeset);
        if (n == 0)
            return false;
        text += n;
    }
    if (*text == '@') {
        n = Span(++text, alnum);
        if (n == 0)
            return false;
        text += n;
    }
    return *text == '\0';
}

int Run(int argc, char** argv);
const Command kCommand = {"lang", "set (or print) the device's display language", kUsage, Run};

int Run(int argc, char** argv) {
    auto store = watch::vconf::DeviceStore();
    if (argc == 1) {
        watch::settings::Value value;
        watch::settings::Status status = store->Get(WATCH_VCONF_KEY_LANGUAGE, &value);
        if (status == watch::settings::Status::NoKey)
            return Fail("lang: no language is set");
        if (status != watch::settings::Status::Ok)
            return Fail("lang: %s", store->LastError().c_str());
        printf("%s\n", value.Text().c_str());
        return 0;
    }
    if (argc != 2)
        return UsageError(kCommand, "one LOCALE expected");
    if (!IsLocale(argv[1]))
        return UsageError(kCommand, "'%s' is not a locale like ko_KR.UTF-8", argv[1]);
    if (store->Set(WATCH_VCONF_KEY_LANGUAGE, watch::settings::Value::String(argv[1])) !=
        watch::settings::Status::Ok)
        return Fail("lang: %s", store->LastError().c_str());
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
