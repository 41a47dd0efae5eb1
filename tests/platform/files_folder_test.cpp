// Where the settings and the work files go: the program's folder when a file can be made
// there, else the user's own: the roaming one for the settings, the local one for the work
// files.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

TEST(FilesFolder, TheProgramFolderWhenWritableElseTheUsersOwn) {
  EXPECT_EQ(ChooseSettingsFolder(L"C:\\Saver", true, L"C:\\Users\\u\\AppData\\Roaming"), L"C:\\Saver");
  EXPECT_EQ(ChooseSettingsFolder(L"C:\\Windows\\System32", false, L"C:\\Users\\u\\AppData\\Roaming"),
            L"C:\\Users\\u\\AppData\\Roaming\\Zarnik");
  EXPECT_EQ(ChooseSettingsFolder(L"C:\\Windows\\System32", false, L"D:\\"), L"D:\\Zarnik");
  EXPECT_EQ(ChooseSettingsFolder(L"C:\\Windows\\System32", false, L""), L"C:\\Windows\\System32");

  // The work files: the program's folder first while it can be written, the local folder
  // always behind it (a full disk moves them on); never the roaming one.
  using Folders = std::vector<std::wstring>;
  const std::wstring local = L"C:\\Users\\u\\AppData\\Local";
  EXPECT_EQ(ChooseWorkFolders(L"C:\\Saver", true, local), (Folders{L"C:\\Saver", local + L"\\Zarnik"}));
  EXPECT_EQ(ChooseWorkFolders(L"C:\\Windows\\System32", false, local), (Folders{local + L"\\Zarnik"}));
  EXPECT_EQ(ChooseWorkFolders(L"C:\\Windows\\System32", false, L"E:\\"), (Folders{L"E:\\Zarnik"}));
  EXPECT_EQ(ChooseWorkFolders(L"C:\\Windows\\System32", false, L""), (Folders{L"C:\\Windows\\System32"}));

  TempFolder folder;
  EXPECT_TRUE(FolderIsWritable(folder.path()));
  EXPECT_TRUE(FolderIsWritable(folder.path() + L"\\"));
  EXPECT_FALSE(FolderIsWritable(folder.File(L"missing")));
  const std::wstring file = folder.File(L"a.txt");
  WriteBytes(file, "x");
  EXPECT_FALSE(FolderIsWritable(file));
  EXPECT_FALSE(FolderIsWritable(L""));
  EXPECT_EQ(SettingsFolderFor(folder.path()), folder.path());
  EXPECT_EQ(WorkFoldersFor(folder.path()).front(), folder.path());
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
