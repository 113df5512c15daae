// VconfUtil and PreferenceUtil: their keys, results and exact failure lines.
#include "LogCapture.h"
#include "PreferenceUtil.h"
#include "StoresTestUtil.h"
#include "VconfUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

using NSClockCommon::PreferenceUtil;
using NSClockCommon::VconfUtil;
using storestest::EcoreScope;
using watchtest::LogBody;
using watchtest::LogCapture;
using watchtest::TestDevice;
using watchtest::Watchctl;

namespace {

const char kBandKey[] = "file/private/com.korvane.clock-dalvexa/clock_color_style";

std::vector<std::string> Bodies(const LogCapture& log) {
    std::vector<std::string> out;
    for (const std::string& m : log.Messages("CLOCK-COMMON"))
        out.push_back(LogBody(m));
    return out;
}

struct AsEditor {
    AsEditor() { setenv("WATCH_APP_ID", "com.korvane.clock-dalvexa.editor", 1); }
    ~AsEditor() { unsetenv("WATCH_APP_ID"); }
};

} // namespace

TEST(VconfUtil, GettersGiveNeutralValuesAndTheirLinesWhenKeysAreMissing) {
    TestDevice device(false);
    LogCapture log;
    EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 1);
    EXPECT_EQ(VconfUtil::GetIOSConnected(), 0);
    EXPECT_EQ(VconfUtil::GetHostDeviceVendor(), "");
    EXPECT_EQ(VconfUtil::GetCSCCountryIso(), "");
    EXPECT_EQ(VconfUtil::GetLanguageCode(), "");
    const std::vector<std::string> bodies = Bodies(log);
    ASSERT_EQ(bodies.size(), 5u) << log.Dump();
    EXPECT_EQ(bodies[0], "vconf_get_int  failed(-5)"); // two spaces: as the clock has it
    EXPECT_EQ(bodies[1], "vconf_get_int failed(-5)");
    EXPECT_EQ(bodies[2], "vconf_get_str  failed");
    EXPECT_EQ(bodies[3], "Fail to vconf_get_str (csc_country)");
    EXPECT_NE(bodies[4].find("db/menu_widget/language"), std::string::npos);
    EXPECT_NE(log.Messages("CLOCK-COMMON")[0].find("VconfUtil.cpp: GetRegionFormatTime1224("),
              std::string::npos);

    // A key of another type is a failure too.
    ASSERT_EQ(vconf_set_str("db/menu_widget/regionformat_time1224", "24"), VCONF_OK);
    log.Clear();
    EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 1);
    ASSERT_EQ(Bodies(log).size(), 1u);
    EXPECT_EQ(Bodies(log)[0], "vconf_get_int  failed(-3)");
}

TEST(VconfUtil, GettersReadTheirKeys) {
    TestDevice device(false);
    ASSERT_EQ(vconf_set_int("db/menu_widget/regionformat_time1224", 0), VCONF_OK);
    ASSERT_EQ(vconf_set_int("memory/private/weconn/ios_connected", 1), VCONF_OK);
    ASSERT_EQ(vconf_set_str("db/wms/host_status/vendor", "Acme"), VCONF_OK);
    ASSERT_EQ(vconf_set_str("db/csc/country_iso", "JP"), VCONF_OK);
    ASSERT_EQ(vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8"), VCONF_OK);
    LogCapture log;
    EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 0);
    EXPECT_EQ(VconfUtil::GetIOSConnected(), 1);
    EXPECT_EQ(VconfUtil::GetHostDeviceVendor(), "Acme");
    EXPECT_EQ(VconfUtil::GetCSCCountryIso(), "JP");
    EXPECT_EQ(VconfUtil::GetLanguageCode(), "ko_KR.UTF-8");
    EXPECT_TRUE(Bodies(log).empty()) << log.Dump();
}

namespace {

std::vector<std::string> gChanged;

void OnChanged(keynode_t* node, void* data) {
    gChanged.push_back(std::string(vconf_keynode_get_name(node)) + "@" +
                       std::to_string(*static_cast<int*>(data)));
}

} // namespace

