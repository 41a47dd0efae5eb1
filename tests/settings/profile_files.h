// What the settings tests share: the six keys, settings files in each encoding, and file names
// of their own (the platform caches what it parsed per file name).
#pragma once

#include <windows.h>

#include <string>

#include "settings/settings.h"
#include "tests/support/test_support.h"

namespace zarnik::test {

inline constexpr const wchar_t* kSettingsKeys[] = {kKeyPicture,   kKeyPictureFile, kKeyDegree,
                                        kKeyMusicKind, kKeyMusicRepeat, kKeyMusicFile};

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

// Each file gets a name of its own: the platform caches what it parsed per file name.
class FileNames {
 public:
  std::wstring Next(const wchar_t* stem = L"f") {
    return folder_.File(stem + std::to_wstring(++count_) + L".ini");
  }
  const TempFolder& folder() const { return folder_; }

 private:
  TempFolder folder_{L"zkini"};
  int count_ = 0;
};

inline std::string Cp(const std::wstring& text) { return ToCp932(text); }

inline std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

inline std::string Utf16Be(const std::wstring& text) {
  std::string bytes = "\xFE\xFF";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

inline std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  return "\xEF\xBB\xBF" + bytes;
}

}  // namespace zarnik::test
