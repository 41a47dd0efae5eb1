// The program's one entry: refuses a second instance, reads the switch and brings up the
// window the screen-saver host asked for.
#pragma once

#include <windows.h>

#include <string_view>

namespace zarnik {

// Main, then the message loop of whatever window it brought up. Returns the exit code.
int RunProgram(HINSTANCE instance, std::wstring_view full_command_line);

// True when the full-screen window or the settings dialog is already open.
bool PreviousInstanceRunning();

}  // namespace zarnik
