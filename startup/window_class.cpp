#include "startup/window_thunk.h"

namespace zarnik {

bool RegisterWindowClass(const WindowClassSpec& spec, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = spec.instance;
  wc.hCursor = spec.cursor;
  wc.hIcon = spec.icon;
  wc.hbrBackground = spec.background;
  wc.lpszClassName = spec.name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace zarnik
