#include "platform/screen_watch.h"

#include <wtsapi32.h>
#include <versionhelpers.h>

#include <cstddef>
#include <cstring>

namespace zarnik {

namespace {

// GUID_CONSOLE_DISPLAY_STATE (Windows 8) and GUID_MONITOR_POWER_ON (Vista), spelt out here so
// that no GUID library is needed.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

bool SystemIsWindows8OrLater() { return IsWindows8OrGreater(); }

// Whether every byte of the span is committed memory of this process that can be read.
bool Readable(const void* start, size_t size) {
  const auto* at = static_cast<const unsigned char*>(start);
  const auto* end = at + size;
  if (!at || end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(at, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & readable) || (info.Protect & PAGE_GUARD)) return false;
    at = static_cast<const unsigned char*>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

}  // namespace

ScreenWatchFunctions SystemScreenWatchFunctions() {
  ScreenWatchFunctions f;
  f.register_session = WTSRegisterSessionNotification;
  f.unregister_session = WTSUnRegisterSessionNotification;
  f.register_power_setting = RegisterPowerSettingNotification;
  f.unregister_power_setting = UnregisterPowerSettingNotification;
  f.windows8_or_later = SystemIsWindows8OrLater;
  return f;
}

ScreenWatchFunctions& WatchFunctions() {
  static ScreenWatchFunctions functions = SystemScreenWatchFunctions();
  return functions;
}

const GUID& DisplayStateSetting(bool windows8_or_later) {
  return windows8_or_later ? kConsoleDisplayState : kMonitorPowerOn;
}

void ScreenWatch::Start(HWND wnd) {
  Stop();
  const ScreenWatchFunctions& f = WatchFunctions();
  if (f.register_session && f.register_session(wnd, NOTIFY_FOR_THIS_SESSION)) session_wnd_ = wnd;
  const bool newer = f.windows8_or_later && f.windows8_or_later();
  // The system answers at once with the display's state now, then at each change.
  if (f.register_power_setting)
    display_ = f.register_power_setting(wnd, &DisplayStateSetting(newer), DEVICE_NOTIFY_WINDOW_HANDLE);
}

void ScreenWatch::Stop() {
  const ScreenWatchFunctions& f = WatchFunctions();
  if (session_wnd_ && f.unregister_session) f.unregister_session(session_wnd_);
  if (display_ && f.unregister_power_setting) f.unregister_power_setting(display_);
  session_wnd_ = nullptr;
  display_ = nullptr;
}

std::optional<int> DisplayStateIn(WPARAM wp, LPARAM lp) {
  if (wp != PBT_POWERSETTINGCHANGE) return std::nullopt;
  const void* setting = reinterpret_cast<const void*>(lp);
  constexpr size_t kHead = offsetof(POWERBROADCAST_SETTING, Data);
  if (!Readable(setting, kHead)) return std::nullopt;
  POWERBROADCAST_SETTING head{};
  std::memcpy(&head, setting, kHead);
  const bool display = IsEqualGUID(head.PowerSetting, kConsoleDisplayState) ||
                       IsEqualGUID(head.PowerSetting, kMonitorPowerOn);
  if (!display || head.DataLength < sizeof(DWORD)) return std::nullopt;
  const auto* data = static_cast<const unsigned char*>(setting) + kHead;
  if (!Readable(data, sizeof(DWORD))) return std::nullopt;
  DWORD state = 0;
  std::memcpy(&state, data, sizeof(state));
  return static_cast<int>(state);
}

}  // namespace zarnik
