// watchctl screenshot: the current frame of the window in front, as a PNG file.
#include "app_bus.h"
#include "watch_appfw.h"
#include "watchctl.h"

#include <limits.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace watchctl {

namespace {

const char kUsage[] = "Usage: watchctl screenshot FILE.png\n"
                      "Writes the current frame of the front application's window to FILE.png\n"
                      "(the window must run on the buffer engine, as on a headless device).\n";

int Run(int argc, char** argv);
const Command kCommand = {"screenshot", "save the front window's frame as a PNG", kUsage, Run};

int Run(int argc, char** argv) {
    if (argc != 2)
        return UsageError(kCommand, "one file name expected");
    std::string path = argv[1];
    if (path.size() <= 4 || strcasecmp(path.c_str() + path.size() - 4, ".png") != 0)
        return UsageError(kCommand, "the file name must end in .png");
    // The application writes the file: give it a path that does not depend on our cwd.
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof(cwd)))
            return Fail("screenshot: cannot tell the current directory");
        path = std::string(cwd) + "/" + path;
    }
    AppBus bus;
    std::string error;
    if (!bus.Open(&error))
        return Fail("screenshot: %s", error.c_str());
    const std::string owner = bus.Owner(watch::appfw::kForegroundName);
    if (owner.empty())
        return Fail("screenshot: no application is in front");
    Eldbus_Message* answer = bus.CallApp(owner, "Screenshot", &error, "s", path.c_str());
    if (!answer)
        return Fail("screenshot: %s", error.c_str());
    int width = 0, height = 0;
    if (eldbus_message_arguments_get(answer, "ii", &width, &height))
        printf("%s %dx%d\n", path.c_str(), width, height);
    eldbus_message_unref(answer);
    return 0;
}

} // namespace

WATCHCTL_REGISTER(kCommand);

} // namespace watchctl
