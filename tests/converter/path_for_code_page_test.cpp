// Paths handed to the converter in the ANSI code page: through the short name where the long
// one has no form there, and not at all where neither has.
#include <gtest/gtest.h>

#include "converter/quorvel_binding.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

TEST(PathForCodePage, ShortNamesStandInForPathsOutsideThePage) {
  TempFolder folder(L"Zo\u00eb \u00e9t\u00e9 ");
  ASSERT_FALSE(folder.path().empty());
  const std::wstring existing = folder.File(L"Quorvel.bmp");
  const std::wstring to_come = folder.File(L"Quorvel.jpg");
  ASSERT_TRUE(WriteBytes(existing, "BM"));
  ASSERT_FALSE(CodePageForm(existing, 932));

  wchar_t short_folder[MAX_PATH];
  if (GetShortPathNameW(folder.path().c_str(), short_folder, MAX_PATH) == 0 ||
      folder.path() == short_folder)
    GTEST_SKIP() << "this volume gives no short names";

  auto in_page = [](const std::string& bytes) {
    std::wstring wide(bytes.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
  };
  auto existing_form = PathForCodePage(existing, 932);
  ASSERT_TRUE(existing_form.has_value());
  EXPECT_EQ(ReadBytes(in_page(*existing_form)), "BM");

  // The output file is not there yet: its folder's short name and its own name.
  auto to_come_form = PathForCodePage(to_come, 932);
  ASSERT_TRUE(to_come_form.has_value());
  EXPECT_TRUE(WriteBytes(in_page(*to_come_form), "JPEG"));
  EXPECT_EQ(ReadBytes(to_come), "JPEG");

  // With no short name to be had (the folder is not there), no form at all.
  EXPECT_FALSE(PathForCodePage(folder.File(L"gone \u00eb\\Quorvel.jpg"), 932));
  // A path the page holds goes as it is.
  EXPECT_EQ(PathForCodePage(L"C:\\plain\\Quorvel.jpg", 932), std::string("C:\\plain\\Quorvel.jpg"));
}

}  // namespace
}  // namespace zarnik::test
