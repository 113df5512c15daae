// The watch face: its drawing in the five bands, its hands, and the application following
// the stored band and ticking.
#include "AppsTestUtil.h"
#include "FaceApp.h"
#include "FaceClock.h"
#include "LoopUtil.h"
#include "TestDevice.h"
#include "dalvexa_palette.h"

#include <Ecore_Evas.h>
#include <Efreet.h>
#include <Elementary.h>
#include <app_preference.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using dalvexa::FaceClock;

namespace {

uint32_t Rgb(unsigned rgb) {
    return 0xFF000000u | rgb;
}

// Pixels of a buffer canvas after a render, 0xAARRGGBB.
appstest::Image Pixels(Ecore_Evas* ee) {
    ecore_evas_manual_render(ee);
    appstest::Image image;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &image.width, &image.height);
    const uint32_t* data = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
    if (data)
        image.pixels.assign(data, data + static_cast<size_t>(image.width) * image.height);
    for (uint32_t& p : image.pixels)
        p |= 0xFF000000u;
    return image;
}

// A 360x360 buffer canvas on black with a face on it.
class FaceCanvas : public ::testing::Test {
  protected:
    void SetUp() override {
        ecore_app_no_system_modules();
        ASSERT_TRUE(ecore_evas_init());
        mEe = ecore_evas_buffer_new(FaceClock::kSize, FaceClock::kSize);
        ASSERT_NE(mEe, nullptr);
        ecore_evas_manual_render_set(mEe, EINA_TRUE);
        Evas* canvas = ecore_evas_get(mEe);
        Evas_Object* bg = evas_object_rectangle_add(canvas);
        evas_object_color_set(bg, 0, 0, 0, 255);
        evas_object_resize(bg, FaceClock::kSize, FaceClock::kSize);
        evas_object_show(bg);
        mFace.reset(new FaceClock(canvas));
        mFace->Show();
        ecore_evas_show(mEe);
    }
    void TearDown() override {
        mFace.reset();
        if (mEe)
            ecore_evas_free(mEe);
        ecore_evas_shutdown();
    }
    Ecore_Evas* mEe = nullptr;
    std::unique_ptr<FaceClock> mFace;
};

// Places on the face at 10:08:36 that show one colour of the band.
constexpr int kDialX = 250, kDialY = 180;    // open dial
constexpr int kTwelveX = 172, kTwelveY = 34; // the double index at 12
constexpr int kThreeX = 329, kThreeY = 180;  // the hour index at 3
constexpr int kCornerX = 4, kCornerY = 4;    // outside the round dial

} // namespace

// Each band in its palette colours and, at the preview's time, as its preview shows it.
TEST_F(FaceCanvas, EachBandIsDrawnInItsPaletteColoursAndMatchesItsPreview) {
    mFace->SetTime(FaceClock::kPreviewHour, FaceClock::kPreviewMinute, FaceClock::kPreviewSecond);
    for (int band = DALVEXA_BAND_COUNT - 1; band >= 0; --band) {
        SCOPED_TRACE("band " + std::to_string(band));
        ASSERT_TRUE(mFace->SetBand(band));
        EXPECT_EQ(mFace->Band(), band);
        const dalvexa_band_colors* colors = dalvexa_band_get(band);
        const appstest::Image image = Pixels(mEe);
        ASSERT_EQ(image.width, 360);
        EXPECT_LE(appstest::ColorDistance(image.At(kDialX, kDialY), Rgb(colors->dial)), 2);
        EXPECT_LE(appstest::ColorDistance(image.At(kTwelveX, kTwelveY), Rgb(colors->accent)), 2);
        EXPECT_LE(appstest::ColorDistance(image.At(kThreeX, kThreeY), Rgb(colors->ink)), 2);
        EXPECT_EQ(image.At(kCornerX, kCornerY), 0xFF000000u);

        // The preview, on the same black ground.
        appstest::Image preview;
        ASSERT_TRUE(appstest::LoadPng(
            WATCH_PACKAGE_STAGE "/shared/res/" + std::string(colors->preview), &preview));
        for (uint32_t& p : preview.pixels) {
            const uint32_t a = p >> 24;
            p = 0xFF000000u | (((p >> 16) & 0xFF) * a / 255) << 16 |
                (((p >> 8) & 0xFF) * a / 255) << 8 | ((p & 0xFF) * a / 255);
        }
        appstest::Compare compare;
        compare.tolerance = 4;
        compare.maxShare = 0.001;
        std::string why;
        EXPECT_TRUE(appstest::MatchesReference(
            image, preview, compare,
            WATCH_TEST_BINARY_DIR "/face-vs-preview-" + std::to_string(band) + ".png", &why))
            << why;
    }
}

