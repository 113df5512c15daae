// The translation catalogues: every language has every message id the editor asks for,
// the notice template keeps its one "%s", and switching the language at run time the way
// the shell does it really switches the texts.
#include "ResourceTestUtil.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <libintl.h>
#include <locale.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

// Reads a GNU .mo file into id -> translation; empty on any fault.
std::map<std::string, std::string> ReadMo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::string> out;
    if (data.size() < 28)
        return out;
    auto word = [&](size_t at, bool swap) -> uint32_t {
        uint32_t v;
        memcpy(&v, data.data() + at, 4);
        return swap ? __builtin_bswap32(v) : v;
    };
    bool swap;
    if (word(0, false) == 0x950412de)
        swap = false;
    else if (word(0, true) == 0x950412de)
        swap = true;
    else
        return out;
    uint32_t n = word(8, swap), ids = word(12, swap), strs = word(16, swap);
    for (uint32_t i = 0; i < n; ++i) {
        size_t ie = size_t(ids) + 8 * i, se = size_t(strs) + 8 * i;
        if (se + 8 > data.size() || ie + 8 > data.size())
            return {};
        uint32_t il = word(ie, swap), io = word(ie + 4, swap);
        uint32_t sl = word(se, swap), so = word(se + 4, swap);
        if (size_t(io) + il > data.size() || size_t(so) + sl > data.size())
            return {};
        out[data.substr(io, il)] = data.substr(so, sl);
    }
    return out;
}

int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string StagedCatalogue(const char* lang) {
    return restest::StagePath(std::string("res/locale/") + lang + "/LC_MESSAGES/" + kDomain +
                              ".mo");
}

} // namespace

TEST(Catalogues, EveryLanguageHasEveryMessageId) {
    for (const char* lang : kLanguages) {
        SCOPED_TRACE(lang);
        std::map<std::string, std::string> mo = ReadMo(StagedCatalogue(lang));
        ASSERT_FALSE(mo.empty()) << StagedCatalogue(lang);
        for (const char* id : kIds) {
            ASSERT_TRUE(mo.count(id)) << id;
            EXPECT_FALSE(mo[id].empty()) << id;
            EXPECT_NE(mo[id], id) << id << " is not translated";
        }
        // The header says UTF-8, so the Korean and Japanese texts reach the screen intact.
        EXPECT_NE(mo[""].find("charset=UTF-8"), std::string::npos);
    }
}

TEST(Catalogues, NoticeTemplateHasExactlyOnePercentS) {
    for (const char* lang : kLanguages) {
        SCOPED_TRACE(lang);
        std::map<std::string, std::string> mo = ReadMo(StagedCatalogue(lang));
        const std::string& text = mo[kTemplateId];
        EXPECT_EQ(CountOf(text, "%s"), 1) << text;
        // No other conversion that a replacement of "%s" would leave behind.
        EXPECT_EQ(CountOf(text, "%"), 1) << text;
        for (const char* id : kIds) {
            if (strcmp(id, kTemplateId) != 0) {
                EXPECT_EQ(CountOf(mo[id], "%"), 0) << id;
            }
        }
    }
}
