// The screen's scale arithmetic at the common settings: each rounding gives the pixels the
// windows were built with, and they part where they should.
#include <gtest/gtest.h>

#include "platform/screen_scale.h"

namespace zarnik {
namespace {

TEST(ScreenScaleTest, MissingDpiIsTakenAsNinetySix) {
  const ScreenScale s = ScreenScale::Of(0, -5);
  EXPECT_EQ(s.dpi_x, 96);
  EXPECT_EQ(s.dpi_y, 96);
  EXPECT_EQ(ScreenScale::Of(120, 144).dpi_y, 144);
}

TEST(ScreenScaleTest, TwipsToPixelsRoundToNearestAndTruncatedDivideByWholeTwips) {
  struct Row { int dpi; int whole; int corner; int caption_nearest; int caption_truncated; double back; };
  // 60 twips is the button's corner, 195 the caption's height; 20 pixels back in twips.
  for (const Row& r : {Row{96, 15, 4, 13, 13, 300.0}, Row{120, 12, 5, 16, 16, 240.0},
                       Row{144, 10, 6, 20, 19, 200.0}, Row{72, 20, 3, 10, 9, 400.0}}) {
    const ScreenScale s = ScreenScale::Of(r.dpi, r.dpi);
    EXPECT_EQ(s.WholeTwipsPerPixel(), r.whole) << r.dpi;
    EXPECT_EQ(s.TwipsToPixels(60), r.corner) << r.dpi;
    EXPECT_EQ(s.TwipsToPixels(195), r.caption_nearest) << r.dpi;
    EXPECT_EQ(s.TwipsToPixelsTruncated(195), r.caption_truncated) << r.dpi;
    EXPECT_DOUBLE_EQ(s.PixelsToTwips(20), r.back) << r.dpi;
  }
  // Halves go away from zero; a negative twips count (a caption taller than its button)
  // too.
  EXPECT_EQ(ScreenScale::Of(96, 96).TwipsToPixels(7.5), 1);
  EXPECT_EQ(ScreenScale::Of(96, 96).TwipsToPixels(-22.5), -2);
  // A screen finer than a twip still divides by one.
  EXPECT_EQ(ScreenScale::Of(2000, 2000).WholeTwipsPerPixel(), 1);
}

TEST(ScreenScaleTest, ExtentsSinglePrecisionFactorsAndFontHeights) {
  const ScreenScale s96 = ScreenScale::Of(96, 96), s120 = ScreenScale::Of(120, 120), s144 = ScreenScale::Of(144, 144);
  // The dialog's Set button: 1826 x 767 hundredths of a millimetre.
  EXPECT_EQ(s96.HimetricToPixels(1826), 69);
  EXPECT_EQ(s96.HimetricToPixels(767), 29);
  EXPECT_EQ(s120.HimetricToPixels(1826), 86);
  EXPECT_EQ(s144.HimetricToPixels(1826), 104);
  EXPECT_FLOAT_EQ(s96.TwipsPerPixelX(), 15.0f);
  EXPECT_FLOAT_EQ(ScreenScale::Of(96, 120).TwipsPerPixelY(), 12.0f);
  // 10 points (the caption), 9.75 points (the buttons' font).
  EXPECT_EQ(s96.FontHeight(10), -13);
  EXPECT_EQ(s120.FontHeight(10), -17);
  EXPECT_EQ(s144.FontHeight(10), -20);
  EXPECT_EQ(s96.FontHeight(9.75), -13);
  EXPECT_EQ(s120.FontHeight(9.75), -16);
}

}  // namespace
}  // namespace zarnik
