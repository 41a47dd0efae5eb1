// Windows owned by C++ objects. CreateOwnedWindow hands the object to the window: the thunk
// takes it at WM_NCCREATE, keeps it in the window's user data, passes every message to its
// Handle(msg, wp, lp) with no exception let out, and deletes it at WM_NCDESTROY. Once taken,
// only the window deletes it, even when CreateWindowEx then fails (a failed creation still
// ends in WM_NCDESTROY); when no WM_NCCREATE came, the creator's pointer frees it.
#pragma once

#include <windows.h>

#include <memory>

namespace zarnik {

template <typename T>
struct WindowTicket {
  T* object = nullptr;
  bool taken = false;
};

// T needs: HWND wnd_ (set here) and LRESULT Handle(UINT, WPARAM, LPARAM); this function
// as a friend when those are private.
template <typename T>
LRESULT CALLBACK WindowThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    auto* ticket = static_cast<WindowTicket<T>*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (ticket && ticket->object && !ticket->taken) {
      self = ticket->object;
      ticket->taken = true;
      SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->wnd_ = wnd;
    }
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

// What CreateWindowEx is given, apart from the object.
struct WindowSpec {
  const wchar_t* class_name = nullptr;
  const wchar_t* title = L"";
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  HWND parent = nullptr;
  int child_id = 0;
  HINSTANCE instance = nullptr;
};

// The window, or null when none was made; either way the object is looked after.
template <typename T>
HWND CreateOwnedWindow(std::unique_ptr<T> object, const WindowSpec& desc) {
  if (!object) return nullptr;
  WindowTicket<T> ticket{object.get()};
  HWND wnd = CreateWindowExW(desc.ex_style, desc.class_name, desc.title, desc.style, desc.x, desc.y, desc.width,
                             desc.height, desc.parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(desc.child_id)), desc.instance, &ticket);
  if (ticket.taken) object.release();  // the window's now, made or not
  return wnd;
}

// Registers a class whose windows run WindowThunk<T>. A class already registered is fine.
struct WindowClassSpec {
  const wchar_t* name = nullptr;
  HINSTANCE instance = nullptr;
  HCURSOR cursor = nullptr;  // null: the window sets its own
  HICON icon = nullptr;
  HBRUSH background = nullptr;
};
bool RegisterWindowClass(const WindowClassSpec& desc, WNDPROC proc);

template <typename T>
bool RegisterWindowClassFor(const WindowClassSpec& desc) {
  return RegisterWindowClass(desc, WindowThunk<T>);
}

}  // namespace zarnik
