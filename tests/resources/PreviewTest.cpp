// The five preview images: PNGs of 360 x 360 drawn from one template, each in its band's
// colours, the same colours the generated palette header gives programs.
#include "ResourceTestUtil.h"
#include "dalvexa_palette.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using restest::Picture;

namespace {

const char* const kBandNames[DALVEXA_BAND_COUNT] = {"blue", "white", "orange", "purple", "mint"};

std::string PreviewPath(int band) {
    return restest::StagePath(std::string("shared/res/pelmiro_vantelric_") + kBandNames[band] +
                              "_preview.png");
}

// True when the file starts with the PNG signature (Evas would load other formats too).
bool IsPng(const std::string& path) {
    char head[8] = {};
    std::ifstream(path, std::ios::binary).read(head, sizeof head);
    return memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0;
}

int CountNear(const Picture& pic, uint32_t rgb, int tolerance) {
    int n = 0;
    for (uint32_t c : pic.px)
        n += restest::Alpha(c) == 255 && restest::ColourDistance(c, rgb) <= tolerance;
    return n;
}

} // namespace

TEST(PreviewImages, AreRoundFacesOf360PixelsInTheirBandsColours) {
    restest::ElmSession elm(false);
    for (int band = 0; band < DALVEXA_BAND_COUNT; ++band) {
        SCOPED_TRACE(kBandNames[band]);
        const dalvexa_band_colors* colours = dalvexa_band_get(band);
        ASSERT_NE(colours, nullptr);
        EXPECT_TRUE(IsPng(PreviewPath(band))) << PreviewPath(band);
        Picture pic = restest::LoadImage(PreviewPath(band));
        ASSERT_EQ(pic.w, 360);
        ASSERT_EQ(pic.h, 360);
        // Round: the corners are see-through, the centre line is opaque.
        EXPECT_EQ(restest::Alpha(pic.At(2, 2)), 0);
        EXPECT_EQ(restest::Alpha(pic.At(357, 357)), 0);
        EXPECT_EQ(restest::Alpha(pic.At(180, 4)), 255);

        // The dial covers most of the face and is exactly the band's colour (so no two
        // bands look alike)...
        EXPECT_GT(CountNear(pic, colours->dial, 0), 360 * 360 / 2) << std::hex << colours->dial;
        // ...and the indices, hands and name are drawn in its ink and accent colours.
        EXPECT_GT(CountNear(pic, colours->ink, 2), 2000);
        EXPECT_GT(CountNear(pic, colours->accent, 2), 500);
    }
}
