// The window scaffold: its widget tree, the round screen, and the guards of each step.
#include "LogCapture.h"
#include "ResourceTestUtil.h"
#include "StackFixture.h"
#include "ViewBasicElements.h"

#include <Elementary.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace watchtest;
using NSClockEditor::ViewBasicElements;

TEST(Scaffold, NothingIsDrawnOutsideTheCircleAndADeletedWindowIsLetGo) {
    InitToolkit();
    LogCapture log;
    ViewBasicElements elements;
    ASSERT_EQ(elements.SetupViewBasicElements(), 0) << log.Dump();
    Evas_Object* window = ViewBasicElements::GetWindow();
    ASSERT_NE(ViewBasicElements::GetRoundMask(), nullptr);
    elm_bg_color_set(ViewBasicElements::GetBackground(), 200, 30, 30);
    // Something placed on the canvas later, edge to edge, as a popup would be.
    Evas_Object* late = evas_object_rectangle_add(evas_object_evas_get(window));
    evas_object_color_set(late, 0, 0, 255, 255);
    evas_object_geometry_set(late, 0, 0, 360, 40);
    evas_object_show(late);

    const std::vector<uint32_t> pixels = restest::Grab(window).pixels;
    ASSERT_EQ(pixels.size(), 360u * 360u);
    // Clearly outside the circle nothing is drawn; clearly inside all is opaque.
    int drawnOutside = 0, clearInside = 0;
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 360; ++x) {
            const double d = std::hypot(x + 0.5 - 180, y + 0.5 - 180);
            const uint32_t alpha = pixels[y * 360 + x] >> 24;
            drawnOutside += d > 181 && alpha != 0;
            clearInside += d < 179 && alpha != 255;
        }
    }
    EXPECT_EQ(drawnOutside, 0);
    EXPECT_EQ(clearInside, 0);
    // The late rectangle shows inside the circle only.
    EXPECT_EQ(pixels[20 * 360 + 180], 0xff0000ffu);
    EXPECT_EQ(pixels[20 * 360 + 5] >> 24, 0u);
    EXPECT_EQ(pixels[180 * 360 + 180], 0xffc81e1eu);

    evas_object_del(window);
    EXPECT_EQ(ViewBasicElements::GetWindow(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetConformant(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetCircleSurface(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetNaviframe(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetRoundMask(), nullptr);
    // The next steps log their missing parent instead of touching a dead one.
    EXPECT_EQ(elements.CreateNaviframe(), nullptr);
    elm_shutdown();
}
