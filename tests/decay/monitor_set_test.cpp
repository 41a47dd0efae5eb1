// Several monitors' decay in one process, with the real converter beside the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "converter/quorvel_binding.h"
#include "decay/monitor_set.h"
#include "platform/picture_file.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using test::FileExistsW;
using test::JpegQuality;
using test::ReadBytes;

constexpr uint32_t kBlue = 0x2060C0;

Converter RealConverter() {
  return [](const std::wstring& bmp, const std::wstring& jpg, int32_t q) { return ConvertBMPtoJPG(bmp, jpg, q); };
}

MonitorArea At(int left, int top, int w, int h, bool primary, const wchar_t* device) {
  return {left, top, left + w, top + h, primary, device};
}

// What the window would show: the set painted over white, so unpainted pixels stand out.
struct Painted {
  Surface pixels;
  Bounds b;
  uint32_t At(int x, int y) const { return pixels.pixels()[(y - b.top) * pixels.width() + (x - b.left)]; }
};
void PaintSet(MonitorSet& set, Painted& out) {
  out.b = set.bounds();
  ASSERT_TRUE(out.pixels.Resize(out.b.right - out.b.left, out.b.bottom - out.b.top));
  std::fill(out.pixels.pixels(), out.pixels.pixels() + out.pixels.width() * out.pixels.height(), 0xFFFFFFu);
  RECT all{0, 0, out.pixels.width(), out.pixels.height()};
  set.Paint(out.pixels.dc(), POINT{-out.b.left, -out.b.top}, all);
  GdiFlush();
}

class MonitorSetTest : public ::testing::Test {
 protected:
  std::wstring File(const wchar_t* name) const { return folder_.File(name); }
  // One tick on every monitor, waited for; true when it ran and told its end once.
  bool Tick(MonitorSet& set) {
    std::atomic<int> told{0};
    if (!set.StartTick([&] { ++told; })) return false;
    set.WaitForTick();
    return told == 1 && set.TickEnded();
  }
  test::TempFolder folder_;
};

TEST_F(MonitorSetTest, PictureOnEveryMonitorDecaysInStepWithEachCaptionCentredAndGapsBlack) {
  Surface picture;
  ASSERT_TRUE(picture.Resize(100, 60));
  std::fill(picture.pixels(), picture.pixels() + 100 * 60, kBlue);
  ASSERT_TRUE(picture.SaveBmp(File(L"p.bmp")));

  // A primary, and a smaller monitor left of it and lower: the corners above and below it
  // are on no monitor.
  MonitorSet set({folder_.path()}, RealConverter(), 10);
  set.Reset({At(0, 0, 300, 200, true, L"A"), At(-240, 20, 240, 160, false, L"B")});
  ASSERT_TRUE(set.ShowPictureFile(File(L"p.bmp")));
  set.SetQuality(100);

  Painted before;
  PaintSet(set, before);
  EXPECT_EQ(before.At(150, 100), kBlue);   // the picture centred on each monitor
  EXPECT_EQ(before.At(-120, 100), kBlue);
  EXPECT_EQ(before.At(10, 10), 0u);        // black around it
  EXPECT_EQ(before.At(-230, 30), 0u);
  EXPECT_EQ(before.At(-200, 5), 0u);       // the gap above B
  EXPECT_EQ(before.At(-200, 190), 0u);     // and below it

  for (int expected : {90, 80, 70}) {
    ASSERT_TRUE(Tick(set));
    EXPECT_EQ(JpegQuality(ReadBytes(File(L"Quorvel.jpg"))), expected);
    EXPECT_EQ(JpegQuality(ReadBytes(File(L"Quorvel-2.jpg"))), expected);
  }
  EXPECT_TRUE(FileExistsW(File(L"Quorvel.bmp")));
  EXPECT_TRUE(FileExistsW(File(L"Quorvel-2.bmp")));

  Painted after;
  PaintSet(set, after);
  // Each monitor's white caption about its own picture's centre.
  for (const MonitorArea& m : {At(0, 0, 300, 200, true, L"A"), At(-240, 20, 240, 160, false, L"B")}) {
    int lo = m.right, hi = m.left, count = 0;
    for (int y = m.top; y < m.bottom; ++y)
      for (int x = m.left; x < m.right; ++x)
        if ((after.At(x, y) & 0xFF) > 230 && ((after.At(x, y) >> 16) & 0xFF) > 230) {
          lo = std::min(lo, x);
          hi = std::max(hi, x + 1);
          ++count;
        }
    ASSERT_GT(count, 20) << "no caption on " << std::string(m.device.begin(), m.device.end());
    EXPECT_NEAR((lo + hi) / 2.0, (m.left + m.right) / 2.0, 3);
  }
  EXPECT_EQ(after.At(-200, 5), 0u);

  set.DeleteBitmaps();
  EXPECT_FALSE(FileExistsW(File(L"Quorvel.bmp")));
  EXPECT_FALSE(FileExistsW(File(L"Quorvel-2.bmp")));
  EXPECT_TRUE(FileExistsW(File(L"Quorvel-2.jpg")));
}

