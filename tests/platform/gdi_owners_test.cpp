// The owners of window-system objects count what they hold: the witness the growth tests read,
// as Windows' own count answers 0 under Wine. Where the system counts, it agrees.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/gdi.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

TEST(GdiCountTest, OwnersCountWhatTheyHoldAndGiveItBack) {
  const bool system_counts = test::SystemCountsGdiObjects();
  const long before = LiveGdiObjects();
  const long system_before = test::SystemGdiObjects();
  {
    ScopedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    MemoryDC dc;
    Surface surface;
    ASSERT_TRUE(surface.Resize(8, 8));
    EXPECT_EQ(LiveGdiObjects(), before + 4);  // brush, DC, and the surface's DC and bitmap
    if (system_counts) {
      EXPECT_EQ(test::SystemGdiObjects(), system_before + 4);
    }
    ScopedBitmap moved(CreateCompatibleBitmap(dc, 4, 4));
    ScopedBitmap taker(std::move(moved));
    EXPECT_EQ(LiveGdiObjects(), before + 5);
    DeleteObject(taker.release());
    EXPECT_EQ(LiveGdiObjects(), before + 4);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(test::SystemGdiObjects(), system_before);
  const long handles = LiveKernelHandles();
  {
    ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(LiveKernelHandles(), handles + 1);
    EXPECT_TRUE(event.Close());
    EXPECT_EQ(LiveKernelHandles(), handles);
  }
}

}  // namespace
}  // namespace zarnik
