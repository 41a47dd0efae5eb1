// System functions newer than Windows 7 SP1, looked up at run time so that the program and
// its library still load there. Each answers as the older system would when missing.
#pragma once

#include <windows.h>
#include <shellscalingapi.h>

namespace zarnik {

struct NewerApi {
  // SetThreadDpiAwarenessContext, GetWindowDpiAwarenessContext: Windows 10 1607.
  DPI_AWARENESS_CONTEXT(WINAPI* set_thread_dpi_context)(DPI_AWARENESS_CONTEXT) = nullptr;
  DPI_AWARENESS_CONTEXT(WINAPI* window_dpi_context)(HWND) = nullptr;
  // GetDpiForMonitor: Windows 8.1, in shcore.dll, which Windows 7 does not have at all.
  HRESULT(WINAPI* dpi_for_monitor)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*) = nullptr;
};

// The functions this system has, null where it has none; tests may replace them.
NewerApi& Newer();

// The thread's old context, or null when the function is missing or refused the context:
// the thread then keeps the awareness the process has.
DPI_AWARENESS_CONTEXT SetThreadDpiContext(DPI_AWARENESS_CONTEXT context);

// Null when the function is missing.
DPI_AWARENESS_CONTEXT WindowDpiContext(HWND wnd);

// The monitor's own dots per inch (vertical); the system's where the function is missing or
// has no answer for it.
int MonitorDpi(HMONITOR monitor);

// Sets the thread's context for its lifetime and gives the old one back; nothing happens
// when there is no context to set or the system has no such setting.
class ScopedThreadDpiContext {
 public:
  explicit ScopedThreadDpiContext(DPI_AWARENESS_CONTEXT context)
      : old_(context ? SetThreadDpiContext(context) : nullptr) {}
  ~ScopedThreadDpiContext() {
    if (old_) SetThreadDpiContext(old_);
  }
  ScopedThreadDpiContext(const ScopedThreadDpiContext&) = delete;
  ScopedThreadDpiContext& operator=(const ScopedThreadDpiContext&) = delete;
  bool applied() const { return old_ != nullptr; }

 private:
  DPI_AWARENESS_CONTEXT old_;
};

}  // namespace zarnik
