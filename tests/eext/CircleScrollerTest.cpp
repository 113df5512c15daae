// The circle surface and the round scroll indicator on a real scroller, checked on the
// rendered pixels of its arcs.
#include "EextWindow.h"
#include "LogCapture.h"
#include "LoopUtil.h"

#include <Elementary.h>

#include <cmath>
#include <cstdint>

using watchtest::RunLoopUntil;

namespace {

const double kPi = 3.14159265358979323846;

class CircleScrollerTest : public eexttest::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        mConformant = elm_conformant_add(mWin);
        evas_object_size_hint_weight_set(mConformant, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        elm_win_resize_object_add(mWin, mConformant);
        elm_win_conformant_set(mWin, EINA_TRUE);
        evas_object_show(mConformant);
        mSurface = eext_circle_surface_conformant_add(mConformant);
        ASSERT_NE(mSurface, nullptr);

        mScroller = elm_scroller_add(mConformant);
        // Only our indicator is drawn, not the toolkit's own bars.
        elm_scroller_policy_set(mScroller, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_OFF);
        elm_scroller_page_size_set(mScroller, 0, 360);
        elm_object_content_set(mConformant, mScroller);
        mBox = elm_box_add(mScroller);
        evas_object_show(mBox);
        elm_object_content_set(mScroller, mBox);
        evas_object_show(mScroller);
    }

    void AddPages(int count) {
        for (int i = 0; i < count; ++i) {
            Evas_Object* page = evas_object_rectangle_add(evas_object_evas_get(mWin));
            evas_object_color_set(page, 0, 0, 0, 255);
            evas_object_size_hint_min_set(page, 360, 360);
            evas_object_show(page);
            elm_box_pack_end(mBox, page);
            ++mPages;
        }
        ASSERT_TRUE(RunLoopUntil([&] {
            Evas_Coord h = 0;
            elm_scroller_child_size_get(mScroller, nullptr, &h);
            return h == mPages * 360;
        }));
    }

    void ShowPage(int page) {
        elm_scroller_page_show(mScroller, 0, page);
        ASSERT_TRUE(RunLoopUntil([&] {
            Evas_Coord y = -1;
            elm_scroller_region_get(mScroller, nullptr, &y, nullptr, nullptr);
            return y == page * 360;
        }));
    }

    // The rendered colour (ARGB) at angle degrees on the indicator's circle.
    uint32_t PixelAt(double degrees) {
        Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(mWin));
        ecore_evas_manual_render(ee);
        const auto* pixels = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
        const double radius = 172.0;
        const int x = int(std::lround(180 + radius * std::cos(degrees * kPi / 180)));
        const int y = int(std::lround(180 - radius * std::sin(degrees * kPi / 180)));
        return pixels[y * 360 + x];
    }
    static int Red(uint32_t argb) { return int((argb >> 16) & 0xff); }

    Evas_Object* mConformant = nullptr;
    Eext_Circle_Surface* mSurface = nullptr;
    Evas_Object* mScroller = nullptr;
    Evas_Object* mBox = nullptr;
    int mPages = 0;
};

} // namespace

TEST_F(CircleScrollerTest, TheThumbFollowsTheScrollPosition) {
    AddPages(5);
    Evas_Object* circle = eext_circle_object_scroller_add(mScroller, mSurface);
    ASSERT_NE(circle, nullptr);
    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_ON);

    // The track: 60 degrees on the right edge, on the round screen's rim. Five pages, one
    // visible: a 12 degree thumb from the top end to the bottom end, bright on the dim track.
    const double angles[] = {24, 12, 0, -12, -24};
    for (int page : {0, 2, 4, 1, 3}) {
        ShowPage(page);
        for (double angle : angles) {
            const int red = Red(PixelAt(angle));
            if (angle == angles[page]) {
                EXPECT_GT(red, 200) << "page " << page << " at " << angle;
            } else {
                EXPECT_LT(red, 120) << "page " << page << " at " << angle;
                EXPECT_GT(red, 20) << "page " << page << " at " << angle;
            }
        }
    }
    // Off the bar nothing of it is drawn.
    EXPECT_EQ(Red(PixelAt(90)), 0);
    EXPECT_EQ(Red(PixelAt(-40)), 0);
}