TEST(VconfUtil, WatchWrappersWatchTheirKeysAndLogNothing) {
    TestDevice device(false);
    EcoreScope ecore;
    LogCapture log;
    VconfUtil util;
    int a = 1, b = 2, c = 3, d = 4;
    EXPECT_EQ(util.NotifySystemTimeChangedCb(OnChanged, &a), 0);
    EXPECT_EQ(util.NotifySettingsApplicationTimezoneIDChangedCb(OnChanged, &b), 0);
    EXPECT_EQ(util.NotifySettingsApplicationDateFormatChangedCb(OnChanged, &c), 0);
    EXPECT_EQ(util.NotifyRegionFormatTime1224ChangedCb(OnChanged, &d), 0);
    gChanged.clear();
    ASSERT_EQ(vconf_set_int("memory/system/timechanged", 1), VCONF_OK);
    ASSERT_EQ(vconf_set_str("db/setting/timezone_id", "Asia/Seoul"), VCONF_OK);
    ASSERT_EQ(vconf_set_int("db/setting/date_format", 2), VCONF_OK);
    ASSERT_EQ(vconf_set_int("db/menu_widget/regionformat_time1224", 1), VCONF_OK);
    ASSERT_TRUE(watchtest::RunLoopUntil([] { return gChanged.size() == 4; }));
    EXPECT_EQ(gChanged, (std::vector<std::string>{
                            "memory/system/timechanged@1", "db/setting/timezone_id@2",
                            "db/setting/date_format@3", "db/menu_widget/regionformat_time1224@4"}));

    EXPECT_EQ(util.IgnoreSystemTimeChangedCb(OnChanged), 0);
    EXPECT_EQ(util.IgnoreSettingsApplicationTimezoneIDChangedCb(OnChanged), 0);
    EXPECT_EQ(util.IgnoreSettingsApplicationDateFormatChangedCb(OnChanged), 0);
    EXPECT_EQ(util.IgnoreRegionFormatTime1224ChangedCb(OnChanged), 0);
    EXPECT_NE(util.IgnoreSystemTimeChangedCb(OnChanged), 0); // the caller logs this
    EXPECT_TRUE(Bodies(log).empty()) << log.Dump();
}

TEST(PreferenceUtil, FirstUseLogsTheMissingBandAndGivesBlue) {
    TestDevice device;
    AsEditor editor;
    LogCapture log;
    EXPECT_EQ(PreferenceUtil::GetWatchColorBand(), 0);
    ASSERT_EQ(Bodies(log).size(), 1u) << log.Dump();
    // PREFERENCE_ERROR_NO_KEY in hexadecimal.
    EXPECT_EQ(Bodies(log)[0], std::string("preference_get_int(") + kBandKey + ") .. [0xfef00030]");

    EXPECT_TRUE(PreferenceUtil::SetWatchColorBand(7)); // no range check here
    EXPECT_EQ(PreferenceUtil::GetWatchColorBand(), 7);
    auto r = Watchctl({"pref", "com.korvane.clock-dalvexa", "get", kBandKey, "--type", "int"});
    EXPECT_EQ(r.out, "7\n") << r.err;
    EXPECT_EQ(Bodies(log).size(), 1u) << log.Dump();
}

TEST(PreferenceUtil, FailedWritesAndWatchesLogTheirLines) {
    TestDevice device;
    LogCapture log;
    unsetenv("WATCH_APP_ID"); // no package: the store cannot be reached
    EXPECT_FALSE(PreferenceUtil::SetWatchColorBand(2));
    ASSERT_EQ(Bodies(log).size(), 1u) << log.Dump();
    EXPECT_EQ(Bodies(log)[0], std::string("preference_set_int(") + kBandKey + ") .. [0xfffffffb]");

    AsEditor editor;
    log.Clear();
    PreferenceUtil::AddWatchColorBandChageCB(
        kBandKey, [](const char*, void*) {}, nullptr);
    PreferenceUtil::RemoveWatchColorBandChageCB(kBandKey);
    ASSERT_EQ(Bodies(log).size(), 2u) << log.Dump();
    EXPECT_EQ(Bodies(log)[0],
              std::string("preference_set_changed_cb(") + kBandKey + ") .. [0xfef00030]");
    EXPECT_EQ(Bodies(log)[1],
              std::string("preference_unset_changed_cb(") + kBandKey + ") .. [0xffffffea]");
}

namespace {

int gBandChanges = 0;
void* gBandData = nullptr;

void OnBandChanged(const char* key, void* data) {
    EXPECT_STREQ(key, kBandKey);
    gBandData = data;
    ++gBandChanges;
}

} // namespace

TEST(PreferenceUtil, TheBandCallbackHearsAChangeMadeByThePhoneSide) {
    TestDevice device;
    device.Boot();
    AsEditor editor;
    EcoreScope ecore;
    LogCapture log;
    ASSERT_TRUE(PreferenceUtil::SetWatchColorBand(0));
    int view = 0;
    PreferenceUtil::AddWatchColorBandChageCB(kBandKey, OnBandChanged, &view);
    // The companion service stores what the phone chose.
    auto r = Watchctl({"pref", "com.korvane.clock-dalvexa", "set", kBandKey, "3"},
                      {"WATCH_APP_ID=com.korvane.clock-dalvexa.service"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(watchtest::RunLoopUntil([] { return gBandChanges == 1; }));
    EXPECT_EQ(gBandData, &view);
    EXPECT_EQ(PreferenceUtil::GetWatchColorBand(), 3);
    PreferenceUtil::RemoveWatchColorBandChageCB(kBandKey);
    EXPECT_TRUE(Bodies(log).empty()) << log.Dump();
}
