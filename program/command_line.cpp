#include "program/command_line.h"

#include <cwctype>
#include <limits>

#include "settings/number_text.h"

namespace zarnik {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/' || c == L':'; }

// The name ends here: at the end of the line or at a blank.
bool EndsAt(std::wstring_view line, size_t at) { return at == line.size() || IsBlank(line[at]); }

// Paths are compared as the file system does, without regard to case.
bool SameTextAt(std::wstring_view line, size_t at, std::wstring_view text) {
  if (text.empty() || at + text.size() > line.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (std::towupper(line[at + i]) != std::towupper(text[i])) return false;
  return true;
}

std::wstring_view FileNameOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

// Where the program's own name ends in the line: after one of its whole paths at the start,
// else after the first place its file name stands as a whole name (a relative start, or a
// path that mixes long and short folder names). npos when the line names it in no such way.
size_t OwnNameEnd(std::wstring_view line, const std::vector<std::wstring>& own_paths) {
  for (const std::wstring& path : own_paths)
    if (SameTextAt(line, 0, path) && EndsAt(line, path.size())) return path.size();
  for (const std::wstring& path : own_paths) {
    const std::wstring_view name = FileNameOf(path);
    for (size_t at = 0; at + name.size() <= line.size(); ++at) {
      if ((at == 0 || IsSeparator(line[at - 1])) && SameTextAt(line, at, name) && EndsAt(line, at + name.size()))
        return at + name.size();
    }
  }
  return std::wstring_view::npos;
}

}  // namespace

std::wstring ArgumentsOf(std::wstring_view line, const std::vector<std::wstring>& own_paths) {
  size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    size_t close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else if (size_t own = OwnNameEnd(line, own_paths); own != std::wstring_view::npos) {
    i = own;
  } else {
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
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
