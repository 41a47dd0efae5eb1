// Five hundred ticks hold no more window-system objects or kernel handles than the first.
#include <gtest/gtest.h>

#include <chrono>

#include "converter/quorvel_binding.h"
#include "decay/decay_cycle.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

TEST(DecayGdiTest, FiveHundredTicksHoldNothingMore) {
  test::TempFolder folder;
  Surface source, display;
  ASSERT_TRUE(source.Resize(64, 48));
  for (int i = 0; i < 64 * 48; ++i) source.pixels()[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  ASSERT_TRUE(display.Resize(64, 48));
  DecayCycle cycle(
      folder.File(L"Quorvel.bmp"), folder.File(L"Quorvel.jpg"),
      [](const std::wstring& bmp, const std::wstring& jpg, int32_t q) { return ConvertBMPtoJPG(bmp, jpg, q); }, 10);
  // The first tick makes what the run keeps (the caption's font); nothing after it may add.
  cycle.Tick(source, display);
  const long before = LiveGdiObjects();
  const long system_before = test::SystemGdiObjects();
  const long handles = LiveKernelHandles();
  for (int i = 0; i < 500; ++i) {
    cycle.Tick(source, display);
    ASSERT_FALSE(cycle.caption().empty()) << "tick " << i;  // the JPEG came back every time
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_LE(test::SystemGdiObjects(), system_before + test::kSystemGdiSlack);
  EXPECT_EQ(LiveKernelHandles(), handles);
}

}  // namespace
}  // namespace zarnik
