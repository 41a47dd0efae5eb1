#include "platform/newer_api.h"

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

}  // namespace zarnik
