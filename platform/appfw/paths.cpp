#include "app_common.h"
#include "appfw_log.h"
#include "watch_device.h"

#include <cstdlib>
#include <cstring>

namespace {

char* FolderOfCurrentApp(watch::PackageFolder folder, const char* call) {
    std::string appId = watch::CurrentAppId();
    if (appId.empty()) {
        LOG_ERROR("%s: no application id (set WATCH_APP_ID or run an installed program)", call);
        return nullptr;
    }
    watch::AppInfo app;
    if (!watch::FindAppCached(appId, &app)) {
        LOG_ERROR("%s: application \"%s\" is not installed in %s", call, appId.c_str(),
                  watch::DeviceRoot().c_str());
        return nullptr;
    }
    return strdup(watch::PackageFolderPath(app.package, folder).c_str());
}

} // namespace

extern "C" {

int app_get_id(char** id) {
    if (!id)
        return APP_ERROR_INVALID_PARAMETER;
    std::string appId = watch::CurrentAppId();
    if (appId.empty() || !watch::IsValidId(appId)) {
        LOG_ERROR("app_get_id: no valid application id");
        return APP_ERROR_INVALID_CONTEXT;
    }
    *id = strdup(appId.c_str());
    return *id ? APP_ERROR_NONE : APP_ERROR_OUT_OF_MEMORY;
}

char* app_get_resource_path(void) {
    return FolderOfCurrentApp(watch::PackageFolder::Resource, __func__);
}

char* app_get_shared_resource_path(void) {
    return FolderOfCurrentApp(watch::PackageFolder::SharedResource, __func__);
}

char* app_get_data_path(void) {
    return FolderOfCurrentApp(watch::PackageFolder::Data, __func__);
}

char* app_get_shared_data_path(void) {
    return FolderOfCurrentApp(watch::PackageFolder::SharedData, __func__);
}

char* app_get_cache_path(void) {
    return FolderOfCurrentApp(watch::PackageFolder::Cache, __func__);
}

} // extern "C"
