// Windows owned by C++ objects. CreateOwnedWindow hands the object to the window: the thunk
// takes it at WM_NCCREATE, keeps it in the window's user data, passes every message to its
// Handle(msg, wp, lp) with no exception let out, and deletes it at WM_NCDESTROY. Once taken,
// only the window deletes it, even when CreateWindowEx then fails (a failed creation still
// ends in WM_NCDESTROY); when no WM_NCCREATE came, the creator's pointer frees it.
//
// A window class T derives from OwnedWindow and has LRESULT Handle(UINT, WPARAM, LPARAM), and
// WindowThunk<T> as a friend when that is private. A window with set-up that can fail has an
// OnLoad(): its creator runs it with RunLoadStep, inside the window procedure, once.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/messages.h"

namespace zarnik {

template <typename T>
LRESULT CALLBACK WindowThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

class OwnedWindow {
 public:
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  HWND hwnd() const { return wnd_; }

 protected:
  OwnedWindow() = default;
  ~OwnedWindow() = default;

  HWND wnd_ = nullptr;

 private:
  template <typename T>
  friend LRESULT CALLBACK WindowThunk(HWND, UINT, WPARAM, LPARAM);
  bool load_step_ran_ = false;
};

template <typename T>
struct WindowTicket {
  T* object = nullptr;
  bool taken = false;
};

template <typename T>
LRESULT CALLBACK WindowThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    auto* ticket = static_cast<WindowTicket<T>*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (ticket && ticket->object && !ticket->taken) {
      self = ticket->object;
      ticket->taken = true;
      SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      static_cast<OwnedWindow*>(self)->wnd_ = wnd;
    }
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    if (msg == kLoadStep) {
      OwnedWindow& window = *self;
      if (!window.load_step_ran_) {
        window.load_step_ran_ = true;
        if constexpr (requires(T& t) { t.OnLoad(); }) self->OnLoad();
      }
    } else {
      result = self->Handle(msg, wp, lp);
    }
  } catch (...) {
    result = DefWindowProcW(wnd, msg, wp, lp);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    delete self;
  }
  return result;
}

// The object behind a window of this process whose class runs WindowThunk<T>; null for any
// other window (another process's pointer would mean nothing here).
template <typename T>
T* WindowObject(HWND wnd) {
  if (!wnd) return nullptr;
  DWORD process = 0;
  if (!GetWindowThreadProcessId(wnd, &process) || process != GetCurrentProcessId()) return nullptr;
  if (GetClassLongPtrW(wnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&WindowThunk<T>)) return nullptr;
  return reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

// Runs the window's load step; a second call, or a load step posted from outside, does nothing.
inline void RunLoadStep(HWND wnd) {
  if (wnd) SendMessageW(wnd, kLoadStep, 0, 0);
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
