#include "platform/screen_scale.h"

#include <cmath>

namespace zarnik {

ScreenScale ScreenScale::Of(int x, int y) {
  return ScreenScale{x > 0 ? x : kDefaultDpi, y > 0 ? y : kDefaultDpi};
}

int ScreenScale::TwipsToPixels(double twips) const {
  return static_cast<int>(std::lround(twips * dpi_x / kTwipsPerInch));
}

double ScreenScale::PixelsToTwips(int pixels) const { return pixels * static_cast<double>(kTwipsPerInch) / dpi_x; }

int ScreenScale::WholeTwipsPerPixel() const {
  const int whole = kTwipsPerInch / dpi_x;
  return whole > 0 ? whole : 1;
}

int ScreenScale::TwipsToPixelsTruncated(long long twips) const {
  return static_cast<int>(twips / WholeTwipsPerPixel());
}

int ScreenScale::HimetricToPixels(double himetric) const {
  return static_cast<int>(std::lround(himetric / 2540.0 * kTwipsPerInch / WholeTwipsPerPixel()));
}

float ScreenScale::TwipsPerPixelX() const { return static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi_x); }
float ScreenScale::TwipsPerPixelY() const { return static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi_y); }

int ScreenScale::FontHeight(double points) const { return -static_cast<int>(std::lround(points * dpi_y / 72.0)); }

}  // namespace zarnik
