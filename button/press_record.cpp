#include "button/press_record.h"

namespace zarnik {

void PressRecord::Press(MouseButton button, int control) { on_[Slot(button)] = control < 0 ? kNowhere : control; }

bool PressRecord::Release(MouseButton button, int control) {
  const int pressed_on = on_[Slot(button)];
  on_[Slot(button)] = kNowhere;
  return pressed_on != kNowhere && pressed_on == control;
}

void PressRecord::StillHeld(bool left, bool right, bool middle) {
  if (!left) Forget(MouseButton::Left);
  if (!right) Forget(MouseButton::Right);
  if (!middle) Forget(MouseButton::Middle);
}

void PressRecord::Forget(MouseButton button) { on_[Slot(button)] = kNowhere; }

}  // namespace zarnik
