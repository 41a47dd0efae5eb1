// The full-screen window: the picture decaying under repeated JPEG compression. It owns the
// timers, the input and the painting; the decay itself (decay/) and the music (music/) are
// objects it ticks.
#pragma once

#include <windows.h>

namespace zarnik {

inline constexpr wchar_t kSaverClass[] = L"Zarnik_S";
// A second start looks for this title and ends at once.
inline constexpr wchar_t kSaverTitle[] = L"Zarnik_Main";

// Loads the full-screen window; its load step shows it and starts the cycle and the music.
// hides_cursor: this start hid the mouse cursor, and the end gives it back. False when no
// window could be made (the program then ends).
bool ShowSaverWindow(HINSTANCE instance, bool hides_cursor);

}  // namespace zarnik
