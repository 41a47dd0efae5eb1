// Reading the screen-saver host's command line. Pure logic: no windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarnik {

enum class StartMode {
  Preview,     // "P": draw inside the host's window
  Settings,    // "C": the settings dialog
  FullScreen,  // "S" or an empty command line
  Quit,        // anything else: end without a window
};

// The arguments part of a full process command line: the program name (quoted or not) and
// the blanks after it removed.
std::wstring ArgumentsOf(std::wstring_view full_command_line);

// The switch: the second character, upper-cased; empty for a line shorter than two.
std::wstring SwitchOf(std::wstring_view arguments);

StartMode ModeOf(std::wstring_view arguments);

// True when this start hides the cursor (the "S" switch; not an empty line).
bool HidesCursor(std::wstring_view arguments);

// The host window handle of a preview start: the text from the fourth character on, read by
// the lenient number reader and rounded half to even; 0 when it does not fit 32 bits.
int32_t PreviewHandleOf(std::wstring_view arguments);

}  // namespace zarnik