TEST_F(MonitorSetTest, TicksNeverOverlap) {
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> converting{0};
  MonitorSet set(
      {folder_.path()},
      [&](const std::wstring&, const std::wstring&, int32_t) {
        ++converting;
        WaitForSingleObject(release, 10000);
        --converting;
        return std::optional<int16_t>(1);
      },
      10);
  set.Reset({At(0, 0, 40, 30, true, L"A"), At(40, 0, 40, 30, false, L"B"), At(80, 0, 40, 30, false, L"C")});
  set.CaptureDesktop();
  ASSERT_TRUE(set.StartTick(nullptr));
  EXPECT_FALSE(set.StartTick(nullptr)) << "a second tick started over the first";
  EXPECT_FALSE(set.TickEnded());
  // All three monitors convert at once.
  EXPECT_TRUE(test::PumpUntil([&] { return converting == 3; }, std::chrono::seconds(10)));
  SetEvent(release);
  set.WaitForTick();
  EXPECT_TRUE(set.StartTick(nullptr));
  set.WaitForTick();
  CloseHandle(release);
}

TEST_F(MonitorSetTest, DisplayChangeKeepsTheRestDropsTheGoneAndBlacksTheNew) {
  const MonitorArea a = At(0, 0, 200, 120, true, L"A"), b = At(200, 0, 160, 100, false, L"B"),
                    c = At(0, 120, 120, 80, false, L"C");
  Surface picture;
  ASSERT_TRUE(picture.Resize(60, 40));
  std::fill(picture.pixels(), picture.pixels() + 60 * 40, kBlue);
  ASSERT_TRUE(picture.SaveBmp(File(L"p.bmp")));
  MonitorSet set({folder_.path()}, RealConverter(), 10);
  set.Reset({a, b});
  ASSERT_TRUE(set.ShowPictureFile(File(L"p.bmp")));
  ASSERT_TRUE(Tick(set));
  ASSERT_TRUE(Tick(set));  // 80

  set.Update({a});
  ASSERT_EQ(set.size(), 1u);
  EXPECT_FALSE(FileExistsW(File(L"Quorvel-2.bmp")));
  EXPECT_EQ(set.bounds().right, 200);

  set.Update({a, c});
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set.monitor(1).number(), 2);
  EXPECT_EQ(set.bounds().bottom, 200);
  Painted now;
  PaintSet(set, now);
  // A goes on with its decayed picture.
  EXPECT_NEAR(static_cast<int>(now.At(100, 60) & 0xFF), 0xC0, 4);
  EXPECT_NEAR(static_cast<int>((now.At(100, 60) >> 8) & 0xFF), 0x60, 4);
  for (int y = 120; y < 200; y += 7)
    for (int x = 0; x < 120; x += 7) ASSERT_EQ(now.At(x, y), 0u) << "the new monitor is not black";
  EXPECT_EQ(now.At(150, 150), 0u);  // the gap beside it

  ASSERT_TRUE(Tick(set));
  // The newcomer decays black, in step with the primary.
  EXPECT_EQ(JpegQuality(ReadBytes(File(L"Quorvel.jpg"))), 70);
  EXPECT_EQ(JpegQuality(ReadBytes(File(L"Quorvel-2.jpg"))), 70);
  set.DeleteBitmaps();
  EXPECT_FALSE(FileExistsW(File(L"Quorvel.bmp")));
  EXPECT_FALSE(FileExistsW(File(L"Quorvel-2.bmp")));
}

