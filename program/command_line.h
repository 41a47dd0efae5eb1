// Reading the screen-saver host's command line. Pure logic: no windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

enum class StartMode {
  Preview,     // "P": draw inside the host's window
  Settings,    // "C": the settings dialog
  FullScreen,  // "S" or an empty command line
  Quit,        // anything else: end without a window
};

// The arguments part of a full process command line: the program name and the blanks after
// it removed. own_paths are the forms of the program's own path (long and short); the system
// may pass any of them unquoted, blanks and all, so a line that begins with one, or names the
// program's file in one of its forms, has its arguments after that. Otherwise the name is
// quoted or ends at the first blank.
std::wstring ArgumentsOf(std::wstring_view full_command_line,
                         const std::vector<std::wstring>& own_paths = {});

// The switch: the second character, upper-cased; empty for a line shorter than two.
std::wstring SwitchOf(std::wstring_view arguments);

StartMode ModeOf(std::wstring_view arguments);

// True when this start hides the cursor (the "S" switch; not an empty line).
bool HidesCursor(std::wstring_view arguments);

// The host window handle of a preview start: the text from the fourth character on, read by
// the lenient number reader and rounded half to even; 0 when it does not fit 32 bits.
int32_t PreviewHandleOf(std::wstring_view arguments);

}  // namespace zarnik
