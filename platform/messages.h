// The program's own message numbers, all in one place. Any process may post any number to a
// window, so a handler acts on one only when it makes sense (a load step runs once).
#pragma once

#include <windows.h>

namespace zarnik {

// A window's load step, sent once by whoever made the window (RunLoadStep).
inline constexpr UINT kLoadStep = WM_APP;
// The saver: the tick that was started has ended on every monitor.
inline constexpr UINT kTickEnded = WM_APP + 1;

}  // namespace zarnik
