#include "app_manager.h"
#include "dlog.h"
#include "watch_device.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kTag = "WATCH-APPMGR";

int SharedFolder(const char* appId, char** path, watch::PackageFolder folder, const char* call) {
    if (!path) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "%s: path is NULL", call);
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    }
    if (!watch::IsValidId(appId)) {
        // Never let such an id become part of a path.
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "%s: invalid application id", call);
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    }
    watch::AppInfo app;
    if (!watch::FindAppCached(appId, &app)) {
        __dlog_print(LOG_ID_MAIN, DLOG_ERROR, kTag, "%s: no application \"%s\" in %s", call, appId,
                     watch::DeviceRoot().c_str());
        return APP_MANAGER_ERROR_NO_SUCH_APP;
    }
    *path = strdup(watch::PackageFolderPath(app.package, folder).c_str());
    return *path ? APP_MANAGER_ERROR_NONE : APP_MANAGER_ERROR_OUT_OF_MEMORY;
}

} // namespace

extern "C" {

int app_manager_get_shared_resource_path(const char* app_id, char** path) {
    return SharedFolder(app_id, path, watch::PackageFolder::SharedResource, __func__);
}

int app_manager_get_shared_data_path(const char* app_id, char** path) {
    return SharedFolder(app_id, path, watch::PackageFolder::SharedData, __func__);
}

} // extern "C"
