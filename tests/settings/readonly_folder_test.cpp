// A program folder that cannot be written, as for a saver installed in the system folder:
// the settings go to the user's own roaming folder and the work files to the local one, the program folder's settings are still read, and
// nothing is written where it cannot be. readonly_folder.sh makes the folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <vector>

#include "platform/paths.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

class ReadOnlyFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The folder's Linux path, as Wine shows it.
    folder_ = test::WinePathFromEnvironment(L"ZARNIK_READONLY_FOLDER");
    if (folder_.empty() || GetFileAttributesW(folder_.c_str()) == INVALID_FILE_ATTRIBUTES)
      GTEST_SKIP() << "no read-only folder was made (ZARNIK_READONLY_FOLDER)";
    const std::wstring probe = folder_ + L"\\probe.tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      GTEST_SKIP() << "the folder could not be made read-only here";
    }
  }
  std::wstring folder_;
};

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

TEST_F(ReadOnlyFolderTest, FilesGoToTheUsersOwnFolders) {
  EXPECT_FALSE(FolderIsWritable(folder_));
  const std::wstring settings = SettingsFolderFor(folder_);
  EXPECT_EQ(settings, KnownFolder(FOLDERID_RoamingAppData) + L"\\Zarnik");
  const DWORD attributes = GetFileAttributesW(settings.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(FolderIsWritable(settings));
  EXPECT_EQ(WorkFoldersFor(folder_), std::vector<std::wstring>{KnownFolder(FOLDERID_LocalAppData) + L"\\Zarnik"});
}

TEST_F(ReadOnlyFolderTest, TheProgramFoldersSettingsAreReadUntilTheUserSavesOwn) {
  test::TempFolder user;
  const std::wstring file = SettingsFileForReadingIn(user.path(), folder_);
  EXPECT_EQ(file, folder_ + L"\\Quorvel.ini");
  ResetSharedState();
  LoadSettingsFrom(file, folder_);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 3);

  // The dialog saves into the user's folder; from then on that file is the one read.
  const std::wstring own = SettingsFileForReadingIn(user.path(), user.path());
  WriteIni(kSection, kKeyDegree, L" 8", own);
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  LoadSettingsFrom(SettingsFileForReadingIn(user.path(), folder_), folder_);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 8);
}

TEST_F(ReadOnlyFolderTest, AWriteThereFailsAndLeavesTheFileAsItWas) {
  const std::wstring file = folder_ + L"\\Quorvel.ini";
  const std::string before = test::ReadBytes(file);
  ASSERT_FALSE(before.empty());
  WriteIni(kSection, kKeyDegree, L" 9", file);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(test::ReadBytes(file), before);
  WriteIni(kSection, kKeyDegree, L" 9", folder_ + L"\\New.ini");
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_FALSE(test::FileExistsW(folder_ + L"\\New.ini"));
}

}  // namespace
}  // namespace zarnik
