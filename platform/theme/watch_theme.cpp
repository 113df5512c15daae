#include "watch_theme.h"

#include "dlog.h"

#include <Edje.h>
#include <Elementary.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

const char* const kTag = "WATCH-THEME";

// A group every build of the theme has; a file without it is not our theme.
const char* const kProbeGroup = "elm/button/base/bottom";

bool AlreadyAdded(const char* path) {
    const Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(elm_theme_extension_list_get(nullptr), l, data) {
        if (data && strcmp(static_cast<const char*>(data), path) == 0)
            return true;
    }
    return false;
}

} // namespace

extern "C" {

const char* watch_theme_file_path(void) {
    const char* env = getenv("WATCH_THEME_FILE");
    if (env && *env)
        return env;
    return WATCH_THEME_DEFAULT_FILE;
}

int watch_theme_apply(void) {
    const char* path = watch_theme_file_path();
    if (access(path, R_OK) != 0) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "watch_theme_apply: cannot read %s: %s", path,
                     strerror(errno));
        return WATCH_THEME_ERROR_NOT_FOUND;
    }
    if (!edje_file_group_exists(path, kProbeGroup)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag,
                     "watch_theme_apply: %s is not the platform theme (no group %s)", path,
                     kProbeGroup);
        return WATCH_THEME_ERROR_INVALID_FILE;
    }
    if (AlreadyAdded(path))
        return WATCH_THEME_ERROR_NONE;
    elm_theme_extension_add(nullptr, path);
    return WATCH_THEME_ERROR_NONE;
}

} // extern "C"