TEST_F(FaceCanvas, BandsOutsideThePaletteAreRefusedAndTheFaceStays) {
    ASSERT_TRUE(mFace->SetBand(2));
    const appstest::Image before = Pixels(mEe);
    for (int bad : {-1, 5, 7, 1 << 30}) {
        EXPECT_FALSE(mFace->SetBand(bad)) << bad;
        EXPECT_EQ(mFace->Band(), 2);
    }
    EXPECT_EQ(Pixels(mEe).pixels, before.pixels);
}

namespace {

// The face application in this process, as the face's own program runs it: installed
// package, its application id, Elementary on the buffer engine. No device bus: preference
// changes reach this process only, which is all these cases need.
class FaceAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("WATCH_APP_ID", appstest::kFace, 1);
        mDevice.reset(new watchtest::TestDevice());
        ecore_app_no_system_modules();
        efreet_cache_disable();
        elm_init(0, nullptr);
    }
    void TearDown() override {
        mApp.reset();
        elm_shutdown();
        mDevice.reset();
        unsetenv("WATCH_APP_ID");
    }
    int StoredBand() {
        int band = -1;
        EXPECT_EQ(preference_get_int(appstest::kBandKey, &band), PREFERENCE_ERROR_NONE);
        return band;
    }
    std::unique_ptr<watchtest::TestDevice> mDevice;
    std::unique_ptr<dalvexa::FaceApp> mApp{new dalvexa::FaceApp()};
};

} // namespace

TEST_F(FaceAppTest, FirstStartStoresBlueAndTheFaceFollowsTheStoredBand) {
    bool existing = true;
    ASSERT_EQ(preference_is_existing(appstest::kBandKey, &existing), PREFERENCE_ERROR_NONE);
    ASSERT_FALSE(existing);
    ASSERT_TRUE(mApp->Create());
    EXPECT_EQ(StoredBand(), 0);
    EXPECT_EQ(mApp->Face()->Band(), 0);

    ASSERT_EQ(preference_set_int(appstest::kBandKey, 2), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return mApp->Face()->Band() == 2; }));

    // What the window shows becomes the new band's dial (the face renders in a thread of
    // its own, so the frame may come a little after the change).
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(mApp->Window()));
    appstest::Image image;
    EXPECT_TRUE(watchtest::RunLoopUntil([&] {
        image = Pixels(ee);
        return image.width == 360 && image.height == 360 &&
               appstest::ColorDistance(image.At(60, 60 + 120), Rgb(dalvexa_band_get(2)->dial)) <= 2;
    }));
    EXPECT_EQ(image.At(kCornerX, kCornerY), 0xFF000000u);
}

TEST_F(FaceAppTest, ABadStoredBandIsLoggedAndTheFaceKeepsItsBand) {
    ASSERT_EQ(preference_set_int(appstest::kBandKey, 3), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(mApp->Create());
    EXPECT_EQ(mApp->Face()->Band(), 3);

    ASSERT_EQ(preference_set_int(appstest::kBandKey, 9), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA",
                                     "stored colour band 9 is not one of 0..4: keeping band 3"));
    EXPECT_EQ(mApp->Face()->Band(), 3);

    // Another type under the key: the read fails, the face stays.
    ASSERT_EQ(preference_set_string(appstest::kBandKey, "orange"), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA", "keeping band 3", 2));
    EXPECT_EQ(mApp->Face()->Band(), 3);

    ASSERT_EQ(preference_set_int(appstest::kBandKey, 4), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return mApp->Face()->Band() == 4; }));
}

TEST_F(FaceAppTest, TicksEachSecondOnlyWhileInFront) {
    ASSERT_TRUE(mApp->Create());
    EXPECT_FALSE(mApp->Ticking());
    mApp->Resume();
    EXPECT_TRUE(mApp->Ticking());
    const int first = mApp->Face()->Second();
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return mApp->Face()->Second() != first; }, 2.5));
    // The hands stand on the wall clock's second.
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_LE(std::abs(mApp->Face()->Second() - local.tm_sec) % 59, 1);

    mApp->Pause();
    EXPECT_FALSE(mApp->Ticking());
    mApp->Terminate();
    EXPECT_EQ(mApp->Face(), nullptr);
    EXPECT_EQ(mApp->Window(), nullptr);
}
