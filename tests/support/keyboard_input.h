// Real key presses: they reach the foreground window, of this process or another, as a
// keyboard's would. Under Wine they go through the X server (xdotool); elsewhere, or for a key
// without an X name here, through the system's input queue (SendInput).
#pragma once

#include <windows.h>

#include <initializer_list>

namespace zarnik::test {

// Presses and releases the key with the modifiers (VK_SHIFT, VK_MENU, ...) held around it;
// returns once the input is given (not once a window has taken it).
void PressKey(WORD key, std::initializer_list<WORD> held = {});
// The key pressed and released through the system's input queue alone (SendInput).
void SendKey(WORD key);

}  // namespace zarnik::test
