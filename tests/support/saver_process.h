// Zarnik.scr started full screen as the host starts it, in a program folder of its own, and
// its window waited for.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "tests/support/test_support.h"

namespace zarnik::test {

class SaverProcess {
 public:
  // The program of the folder with the arguments, its path quoted; the folder is the
  // working folder. The window is waited for up to the limit.
  explicit SaverProcess(const ProgramFolder& folder, const std::wstring& args = L"/s",
                        std::chrono::milliseconds limit = std::chrono::seconds(15));
  // Started by the application name with the command line as it stands (unquoted, say).
  SaverProcess(const std::wstring& application, const std::wstring& command_line,
               std::chrono::milliseconds limit = std::chrono::seconds(15));

  bool up() const { return started_ && wnd_ && IsWindowVisible(wnd_); }
  HWND wnd() const { return wnd_; }
  Process& process() { return process_; }
  // The window goes and the program ends (a Wine process takes a moment to wind down once
  // its last window is gone). The limits are generous: a slow machine is no fault.
  bool Ends(std::chrono::milliseconds window_gone = std::chrono::seconds(15));
  // Waits until the pointer is at the point and the saver has taken what input it had.
  bool Settled(int x, int y);

 private:
  void WaitForWindow(std::chrono::milliseconds limit);

  Process process_;
  bool started_ = false;
  HWND wnd_ = nullptr;
};

}  // namespace zarnik::test
