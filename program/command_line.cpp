#include "program/command_line.h"

#include <cwctype>
#include <limits>

#include "settings/number_text.h"

namespace zarnik {

std::wstring ArgumentsOf(std::wstring_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    size_t close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  }
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  return std::wstring(line.substr(i));
}

std::wstring SwitchOf(std::wstring_view arguments) {
  if (arguments.size() < 2) return {};
  return std::wstring(1, static_cast<wchar_t>(std::towupper(arguments[1])));
}

StartMode ModeOf(std::wstring_view arguments) {
  std::wstring s = SwitchOf(arguments);
  if (s == L"P") return StartMode::Preview;
  if (s == L"C") return StartMode::Settings;
  if (s == L"S" || arguments.empty()) return StartMode::FullScreen;
  return StartMode::Quit;
}

bool HidesCursor(std::wstring_view arguments) { return SwitchOf(arguments) == L"S"; }

int32_t PreviewHandleOf(std::wstring_view arguments) {
  std::wstring_view rest = arguments.size() > 3 ? arguments.substr(3) : std::wstring_view{};
  double value = RoundHalfEven(LenientValue(rest));
  if (!(value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()))
    return 0;
  return static_cast<int32_t>(value);
}

}  // namespace zarnik