TEST_F(MonitorSetTest, BlackDecaysOnEveryMonitorAtItsSizeAndNothingNotAtAll) {
  ASSERT_TRUE(test::WriteBytes(File(L"broken.jpg"), "not a picture at all"));
  MonitorSet set({folder_.path()}, RealConverter(), 10);
  set.Reset({At(0, 0, 160, 100, true, L"A"), At(160, 0, 120, 90, false, L"B")});
  EXPECT_FALSE(set.ShowPictureFile(File(L"broken.jpg")));
  set.ShowBlack();
  ASSERT_TRUE(Tick(set));
  for (const wchar_t* name : {L"Quorvel.jpg", L"Quorvel-2.jpg"}) {
    Surface decayed;
    ASSERT_TRUE(LoadPictureFile(File(name), decayed)) << "no JPEG made";
    EXPECT_LT(decayed.PixelAt(3, 3) & 0xFFFFFF, 0x101010u);
  }
  Surface second;
  ASSERT_TRUE(LoadPictureFile(File(L"Quorvel-2.jpg"), second));
  EXPECT_EQ(second.width(), 120);  // black of its own monitor's size
  EXPECT_EQ(second.height(), 90);

  set.DeleteBitmaps();
  DeleteFileW(File(L"Quorvel.jpg").c_str());
  DeleteFileW(File(L"Quorvel-2.jpg").c_str());
  EXPECT_FALSE(set.ShowPictureFile(File(L"gone.jpg")));
  set.ShowNothing();
  ASSERT_TRUE(Tick(set));
  EXPECT_FALSE(FileExistsW(File(L"Quorvel-2.jpg")));
}

TEST(MonitorDecay, CapturesItsOwnPartAndShowsAPictureLargerThanItsMiddle) {
  Surface desktop;
  ASSERT_TRUE(desktop.Resize(300, 100));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x) desktop.pixels()[y * 300 + x] = static_cast<uint32_t>(x << 8 | y);
  MonitorDecay right(At(200, 0, 100, 100, false, L"R"), 2, {L"C:\\nowhere"}, nullptr, 10);
  ASSERT_TRUE(right.CaptureFrom(desktop.dc()));
  Surface shown;
  ASSERT_TRUE(shown.Resize(300, 100));
  right.Paint(shown.dc(), POINT{0, 0});
  GdiFlush();
  EXPECT_EQ(shown.PixelAt(200, 0), RGB(0, 200, 0));
  EXPECT_EQ(shown.PixelAt(299, 99), RGB(1, 43, 99));  // 299 spills into red

  auto big = std::make_shared<Surface>();
  ASSERT_TRUE(big->Resize(140, 130));
  for (int y = 0; y < 130; ++y)
    for (int x = 0; x < 140; ++x) big->pixels()[y * 140 + x] = static_cast<uint32_t>(x << 8 | y);
  right.ShowPicture(big);
  RECT r = right.ShownRect();
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.right, 300);
  EXPECT_EQ(r.bottom, 100);
  right.Paint(shown.dc(), POINT{0, 0});
  GdiFlush();
  EXPECT_EQ(shown.PixelAt(200, 0), RGB(0, 20, 15));  // the picture's (20, 15)
}

}  // namespace
}  // namespace zarnik
