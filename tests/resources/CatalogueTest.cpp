// The staged translation catalogues: every language has every message id the editor asks
// for, and the notice template keeps its one "%s".
#include "ResourceTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace {

const char* const kDomain = "clock-dalvexa";
const char* const kLanguages[] = {"en", "ko", "ja", "de", "fr", "es"};
const char* const kIds[] = {
    "WDS_CLOCK_MBODY_COLOR",
    "WDS_ST_BUTTON_OK_ABB",
    "WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB",
    "WDS_STU_BODY_KORVANE_VOSK",
    "WDS_STU_BODY_VOSK_MANAGER_JPN",
    "WDS_CLOCK_BODY_TAP_SCREEN_TO_CHANGE_STYLES_COLOURS_OR_COMPLICATIONS_ABB",
};
const char* const kTemplateId = "WDS_CLOCK_TPOP_NEW_SETTING_APPLIED_VIA_PS_APP_ABB";

// Reads a GNU .mo file (msgfmt writes it in this machine's byte order) into id ->
// translation; empty on any fault.
std::map<std::string, std::string> ReadMo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::string> out;
    auto word = [&](size_t at) {
        uint32_t v = 0;
        if (at + 4 <= data.size())
            memcpy(&v, data.data() + at, 4);
        return v;
    };
    if (word(0) != 0x950412de)
        return out;
    const uint32_t n = word(8), ids = word(12), strs = word(16);
    for (uint32_t i = 0; i < n; ++i) {
        const size_t ie = size_t(ids) + 8 * i, se = size_t(strs) + 8 * i;
        const uint32_t il = word(ie), io = word(ie + 4), sl = word(se), so = word(se + 4);
        if (size_t(io) + il > data.size() || size_t(so) + sl > data.size())
            return {};
        out[data.substr(io, il)] = data.substr(so, sl);
    }
    return out;
}

} // namespace

// Every language has every id translated, in UTF-8 (so that the Korean and Japanese texts
// reach the screen intact); the notice template keeps its one "%s" and no other
// conversion, and no other text has a "%" that a formatting call would take.
TEST(Catalogues, EveryLanguageHasEveryMessageIdAndTheTemplateOnePercentS) {
    for (const char* lang : kLanguages) {
        SCOPED_TRACE(lang);
        const std::string path = restest::StagePath(std::string("res/locale/") + lang +
                                                    "/LC_MESSAGES/" + kDomain + ".mo");
        std::map<std::string, std::string> mo = ReadMo(path);
        ASSERT_FALSE(mo.empty()) << path;
        EXPECT_NE(mo[""].find("charset=UTF-8"), std::string::npos);
        for (const char* id : kIds) {
            ASSERT_TRUE(mo.count(id)) << id;
            EXPECT_FALSE(mo[id].empty()) << id;
            EXPECT_NE(mo[id], id) << id << " is not translated";
            const bool isTemplate = strcmp(id, kTemplateId) == 0;
            EXPECT_EQ(std::count(mo[id].begin(), mo[id].end(), '%'), isTemplate ? 1 : 0) << id;
            if (isTemplate) {
                EXPECT_NE(mo[id].find("%s"), std::string::npos) << mo[id];
            }
        }
    }
}
