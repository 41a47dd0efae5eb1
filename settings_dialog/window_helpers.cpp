#include "settings_dialog/window_helpers.h"

#include "button/command_button.h"
#include "settings/shared_state.h"

namespace zarnik {

namespace {

RECT PointRect() { return RECT{Zarnik_B::CursorX, Zarnik_B::CursorY, Zarnik_B::CursorX, Zarnik_B::CursorY}; }

struct Walk {
  bool init;
  bool enable;
};

BOOL CALLBACK EachChild(HWND child, LPARAM lp) {
  const auto* walk = reinterpret_cast<const Walk*>(lp);
  try {
    if (CommandButton* button = CommandButton::FromWindow(child)) {
      if (walk->init) {
        button->Initialize();
      } else {
        button->SetEnabled(walk->enable ? -1 : 0);
      }
    }
  } catch (...) {
  }
  return TRUE;
}

}  // namespace

void ZoomOpen(HWND wnd) {
  RECT from = PointRect();
  RECT to{};
  GetWindowRect(wnd, &to);
  DrawAnimatedRects(wnd, IDANI_CAPTION, &from, &to);
}

void ZoomClose(HWND wnd) {
  RECT to = PointRect();
  RECT from{};
  GetWindowRect(wnd, &from);
  DrawAnimatedRects(wnd, IDANI_CAPTION, &from, &to);
}

void SetButtons(HWND form, bool init, bool enable) {
  Walk walk{init, enable};
  EnumChildWindows(form, EachChild, reinterpret_cast<LPARAM>(&walk));
}

}  // namespace zarnik
