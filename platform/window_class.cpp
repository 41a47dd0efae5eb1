#include "platform/window.h"

namespace zarnik {

bool RegisterWindowClass(const WindowClassSpec& desc, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = desc.instance;
  wc.hCursor = desc.cursor;
  wc.hIcon = desc.icon;
  wc.hbrBackground = desc.background;
  wc.lpszClassName = desc.name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace zarnik
