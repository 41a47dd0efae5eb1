// The click rule alone: a release is a click only when it ends a press of the same button
// over the same control.
#include <gtest/gtest.h>

#include "button/press_record.h"

namespace zarnik {
namespace {

constexpr int kLabel = 3, kMark = 0, kAddress = 6;

TEST(PressRecord, AReleaseWithoutItsPressIsNoClick) {
  PressRecord r;
  // The second release of a double-click whose press went to a dialog that has closed since.
  EXPECT_FALSE(r.Release(MouseButton::Left, kLabel));
  EXPECT_FALSE(r.Release(MouseButton::Right, 0));
  EXPECT_FALSE(r.Release(MouseButton::Middle, 0));
  // Released over nothing, with nothing pressed either: still no click.
  EXPECT_FALSE(r.Release(MouseButton::Left, PressRecord::kNowhere));
  r.Press(MouseButton::Left, PressRecord::kNowhere);
  EXPECT_FALSE(r.Release(MouseButton::Left, PressRecord::kNowhere));
}

TEST(PressRecord, PressAndReleaseOfOneButtonOverOneControl) {
  PressRecord r;
  r.Press(MouseButton::Left, kLabel);
  EXPECT_TRUE(r.Release(MouseButton::Left, kLabel));
  // The press is used up: a second release, as of a double-click, is none.
  EXPECT_FALSE(r.Release(MouseButton::Left, kLabel));

  // Pressed on a mark, released on its own label: two controls, no click; and forgotten.
  r.Press(MouseButton::Left, kMark);
  EXPECT_FALSE(r.Release(MouseButton::Left, kLabel));
  EXPECT_FALSE(r.Release(MouseButton::Left, kMark));

  // Buttons are told apart: a right press does not make a left release a click.
  r.Press(MouseButton::Right, kAddress);
  EXPECT_FALSE(r.Release(MouseButton::Left, kAddress));
  EXPECT_TRUE(r.Release(MouseButton::Right, kAddress));
  r.Press(MouseButton::Middle, 0);
  r.Press(MouseButton::Left, 0);
  EXPECT_TRUE(r.Release(MouseButton::Left, 0));
  EXPECT_TRUE(r.Release(MouseButton::Middle, 0));

  // A later press over nothing replaces an earlier one.
  r.Press(MouseButton::Left, kLabel);
  r.Press(MouseButton::Left, PressRecord::kNowhere);
  EXPECT_FALSE(r.Release(MouseButton::Left, kLabel));
}

TEST(PressRecord, APressReleasedElsewhereUnseenIsForgotten) {
  PressRecord r;
  // Right press on the control, released over another window; the pointer comes back with no
  // button held and a stray right release follows.
  r.Press(MouseButton::Right, 0);
  r.Press(MouseButton::Left, 0);
  r.StillHeld(true, false, false);
  EXPECT_FALSE(r.Release(MouseButton::Right, 0));
  EXPECT_TRUE(r.Release(MouseButton::Left, 0));  // still held: kept

  r.Press(MouseButton::Middle, 0);
  r.StillHeld(false, false, true);
  EXPECT_TRUE(r.Release(MouseButton::Middle, 0));

  // The capture taken by another window: its release will not come here.
  r.Press(MouseButton::Left, kLabel);
  r.Forget(MouseButton::Left);
  EXPECT_FALSE(r.Release(MouseButton::Left, kLabel));
}

}  // namespace
}  // namespace zarnik
