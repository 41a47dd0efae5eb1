// A horizontal scroll bar of the system, wrapped as a control of its own: made at its place
// with its range, read and moved by position. The parent owns the window; this is a view of it.
#pragma once

#include <windows.h>

#include <optional>

namespace zarnik {

class ScrollBar {
 public:
  ScrollBar() = default;
  // Null inside when the window could not be made.
  static ScrollBar Create(HWND parent, int id, const RECT& at, int min, int max, HINSTANCE instance);

  HWND hwnd() const { return wnd_; }
  int Position() const;
  void SetPosition(int position);
  void SetFont(HFONT font);
  // The position a WM_HSCROLL of this bar asks for, held to the range; nothing for a code that
  // moves nothing (the end of a drag).
  std::optional<int> PositionFor(WPARAM wp) const;

 private:
  HWND wnd_ = nullptr;
  int min_ = 0;
  int max_ = 0;
};

}  // namespace zarnik
