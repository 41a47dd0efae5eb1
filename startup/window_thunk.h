// The window procedure of a window owned by a C++ object: the object comes in through
// CreateWindowEx's parameter, is kept in the window's user data, gets every message through
// its Handle(msg, wp, lp) with no exception let out, and is deleted with the window.
#pragma once

#include <windows.h>

namespace zarnik {

// T needs: HWND wnd_ (set here) and LRESULT Handle(UINT, WPARAM, LPARAM); this function
// as a friend when those are private.
template <typename T>
LRESULT CALLBACK WindowThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->wnd_ = wnd;
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->Handle(msg, wp, lp);
  } catch (...) {
    result = DefWindowProcW(wnd, msg, wp, lp);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    delete self;
  }
  return result;
}

}  // namespace zarnik
