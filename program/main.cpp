#include <windows.h>

#include "program/start.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Nothing the program meets is shown, and nothing reaches the system: whatever escapes the
  // run ends it quietly.
  try {
    return zarnik::RunProgram(instance, GetCommandLineW());
  } catch (...) {
    return 0;
  }
}
