// Text in a code page exactly or not at all, under every code page Windows may have as its
// ANSI one, with the conversions held to what Windows documents.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/code_page.h"

namespace zarnik {
namespace {

// WideCharToMultiByte as Windows documents it, where Wine accepts more: these pages take no
// flags (UTF-8 and GB18030 at most WC_ERR_INVALID_CHARS) and no default-character arguments.
int calls_refused = 0;

bool DocumentedAsPlain(UINT cp) {
  static const UINT listed[] = {42, 52936, 54936, 65000, 65001};
  return std::count(std::begin(listed), std::end(listed), cp) > 0 || (cp >= 50220 && cp <= 50229) ||
         (cp >= 57002 && cp <= 57011);
}

int WINAPI StrictToMultibyte(UINT cp, DWORD flags, LPCWCH text, int length, LPSTR out, int size,
                             LPCCH default_char, LPBOOL used_default) {
  if (DocumentedAsPlain(cp)) {
    const DWORD allowed = (cp == 65001 || cp == 54936) ? WC_ERR_INVALID_CHARS : 0;
    if ((flags & ~allowed) != 0 || default_char || used_default) {
      ++calls_refused;
      SetLastError((flags & ~allowed) ? ERROR_INVALID_FLAGS : ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  return WideCharToMultiByte(cp, flags, text, length, out, size, default_char, used_default);
}

const CodePageFunctions kStrict{StrictToMultibyte, MultiByteToWideChar};

TEST(CodePageForm, Utf8AnsiPageConvertsExactlyAndRefusesBrokenText) {
  calls_refused = 0;
  auto form = CodePageForm(L"C:\\Zo\u00eb \u00e9t\u00e9\\\u65e5\u672c\\Quorvel.bmp", CP_UTF8, kStrict);
  ASSERT_TRUE(form.has_value());
  EXPECT_EQ(*form, "C:\\Zo\xc3\xab \xc3\xa9t\xc3\xa9\\\xe6\x97\xa5\xe6\x9c\xac\\Quorvel.bmp");
  // A lone surrogate comes back as a replacement character: no file of that name.
  EXPECT_FALSE(CodePageForm(std::wstring(L"C:\\a") + wchar_t(0xD800) + L"b.bmp", CP_UTF8, kStrict));
  EXPECT_EQ(calls_refused, 0);
}

TEST(CodePageForm, PagesWithoutFlagsFindLossByARoundTrip) {
  calls_refused = 0;
  // GB18030 holds every character; UTF-7 too.
  for (UINT cp : {54936u, 65000u}) {
    if (!IsValidCodePage(cp)) continue;
    const std::wstring text = L"C:\\Zo\u00eb\\\u65e5\u672c.jpg";
    auto form = CodePageForm(text, cp, kStrict);
    ASSERT_TRUE(form.has_value()) << cp;
    std::wstring back(text.size() + 8, L'\0');
    back.resize(MultiByteToWideChar(cp, 0, form->data(), static_cast<int>(form->size()), back.data(),
                                    static_cast<int>(back.size())));
    EXPECT_EQ(back, text) << cp;
  }
  // ISO-2022-JP has no e with diaeresis: the best fit it would write is refused.
  if (IsValidCodePage(50220)) {
    EXPECT_FALSE(CodePageForm(L"C:\\Zo\u00eb.jpg", 50220, kStrict));
    EXPECT_TRUE(CodePageForm(L"C:\\\u65e5\u672c.jpg", 50220, kStrict));
  }
  EXPECT_EQ(calls_refused, 0);
}

TEST(CodePageForm, OtherPagesRefuseBestFitAndDefaultCharacters) {
  // Shift-JIS has no accented Latin letters; a best fit ("Zoe") would name another file.
  EXPECT_FALSE(CodePageForm(L"C:\\Zo\u00eb.bmp", 932, kStrict));
  EXPECT_FALSE(CodePageForm(L"C:\\\u0416.bmp", 1252, kStrict));
  auto sjis = CodePageForm(L"C:\\\u65e5\u672c.bmp", 932, kStrict);
  ASSERT_TRUE(sjis.has_value());
  EXPECT_EQ(*sjis, "C:\\\x93\xfa\x96\x7b.bmp");
  EXPECT_EQ(CodePageForm(L"", 932, kStrict), std::string());
}

}  // namespace
}  // namespace zarnik
