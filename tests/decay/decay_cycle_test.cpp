// The decay stepped by hand with the real converter beside the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "converter/quorvel_binding.h"
#include "decay/decay_cycle.h"
#include "decay/monitor_set.h"
#include "decay/quality_schedule.h"
#include "platform/newer_api.h"
#include "platform/screen_scale.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/newer_api_scope.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using test::JpegQuality;
using test::FilesIn;
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

std::vector<uint32_t> PixelsOf(const Surface& s) {
  return std::vector<uint32_t>(s.pixels(), s.pixels() + s.width() * s.height());
}

// A folder where no bitmap work file can be made: a folder stands in its name's place.
void BlockBitmap(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\Quorvel.bmp").c_str(), nullptr));
}

TEST_F(DecayCycleTest, ABitmapThatCannotBeWrittenMovesBothWorkFilesOnToTheNextFolder) {
  Surface source, display;
  FillScene(source, 64, 48);
  display.Resize(64, 48);
  test::TempFolder user;
  const std::wstring program = folder_.path(), local = user.File(L"Zarnik");  // made on first use
  BlockBitmap(program);
  ASSERT_TRUE(test::WriteBytes(Jpg(), "a picture of the desktop from an earlier run"));
  DecayCycle cycle(WorkPathsIn({program, local}, L"\\Quorvel.bmp", L"\\Quorvel.jpg"), RealConverter(), 10);
  for (int32_t expected : {90, 80}) {
    cycle.Tick(source, display);
    EXPECT_EQ(cycle.folder(), local);
    const std::string jpeg = ReadBytes(local + L"\\Quorvel.jpg");
    EXPECT_EQ(JpegQuality(jpeg), expected);
    EXPECT_EQ(cycle.caption(), CaptionText(expected, static_cast<long long>(jpeg.size())));
  }
  EXPECT_EQ(ReadBytes(local + L"\\Quorvel.bmp"), source.BmpBytes());
  EXPECT_EQ(cycle.bitmap().writes(), 1);
  // Nothing of the run is left where the files could not go.
  EXPECT_TRUE(FilesIn(program).empty());
  EXPECT_TRUE(cycle.bitmap().Delete());
}

TEST_F(DecayCycleTest, WithNowhereForTheBitmapThePictureStaysAndTheWriteWaitsTenSeconds) {
  Surface source, display;
  FillScene(source, 64, 48);
  FillGrey(display, 64, 48);
  const std::vector<uint32_t> shown = PixelsOf(display);
  test::TempFolder user;
  const std::wstring program = folder_.path(), local = user.File(L"Zarnik");
  BlockBitmap(program);
  BlockBitmap(local);
  DecayCycle cycle(WorkPathsIn({program, local}, L"\\Quorvel.bmp", L"\\Quorvel.jpg"), RealConverter(), 10);
  unsigned long long now = 5000;
  cycle.set_clock([&] { return now; });

  cycle.Tick(source, display);
  EXPECT_EQ(cycle.bitmap().tries(), 2);  // each folder once
  // Twice a second for just under ten seconds: no write is tried, nothing else happens.
  for (int i = 0; i < 19; ++i) {
    now += 500;
    cycle.Tick(source, display);
  }
  EXPECT_EQ(cycle.bitmap().tries(), 2);
  EXPECT_EQ(cycle.quality(), 100);
  EXPECT_TRUE(cycle.caption().empty());
  EXPECT_EQ(PixelsOf(display), shown);
  EXPECT_TRUE(FilesIn(program).empty());
  EXPECT_TRUE(FilesIn(local).empty());

  now += 500;  // ten seconds on
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.bitmap().tries(), 4);

  // Room again in the local folder: after the next wait the picture decays from there, at
  // the first quality of the schedule.
  ASSERT_TRUE(RemoveDirectoryW((local + L"\\Quorvel.bmp").c_str()));
  now += DecayCycle::kBitmapRetryMs;
  cycle.Tick(source, display);
  EXPECT_EQ(cycle.folder(), local);
  EXPECT_EQ(JpegQuality(ReadBytes(local + L"\\Quorvel.jpg")), 90);
  EXPECT_FALSE(cycle.caption().empty());
  EXPECT_TRUE(cycle.bitmap().Delete());
}

