// A picture file put onto a surface as it is: JPEG decoded straight into the surface, other
// kinds through the system's loader, always at the top-left and unscaled.
#include <gtest/gtest.h>

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/picture_file.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

// Soft colour fields with grain: what JPEG meets on a desktop or in a photograph.
std::vector<uint32_t> Scene(int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  uint32_t seed = 99;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      auto channel = [&](double v) { return static_cast<uint32_t>(std::clamp(static_cast<int>(v) + grain, 0, 255)); };
      const uint32_t r = channel(128 + 100 * std::sin(x / 23.0 + y / 41.0));
      const uint32_t g = channel(128 + 90 * std::cos(x / 37.0 - y / 19.0));
      const uint32_t b = channel(x * 255.0 / w);
      px[static_cast<size_t>(y) * w + x] = (r << 16) | (g << 8) | b;
    }
  return px;
}

std::string Jpeg(const std::vector<uint32_t>& px, int w, int h, int quality, int subsamp, int flags = 0) {
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, reinterpret_cast<const unsigned char*>(px.data()), w, w * 4, h, TJPF_BGRX, &out,
                             &size, subsamp, quality, flags);
  std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// The colours alone: a JPEG drawn leaves each pixel's fourth byte as libjpeg sets it, which the
// screen ignores.
std::vector<uint32_t> PixelsOf(const Surface& s) {
  std::vector<uint32_t> px(s.pixels(), s.pixels() + static_cast<size_t>(s.width()) * s.height());
  for (auto& p : px) p &= 0x00FFFFFF;
  return px;
}

class DrawPicture : public ::testing::Test {
 protected:
  std::wstring File(const wchar_t* name) const { return folder_.File(name); }
  TempFolder folder_;
};

// libjpeg-turbo's own decoding of the bytes, as its reference program gives it.
std::vector<uint32_t> ReferenceDecode(const std::string& jpeg, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  tjhandle tj = tjInitDecompress();
  tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()),
                reinterpret_cast<unsigned char*>(px.data()), w, w * 4, h, TJPF_BGRX, 0);
  tjDestroy(tj);
  for (auto& p : px) p &= 0x00FFFFFF;
  return px;
}

int LargestChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  int most = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    for (int shift : {0, 8, 16})
      most = std::max(most, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)));
  return most;
}

double MeanChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift : {0, 8, 16})
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
  return a.empty() ? 0 : sum / (3.0 * static_cast<double>(a.size()));
}

TEST_F(DrawPicture, JpegGivesLibjpegTurbosPixelsCloseToTheSystemsLoader) {
  const int w = 301, h = 203;  // not a whole number of blocks either way
  const auto scene = Scene(w, h);
  struct Kind {
    const char* name;
    int quality, subsamp, flags;
  };
  for (Kind k : {Kind{"q50 4:2:0", 50, TJSAMP_420, 0}, Kind{"q11 4:2:0", 11, TJSAMP_420, 0},
                 Kind{"q95 4:4:4", 95, TJSAMP_444, 0}, Kind{"q80 4:2:2", 80, TJSAMP_422, 0},
                 Kind{"grey", 70, TJSAMP_GRAY, 0}, Kind{"progressive", 60, TJSAMP_420, TJFLAG_PROGRESSIVE}}) {
    const std::string jpeg = Jpeg(scene, w, h, k.quality, k.subsamp, k.flags);
    ASSERT_TRUE(WriteBytes(File(L"p.jpg"), jpeg)) << k.name;
    Surface system, drawn;
    ASSERT_TRUE(LoadPictureFile(File(L"p.jpg"), system)) << k.name;
    ASSERT_TRUE(drawn.Resize(w, h));
    std::fill(drawn.pixels(), drawn.pixels() + w * h, 0x123456u);
    ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), drawn)) << k.name;
    EXPECT_EQ(PixelsOf(drawn), ReferenceDecode(jpeg, w, h)) << k.name;
    // Decoders differ in their rounding and chroma upsampling, never in the picture.
    const int most = LargestChannelDifference(PixelsOf(drawn), PixelsOf(system));
    EXPECT_LE(most, 32) << k.name;
    EXPECT_LT(MeanChannelDifference(PixelsOf(drawn), PixelsOf(system)), 1.5) << k.name;
  }
}

