// The five preview images: PNGs of 360 x 360 drawn from one template, each in its band's
// colours, the same colours the generated palette header gives programs.
#include "ResourceTestUtil.h"
#include "dalvexa_palette.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using appstest::Image;

namespace {

// True when the file starts with the PNG signature (Evas would load other formats too).
bool IsPng(const std::string& path) {
    char head[8] = {};
    std::ifstream(path, std::ios::binary).read(head, sizeof head);
    return memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
}

int CountNear(const Image& pic, uint32_t rgb, int tolerance) {
    int n = 0;
    for (uint32_t c : pic.pixels)
        n += c >> 24 == 255 && appstest::ColorDistance(c, rgb) <= tolerance;
    return n;
}

} // namespace

TEST(PreviewImages, AreRoundFacesOf360PixelsInTheirBandsColours) {
    restest::ElmSession elm(false);
    for (int band = 0; band < DALVEXA_BAND_COUNT; ++band) {
        const dalvexa_band_colors* colours = dalvexa_band_get(band);
        ASSERT_NE(colours, nullptr);
        SCOPED_TRACE(colours->name);
        // The file the palette names, in the shared resources as programs look for it.
        const std::string path = restest::StagePath(std::string("shared/res/") + colours->preview);
        EXPECT_TRUE(IsPng(path)) << path;
        Image pic;
        ASSERT_TRUE(appstest::LoadPng(path, &pic));
        ASSERT_EQ(pic.width, 360);
        ASSERT_EQ(pic.height, 360);
        // Round: the corners are see-through, the centre line is opaque.
        EXPECT_EQ(pic.At(2, 2) >> 24, 0u);
        EXPECT_EQ(pic.At(357, 357) >> 24, 0u);
        EXPECT_EQ(pic.At(180, 4) >> 24, 255u);

        // The dial covers most of the face and is exactly the band's colour (so no two
        // bands look alike)...
        EXPECT_GT(CountNear(pic, colours->dial, 0), 360 * 360 / 2) << std::hex << colours->dial;
        // ...and the indices, hands and name are drawn in its ink and accent colours.
        EXPECT_GT(CountNear(pic, colours->ink, 2), 2000);
        EXPECT_GT(CountNear(pic, colours->accent, 2), 500);
    }
}
