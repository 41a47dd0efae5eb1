// The full-screen window: the picture decaying under repeated JPEG compression. It owns the
// timers, the input and the painting; the decay itself (decay/) and the music (music/) are
// objects it ticks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zarnik {

inline constexpr wchar_t kSaverClass[] = L"Zarnik_S";
// A second start looks for this title and ends at once.
inline constexpr wchar_t kSaverTitle[] = L"Zarnik_Main";

// Loads the full-screen window; its load step shows it and starts the cycle and the music.
// hides_cursor: this start hid the mouse cursor, and the end gives it back. work_folders:
// where the work files may go, in the order tried; empty for the program's own (WorkFolders).
// False when no window could be made (the program then ends).
//
// A key, a button or another program taking the foreground ends the whole process (EndSaver);
// a test that shows the window in its own process closes it with DestroyWindow instead.
bool ShowSaverWindow(HINSTANCE instance, bool hides_cursor, std::vector<std::wstring> work_folders = {});

}  // namespace zarnik
