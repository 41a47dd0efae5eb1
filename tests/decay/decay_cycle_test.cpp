// The decay stepped by hand with the real converter beside the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "converter/quorvel_binding.h"
#include "decay/decay_cycle.h"
#include "decay/quality_schedule.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using test::JpegQuality;
using test::ReadBytes;

void FillScene(Surface& s, int w, int h) {
  ASSERT_TRUE(s.Resize(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s.pixels()[y * w + x] = ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | (((x + y) * 3) & 0xFF);
}

void FillGrey(Surface& s, int w, int h, uint32_t grey = 0x808080) {
  ASSERT_TRUE(s.Resize(w, h));
  std::fill(s.pixels(), s.pixels() + w * h, grey);
}

Converter RealConverter() {
  return [](const std::wstring& bmp, const std::wstring& jpg, int32_t q) { return ConvertBMPtoJPG(bmp, jpg, q); };
}

class DecayCycleTest : public ::testing::Test {
 protected:
  std::wstring Bmp() const { return folder_.File(L"Quorvel.bmp"); }
  std::wstring Jpg() const { return folder_.File(L"Quorvel.jpg"); }
  test::TempFolder folder_;
};

TEST_F(DecayCycleTest, EveryTickEncodesTheSourceAfreshAtTheScheduledQuality) {
  Surface source, display;
  FillScene(source, 96, 64);
  display.Resize(96, 64);
  for (int degree : {1, 3, 7, 10}) {
    DecayCycle cycle(Bmp(), Jpg(), RealConverter(), degree);
    int32_t expected = 100;
    const int ticks = degree == 1 ? 95 : 2 * (90 / degree) + 3;
    for (int i = 0; i < ticks; ++i) {
      expected = *NextQuality(expected, degree);
      cycle.Tick(source, display);
      const std::string jpeg = ReadBytes(Jpg());
      ASSERT_EQ(JpegQuality(jpeg), expected) << "degree " << degree << " tick " << i;
      EXPECT_EQ(cycle.caption(), CaptionText(expected, static_cast<long long>(jpeg.size())));
    }
    // The picture never changes during a run: the bitmap was written once.
    EXPECT_EQ(cycle.bitmap().writes(), 1);
    EXPECT_EQ(ReadBytes(Bmp()), source.BmpBytes());
  }
}

TEST_F(DecayCycleTest, DegreesOfZeroAndBeyondNinetyAndBelowZero) {
  Surface source, display;
  FillScene(source, 32, 32);
  display.Resize(32, 32);
  struct Case {
    int degree;
    int32_t quality_shown;  // what the caption says
    int jpeg_quality;       // what the converter can encode
  };
  for (Case c : {Case{0, 100, 100}, Case{45, 55, 55}, Case{100, 0, 1}, Case{-5, 105, 100}}) {
    DecayCycle cycle(Bmp(), Jpg(), RealConverter(), c.degree);
    cycle.Tick(source, display);
    EXPECT_EQ(cycle.quality(), c.quality_shown) << c.degree;
    EXPECT_EQ(JpegQuality(ReadBytes(Jpg())), c.jpeg_quality) << c.degree;
  }
  // Beyond the converter's 16-bit quality the conversion fails: no JPEG, no caption.
  DecayCycle cycle(Bmp(), Jpg(), RealConverter(), -30000);
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.quality(), 30100);
  EXPECT_EQ(JpegQuality(ReadBytes(Jpg())), 100);
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.quality(), 60100);
  EXPECT_FALSE(test::FileExistsW(Jpg()));
  EXPECT_TRUE(cycle.caption().empty());
}

TEST_F(DecayCycleTest, BitmapIsWrittenAgainOnlyWhenMissingOrReplaced) {
  Surface source, display;
  FillScene(source, 40, 30);
  display.Resize(40, 30);
  DecayCycle cycle(Bmp(), Jpg(), RealConverter(), 5);
  cycle.Tick(source, display);
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.bitmap().writes(), 1);

  DeleteFileW(Bmp().c_str());
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.bitmap().writes(), 2);
  EXPECT_EQ(ReadBytes(Bmp()), source.BmpBytes());

  // Another file put in its place (shorter): written again, so the converter reads our picture.
  ASSERT_TRUE(test::WriteBytes(Bmp(), "BM garbage"));
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.bitmap().writes(), 3);
  EXPECT_EQ(ReadBytes(Bmp()), source.BmpBytes());
  EXPECT_TRUE(JpegQuality(ReadBytes(Jpg())).has_value());

  // The work file is gone after the run.
  EXPECT_TRUE(cycle.bitmap().Delete());
  EXPECT_FALSE(test::FileExistsW(Bmp()));
}

