// The program's side of the converter library: bound by name at the first call, from the
// program's own folder only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarnik {

inline constexpr wchar_t kConverterLibrary[] = L"Quorvel.dll";

// Converts the bitmap file into the JPEG file at the quality and gives the converter's
// result. Nothing when the converter could not be called: the library or its entry is
// missing, the quality does not fit its 16 bits, or a path has no form in the ANSI code
// page, neither as it is nor as its short name.
std::optional<int16_t> ConvertBMPtoJPG(const std::wstring& bmp, const std::wstring& jpg, int32_t quality);

// The system's text conversions, replaceable so that tests can hold them to what Windows
// documents where Wine is more lenient.
struct CodePageFunctions {
  decltype(&WideCharToMultiByte) to_multibyte = WideCharToMultiByte;
  decltype(&MultiByteToWideChar) to_wide = MultiByteToWideChar;
};

// The text in the code page, character for character; nothing when any character has no
// exact form there (no best-fit look-alikes, no default character).
std::optional<std::string> CodePageForm(std::wstring_view text, UINT code_page,
                                        const CodePageFunctions& fns = {});

// The code pages whose conversion takes no flags and no default-character arguments.
bool CodePageRefusesFlags(UINT code_page);

// The form of a file path the converter can open in the code page: the path itself, else
// its short name, else (a file not made yet) its folder's short name and the file's own
// name. Nothing when no form fits.
std::optional<std::string> PathForCodePage(const std::wstring& path, UINT code_page,
                                           const CodePageFunctions& fns = {});

}  // namespace zarnik
