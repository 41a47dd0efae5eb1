// Zarnik.scr run full screen as the host runs it, from a test: the run itself, its settings,
// keys given to it, and what its screen and work files show.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/jpeg_quality.h"
#include "tests/support/keyboard_input.h"
#include "tests/support/saver_process.h"
#include "tests/support/test_support.h"

namespace zarnik::test {

using Saver = SaverProcess;

void WriteSettings(const ProgramFolder& folder, int source, const std::wstring& picture, int degree,
                   int music_kind = 0, const std::wstring& music = L"");

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
