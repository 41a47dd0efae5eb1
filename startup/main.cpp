#include <windows.h>

#include "startup/start.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return zarnik::RunProgram(instance, GetCommandLineW());
}