TEST_F(DecayCycleTest, WithoutAConverterThePictureAndCaptionStayAndTheQualityMovesOn) {
  Surface source, display;
  FillGrey(source, 300, 120);
  display.Resize(300, 120);
  // A JPEG left over from an earlier run goes before the first conversion.
  ASSERT_TRUE(test::WriteBytes(Jpg(), "stale"));
  DecayCycle failing(
      Bmp(), Jpg(), [](const std::wstring&, const std::wstring&, int32_t) { return std::optional<int16_t>(); }, 10);
  display.Assign(source);
  failing.Tick(source, display);
  EXPECT_FALSE(test::FileExistsW(Jpg()));
  EXPECT_TRUE(failing.caption().empty());
  EXPECT_EQ(failing.quality(), 90);
  for (int i = 0; i < 300 * 120; ++i) ASSERT_EQ(display.pixels()[i], 0x808080u);

  // After a good tick, a failing one leaves that tick's picture and caption untouched.
  DecayCycle good(Bmp(), Jpg(), RealConverter(), 10);
  good.Tick(source, display);
  std::vector<uint32_t> shown(display.pixels(), display.pixels() + 300 * 120);
  failing.Tick(source, display);
  EXPECT_EQ(std::vector<uint32_t>(display.pixels(), display.pixels() + 300 * 120), shown);
  EXPECT_EQ(failing.quality(), 80);
}

// Another process puts a file of its own where the JPEG was written, between the conversion
// and the load: the load holds it to the same bounds as a chosen picture. Nothing of the
// display changes but the caption, and the tick does not wait on a decoder.
TEST_F(DecayCycleTest, AWorkFileReplacedAfterTheConversionIsHeldToThePicturesBounds) {
  Surface source, display;
  FillGrey(source, 240, 160);
  display.Resize(240, 160);
  for (const wchar_t* name : {L"hostile-jpeg-60000x60000.jpg", L"hostile-png-bomb.png", L"hostile-bmp-sizes-lie.bmp",
                              L"hostile-gif-screen-bomb.gif", L"hostile-noise.jpg"}) {
    const std::wstring hostile = test::BinFolder() + L"\\picture-corpus\\" + name;
    DecayCycle cycle(
        Bmp(), Jpg(),
        [&](const std::wstring&, const std::wstring& jpg, int32_t) {
          return CopyFileW(hostile.c_str(), jpg.c_str(), FALSE) ? std::optional<int16_t>(1) : std::nullopt;
        },
        10);
    std::fill(display.pixels(), display.pixels() + 240 * 160, 0x204060u);
    const auto start = std::chrono::steady_clock::now();
    cycle.Tick(source, display);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
    EXPECT_EQ(ReadBytes(Jpg()), ReadBytes(hostile)) << name;
    // The caption sits at the middle; the rows above it are as they were.
    for (int i = 0; i < 240 * 40; ++i) ASSERT_EQ(display.pixels()[i], 0x204060u) << name;
  }
}

// Bounding box of the pixels the predicate picks.
RECT BoxOf(const Surface& s, bool (*pick)(uint32_t)) {
  RECT box{s.width(), s.height(), -1, -1};
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (pick(s.pixels()[y * s.width() + x])) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

TEST_F(DecayCycleTest, CaptionIsWhiteAtTheCentreWithABlackCopyOneLineLower) {
  Surface source, display;
  FillGrey(source, 400, 200);
  display.Resize(400, 200);
  DecayCycle cycle(Bmp(), Jpg(), RealConverter(), 1);
  cycle.Tick(source, display);
  ASSERT_FALSE(cycle.caption().empty());
  auto white = [](uint32_t p) { return (p & 0xFF) > 230 && ((p >> 8) & 0xFF) > 230 && (p >> 16) > 230; };
  auto black = [](uint32_t p) { return (p & 0xFF) < 30 && ((p >> 8) & 0xFF) < 30 && (p >> 16) < 30; };
  RECT w = BoxOf(display, white), b = BoxOf(display, black);
  ASSERT_GT(w.right, w.left);
  ASSERT_GT(b.right, b.left);
  // Centred horizontally, both copies in the same columns.
  EXPECT_NEAR((w.left + w.right) / 2.0, 200, 3);
  EXPECT_NEAR(w.left, b.left, 2);
  EXPECT_NEAR(w.right, b.right, 2);
  // The white copy about the middle, the black one a text line lower (10 pt bold: 11..20 px).
  EXPECT_NEAR((w.top + w.bottom) / 2.0, 100, 8);
  const int line = b.top - w.top;
  EXPECT_GE(line, 11);
  EXPECT_LE(line, 20);
  EXPECT_GT(w.right - w.left, 150);  // the whole caption, not a stray pixel
}

}  // namespace
}  // namespace zarnik
