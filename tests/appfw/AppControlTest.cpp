// Application control handles within one process: fields, extra data, limits, and what
// invalid handles and values get.
#include "AppfwFixture.h"
#include "watch_appfw.h"

#include <cstdlib>
#include <cstring>

namespace {

std::string Take(char* value) {
    std::string out = value ? value : "(null)";
    free(value);
    return out;
}

std::vector<std::string> Keys(app_control_h h) {
    std::vector<std::string> keys;
    app_control_foreach_extra_data(
        h,
        [](app_control_h, const char* key, void* data) {
            static_cast<std::vector<std::string>*>(data)->push_back(key);
            return true;
        },
        &keys);
    return keys;
}

} // namespace

TEST(AppControl, FieldsExtraDataAndAnIndependentClone) {
    app_control_h h = nullptr;
    ASSERT_EQ(app_control_create(&h), APP_CONTROL_ERROR_NONE);
    char* value = reinterpret_cast<char*>(1);
    EXPECT_EQ(app_control_get_operation(h, &value), APP_CONTROL_ERROR_NONE);
    EXPECT_EQ(value, nullptr); // unset fields read as NULL
    EXPECT_EQ(app_control_set_operation(h, APP_CONTROL_OPERATION_SETTINGS), 0);
    EXPECT_EQ(app_control_set_uri(h, "file:///x"), 0);
    EXPECT_EQ(app_control_set_app_id(h, "com.korvane.clock-dalvexa.service"), 0);
    EXPECT_EQ(app_control_add_extra_data(h, "a", "1"), 0);

    app_control_h clone = nullptr;
    ASSERT_EQ(app_control_clone(&clone, h), 0);
    EXPECT_EQ(app_control_set_uri(h, nullptr), 0); // NULL clears
    EXPECT_EQ(app_control_add_extra_data(h, "a", "changed"), 0);
    ASSERT_EQ(app_control_destroy(h), 0);

    const struct {
        int (*get)(app_control_h, char**);
        const char* expected;
    } fields[] = {{app_control_get_operation, APP_CONTROL_OPERATION_SETTINGS},
                  {app_control_get_uri, "file:///x"},
                  {app_control_get_app_id, "com.korvane.clock-dalvexa.service"},
                  {app_control_get_caller, "(null)"}};
    for (const auto& f : fields) {
        EXPECT_EQ(f.get(clone, &value), 0) << f.expected;
        EXPECT_EQ(Take(value), f.expected);
    }
    EXPECT_EQ(app_control_get_extra_data(clone, "a", &value), 0);
    EXPECT_EQ(Take(value), "1");
    bool requested = true;
    EXPECT_EQ(app_control_is_reply_requested(clone, &requested), 0);
    EXPECT_FALSE(requested);
    EXPECT_EQ(app_control_destroy(clone), 0);

    // Extra data keeps its order, replaces and removes.
    app_control_create(&h);
    for (const char* key : {"zeta", "alpha", "mid"})
        EXPECT_EQ(app_control_add_extra_data(h, key, key), 0);
    EXPECT_EQ(app_control_add_extra_data(h, "alpha", "again"), 0);
    EXPECT_EQ(app_control_add_extra_data(h, "empty", ""), 0);
    EXPECT_EQ(Keys(h), (std::vector<std::string>{"zeta", "alpha", "mid", "empty"}));
    EXPECT_EQ(app_control_get_extra_data(h, "alpha", &value), 0);
    EXPECT_EQ(Take(value), "again");
    EXPECT_EQ(app_control_remove_extra_data(h, "zeta"), 0);
    EXPECT_EQ(app_control_remove_extra_data(h, "zeta"), APP_CONTROL_ERROR_KEY_NOT_FOUND);
    EXPECT_EQ(app_control_get_extra_data(h, "zeta", &value), APP_CONTROL_ERROR_KEY_NOT_FOUND);
    EXPECT_EQ(Keys(h), (std::vector<std::string>{"alpha", "mid", "empty"}));

    // The iteration stops on false, and survives a callback that removes what comes next.
    int seen = 0;
    app_control_foreach_extra_data(
        h,
        [](app_control_h handle, const char* key, void* data) {
            ++*static_cast<int*>(data);
            if (strcmp(key, "alpha") == 0)
                app_control_remove_extra_data(handle, "mid");
            return strcmp(key, "empty") != 0;
        },
        &seen);
    EXPECT_EQ(seen, 2); // alpha, then empty ("mid" was gone)
    app_control_destroy(h);
}

TEST(AppControl, InvalidHandlesAndValuesAreRefused) {
    app_control_h h = nullptr;
    app_control_create(&h);
    app_control_h gone = nullptr;
    app_control_create(&gone);
    app_control_destroy(gone);
    char* value = nullptr;

    EXPECT_EQ(app_control_create(nullptr), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_destroy(nullptr), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_destroy(gone), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_get_uri(gone, &value), APP_CONTROL_ERROR_INVALID_PARAMETER);
    app_control_h copy = nullptr;
    EXPECT_EQ(app_control_clone(&copy, gone), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, nullptr, "v"), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, "", "v"), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, "k", nullptr), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, "k", "\xff\xfe"), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_set_uri(h, "bad \xc3("), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_get_extra_data(h, "k", nullptr), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_foreach_extra_data(h, nullptr, nullptr),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_is_reply_requested(h, nullptr), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_send_launch_request(gone, nullptr, nullptr),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    // A request made here was never received: there is nobody to reply to.
    EXPECT_EQ(app_control_reply_to_launch_request(h, h, APP_CONTROL_RESULT_SUCCEEDED),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_reply_to_launch_request(h, h, static_cast<app_control_result_e>(9)),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Keys(h), std::vector<std::string>{}); // nothing half-done
    app_control_destroy(h);
}

TEST(AppControl, LimitsOfOneRequest) {
    app_control_h h = nullptr;
    app_control_create(&h);
    const std::string longKey(watch::appfw::kMaxKeyBytes + 1, 'k');
    EXPECT_EQ(app_control_add_extra_data(h, longKey.c_str(), "v"), APP_CONTROL_ERROR_KEY_REJECTED);
    const std::string big(watch::appfw::kMaxRequestBytes, 'x');
    EXPECT_EQ(app_control_add_extra_data(h, "big", big.c_str()),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, "half", big.substr(0, big.size() / 2).c_str()), 0);
    EXPECT_EQ(app_control_set_operation(h, big.substr(0, big.size() / 2 + 1).c_str()),
              APP_CONTROL_ERROR_INVALID_PARAMETER);
    app_control_remove_extra_data(h, "half");
    for (size_t i = 0; i < watch::appfw::kMaxExtras; ++i)
        ASSERT_EQ(app_control_add_extra_data(h, ("k" + std::to_string(i)).c_str(), "v"), 0);
    EXPECT_EQ(app_control_add_extra_data(h, "one-more", "v"), APP_CONTROL_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_control_add_extra_data(h, "k0", "replacing is fine"), 0);
    app_control_destroy(h);
}

// (The escaped name of an odd id: WatchctlTest's activation file.)
TEST(AppControl, BusNamesOfApplicationIds) {
    using watch::appfw::BusName;
    EXPECT_NE(BusName("a.3a"), BusName("a.:")); // escapes never meet
    EXPECT_EQ(BusName("a..b"), "");
    EXPECT_EQ(BusName(""), "");
    EXPECT_EQ(BusName(std::string(250, 'a')), ""); // too long for the bus with its prefix
}