// Another program (a scanner, an indexer) holds the JPEG work file open without letting it be
// deleted: the tick would find the last tick's JPEG where its own should be.
TEST_F(DecayCycleTest, AHeldJpegLeavesItsTickOutAndTheNextTriesAgain) {
  Surface source, display;
  FillScene(source, 96, 64);
  display.Resize(96, 64);
  DecayCycle cycle(Bmp(), Jpg(), RealConverter(), 10);
  cycle.Tick(source, display);
  ASSERT_EQ(cycle.quality(), 90);
  const std::vector<uint32_t> shown = PixelsOf(display);
  const std::string jpeg = ReadBytes(Jpg());

  HANDLE held = CreateFileW(Jpg().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  for (int i = 0; i < 3; ++i) {
    cycle.Tick(source, display);
    // The picture and its caption as they were: they still belong together.
    EXPECT_EQ(PixelsOf(display), shown) << "tick " << i;
    EXPECT_EQ(cycle.quality(), 90);
    EXPECT_EQ(ReadBytes(Jpg()), jpeg);
  }
  CloseHandle(held);
  EXPECT_EQ(FilesIn(folder_.path()), (std::vector<std::wstring>{L"Quorvel.bmp", L"Quorvel.jpg"}));

  cycle.Tick(source, display);
  EXPECT_EQ(JpegQuality(ReadBytes(Jpg())), 80) << "the schedule goes on where it stopped";
  EXPECT_EQ(cycle.caption(), CaptionText(80, static_cast<long long>(ReadBytes(Jpg()).size())));
  EXPECT_NE(PixelsOf(display), shown);
}

// The caption's height: from the top of its white copy to the top of the black one below.
int CaptionLine(const Surface& display) {
  auto white = [](uint32_t p) { return (p & 0xFF) > 230 && ((p >> 8) & 0xFF) > 230 && (p >> 16) > 230; };
  auto black = [](uint32_t p) { return (p & 0xFF) < 30 && ((p >> 8) & 0xFF) < 30 && (p >> 16) < 30; };
  return BoxOf(display, black).top - BoxOf(display, white).top;
}

TEST_F(DecayCycleTest, TheCaptionIsLetteredAtTheMonitorsResolution) {
  Surface source, display;
  FillGrey(source, 600, 300);
  display.Resize(600, 300);
  DecayCycle cycle(Bmp(), Jpg(), RealConverter(), 1);
  cycle.set_caption_dpi(96);
  cycle.Tick(source, display);
  const int at_96 = CaptionLine(display);
  cycle.set_caption_dpi(192);
  cycle.Tick(source, display);
  const int at_192 = CaptionLine(display);
  EXPECT_GE(at_96, 11);
  EXPECT_NEAR(at_192, 2 * at_96, 3);
}

using test::NewerApiScope;

std::vector<HMONITOR> asked_monitors;
HRESULT WINAPI TwiceTheDpi(HMONITOR monitor, MONITOR_DPI_TYPE type, UINT* x, UINT* y) {
  asked_monitors.push_back(monitor);
  if (type != MDT_EFFECTIVE_DPI) return E_INVALIDARG;
  *x = *y = 192;
  return S_OK;
}
HRESULT WINAPI NoAnswer(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*) { return E_FAIL; }

// Each monitor's own resolution comes from GetDpiForMonitor where the system has it, the
// system's where it has not, and the caption on that monitor is lettered at it.
TEST_F(DecayCycleTest, EachMonitorsCaptionAtItsOwnDpiThroughTheNewerFunction) {
  NewerApiScope keep;
  const int system_dpi = ScreenScaleNow().dpi_y;
  Newer().dpi_for_monitor = nullptr;
  for (const MonitorArea& m : AttachedMonitors()) EXPECT_EQ(m.dpi, system_dpi);
  Newer().dpi_for_monitor = NoAnswer;
  for (const MonitorArea& m : AttachedMonitors()) EXPECT_EQ(m.dpi, system_dpi);

  asked_monitors.clear();
  Newer().dpi_for_monitor = TwiceTheDpi;
  const std::vector<MonitorArea> monitors = AttachedMonitors();
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(asked_monitors.size(), monitors.size());
  for (const MonitorArea& m : monitors) EXPECT_EQ(m.dpi, 192);

  Surface grey;
  FillGrey(grey, 600, 300);
  ASSERT_TRUE(grey.SaveBmp(folder_.File(L"grey.bmp")));
  int line[2] = {};
  for (int i = 0; i < 2; ++i) {
    const MonitorArea area{0, 0, 600, 300, true, L"A", i == 0 ? 96 : 192};
    MonitorSet set({folder_.path()}, RealConverter(), 10);
    set.Reset({area});
    ASSERT_TRUE(set.ShowPictureFile(folder_.File(L"grey.bmp")));
    ASSERT_TRUE(set.StartTick(nullptr));
    set.WaitForTick();
    Surface shown;
    ASSERT_TRUE(shown.Resize(600, 300));
    set.Paint(shown.dc(), POINT{0, 0}, RECT{0, 0, 600, 300});
    GdiFlush();
    line[i] = CaptionLine(shown);
  }
  EXPECT_GE(line[0], 11);
  EXPECT_NEAR(line[1], 2 * line[0], 3);
}

}  // namespace
}  // namespace zarnik
