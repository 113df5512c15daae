// watchctl input: rotary detents, keys and taps for the application in front.
#include "app_bus.h"
#include "watch_appfw.h"
#include "watchctl.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace watchctl {

namespace {

const char kUsage[] =
    "Usage: watchctl input rotary cw|ccw [N]\n"
    "       watchctl input key back|more|return\n"
    "       watchctl input tap X Y\n"
    "Delivers input to the window of the application in front, as events of its canvas:\n"
    "rotary: N (default 1, at most 1000) mouse wheel notches, down for clockwise;\n"
    "key: the key events \"Escape\" (back), \"Menu\" (more) or \"Return\";\n"
    "tap: a press and release of the first button at X,Y in window pixels.\n";

int Run(int argc, char** argv);
const Command kCommand = {"input", "rotary, key or tap for the application in front", kUsage, Run};

bool ParseInt(const char* text, long min, long max, long* out) {
    char* end = nullptr;
    errno = 0;
    const long value = strtol(text, &end, 10);
    if (errno || !end || end == text || *end || value < min || value > max)
        return false;
    *out = value;
    return true;
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return UsageError(kCommand, "rotary, key or tap?");
    const std::string kind = argv[1];
    AppBus bus;
    std::string error;
    Eldbus_Message* answer = nullptr;
    auto front = [&]() -> std::string {
        if (!bus.Open(&error))
            return std::string();
        std::string owner = bus.Owner(watch::appfw::kForegroundName);
        if (owner.empty())
            error = "no application is in front";
        return owner;
    };
    if (kind == "rotary") {
        if (argc < 3 || argc > 4)
            return UsageError(kCommand, "rotary cw|ccw [N]");
        const std::string direction = argv[2];
        if (direction != "cw" && direction != "ccw")
            return UsageError(kCommand, "the direction is cw or ccw");
        long notches = 1;
        if (argc == 4 && !ParseInt(argv[3], 1, 1000, &notches))
            return UsageError(kCommand, "N is a number from 1 to 1000");
        const std::string owner = front();
        if (!owner.empty())
            answer = bus.CallApp(owner, "Rotary", &error, "bu",
                                 direction == "cw" ? EINA_TRUE : EINA_FALSE,
                                 static_cast<unsigned int>(notches));
    } else if (kind == "key") {
        if (argc != 3)
            return UsageError(kCommand, "key back|more|return");
        const std::string key = argv[2];
        const char* name = key == "back"     ? "Escape"
                           : key == "more"   ? "Menu"
                           : key == "return" ? "Return"
                                             : nullptr;
        if (!name)
            return UsageError(kCommand, "the key is back, more or return");
        const std::string owner = front();
        if (!owner.empty())
            answer = bus.CallApp(owner, "Key", &error, "s", name);
    } else if (kind == "tap") {
        long x = 0, y = 0;
        if (argc != 4 || !ParseInt(argv[2], -100000, 100000, &x) ||
            !ParseInt(argv[3], -100000, 100000, &y))
            return UsageError(kCommand, "tap X Y, in window pixels");
        const std::string owner = front();
        if (!owner.empty())
            answer =
                bus.CallApp(owner, "Tap", &error, "ii", static_cast<int>(x), static_cast<int>(y));
    } else {
        return UsageError(kCommand, "unknown input \"%s\"", kind.c_str());
    }
    if (!answer)
        return Fail("input %s: %s", kind.c_str(), error.c_str());
    eldbus_message_unref(answer);
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
