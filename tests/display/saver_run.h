// Zarnik.scr run full screen as the host runs it, from a test: the run itself, its settings,
// keys given to it, and what its screen and work files show.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/keyboard_input.h"
#include "tests/support/test_support.h"

namespace zarnik::test {

class Saver {
 public:
  explicit Saver(const ProgramFolder& folder, const std::wstring& args = L"/s");
  bool up() const { return started_ && wnd_ && IsWindowVisible(wnd_); }

  HWND wnd() const { return wnd_; }
  Process& process() { return process_; }
  // The window goes and the program ends (a Wine process takes a moment to wind down once
  // its last window is gone). The limits are generous: a slow machine is no fault.
  bool Ends();
  // Waits until the pointer is at the point and the saver has taken what input it had.
  bool Settled(int x, int y);

 private:
  Process process_;
  bool started_ = false;
  HWND wnd_ = nullptr;
};

void WriteSettings(const ProgramFolder& folder, int source, const std::wstring& picture, int degree,
                   int music_kind = 0, const std::wstring& music = L"");

// The qualities of the JPEG work file as it changes, sampled until count files were seen
// (or the limit passed). Equal neighbours are one file for the sampler.
std::vector<int> FollowQualities(const std::wstring& jpeg, size_t count, std::chrono::milliseconds limit);

bool IsWhite(uint32_t p);
bool IsBlack(uint32_t p);

// The caption on a black screen: the box of its white pixels, and how many pixels are
// neither white nor black (the caption's smoothed edges, or a picture).
struct CaptionOnBlack {
  RECT white{};
  int other = 0;
};
CaptionOnBlack MeasureCaptionOnBlack(const Screenshot& shot);

// The most memory the process has held at once (its peak working set); 0 when not known.
size_t PeakMemoryOf(DWORD process_id);

}  // namespace zarnik::test
