// Zarnik.scr full screen on two monitors. Run by scripts/multi-monitor-test.sh, which brings
// up an X server with the layout in ZARNIK_MONITORS ("l,t,r,b;..." primary first) and a known
// picture on its root window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/gdi.h"
#include "platform/picture_file.h"
#include "platform/surface.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/keyboard_input.h"
#include "tests/support/saver_process.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

std::vector<RECT> ExpectedMonitors() {
  std::vector<RECT> out;
  const char* text = std::getenv("ZARNIK_MONITORS");
  std::stringstream list(text ? text : "");
  std::string item;
  while (std::getline(list, item, ';')) {
    RECT r{};
    if (sscanf(item.c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom) == 4) out.push_back(r);
  }
  return out;
}

BOOL CALLBACK AddRect(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    auto* rects = reinterpret_cast<std::vector<RECT>*>(list);
    // The primary first, as the expected list has it.
    if (info.dwFlags & MONITORINFOF_PRIMARY) rects->insert(rects->begin(), info.rcMonitor);
    else rects->push_back(info.rcMonitor);
  }
  return TRUE;
}

std::vector<RECT> SystemMonitors() {
  std::vector<RECT> rects;
  EnumDisplayMonitors(nullptr, nullptr, AddRect, reinterpret_cast<LPARAM>(&rects));
  return rects;
}

RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// The screen's pixels in a virtual-screen rectangle.
Screenshot Capture(const RECT& r) {
  Screenshot shot;
  Surface copy;
  if (!copy.Resize(r.right - r.left, r.bottom - r.top)) return shot;
  ScopedGetDC screen(nullptr);
  BitBlt(copy.dc(), 0, 0, copy.width(), copy.height(), screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  shot.width = copy.width();
  shot.height = copy.height();
  shot.pixels.assign(copy.pixels(), copy.pixels() + static_cast<size_t>(shot.width) * shot.height);
  return shot;
}

int Channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }
int Distance(uint32_t a, uint32_t b) {
  return std::max({std::abs(Channel(a, 0) - Channel(b, 0)), std::abs(Channel(a, 8) - Channel(b, 8)),
                   std::abs(Channel(a, 16) - Channel(b, 16))});
}
bool IsWhite(uint32_t p) { return Channel(p, 0) > 230 && Channel(p, 8) > 230 && Channel(p, 16) > 230; }
bool IsBlack(uint32_t p) { return Channel(p, 0) < 25 && Channel(p, 8) < 25 && Channel(p, 16) < 25; }

std::wstring BitmapName(size_t index) {
  return index == 0 ? L"Quorvel.bmp" : L"Quorvel-" + std::to_wstring(index + 1) + L".bmp";
}
std::wstring JpegName(size_t index) {
  return index == 0 ? L"Quorvel.jpg" : L"Quorvel-" + std::to_wstring(index + 1) + L".jpg";
}

// xrandr run from inside Wine, which starts a native program as it would a Windows one; its
// process cannot be waited for, so callers wait for the effect.
bool RunXrandr(const std::string& arguments) {
  Process xrandr;
  return xrandr.Start(L"/usr/bin/xrandr " + std::wstring(arguments.begin(), arguments.end()));
}

// The screen once a tick's painting is done: two looks in a row that agree.
Screenshot SettledCapture(const RECT& r) {
  Screenshot last = Capture(r);
  Screenshot now;
  PumpUntil([&] {
    now = Capture(r);
    const bool same = now.pixels == last.pixels;
    last = now;
    return same;
  }, 10s);
  return now;
}

bool PointerAt(POINT want) {
  return PumpUntil([&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == want.x && p.y == want.y;
  }, 10s);
}

// The saver on a picture file, or on the desktop when there is none.
class Saver : public SaverProcess {
 public:
  Saver(const ProgramFolder& folder, int degree, const std::wstring& picture = L"")
      : SaverProcess((WriteSettings(folder, degree, picture), folder), L"/s", 20s) {}
  bool EndsWithin(std::chrono::milliseconds window_gone) { return Ends(window_gone); }

 private:
  static void WriteSettings(const ProgramFolder& folder, int degree, const std::wstring& picture) {
    EXPECT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"),
                           SettingsFileBytes(picture.empty() ? 0 : 1, picture, degree, 0, 0, L"")));
  }
};

