// The screen's scale: dots per inch and the twips (1/1440 inch) the forms were designed in.
// Pure arithmetic, apart from ScreenScaleNow, which asks the system once. Each rounding here
// is the one a window of this program was built with; they differ (to nearest, truncated,
// single precision), so each caller names the one it means.
#pragma once

namespace zarnik {

struct ScreenScale {
  static constexpr int kTwipsPerInch = 1440;
  static constexpr int kDefaultDpi = 96;

  int dpi_x = kDefaultDpi;
  int dpi_y = kDefaultDpi;

  // A scale of these dots per inch; a missing (zero or negative) one is taken as 96.
  static ScreenScale Of(int dpi_x, int dpi_y);

  // Twips to pixels across, rounded to the nearest (a half away from zero), and back, exact.
  int TwipsToPixels(double twips) const;
  double PixelsToTwips(int pixels) const;

  // Whole twips per pixel across, truncated (15 at 96 dots per inch, 12 at 120, 10 at 144),
  // never below 1; and twips to pixels divided by it, truncated towards zero.
  int WholeTwipsPerPixel() const;
  int TwipsToPixelsTruncated(long long twips) const;
  // A stored extent in hundredths of a millimetre to pixels at the whole twips per pixel.
  int HimetricToPixels(double himetric) const;

  // Twips per pixel in single precision, each axis (15 at 96 dots per inch).
  float TwipsPerPixelX() const;
  float TwipsPerPixelY() const;

  // A font's character height for CreateFont (negative), from its size in points, on the
  // vertical axis, rounded to the nearest (a half away from zero).
  int FontHeight(double points) const;
};

// The primary screen's scale now, as the calling thread sees it (its awareness of display
// scaling decides what the system answers).
ScreenScale ScreenScaleNow();

}  // namespace zarnik
