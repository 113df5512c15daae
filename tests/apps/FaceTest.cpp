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

#include <algorithm>
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

// How near the 5x5 pixels around the point at radius r on the ray at `degrees` (clockwise
// from 12) come to `rgb`: the best one's channel difference, or with `worst` the worst
// one's (nothing but `rgb` is drawn there).
int Near(const appstest::Image& image, double degrees, double r, uint32_t rgb, bool worst = false) {
    const double a = degrees * M_PI / 180.0;
    const int cx = static_cast<int>(std::lround(180 + r * std::sin(a)));
    const int cy = static_cast<int>(std::lround(180 - r * std::cos(a)));
    int best = worst ? 0 : 256;
    for (int y = cy - 2; y <= cy + 2; ++y)
        for (int x = cx - 2; x <= cx + 2; ++x) {
            const int d = appstest::ColorDistance(image.At(x, y), rgb);
            best = worst ? std::max(best, d) : std::min(best, d);
        }
    return best;
}

} // namespace

// The face against what a clock is: each hand on its angle (a full turn in 12 h, 60 min,
// 60 s) at two times of day, twelve indices every 30 degrees, in the palette's dial, ink and
// accent colours of each band, nothing outside the circle. At the previews' time it is
// drawn as the editor's preview of its band shows it.
TEST(FaceCanvas, HandsIndicesAndColoursAreAClocksAndBadBandsAreRefused) {
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
    const struct {
        int h, m, s;
        double hour, minute, second; // degrees
    } times[] = {{10, 8, 36, 304.3, 51.6, 216}, {15, 40, 5, 110.04, 240.5, 30}};
    for (int band = DALVEXA_BAND_COUNT - 1; band >= 0; --band) {
        const dalvexa_band_colors* c = dalvexa_band_get(band);
        ASSERT_TRUE(face->SetBand(band));
        EXPECT_EQ(face->Band(), band);
        for (const auto& t : times) {
            SCOPED_TRACE(std::string(c->name) + " at " + std::to_string(t.h) + ":" +
                         std::to_string(t.m) + ":" + std::to_string(t.s));
            face->SetTime(t.h, t.m, t.s);
            const appstest::Image image = Pixels(ee);
            // Along each hand its colour; 20 degrees beside it the bare dial, but where the
            // hands' feet meet (r < 40) and where the name and maker are written.
            const struct {
                double degrees, from, to;
                uint32_t rgb;
            } hands[] = {{t.hour, 20, 80, c->ink},
                         {t.minute, 60, 125, c->ink},
                         {t.second, 40, 140, c->accent}};
            for (const auto& hand : hands) {
                for (double r = hand.from; r <= hand.to; r += 10) {
                    EXPECT_LE(Near(image, hand.degrees, r, hand.rgb), 3)
                        << hand.degrees << " r " << r;
                    for (double off : {-20, 20}) {
                        if (r < 40 || (r >= 60 && r <= 85))
                            continue;
                        EXPECT_LE(Near(image, hand.degrees + off, r, c->dial, true), 3)
                            << hand.degrees + off << " r " << r;
                    }
                }
            }
            // Hour indices (the twelve a double one in accent), bare dial between them; the
            // cap.
            for (int hour = 0; hour < 12; ++hour) {
                EXPECT_LE(Near(image, hour ? hour * 30 : 2.7, 150, hour ? c->ink : c->accent), 3)
                    << hour;
                EXPECT_LE(Near(image, hour * 30 + 15, 150, c->dial, true), 3) << hour;
            }
            EXPECT_LE(appstest::ColorDistance(image.At(186, 180), c->accent), 3);
            int outside = 0;
            for (int y = 0; y < 360; ++y)
                for (int x = 0; x < 360; ++x)
                    outside += (x - 179.5) * (x - 179.5) + (y - 179.5) * (y - 179.5) > 181 * 181 &&
                               image.At(x, y) != 0xFF000000u;
            EXPECT_EQ(outside, 0);
        }
    }
    // The editor's preview of a band is this face.
    face->SetTime(FaceClock::kPreviewHour, FaceClock::kPreviewMinute, FaceClock::kPreviewSecond);
    ASSERT_TRUE(face->SetBand(2));
    appstest::Image preview;
    ASSERT_TRUE(appstest::LoadPng(WATCH_PACKAGE_STAGE "/shared/res/" +
                                      std::string(dalvexa_band_get(2)->preview),
                                  &preview, true));
    appstest::Compare compare;
    compare.tolerance = 4;
    compare.maxShare = 0.001;
    std::string why;
    EXPECT_TRUE(appstest::MatchesReference(Pixels(ee), preview, compare,
                                           WATCH_TEST_BINARY_DIR "/face-vs-preview.png", &why))
        << why;

    // Bands outside the palette are refused and the face stays.
    const appstest::Image before = Pixels(ee);
    for (int bad : {-1, 5, 7, 1 << 30}) {
        EXPECT_FALSE(face->SetBand(bad)) << bad;
        EXPECT_EQ(face->Band(), 2);
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
