#include <gtest/gtest.h>

#include "decay/monitor_layout.h"

namespace zarnik {
namespace {

MonitorArea At(int left, int top, int w, int h, bool primary, const wchar_t* device) {
  return {left, top, left + w, top + h, primary, device};
}

std::vector<std::wstring> Devices(const std::vector<MonitorArea>& list) {
  std::vector<std::wstring> out;
  for (const auto& m : list) out.push_back(m.device);
  return out;
}

TEST(MonitorLayout, PrimaryFirstThenLeftToRightThenTopToBottom) {
  // Listed as a system might: the primary in the middle, one left of it at negative x, two
  // stacked on the right.
  const std::vector<MonitorArea> listed = {
      At(1920, 600, 1024, 768, false, L"D"), At(0, 0, 1920, 1080, true, L"A"),
      At(1920, -168, 1024, 768, false, L"C"), At(-1280, 100, 1280, 800, false, L"B")};
  const std::vector<std::wstring> want = {L"A", L"B", L"C", L"D"};
  EXPECT_EQ(Devices(InMonitorOrder(listed)), want);
  // Any listing order gives the same order.
  std::vector<MonitorArea> reversed(listed.rbegin(), listed.rend());
  EXPECT_EQ(Devices(InMonitorOrder(reversed)), want);

  const Bounds b = BoundsOf(listed);
  EXPECT_EQ(b.left, -1280);
  EXPECT_EQ(b.top, -168);
  EXPECT_EQ(b.right, 2944);
  EXPECT_EQ(b.bottom, 1368);
  const Bounds none = BoundsOf({});
  EXPECT_EQ(none.right - none.left, 0);
}

TEST(MonitorLayout, WorkFilesAreNamedAfterThePlaceInTheOrder) {
  EXPECT_EQ(BitmapWorkName(1), L"\\Quorvel.bmp");
  EXPECT_EQ(JpegWorkName(1), L"\\Quorvel.jpg");
  EXPECT_EQ(BitmapWorkName(2), L"\\Quorvel-2.bmp");
  EXPECT_EQ(JpegWorkName(12), L"\\Quorvel-12.jpg");
}

TEST(MonitorLayout, PictureIsCentredAndALargerOneShowsItsMiddle) {
  EXPECT_EQ(CentredStart(1024, 200), 412);
  EXPECT_EQ(CentredStart(1024, 201), 411);  // 411.5, cut towards zero as before
  EXPECT_EQ(CentredStart(800, 1000), -100);
  EXPECT_EQ(CentredStart(800, 1001), -100);  // -100.5
  EXPECT_EQ(CentredStart(800, 0), 400);
}

TEST(MonitorLayout, NumbersAtTheStartFollowTheOrder) {
  const auto numbers = AssignNumbers({}, {At(0, 0, 10, 10, true, L"A"), At(-10, 0, 10, 10, false, L"B")});
  ASSERT_EQ(numbers.size(), 2u);
  EXPECT_EQ(numbers[0].number, 1);
  EXPECT_EQ(numbers[1].number, 2);
  EXPECT_FALSE(numbers[0].kept || numbers[1].kept);
}

TEST(MonitorLayout, DisplayChangeKeepsWhatStayedAndGivesNewcomersFreeNumbers) {
  const MonitorArea a = At(0, 0, 1280, 800, true, L"A"), b = At(1280, 0, 1024, 768, false, L"B"),
                    c = At(-800, 0, 800, 600, false, L"C");
  const std::vector<NumberedMonitor> running = {{a, 1}, {b, 2}, {c, 3}};

  // B unplugged: A and C go on under their numbers.
  auto after = AssignNumbers(running, {a, c});
  ASSERT_EQ(after.size(), 2u);
  EXPECT_TRUE(after[0].kept && after[1].kept);
  EXPECT_EQ(after[0].number, 1);
  EXPECT_EQ(after[1].number, 3);

  // Then a new one comes: it takes the freed 2; another takes 4.
  const MonitorArea d = At(0, 800, 640, 480, false, L"D"), e = At(0, 1280, 640, 480, false, L"E");
  after = AssignNumbers({{a, 1}, {c, 3}}, {a, c, d, e});
  EXPECT_EQ(after[2].number, 2);
  EXPECT_FALSE(after[2].kept);
  EXPECT_EQ(after[3].number, 4);

  // B at a new size is new to the saver: its picture no longer fits.
  MonitorArea b_resized = b;
  b_resized.right += 256;
  after = AssignNumbers(running, {a, b_resized, c});
  EXPECT_FALSE(after[1].kept);
  EXPECT_EQ(after[1].number, 2);
  EXPECT_TRUE(after[0].kept && after[2].kept);

  // Two monitors reported alike are matched once each.
  after = AssignNumbers({{a, 1}}, {a, a});
  EXPECT_TRUE(after[0].kept);
  EXPECT_FALSE(after[1].kept);
  EXPECT_EQ(after[1].number, 2);
}

}  // namespace
}  // namespace zarnik