class Monitors : public ::testing::Test {
 protected:
  void SetUp() override {
    monitors_ = SystemMonitors();
    ASSERT_GE(monitors_.size(), 2u) << "the rig gave one monitor";
  }
  std::vector<RECT> monitors_;
};

TEST_F(Monitors, RigHasTheLayoutAsked) {
  const std::vector<RECT> want = ExpectedMonitors();
  ASSERT_EQ(monitors_.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(EqualRect(&monitors_[i], &want[i])) << "monitor " << i;
}

TEST_F(Monitors, EachShowsItsOwnPartDecayedWithItsCaptionAndGapsStayBlack) {
  const RECT all = VirtualScreen();
  const Screenshot live = Capture(all);
  ASSERT_EQ(live.width, all.right - all.left);
  ProgramFolder folder;
  Saver saver(folder, 45);  // every tick at quality 55: plainly not the desktop
  ASSERT_TRUE(saver.up());
  RECT placed{};
  GetWindowRect(saver.wnd(), &placed);
  EXPECT_TRUE(EqualRect(&placed, &all)) << "one window over the whole virtual screen";

  // The first tick has written every monitor's JPEG and the screen shows the captions.
  auto captioned = [&] {
    for (size_t i = 0; i < monitors_.size(); ++i)
      if (JpegQuality(ReadBytes(folder.File(JpegName(i)))) != 55) return false;
    const Screenshot shot = Capture(all);
    return std::count_if(shot.pixels.begin(), shot.pixels.end(), IsWhite) > 200;
  };
  ASSERT_TRUE(PumpUntil(captioned, 10s));
  const Screenshot shot = SettledCapture(all);

  for (size_t i = 0; i < monitors_.size(); ++i) {
    const RECT& m = monitors_[i];
    const int w = m.right - m.left, h = m.bottom - m.top;
    SCOPED_TRACE("monitor " + std::to_string(i));
    // Its JPEG is its own part of the desktop: its size, close to what was there. Each tick
    // deletes it before the next is written (every tick's is the same at this degree), so a
    // read that falls between the two is tried again.
    Surface jpeg;
    ASSERT_TRUE(PumpUntil([&] { return LoadPictureFile(folder.File(JpegName(i)), jpeg); }, 10s));
    ASSERT_EQ(jpeg.width(), w);
    ASSERT_EQ(jpeg.height(), h);
    long long jpeg_off = 0;
    size_t same_as_live = 0, same_as_jpeg = 0;
    RECT white{w, h, -1, -1}, black{w, h, -1, -1};
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint32_t was = live.At(m.left - all.left + x, m.top - all.top + y);
        const uint32_t is = shot.At(m.left - all.left + x, m.top - all.top + y);
        const uint32_t decayed = jpeg.pixels()[static_cast<size_t>(y) * w + x];
        jpeg_off += Distance(decayed, was);
        same_as_live += is == was;
        same_as_jpeg += Distance(is, decayed) <= 2;
        RECT* box = IsWhite(is) ? &white : IsBlack(is) ? &black : nullptr;
        if (box) {
          box->left = std::min<LONG>(box->left, x);
          box->right = std::max<LONG>(box->right, x + 1);
          box->top = std::min<LONG>(box->top, y);
          box->bottom = std::max<LONG>(box->bottom, y + 1);
        }
      }
    }
    const double pixels = static_cast<double>(w) * h;
    EXPECT_LT(static_cast<double>(jpeg_off) / pixels, 6.0) << "the JPEG is not this monitor's part";
    EXPECT_LT(same_as_live / pixels, 0.9) << "the live desktop shows";
    EXPECT_GT(same_as_jpeg / pixels, 0.97) << "the screen is not the decayed picture";
    ASSERT_GT(white.right, white.left) << "no white caption";
    ASSERT_GT(black.right, black.left) << "no black caption";
    EXPECT_NEAR((white.left + white.right) / 2.0, w / 2.0, 4);
    EXPECT_NEAR((white.top + white.bottom) / 2.0, h / 2.0, 8);
    EXPECT_GT(black.top, white.top + 8);
    EXPECT_NEAR(black.left, white.left, 2);
  }

  // Pixels on no monitor are the saver's black.
  size_t gap = 0, gap_black = 0;
  for (int y = all.top; y < all.bottom; ++y) {
    for (int x = all.left; x < all.right; ++x) {
      const POINT p{x, y};
      if (std::any_of(monitors_.begin(), monitors_.end(), [&](const RECT& m) { return PtInRect(&m, p); }))
        continue;
      ++gap;
      gap_black += shot.At(x - all.left, y - all.top) == 0;
    }
  }
  EXPECT_EQ(gap_black, gap);

  SendKey(VK_SPACE);
  EXPECT_TRUE(saver.EndsWithin(3s));
  for (size_t i = 0; i < monitors_.size(); ++i) {
    EXPECT_FALSE(FileExistsW(folder.File(BitmapName(i)))) << "monitor " << i;
    EXPECT_TRUE(FileExistsW(folder.File(JpegName(i)))) << "monitor " << i;
  }
}

