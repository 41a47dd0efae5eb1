// Stand-ins for the system's session and power-setting registrations, recording what a
// window asked for and gave back. Install() puts them in place; the destructor puts the
// system's back.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/screen_watch.h"

namespace zarnik::test {

inline constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0,
                                              {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
inline constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

struct WatchAsked {
  std::vector<std::pair<HWND, DWORD>> sessions;
  std::vector<HWND> sessions_given_back;
  std::vector<GUID> settings;
  std::vector<DWORD> setting_flags;
  std::vector<HPOWERNOTIFY> settings_given_back;
  bool windows8 = true;  // what the system is said to be
  bool refuse = false;   // the system turns the registrations down
};

class WatchRecorder {
 public:
  static inline WatchAsked asked;
  static inline const HPOWERNOTIFY kNotify = reinterpret_cast<HPOWERNOTIFY>(intptr_t{0x5150});

  WatchRecorder() {
    asked = WatchAsked{};
    WatchFunctions() = ScreenWatchFunctions{Session, SessionGivenBack, Setting, SettingGivenBack, Windows8};
  }
  ~WatchRecorder() { WatchFunctions() = SystemScreenWatchFunctions(); }
  WatchRecorder(const WatchRecorder&) = delete;
  WatchRecorder& operator=(const WatchRecorder&) = delete;

 private:
  static BOOL WINAPI Session(HWND wnd, DWORD flags) {
    asked.sessions.push_back({wnd, flags});
    return !asked.refuse;
  }
  static BOOL WINAPI SessionGivenBack(HWND wnd) {
    asked.sessions_given_back.push_back(wnd);
    return TRUE;
  }
  static HPOWERNOTIFY WINAPI Setting(HANDLE, LPCGUID setting, DWORD flags) {
    asked.settings.push_back(*setting);
    asked.setting_flags.push_back(flags);
    return asked.refuse ? nullptr : kNotify;
  }
  static BOOL WINAPI SettingGivenBack(HPOWERNOTIFY notify) {
    asked.settings_given_back.push_back(notify);
    return TRUE;
  }
  static bool Windows8() { return asked.windows8; }
};

}  // namespace zarnik::test
