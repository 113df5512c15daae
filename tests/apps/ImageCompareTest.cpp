// The tolerant picture comparison the system tests judge layouts with.
#include "AppsTestUtil.h"
#include "dalvexa_palette.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <gtest/gtest.h>

#include <unistd.h>

using appstest::Image;

namespace {

class ImageCompare : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        ecore_evas_init();
        const std::string previews = WATCH_PACKAGE_STAGE "/shared/res/";
        ASSERT_TRUE(appstest::LoadPng(previews + dalvexa_band_get(0)->preview, &mBlue));
        ASSERT_TRUE(appstest::LoadPng(previews + dalvexa_band_get(1)->preview, &mWhite));
        mDiff = std::string(WATCH_TEST_BINARY_DIR) + "/image-compare-" + std::to_string(getpid()) +
                ".diff.png";
        unlink(mDiff.c_str());
    }
    void TearDown() override {
        unlink(mDiff.c_str());
        ecore_evas_shutdown();
    }
    bool Matches(const Image& shot, const Image& reference,
                 appstest::Compare compare = appstest::Compare()) {
        mWhy.clear();
        return appstest::MatchesReference(shot, reference, compare, mDiff, &mWhy);
    }
    Image mBlue, mWhite;
    std::string mDiff, mWhy;
};

} // namespace

TEST_F(ImageCompare, APictureMatchesItselfAndASavedCopyOfItself) {
    ASSERT_EQ(mBlue.width, 360);
    EXPECT_TRUE(Matches(mBlue, mBlue)) << mWhy;
    ASSERT_TRUE(appstest::SavePng(mDiff, mBlue));
    Image copy;
    ASSERT_TRUE(appstest::LoadPng(mDiff, &copy));
    // Saved pictures are opaque: the preview's transparent corners come back black.
    EXPECT_TRUE(Matches(copy, mBlue)) << mWhy;
    EXPECT_EQ(copy.At(0, 0), 0xFF000000u);
    EXPECT_EQ(copy.At(250, 180), mBlue.At(250, 180));
}

TEST_F(ImageCompare, AnotherColourOrAShiftedLayoutFailsAndLeavesAPictureOfTheDifferences) {
    EXPECT_FALSE(Matches(mWhite, mBlue));
    EXPECT_NE(mWhy.find("differences in " + mDiff), std::string::npos) << mWhy;
    Image diff;
    ASSERT_TRUE(appstest::LoadPng(mDiff, &diff));
    EXPECT_EQ(diff.width, 360);
    EXPECT_EQ(diff.At(250, 180), 0xFFFF0000u); // the dial differs there

    // The same face moved 4 pixels to the right.
    Image shifted = mBlue;
    for (int y = 0; y < shifted.height; ++y)
        for (int x = 0; x < shifted.width; ++x)
            shifted.pixels[y * shifted.width + x] = mBlue.At(x >= 4 ? x - 4 : 0, y);
    EXPECT_FALSE(Matches(shifted, mBlue));

    Image small;
    small.width = small.height = 10;
    small.pixels.assign(100, 0xFF000000u);
    EXPECT_FALSE(Matches(small, mBlue));
    EXPECT_NE(mWhy.find("size 10x10, reference 360x360"), std::string::npos) << mWhy;
}

TEST_F(ImageCompare, SmallChangesWithinTheToleranceAndLeftOutRegionsPass) {
    // Rendering noise: every channel off by a few steps.
    Image noisy = mBlue;
    for (uint32_t& p : noisy.pixels)
        p = (p & 0xFF000000u) | ((p & 0x00FCFCFCu) + 0x00020202u);
    EXPECT_TRUE(Matches(noisy, mBlue)) << mWhy;

    // A few wrong pixels stay under the share allowed; a block of them does not.
    Image spotted = mBlue;
    for (int i = 0; i < 600; ++i)
        spotted.pixels[i * 211 % spotted.pixels.size()] ^= 0x00FFFFFFu;
    EXPECT_TRUE(Matches(spotted, mBlue)) << mWhy;
    Image blocked = mBlue;
    for (int y = 150; y < 210; ++y)
        for (int x = 150; x < 210; ++x)
            blocked.pixels[y * blocked.width + x] = 0xFFFF00FFu;
    EXPECT_FALSE(Matches(blocked, mBlue));

    // The same block inside a left-out disc.
    appstest::Compare hands;
    hands.skipX = hands.skipY = 180;
    hands.skipRadius = 60;
    EXPECT_TRUE(Matches(blocked, mBlue, hands)) << mWhy;
}
