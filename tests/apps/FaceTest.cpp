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

} // namespace

// Each band, at the preview's time, as its preview shows it.
TEST(FaceCanvas, EachBandIsDrawnAsItsPreviewAndOthersAreRefused) {
    // A 360x360 buffer canvas on black with a face on it.
    ecore_app_no_system_modules();
    ASSERT_TRUE(ecore_evas_init());
    Ecore_Evas* ee = ecore_evas_buffer_new(FaceClock::kSize, FaceClock::kSize);
    ASSERT_NE(ee, nullptr);
    ecore_evas_manual_render_set(ee, EINA_TRUE);
    Evas_Object* bg = evas_object_rectangle_add(ecore_evas_get(ee));
    evas_object_color_set(bg, 0, 0, 0, 255);
    evas_object_resize(bg, FaceClock::kSize, FaceClock::kSize);
    evas_object_show(bg);
    auto face = std::make_unique<FaceClock>(ecore_evas_get(ee));
    face->Show();
    ecore_evas_show(ee);
    face->SetTime(FaceClock::kPreviewHour, FaceClock::kPreviewMinute, FaceClock::kPreviewSecond);
    for (int band = DALVEXA_BAND_COUNT - 1; band >= 0; --band) {
        SCOPED_TRACE("band " + std::to_string(band));
        ASSERT_TRUE(face->SetBand(band));
        EXPECT_EQ(face->Band(), band);
        const appstest::Image image = Pixels(ee);
        // The preview, on the same black ground: its dial, indices and hands are in the
        // band's colours (PreviewImages checks them), its corners see-through.
        appstest::Image preview;
        ASSERT_TRUE(appstest::LoadPng(WATCH_PACKAGE_STAGE "/shared/res/" +
                                          std::string(dalvexa_band_get(band)->preview),
                                      &preview, true));
        appstest::Compare compare;
        compare.tolerance = 4;
        compare.maxShare = 0.001;
        std::string why;
        EXPECT_TRUE(appstest::MatchesReference(
            image, preview, compare,
            WATCH_TEST_BINARY_DIR "/face-vs-preview-" + std::to_string(band) + ".png", &why))
            << why;
    }

    // Bands outside the palette are refused and the face stays.
    const appstest::Image before = Pixels(ee);
    for (int bad : {-1, 5, 7, 1 << 30}) {
        EXPECT_FALSE(face->SetBand(bad)) << bad;
        EXPECT_EQ(face->Band(), 0);
    }
    EXPECT_EQ(Pixels(ee).pixels, before.pixels);
    face.reset();
    ecore_evas_free(ee);
    ecore_evas_shutdown();
}

// The face application in this process, as the face's own program runs it: installed
// package, its application id, Elementary on the buffer engine. No device bus: preference
// changes reach this process only, which is all this needs.
TEST(FaceAppTest, StoresBlueFollowsTheStoredBandAndTicksOnlyInFront) {
    setenv("WATCH_APP_ID", appstest::kFace, 1);
    watchtest::TestDevice device;
    ecore_app_no_system_modules();
    efreet_cache_disable();
    elm_init(0, nullptr);
    auto app = std::make_unique<dalvexa::FaceApp>();
    bool existing = true;
    ASSERT_EQ(preference_is_existing(appstest::kBandKey, &existing), PREFERENCE_ERROR_NONE);
    ASSERT_FALSE(existing);
    ASSERT_TRUE(app->Create());
    int stored = -1;
    EXPECT_EQ(preference_get_int(appstest::kBandKey, &stored), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(app->Face()->Band(), 0);

    // It ticks each second while in front, its hands on the wall clock's second.
    EXPECT_FALSE(app->Ticking());
    app->Resume();
    EXPECT_TRUE(app->Ticking());
    const int first = app->Face()->Second();
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return app->Face()->Second() != first; }, 2.5));
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_LE(std::abs(app->Face()->Second() - local.tm_sec) % 59, 1);

    ASSERT_EQ(preference_set_int(appstest::kBandKey, 2), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return app->Face()->Band() == 2; }));
    // What the window shows becomes the new band's dial (the face renders in a thread of
    // its own, so the frame may come a little after the change).
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(app->Window()));
    appstest::Image image;
    EXPECT_TRUE(watchtest::RunLoopUntil([&] {
        image = Pixels(ee);
        return image.width == 360 && image.height == 360 &&
               appstest::ColorDistance(image.At(60, 60 + 120),
                                       0xFF000000u | dalvexa_band_get(2)->dial) <= 2;
    }));
    EXPECT_EQ(image.At(4, 4), 0xFF000000u); // outside the round dial

    // A bad stored band, or another type under the key, is logged and the face stays.
    ASSERT_EQ(preference_set_int(appstest::kBandKey, 9), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA",
                                     "stored colour band 9 is not one of 0..4: keeping band 2"));
    ASSERT_EQ(preference_set_string(appstest::kBandKey, "orange"), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(appstest::WaitForLog("CLOCK-DALVEXA", "keeping band 2", 0, 2));
    EXPECT_EQ(app->Face()->Band(), 2);
    ASSERT_EQ(preference_set_int(appstest::kBandKey, 4), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(watchtest::RunLoopUntil([&] { return app->Face()->Band() == 4; }));

    app->Pause();
    EXPECT_FALSE(app->Ticking());
    app->Terminate();
    EXPECT_EQ(app->Face(), nullptr);
    EXPECT_EQ(app->Window(), nullptr);

    // The next start draws the stored band.
    app = std::make_unique<dalvexa::FaceApp>();
    ASSERT_TRUE(app->Create());
    EXPECT_EQ(app->Face()->Band(), 4);
    app.reset();
    elm_shutdown();
    unsetenv("WATCH_APP_ID");
}