TEST_F(CircleScrollerTest, ThePolicyShowsAndHidesEachBar) {
    watchtest::LogCapture log;
    AddPages(3);
    Evas_Object* circle = eext_circle_object_scroller_add(mScroller, mSurface);
    Elm_Scroller_Policy h = ELM_SCROLLER_POLICY_LAST, v = ELM_SCROLLER_POLICY_LAST;
    eext_circle_object_scroller_policy_get(circle, &h, &v);
    EXPECT_EQ(h, ELM_SCROLLER_POLICY_AUTO);
    EXPECT_EQ(v, ELM_SCROLLER_POLICY_AUTO);

    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_OFF,
                                           ELM_SCROLLER_POLICY_OFF);
    for (double angle : {24, 0, -24, 270})
        EXPECT_EQ(Red(PixelAt(angle)), 0) << angle;

    // ON for both: the horizontal content fits, so its thumb fills its track at the
    // bottom edge, from 240 to 300 degrees.
    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_ON, ELM_SCROLLER_POLICY_ON);
    for (double angle : {24, 250, 270, 290})
        EXPECT_GT(Red(PixelAt(angle)), 200) << angle;

    // An unknown policy changes nothing, with one line.
    eext_circle_object_scroller_policy_set(circle, Elm_Scroller_Policy(7), ELM_SCROLLER_POLICY_OFF);
    EXPECT_EQ(log.Messages("WATCH-EEXT"),
              std::vector<std::string>{"circle scroller policy not set: unknown policy"});
    eext_circle_object_scroller_policy_get(circle, &h, &v);
    EXPECT_EQ(h, ELM_SCROLLER_POLICY_ON);
    EXPECT_EQ(v, ELM_SCROLLER_POLICY_ON);

    // AUTO: hidden at rest, shown while scrolling, hidden again a moment after.
    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_OFF,
                                           ELM_SCROLLER_POLICY_AUTO);
    EXPECT_LT(Red(PixelAt(20)), 120);
    ShowPage(1);
    EXPECT_GT(Red(PixelAt(0)), 200);
    const double shown = watchtest::Now();
    EXPECT_TRUE(RunLoopUntil([&] { return Red(PixelAt(0)) < 120; }, 3.0));
    EXPECT_GT(watchtest::Now() - shown, 0.5);
    EXPECT_LT(Red(PixelAt(270)), 120);
}

TEST_F(CircleScrollerTest, TheIndicatorLivesAndDiesWithItsScroller) {
    AddPages(2);
    EXPECT_FALSE(elm_scroller_wheel_disabled_get(mScroller));
    // Deleting an indicator gives the scroller its wheel back; it can have a new one.
    evas_object_del(eext_circle_object_scroller_add(mScroller, mSurface));
    EXPECT_FALSE(elm_scroller_wheel_disabled_get(mScroller));
    Evas_Object* circle = eext_circle_object_scroller_add(mScroller, mSurface);
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(eext_circle_object_scroller_add(mScroller, mSurface), circle);
    EXPECT_TRUE(elm_scroller_wheel_disabled_get(mScroller));
    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_ON);

    // Drawn on the round screen (the surface's conformant), hidden with its scroller.
    EXPECT_GT(Red(PixelAt(24)), 200);
    evas_object_hide(mScroller);
    EXPECT_LT(Red(PixelAt(24)), 100); // the window's background
    evas_object_show(mScroller);
    EXPECT_GT(Red(PixelAt(24)), 200);

    // Deleted with its scroller.
    bool deleted = false;
    evas_object_event_callback_add(
        circle, EVAS_CALLBACK_DEL,
        [](void* data, Evas*, Evas_Object*, void*) { *static_cast<bool*>(data) = true; }, &deleted);
    evas_object_del(mScroller);
    EXPECT_TRUE(deleted);
}

TEST_F(CircleScrollerTest, IndicatorsOutliveTheirSurface) {
    AddPages(3);
    Evas_Object* circle = eext_circle_object_scroller_add(mScroller, mSurface);
    eext_circle_object_scroller_policy_set(circle, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_ON);
    eext_circle_surface_del(mSurface);
    mSurface = nullptr;
    // Drawn on the whole canvas now, still following the scroller.
    ShowPage(2);
    EXPECT_GT(Red(PixelAt(-20)), 200);
    EXPECT_LT(Red(PixelAt(0)), 120);

    // A surface whose conformant goes takes nothing with it.
    Eext_Circle_Surface* surface = eext_circle_surface_conformant_add(mConformant);
    Evas_Object* other = elm_scroller_add(mWin);
    Evas_Object* circle2 = eext_circle_object_scroller_add(other, surface);
    ASSERT_NE(circle2, nullptr);
    evas_object_del(mConformant);
    evas_object_resize(other, 200, 200);
    evas_object_show(other);
    elm_scroller_region_show(other, 0, 0, 10, 10);
    for (int i = 0; i < 3; ++i)
        ecore_main_loop_iterate();
    EXPECT_TRUE(evas_object_visible_get(circle2));
}
