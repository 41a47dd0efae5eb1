// Real key presses through the system's input queue: they reach the foreground window, of
// this process or another, as a keyboard's would.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace zarnik::test {

// Presses and releases the key with the modifiers (VK_SHIFT, VK_MENU, ...) held around it.
void PressKey(WORD key, std::initializer_list<WORD> held = {});

}  // namespace zarnik::test
