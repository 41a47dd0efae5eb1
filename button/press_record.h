// A click is a press and a release of one mouse button over one control. Windows sends a
// window a button-up without its button-down when the press happened over another window, one
// that has closed since (the second click of a double-click that confirmed a file dialog lands
// on whatever lay under it): such a release is no click. Pure logic: no windows.h.
#pragma once

#include <array>

namespace zarnik {

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

class PressRecord {
 public:
  static constexpr int kNowhere = -1;  // over none of the controls a host tells apart

  // A press of the button over the control; a press over nothing forgets any earlier one.
  void Press(MouseButton button, int control);
  // A release of the button over the control: true when it ends a press of the same button
  // over the same control. The press is forgotten either way.
  bool Release(MouseButton button, int control);
  // The buttons a mouse move reports held: a press whose release went elsewhere, unseen, is
  // forgotten, so a later stray release over the control finds nothing.
  void StillHeld(bool left, bool right, bool middle);
  void Forget(MouseButton button);

 private:
  static int Slot(MouseButton button) { return static_cast<int>(button); }
  std::array<int, 3> on_{kNowhere, kNowhere, kNowhere};
};

}  // namespace zarnik
