#include "platform/code_page.h"

#include <limits>

namespace zarnik {

std::string ToCodePage(UINT code_page, std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(std::numeric_limits<int>::max() / 4)) return {};
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromCodePage(UINT code_page, std::string_view bytes, DWORD flags) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
  const int length = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), length, out.data(), n);
  return out;
}

bool CodePageRefusesFlags(UINT code_page) {
  return code_page == CP_UTF8 || code_page == CP_UTF7 || code_page == 42 || code_page == 52936 ||
         code_page == 54936 || (code_page >= 50220 && code_page <= 50229) ||
         (code_page >= 57002 && code_page <= 57011);
}

std::optional<std::string> CodePageForm(std::wstring_view text, UINT code_page, const CodePageFunctions& fns) {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max() / 4)) return std::nullopt;
  const int length = static_cast<int>(text.size());
  const bool plain = CodePageRefusesFlags(code_page);
  // These pages take neither the flag nor the used-default answer; a round trip finds the
  // characters they could not hold instead.
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* used_default = plain ? nullptr : &lossy;
  int n = fns.to_multibyte(code_page, flags, text.data(), length, nullptr, 0, nullptr, used_default);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  if (fns.to_multibyte(code_page, flags, text.data(), length, out.data(), n, nullptr, used_default) != n || lossy)
    return std::nullopt;
  if (plain) {
    int back = fns.to_wide(code_page, 0, out.data(), n, nullptr, 0);
    if (back != length) return std::nullopt;
    std::wstring wide(static_cast<size_t>(back), L'\0');
    if (fns.to_wide(code_page, 0, out.data(), n, wide.data(), back) != back || wide != text) return std::nullopt;
  }
  return out;
}

}  // namespace zarnik
