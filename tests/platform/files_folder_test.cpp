// Where the settings and work files go: the program's folder when a file can be made there,
// else the user's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

TEST(FilesFolder, TheProgramFolderWhenWritableElseTheUsersOwn) {
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Saver", true, L"C:\\Users\\u\\AppData\\Roaming"), L"C:\\Saver");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L"C:\\Users\\u\\AppData\\Roaming"),
            L"C:\\Users\\u\\AppData\\Roaming\\Zarnik");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L"D:\\"), L"D:\\Zarnik");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L""), L"C:\\Windows\\System32");

  TempFolder folder;
  EXPECT_TRUE(FolderIsWritable(folder.path()));
  EXPECT_TRUE(FolderIsWritable(folder.path() + L"\\"));
  EXPECT_FALSE(FolderIsWritable(folder.File(L"missing")));
  const std::wstring file = folder.File(L"a.txt");
  WriteBytes(file, "x");
  EXPECT_FALSE(FolderIsWritable(file));
  EXPECT_FALSE(FolderIsWritable(L""));
  EXPECT_EQ(FilesFolderFor(folder.path()), folder.path());
  EXPECT_EQ(zarnik::ProgramFolder(), BinFolder());
  EXPECT_EQ(FileIn(L"C:\\", L"\\Quorvel.ini"), L"C:\\\\Quorvel.ini");
}

TEST(FilesFolder, SettingsAreReadFromTheProgramFolderUntilTheUserHasOwn) {
  TempFolder program, user;
  EXPECT_EQ(SettingsFileForReadingIn(user.path(), program.path()), program.File(L"Quorvel.ini"));
  WriteBytes(user.File(L"Quorvel.ini"), "");
  EXPECT_EQ(SettingsFileForReadingIn(user.path(), program.path()), user.File(L"Quorvel.ini"));
  EXPECT_EQ(SettingsFileForReadingIn(program.path(), program.path()), program.File(L"Quorvel.ini"));
}


}  // namespace
}  // namespace zarnik::test
