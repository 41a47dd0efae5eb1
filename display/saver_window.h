// The full-screen window: the picture decaying under repeated JPEG compression.
#pragma once

#include <windows.h>

namespace zarnik {

inline constexpr wchar_t kSaverClass[] = L"Zarnik_S";

// Loads the full-screen window; its load step shows it and starts the cycle and the music.
// hides_cursor: this start hid the mouse cursor, and the end gives it back. False when no
// window could be made (the program then ends).
bool ShowSaverWindow(HINSTANCE instance, bool hides_cursor);

}  // namespace zarnik
