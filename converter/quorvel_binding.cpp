#include "converter/quorvel_binding.h"

#include <windows.h>

#include <limits>

#include "startup/paths.h"

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

std::optional<std::string> Ansi(const std::wstring& text) {
  if (text.empty()) return std::string();
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                              nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace

std::optional<int16_t> ConvertBMPtoJPG(const std::wstring& bmp, const std::wstring& jpg, int32_t quality) {
  if (quality < std::numeric_limits<int16_t>::min() || quality > std::numeric_limits<int16_t>::max())
    return std::nullopt;
  auto bmp_a = Ansi(bmp), jpg_a = Ansi(jpg);
  if (!bmp_a || !jpg_a) return std::nullopt;
  ConvertFn fn = Bound();
  if (!fn) return std::nullopt;
  return fn(bmp_a->c_str(), jpg_a->c_str(), -1, static_cast<int16_t>(quality), -1);
}

}  // namespace zarnik