TEST_F(Monitors, APictureIsCentredOnBlackOnEachMonitorWithItsCaption) {
  ProgramFolder folder;
  Surface picture;
  ASSERT_TRUE(picture.Resize(200, 100));
  std::fill(picture.pixels(), picture.pixels() + 200 * 100, 0x2060C0u);
  ASSERT_TRUE(picture.SaveBmp(folder.File(L"small.bmp")));
  Saver saver(folder, 5, folder.File(L"small.bmp"));
  ASSERT_TRUE(saver.up());
  ASSERT_TRUE(PumpUntil([&] {
    for (size_t i = 0; i < monitors_.size(); ++i)
      if (!JpegQuality(ReadBytes(folder.File(JpegName(i))))) return false;
    return true;
  }, 10s));
  for (size_t i = 0; i < monitors_.size(); ++i) {
    SCOPED_TRACE("monitor " + std::to_string(i));
    const RECT& m = monitors_[i];
    const Screenshot shot = SettledCapture(m);
    const int left = (shot.width - 200) / 2, top = (shot.height - 100) / 2;
    int outside_not_black = 0, inside_blue = 0, white = 0;
    double white_x = 0;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const uint32_t p = shot.At(x, y);
        if (x < left || x >= left + 200 || y < top || y >= top + 100) {
          outside_not_black += p != 0;
          continue;
        }
        inside_blue += Distance(p, 0x2060C0u) < 24;
        if (IsWhite(p)) {
          ++white;
          white_x += x;
        }
      }
    }
    EXPECT_EQ(outside_not_black, 0);
    EXPECT_GT(inside_blue, 200 * 100 / 2);
    ASSERT_GT(white, 50) << "no caption";
    EXPECT_NEAR(white_x / white, left + 100, 6);
  }
  SendKey(VK_SPACE);
  EXPECT_TRUE(saver.EndsWithin(3s));
}

TEST_F(Monitors, QualitiesFollowTheScheduleInLockstep) {
  ProgramFolder folder;
  Saver saver(folder, 10);
  ASSERT_TRUE(saver.up());
  // Each file's qualities in order, and how far apart the monitors ever were in ticks.
  std::vector<std::vector<int>> seen(monitors_.size());
  std::vector<std::string> last(monitors_.size());
  size_t most_apart = 0;
  PumpUntil([&] {
    for (size_t i = 0; i < monitors_.size(); ++i) {
      std::string bytes = ReadBytes(folder.File(JpegName(i)));
      if (bytes.empty() || bytes == last[i]) continue;
      if (auto q = JpegQuality(bytes)) {
        seen[i].push_back(*q);
        last[i] = std::move(bytes);
      }
    }
    const auto [fewest, most] = std::minmax_element(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
      return a.size() < b.size();
    });
    most_apart = std::max(most_apart, most->size() - fewest->size());
    return false;
  }, 5200ms);
  const std::vector<int> want = {90, 80, 70, 60, 50, 40, 30, 20, 90};
  for (size_t i = 0; i < monitors_.size(); ++i) {
    ASSERT_GE(seen[i].size(), want.size()) << "monitor " << i;
    seen[i].resize(want.size());
    EXPECT_EQ(seen[i], want) << "monitor " << i;
  }
  // A monitor may finish its part of a tick before another, never a whole tick ahead.
  EXPECT_LE(most_apart, 1u);
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(saver.EndsWithin(3s));
}

