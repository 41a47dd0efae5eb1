// WriteIni: the dialog's file byte for byte, failures that leave the file as it was, and files
// in other encodings that keep theirs.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "tests/settings/profile_files.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

TEST(SettingsFile, AFreshFileIsTheDialogsFileByteForByte) {
  FileNames names;
  const std::wstring ours = names.Next(L"o");
  const std::pair<const wchar_t*, std::wstring> writes[] = {
      {kKeyPicture, NumberText(1)},     {kKeyPictureFile, L"C:\\pictures\\sea.jpg"},
      {kKeyDegree, NumberText(3)},      {kKeyMusicKind, NumberText(0)},
      {kKeyMusicRepeat, NumberText(0)}, {kKeyMusicFile, L""}};
  for (const auto& [key, value] : writes) WriteIni(kSection, key, value, ours);
  EXPECT_EQ(ReadBytes(ours), Cp(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=C:\\pictures\\sea.jpg\r\n劣化度= 3\r\n"
                                L"BGM区分= 0\r\nBGMﾘﾋﾟｰﾄ= 0\r\nBGMﾌｧｲﾙ=\r\n"));
}

TEST(SettingsWrite, FailuresLeaveTheFileAsItWasAndSayZero) {
  FileNames names;
  const std::string content = Cp(L"[Section]\r\n劣化度= 3\r\n");

  WriteIni(kSection, kKeyDegree, L" 5", names.folder().File(L"no such folder\\Quorvel.ini"));
  EXPECT_EQ(Zarnik_B::LastResult, 0);

  WriteIni(kSection, kKeyDegree, L" 5", names.folder().path());  // a folder
  EXPECT_EQ(Zarnik_B::LastResult, 0);

  const std::wstring read_only = names.Next();
  WriteBytes(read_only, content);
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteIni(kSection, kKeyDegree, L" 5", read_only);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadBytes(read_only), content);
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);

  // Held open by someone who lets nobody read it: rewriting would lose what we cannot see.
  const std::wstring locked = names.Next();
  WriteBytes(locked, content);
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  WriteIni(kSection, kKeyDegree, L" 5", locked);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, locked), L"");
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(locked), content);

  // Larger than any settings file: read in part, never rewritten.
  const std::wstring huge = names.Next();
  WriteBytes(huge, content + std::string(3 << 20, 'x') + "\r\nk=beyond\r\n");
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, huge), L"3");
  EXPECT_EQ(ReadIni(kSection, L"k", huge), L"");
  WriteIni(kSection, kKeyDegree, L" 5", huge);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadBytes(huge).size(), content.size() + (3 << 20) + 12);

  WriteIni(L"", kKeyDegree, L" 5", names.Next());
  EXPECT_EQ(Zarnik_B::LastResult, 0);
}

TEST(SettingsWrite, SuccessLeavesOnlyTheFileBehind) {
  TempFolder folder;
  const std::wstring file = folder.File(L"Quorvel.ini");
  for (int i = 0; i < 3; ++i) {
    WriteIni(kSection, kKeyDegree, NumberText(i), file);
    EXPECT_EQ(Zarnik_B::LastResult, 1);
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(folder.File(L"*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::wstring> entries;
  do {
    if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
      entries.push_back(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  EXPECT_EQ(entries, std::vector<std::wstring>{L"Quorvel.ini"});
  EXPECT_EQ(ReadBytes(file), Cp(L"[Section]\r\n劣化度= 2\r\n"));

  // A hidden file stays hidden.
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteIni(kSection, kKeyDegree, NumberText(7), file);
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, file), L"7");
}

TEST(SettingsWrite, UnicodeFilesKeepTheirEncodingAndTheirOtherLines) {
  FileNames names;
  const std::wstring utf16 = names.Next();
  WriteBytes(utf16, Utf16Le(L"; 😀 コメント\r\n[Section]\r\n画像= 0\r\n"));
  WriteIni(kSection, kKeyPicture, L" 1", utf16);
  WriteIni(kSection, kKeyPictureFile, L"C:\\한국\\사진.jpg", utf16);  // no code page 932 here
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_EQ(ReadBytes(utf16),
            Utf16Le(L"; 😀 コメント\r\n[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=C:\\한국\\사진.jpg\r\n"));
  EXPECT_EQ(ReadIni(kSection, kKeyPictureFile, utf16), L"C:\\한국\\사진.jpg");

  const std::wstring utf8 = names.Next();
  WriteBytes(utf8, Utf8(L"[Section]\r\n劣化度=2\r\n"));
  WriteIni(kSection, kKeyDegree, L" 8", utf8);
  EXPECT_EQ(ReadBytes(utf8), Utf8(L"[Section]\r\n劣化度= 8\r\n"));
}

TEST(SettingsWrite, GarbageNeverCrashesAndStillTakesAValue) {
  std::mt19937 random(4242);
  FileNames names;
  for (int round = 0; round < 20; ++round) {
    std::string bytes(static_cast<size_t>(random() % 65536), '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    if (round % 4 == 1) bytes.insert(0, "\xFF\xFE");
    if (round % 4 == 2) bytes.insert(0, "\xEF\xBB\xBF");
    const std::wstring file = names.Next(L"g");
    WriteBytes(file, bytes);
    for (const wchar_t* key : kSettingsKeys) ReadIni(kSection, key, file);
    WriteIni(kSection, kKeyDegree, L" 6", file);
    EXPECT_EQ(Zarnik_B::LastResult, 1);
    EXPECT_EQ(ReadIni(kSection, kKeyDegree, file), L"6") << round;
  }
}


}  // namespace
}  // namespace zarnik::test
