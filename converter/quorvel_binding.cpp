#include "converter/quorvel_binding.h"

#include <limits>
#include <vector>

#include "platform/paths.h"

namespace zarnik {

namespace {

using ConvertFn = int16_t(WINAPI*)(const char*, const char*, int32_t, int16_t, int32_t);

// Tried once per run: a missing library stays missing, and each tick must stay cheap.
ConvertFn Bound() {
  static const ConvertFn fn = []() -> ConvertFn {
    const std::wstring path = ProgramFolder() + (ProgramFolder().back() == L'\\' ? L"" : L"\\") + kConverterLibrary;
    // A full path, and the library's own folder for what it needs: never the current
    // directory or PATH.
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return nullptr;
    return reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(module, "ConvertBMPtoJPG")));
  }();
  return fn;
}

std::optional<std::wstring> ShortName(const std::wstring& path) {
  DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::vector<wchar_t> buffer(n);
  DWORD got = GetShortPathNameW(path.c_str(), buffer.data(), n);
  if (got == 0 || got >= n) return std::nullopt;
  return std::wstring(buffer.data(), got);
}

}  // namespace

std::optional<std::string> PathForCodePage(const std::wstring& path, UINT code_page, const CodePageFunctions& fns) {
  if (auto as_is = CodePageForm(path, code_page, fns)) return as_is;
  if (auto short_name = ShortName(path)) {
    if (auto form = CodePageForm(*short_name, code_page, fns)) return form;
  }
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return std::nullopt;
  // A folder path without its trailing backslash, except a drive root's.
  const std::wstring folder = path.substr(0, slash == 2 && path[1] == L':' ? slash + 1 : slash);
  auto short_folder = ShortName(folder);
  if (!short_folder) return std::nullopt;
  std::wstring joined = *short_folder;
  if (joined.back() != L'\\' && joined.back() != L'/') joined += L'\\';
  joined += path.substr(slash + 1);
  return CodePageForm(joined, code_page, fns);
}

std::optional<int16_t> ConvertBMPtoJPG(const std::wstring& bmp, const std::wstring& jpg, int32_t quality) {
  if (quality < std::numeric_limits<int16_t>::min() || quality > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  const UINT ansi = GetACP();
  auto bmp_a = PathForCodePage(bmp, ansi), jpg_a = PathForCodePage(jpg, ansi);
  if (!bmp_a || !jpg_a) return std::nullopt;
  ConvertFn fn = Bound();
  if (!fn) return std::nullopt;
  return fn(bmp_a->c_str(), jpg_a->c_str(), -1, static_cast<int16_t>(quality), -1);
}

}  // namespace zarnik