TEST_F(Monitors, MovingAcrossMonitorsLeavesItAndAClickOnTheSecondaryEndsIt) {
  ProgramFolder folder;
  Saver saver(folder, 10);
  ASSERT_TRUE(saver.up());
  ASSERT_TRUE(PumpUntil([&] { return FileExistsW(folder.File(BitmapName(1))); }, 10s));
  for (int i = 0; i < 12; ++i) {
    const RECT& m = monitors_[i % monitors_.size()];
    const POINT to{m.left + (m.right - m.left) * (i + 1) / 14, m.top + (m.bottom - m.top) * (13 - i) / 14};
    SetCursorPos(to.x, to.y);
    ASSERT_TRUE(PointerAt(to)) << "move " << i;
    EXPECT_TRUE(saver.process().Idle(10s));
  }
  EXPECT_TRUE(saver.process().Running()) << "moving the mouse ended it";
  const RECT& second = monitors_[1];
  const POINT middle{(second.left + second.right) / 2, (second.top + second.bottom) / 2};
  SetCursorPos(middle.x, middle.y);
  ASSERT_TRUE(PointerAt(middle));
  EXPECT_TRUE(saver.process().Idle(10s));
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  EXPECT_TRUE(saver.EndsWithin(3s));
  for (size_t i = 0; i < monitors_.size(); ++i)
    EXPECT_FALSE(FileExistsW(folder.File(BitmapName(i)))) << "monitor " << i;
}

TEST_F(Monitors, AMonitorGoneOrAddedMidRunLeavesNoneUncovered) {
  const char* back_on = std::getenv("ZARNIK_SECONDARY_ON");
  ASSERT_TRUE(back_on) << "the rig says nothing of how to bring the second monitor back";
  ProgramFolder folder;
  Saver saver(folder, 10);
  ASSERT_TRUE(saver.up());
  ASSERT_TRUE(PumpUntil([&] { return FileExistsW(folder.File(JpegName(1))); }, 10s));
  auto covers = [&](const RECT& want) {
    RECT placed{};
    return GetWindowRect(saver.wnd(), &placed) && EqualRect(&placed, &want);
  };

  ASSERT_TRUE(RunXrandr("--output DUMMY1 --off"));
  ASSERT_TRUE(PumpUntil([] { return SystemMonitors().size() == 1; }, 15s));
  const RECT primary = SystemMonitors()[0];
  EXPECT_TRUE(PumpUntil([&] { return covers(primary); }, 10s)) << "the window does not fit the one monitor";
  EXPECT_TRUE(PumpUntil([&] { return !FileExistsW(folder.File(BitmapName(1))); }, 5s));
  EXPECT_TRUE(saver.process().Running());

  ASSERT_TRUE(RunXrandr(back_on));
  ASSERT_TRUE(PumpUntil([] { return SystemMonitors().size() == 2; }, 15s));
  const RECT all = VirtualScreen();
  EXPECT_TRUE(PumpUntil([&] { return covers(all); }, 10s)) << "the window does not cover the monitor back";
  // The monitor that came back decays the black the saver gave it, in step with the primary.
  const bool in_step = PumpUntil([&] {
    auto q1 = JpegQuality(ReadBytes(folder.File(JpegName(0))));
    auto q2 = JpegQuality(ReadBytes(folder.File(JpegName(1))));
    return FileExistsW(folder.File(BitmapName(1))) && q1 && q1 == q2;
  }, 10s);
  EXPECT_TRUE(in_step);
  const RECT second = SystemMonitors()[1];
  const Screenshot shot = SettledCapture(second);
  ASSERT_GT(shot.width, 0);
  const auto white = std::count_if(shot.pixels.begin(), shot.pixels.end(), IsWhite);
  const auto black = std::count_if(shot.pixels.begin(), shot.pixels.end(), IsBlack);
  EXPECT_GT(white, 100) << "no caption on the monitor back";
  // Only the caption's smoothed edges are neither: the live desktop would be everywhere.
  EXPECT_GT(static_cast<double>(black + white) / shot.pixels.size(), 0.98)
      << "the monitor back shows something other than black and its caption";
  EXPECT_TRUE(saver.process().Running());

  SendKey(VK_SHIFT);
  EXPECT_TRUE(saver.EndsWithin(3s));
  for (size_t i = 0; i < 2; ++i) EXPECT_FALSE(FileExistsW(folder.File(BitmapName(i)))) << "monitor " << i;
}

}  // namespace
}  // namespace zarnik::test
