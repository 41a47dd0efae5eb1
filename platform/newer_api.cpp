#include "platform/newer_api.h"

#include <string>

#include "platform/screen_scale.h"

namespace zarnik {

namespace {

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& out) {
  out = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

NewerApi Lookup() {
  NewerApi api;
  // Loaded already in any program that has windows; never unloaded.
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  Find(user32, "SetThreadDpiAwarenessContext", api.set_thread_dpi_context);
  Find(user32, "GetWindowDpiAwarenessContext", api.window_dpi_context);
  // By its full path in the system folder, never by name: a shcore.dll beside the program or
  // in the current folder is not the system's.
  wchar_t system[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    // Kept for the run, like user32.
    HMODULE shcore = LoadLibraryW((std::wstring(system, n) + L"\\shcore.dll").c_str());
    Find(shcore, "GetDpiForMonitor", api.dpi_for_monitor);
  }
  return api;
}

}  // namespace

NewerApi& Newer() {
  static NewerApi api = Lookup();
  return api;
}

DPI_AWARENESS_CONTEXT SetThreadDpiContext(DPI_AWARENESS_CONTEXT context) {
  auto fn = Newer().set_thread_dpi_context;
  return fn ? fn(context) : nullptr;
}

DPI_AWARENESS_CONTEXT WindowDpiContext(HWND wnd) {
  auto fn = Newer().window_dpi_context;
  return fn ? fn(wnd) : nullptr;
}

int MonitorDpi(HMONITOR monitor) {
  UINT x = 0, y = 0;
  auto fn = Newer().dpi_for_monitor;
  if (fn && monitor && SUCCEEDED(fn(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && y > 0) return static_cast<int>(y);
  return ScreenScaleNow().dpi_y;
}

}  // namespace zarnik
