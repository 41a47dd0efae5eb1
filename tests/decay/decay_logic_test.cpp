#include <gtest/gtest.h>

#include <vector>

#include "decay/quality_schedule.h"
#include "decay/viewing_state.h"

namespace zarnik {
namespace {

std::vector<int32_t> Qualities(int32_t degree, int ticks) {
  std::vector<int32_t> out;
  int32_t q = 100;
  for (int i = 0; i < ticks; ++i) {
    if (auto next = NextQuality(q, degree)) q = *next;
    out.push_back(q);
  }
  return out;
}

// Degree, lowest quality used, ticks per cycle: the schedule every degree the dialog offers
// must follow.
struct Row {
  int degree, lowest, ticks;
};
constexpr Row kSchedule[] = {{1, 11, 89}, {2, 12, 44}, {3, 13, 29}, {4, 12, 22}, {5, 15, 17},
                             {6, 16, 14}, {7, 16, 12}, {8, 12, 11}, {9, 19, 9},  {10, 20, 8}};

TEST(QualitySchedule, EachDegreeFallsFromJustBelow100AndWraps) {
  for (const Row& row : kSchedule) {
    auto q = Qualities(row.degree, 2 * row.ticks + 1);
    for (int i = 0; i < row.ticks; ++i)
      EXPECT_EQ(q[i], 100 - row.degree * (i + 1)) << "degree " << row.degree << " tick " << i;
    EXPECT_EQ(q[row.ticks - 1], row.lowest) << "degree " << row.degree;
    EXPECT_EQ(q[row.ticks], 100 - row.degree) << "degree " << row.degree << " wraps";
    EXPECT_EQ(q[2 * row.ticks], 100 - row.degree);
  }
}

TEST(QualitySchedule, DegreesOutsideTheDialogsRange) {
  for (int32_t q : Qualities(0, 5)) EXPECT_EQ(q, 100);
  for (int32_t q : Qualities(45, 5)) EXPECT_EQ(q, 55);
  for (int32_t q : Qualities(89, 3)) EXPECT_EQ(q, 11);
  for (int32_t q : Qualities(90, 3)) EXPECT_EQ(q, 10);
  for (int32_t q : Qualities(100, 3)) EXPECT_EQ(q, 0);
  EXPECT_EQ(Qualities(-5, 3), (std::vector<int32_t>{105, 110, 115}));
  // Rising past the 32-bit range fails the step: the quality stays where it was.
  EXPECT_EQ(NextQuality(2147483600, -32768), std::nullopt);
  EXPECT_EQ(NextQuality(2147483647, -1), std::nullopt);
  EXPECT_EQ(NextQuality(-2147483600, 32767), -32667);  // far below 10: back to 100 first
}

TEST(QualitySchedule, CaptionHasTwoBlanksAndNoneBeforeBytes) {
  EXPECT_EQ(CaptionText(97, 12345), L"Quality(97%)  FileSize(12345bytes)");
  EXPECT_EQ(CaptionText(100, 0), L"Quality(100%)  FileSize(0bytes)");
  EXPECT_EQ(CaptionText(-3, 7), L"Quality(-3%)  FileSize(7bytes)");
}

// Each reason nobody can see the screen stops the ticks on its own, and they come back only
// when none is left; a dimmed display is still seen.
TEST(ViewingState, TicksOnlyWhileUnlockedConnectedAndLit) {
  using V = ViewingState;
  V v;
  EXPECT_TRUE(v.Ticks());
  v.OnSessionEvent(V::kSessionLock);
  EXPECT_FALSE(v.Ticks());
  v.OnDisplayState(V::kDisplayOff);
  v.OnSessionEvent(V::kSessionUnlock);
  EXPECT_FALSE(v.Ticks()) << "the display is still off";
  v.OnDisplayState(V::kDisplayDimmed);
  EXPECT_TRUE(v.Ticks());
  v.OnDisplayState(V::kDisplayOff);
  v.OnDisplayState(V::kDisplayOn);
  EXPECT_TRUE(v.Ticks());

  // Taken over by a remote desktop: the console goes, the remote one comes, it is seen there.
  v.OnSessionEvent(V::kConsoleDisconnect);
  EXPECT_FALSE(v.Ticks());
  v.OnSessionEvent(V::kSessionLock);
  v.OnSessionEvent(V::kRemoteConnect);
  EXPECT_FALSE(v.Ticks()) << "still locked";
  v.OnSessionEvent(V::kSessionUnlock);
  EXPECT_TRUE(v.Ticks());
  v.OnSessionEvent(V::kRemoteDisconnect);
  EXPECT_FALSE(v.Ticks());
  v.OnSessionEvent(V::kConsoleConnect);
  EXPECT_TRUE(v.Ticks());

  // Numbers it does not know (logon, remote control, a display state from a newer system)
  // change nothing either way.
  for (int event : {0, 5, 6, 9, 10, 11, -1}) v.OnSessionEvent(event);
  for (int state : {3, -1, 255}) v.OnDisplayState(state);
  EXPECT_TRUE(v.Ticks());
  v.OnSessionEvent(V::kSessionLock);
  for (int event : {0, 5, 6, 9, 10, 11, -1}) v.OnSessionEvent(event);
  for (int state : {3, -1, 255}) v.OnDisplayState(state);
  EXPECT_FALSE(v.Ticks());
}

}  // namespace
}  // namespace zarnik
