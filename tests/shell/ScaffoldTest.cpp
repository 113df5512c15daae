// The window scaffold: its widget tree, the round screen, and the guards of each step.
#include "LogCapture.h"
#include "LoopUtil.h"
#include "StackFixture.h"
#include "ViewBasicElements.h"

#include <Ecore_Evas.h>
#include <Elementary.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace watchtest;
using NSClockEditor::ViewBasicElements;

namespace {

class Scaffold : public ::testing::Test {
  protected:
    void SetUp() override { InitToolkit(); }
    void TearDown() override { elm_shutdown(); }

    LogCapture mLog;
};

// The window's pixels as the buffer engine drew them (premultiplied ARGB).
std::vector<uint32_t> Render(Evas_Object* window) {
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(window));
    for (int i = 0; i < 5; ++i)
        ecore_main_loop_iterate();
    ecore_evas_manual_render(ee);
    const uint32_t* pixels = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
    int w = 0, h = 0;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &w, &h);
    if (!pixels || w <= 0 || h <= 0)
        return {};
    return std::vector<uint32_t>(pixels, pixels + w * h);
}

struct Coverage {
    int drawnOutside = 0; // pixels with any alpha clearly outside the circle
    int clearInside = 0;  // pixels not fully opaque clearly inside it
    int insideSamples = 0;
};

Coverage Measure(const std::vector<uint32_t>& pixels, int size) {
    Coverage c;
    const double r = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - r, dy = y + 0.5 - r;
            double d = std::sqrt(dx * dx + dy * dy);
            uint32_t alpha = pixels[y * size + x] >> 24;
            if (d > r + 1.0 && alpha != 0)
                ++c.drawnOutside;
            if (d < r - 1.0) {
                ++c.insideSamples;
                if (alpha != 255)
                    ++c.clearInside;
            }
        }
    }
    return c;
}

} // namespace

TEST_F(Scaffold, NothingIsDrawnOutsideTheCircle) {
    ViewBasicElements elements;
    ASSERT_EQ(elements.SetupViewBasicElements(), 0) << mLog.Dump();
    Evas_Object* window = ViewBasicElements::GetWindow();
    ASSERT_NE(ViewBasicElements::GetRoundMask(), nullptr);
    elm_bg_color_set(ViewBasicElements::GetBackground(), 200, 30, 30);
    // Something placed on the canvas later, edge to edge, as a popup would be.
    Evas_Object* late = evas_object_rectangle_add(evas_object_evas_get(window));
    evas_object_color_set(late, 0, 0, 255, 255);
    evas_object_geometry_set(late, 0, 0, 360, 40);
    evas_object_show(late);

    std::vector<uint32_t> pixels = Render(window);
    ASSERT_EQ(pixels.size(), 360u * 360u);
    Coverage c = Measure(pixels, 360);
    EXPECT_EQ(c.drawnOutside, 0);
    EXPECT_EQ(c.clearInside, 0);
    EXPECT_GT(c.insideSamples, 100000);
    // The late rectangle shows inside the circle only.
    EXPECT_EQ(pixels[20 * 360 + 180], 0xff0000ffu);
    EXPECT_EQ(pixels[20 * 360 + 5] >> 24, 0u);
    EXPECT_EQ(pixels[180 * 360 + 180], 0xffc81e1eu);
}

TEST_F(Scaffold, ADeletedWindowIsNoLongerHandedOut) {
    ViewBasicElements elements;
    ASSERT_EQ(elements.SetupViewBasicElements(), 0) << mLog.Dump();
    evas_object_del(ViewBasicElements::GetWindow());
    EXPECT_EQ(ViewBasicElements::GetWindow(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetConformant(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetCircleSurface(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetNaviframe(), nullptr);
    EXPECT_EQ(ViewBasicElements::GetRoundMask(), nullptr);
    // The next steps log their missing parent instead of touching a dead one.
    EXPECT_EQ(elements.CreateNaviframe(), nullptr);
}
