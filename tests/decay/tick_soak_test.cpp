// A long run: two thousand ticks at 1920x1080 with the real converter, each shown in a window
// as the saver shows it, with nothing growing once the first ticks are done.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "converter/quorvel_binding.h"
#include "decay/decay_cycle.h"
#include "platform/gdi.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kTicks = 2000;
constexpr int kSettleTicks = 30;  // the bitmap file, the font, the heap's first sizes

// What must stay flat, and how much it may drift over the run. The program's own counts of
// live GDI objects and kernel handles allow none.
struct Counter {
  const char* name;
  std::function<long long()> read;
  long long allowed_growth;
};

std::vector<Counter> Counters() {
  auto memory = [](SIZE_T PROCESS_MEMORY_COUNTERS_EX::*field) {
    return [field]() -> long long {
      PROCESS_MEMORY_COUNTERS_EX pmc{};
      pmc.cb = sizeof(pmc);
      if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        return -1;
      return static_cast<long long>(pmc.*field / 1024);
    };
  };
  return {
      {"working set KB", memory(&PROCESS_MEMORY_COUNTERS_EX::WorkingSetSize), 6 * 1024},
      {"private KB", memory(&PROCESS_MEMORY_COUNTERS_EX::PrivateUsage), 6 * 1024},
      {"handles",
       []() -> long long {
         DWORD count = 0;
         return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : -1;
       },
       2},
      {"live GDI objects", [] { return static_cast<long long>(LiveGdiObjects()); }, 0},
      // The system's count (0 under Wine, where the line above witnesses).
      {"GDI objects (GetGuiResources)", [] { return static_cast<long long>(test::SystemGdiObjects()); },
       test::kSystemGdiSlack},
      {"live kernel handles", [] { return static_cast<long long>(LiveKernelHandles()); }, 0},
  };
}

// Soft colour fields with grain, so the JPEG's size and work are those of a real desktop.
void PhotoLike(Surface& s) {
  ASSERT_TRUE(s.Resize(kWidth, kHeight));
  uint32_t seed = 5;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      auto c = [&](double v) { return static_cast<uint32_t>(std::clamp(static_cast<int>(v) + grain, 0, 255)); };
      s.pixels()[static_cast<size_t>(y) * kWidth + x] =
          (c(120 + 90 * std::sin(x / 97.0 + y / 151.0)) << 16) | (c(110 + 80 * std::cos(x / 61.0 - y / 83.0)) << 8) |
          c(60 + 150.0 * y / kHeight);
    }
}

const Surface* g_shown = nullptr;

LRESULT CALLBACK ShowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return TRUE;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    if (g_shown) g_shown->PaintTo(dc, 0, 0);
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

TEST(TickSoak, TwoThousandTicksAtFullHdLeaveMemoryAndHandlesFlat) {
  test::TempFolder folder;
  Surface source, display;
  PhotoLike(source);
  ASSERT_TRUE(display.Assign(source));

  WNDCLASSW wc{};
  wc.lpfnWndProc = ShowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikSoakDisplay";
  RegisterClassW(&wc);
  g_shown = &display;
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"soak", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);

  DecayCycle cycle(
      folder.File(L"Quorvel.bmp"), folder.File(L"Quorvel.jpg"),
      [](const std::wstring& b, const std::wstring& j, int32_t q) { return ConvertBMPtoJPG(b, j, q); }, 1);
  const std::vector<Counter> counters = Counters();
  std::vector<long long> settled(counters.size()), most(counters.size());
  int captions = 0;
  for (int tick = 1; tick <= kTicks; ++tick) {
    cycle.Tick(source, display);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
    test::DrainMessages();
    captions += !cycle.caption().empty();
    if (tick < kSettleTicks || tick % 10 != 0) continue;
    for (size_t i = 0; i < counters.size(); ++i) {
      const long long value = counters[i].read();
      ASSERT_GE(value, 0) << counters[i].name;
      if (tick == kSettleTicks) settled[i] = most[i] = value;
      most[i] = std::max(most[i], value);
    }
  }
  DestroyWindow(wnd);
  g_shown = nullptr;

  // Every tick converted and showed its JPEG; the schedule went round many times.
  EXPECT_EQ(captions, kTicks);
  EXPECT_EQ(cycle.bitmap().writes(), 1);
  EXPECT_EQ(test::JpegQuality(test::ReadBytes(folder.File(L"Quorvel.jpg"))), cycle.quality());
  for (size_t i = 0; i < counters.size(); ++i) {
    ::testing::Test::RecordProperty(std::string(counters[i].name) + " settled", std::to_string(settled[i]));
    ::testing::Test::RecordProperty(std::string(counters[i].name) + " most", std::to_string(most[i]));
    EXPECT_LE(most[i] - settled[i], counters[i].allowed_growth)
        << counters[i].name << ": " << settled[i] << " after " << kSettleTicks << " ticks, up to " << most[i];
  }
  cycle.bitmap().Delete();
}

}  // namespace
}  // namespace zarnik
