// The program's side of the converter library: bound by name at the first call, from the
// program's own folder only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace zarnik {

inline constexpr wchar_t kConverterLibrary[] = L"Quorvel.dll";

// Converts the bitmap file into the JPEG file at the quality and gives the converter's
// result. Nothing when the converter could not be called: the library or its entry is
// missing, the quality does not fit its 16 bits, or a path has no form in the ANSI code
// page, neither as it is nor as its short name.
std::optional<int16_t> ConvertBMPtoJPG(const std::wstring& bmp, const std::wstring& jpg, int32_t quality);

// The form of a file path the converter can open in the code page: the path itself, else
// its short name, else (a file not made yet) its folder's short name and the file's own
// name. Nothing when no form fits.
std::optional<std::string> PathForCodePage(const std::wstring& path, UINT code_page,
                                           const CodePageFunctions& fns = {});

}  // namespace zarnik
