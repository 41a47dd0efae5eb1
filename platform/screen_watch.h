// What the system says about who can see the screen, sent to a window that asks: session
// events (WM_WTSSESSION_CHANGE: locked, unlocked, disconnected) and the display's power state
// (WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE).
#pragma once

#include <windows.h>

#include <optional>

namespace zarnik {

// The system functions behind the watch; tests put recorders in their place.
struct ScreenWatchFunctions {
  BOOL(WINAPI* register_session)(HWND, DWORD) = nullptr;
  BOOL(WINAPI* unregister_session)(HWND) = nullptr;
  HPOWERNOTIFY(WINAPI* register_power_setting)(HANDLE, LPCGUID, DWORD) = nullptr;
  BOOL(WINAPI* unregister_power_setting)(HPOWERNOTIFY) = nullptr;
  // Windows 8 or later: only those report the display's state; Windows 7 reports the
  // monitor's power alone.
  bool (*windows8_or_later)() = nullptr;
};

// The system's own.
ScreenWatchFunctions SystemScreenWatchFunctions();
// The functions the watch uses now; the system's unless replaced.
ScreenWatchFunctions& WatchFunctions();

// The power setting that tells the display's state on a system of that age.
const GUID& DisplayStateSetting(bool windows8_or_later);

// A window's registration for both kinds of message, for its own session, undone by Stop or
// at the end. A registration the system refuses is simply not there: nothing then says the
// screen is hidden, and the saver goes on as it always did.
class ScreenWatch {
 public:
  ScreenWatch() = default;
  ~ScreenWatch() { Stop(); }
  ScreenWatch(const ScreenWatch&) = delete;
  ScreenWatch& operator=(const ScreenWatch&) = delete;

  void Start(HWND wnd);
  void Stop();

 private:
  HWND session_wnd_ = nullptr;
  HPOWERNOTIFY display_ = nullptr;
};

// The display's state a WM_POWERBROADCAST carries (0 off, 1 on, 2 dimmed), or nothing when it
// carries none. Any process may send the message with any number for its pointer, so the
// memory is looked at before it is read.
std::optional<int> DisplayStateIn(WPARAM wp, LPARAM lp);

}  // namespace zarnik
