// The small sample the screen-saver host shows inside its own window: the built-in picture,
// stretched to the host's area.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zarnik {

inline constexpr wchar_t kPreviewTitle[] = L"Preview Window";
inline constexpr wchar_t kPreviewClass[] = L"Zarnik_R";

// Makes the preview a child of the host window (the handle as the command line gave it),
// sized to the host's area, and shows it. False when the window could not be made.
bool ShowPreviewWindow(HINSTANCE instance, int32_t host_handle);

// The host handle as a window: a 32-bit handle value is sign-extended, as the system does.
inline HWND WindowFromHandleValue(int32_t value) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

}  // namespace zarnik