TEST_F(DrawPicture, SitsAtTheTopLeftUnscaledAndKeepsTheSurfaceSize) {
  const auto scene = Scene(120, 90);
  ASSERT_TRUE(WriteBytes(File(L"p.jpg"), Jpeg(scene, 120, 90, 90, TJSAMP_444)));
  Surface picture;
  ASSERT_TRUE(LoadPictureFile(File(L"p.jpg"), picture));

  // A larger surface: the picture at the top-left, the rest in the background colour.
  Surface big;
  big.SetBackground(RGB(0, 0, 255));
  ASSERT_TRUE(big.Resize(200, 150));
  std::fill(big.pixels(), big.pixels() + 200 * 150, 0xFF00FFu);
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), big));
  EXPECT_EQ(big.width(), 200);
  EXPECT_EQ(big.height(), 150);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t want = x < 120 && y < 90 ? picture.pixels()[y * 120 + x] : 0x0000FFu;
      ASSERT_EQ(big.pixels()[y * 200 + x] & 0x00FFFFFF, want) << x << "," << y;
    }

  // A smaller one: the picture's top-left part, cut.
  Surface small;
  ASSERT_TRUE(small.Resize(50, 40));
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), small));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x)
      ASSERT_EQ(small.pixels()[y * 50 + x] & 0x00FFFFFF, picture.pixels()[y * 120 + x]) << x << "," << y;

  // Wider but shorter: cut on the right, background below.
  Surface wide;
  ASSERT_TRUE(wide.Resize(60, 100));
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), wide));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(wide.pixels()[y * 60 + x] & 0x00FFFFFF, y < 90 ? picture.pixels()[y * 120 + x] : 0u) << x << "," << y;
}

TEST_F(DrawPicture, OtherKindsGoThroughTheSystemAndBadFilesLeaveTheSurfaceAlone) {
  Surface bmp;
  ASSERT_TRUE(bmp.Resize(30, 20));
  std::fill(bmp.pixels(), bmp.pixels() + 600, 0x406080u);
  ASSERT_TRUE(bmp.SaveBmp(File(L"named.jpg")));  // a bitmap under a JPEG's name
  Surface out;
  ASSERT_TRUE(out.Resize(40, 20));
  ASSERT_TRUE(DrawPictureFile(File(L"named.jpg"), out));
  for (int x = 0; x < 40; ++x) EXPECT_EQ(out.pixels()[5 * 40 + x], x < 30 ? 0x406080u : 0u) << x;

  std::fill(out.pixels(), out.pixels() + 800, 0xABCDEFu);
  const std::string good = Jpeg(Scene(40, 20), 40, 20, 50, TJSAMP_420);
  for (const auto& [name, bytes] : std::vector<std::pair<const wchar_t*, std::string>>{
           {L"empty.jpg", ""},
           {L"text.jpg", "not a picture at all"},
           {L"header-cut.jpg", good.substr(0, 40)},
           {L"no-frame.jpg", std::string("\xFF\xD8\xFF\xD9", 4)}}) {
    ASSERT_TRUE(WriteBytes(File(name), bytes));
    EXPECT_FALSE(DrawPictureFile(File(name), out)) << name;
  }
  EXPECT_FALSE(DrawPictureFile(File(L"missing.jpg"), out));
  for (int i = 0; i < 800; ++i) ASSERT_EQ(out.pixels()[i], 0xABCDEFu) << i;

  // Pixel data cut short after the headers: the top drawn, the rest filled in, no failure.
  const auto scene = Scene(400, 300);
  const std::string whole = Jpeg(scene, 400, 300, 90, TJSAMP_420);
  ASSERT_TRUE(WriteBytes(File(L"cut.jpg"), whole.substr(0, whole.size() / 2)));
  Surface cut;
  ASSERT_TRUE(cut.Resize(400, 300));
  EXPECT_TRUE(DrawPictureFile(File(L"cut.jpg"), cut));
  const auto full = ReferenceDecode(whole, 400, 300);
  const auto drawn = PixelsOf(cut);
  EXPECT_TRUE(std::equal(drawn.begin(), drawn.begin() + 400 * 16, full.begin()));
}

}  // namespace
}  // namespace zarnik::test
