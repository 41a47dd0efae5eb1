// The owners of window-system objects count what they hold: the witness the growth tests read,
// as Windows' own count answers 0 under Wine.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/gdi.h"
#include "platform/surface.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

TEST(GdiCountTest, OwnersCountWhatTheyHoldAndGiveItBack) {
  const long before = LiveGdiObjects();
  {
    ScopedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    MemoryDC dc;
    Surface surface;
    ASSERT_TRUE(surface.Resize(8, 8));
    EXPECT_EQ(LiveGdiObjects(), before + 4);  // brush, DC, and the surface's DC and bitmap
    ScopedBitmap moved(CreateCompatibleBitmap(dc, 4, 4));
    ScopedBitmap taker(std::move(moved));
    EXPECT_EQ(LiveGdiObjects(), before + 5);
    DeleteObject(taker.release());
    EXPECT_EQ(LiveGdiObjects(), before + 4);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
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
