// Program folders the work files cannot go into (work_folders.sh makes them): one that cannot
// be written, as for an all-users install in the system folder, and one too small for the
// bitmap, as on a full disk. The saver decays from the user's local folder, and nothing of its
// work lands in the roaming profile, which may follow the user to a file server.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "tests/support/jpeg_quality.h"
#include "tests/support/saver_process.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

std::wstring UserFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = std::wstring(path) + L"\\Zarnik";
  CoTaskMemFree(path);
  return result;
}

class WorkFolderTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    // The folders' Linux base, as Wine shows it.
    const std::wstring base = WinePathFromEnvironment(L"ZARNIK_WORK_FOLDERS");
    if (base.empty() || !FileExistsW(base + L"\\ready"))
      GTEST_SKIP() << "no folders were made (ZARNIK_WORK_FOLDERS; mounting needs root)";
    program_ = base + L"\\" + GetParam();
    local_ = UserFolder(FOLDERID_LocalAppData);
    roaming_ = UserFolder(FOLDERID_RoamingAppData);
    for (const wchar_t* name : {L"\\Quorvel.bmp", L"\\Quorvel.jpg"}) DeleteFileW((local_ + name).c_str());
    roaming_before_ = FilesIn(roaming_);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"\\Quorvel.bmp", L"\\Quorvel.jpg"}) DeleteFileW((local_ + name).c_str());
  }
  std::wstring program_, local_, roaming_;
  std::vector<std::wstring> roaming_before_;
};

TEST_P(WorkFolderTest, TheSaverDecaysFromTheLocalFolderAndNothingRoams) {
  const std::wstring scr = program_ + L"\\Zarnik.scr";
  SaverProcess saver(scr, L"\"" + scr + L"\" /s");
  ASSERT_TRUE(saver.up());
  EXPECT_EQ(FollowQualities(local_ + L"\\Quorvel.jpg", 3, 30s), (std::vector<int>{90, 80, 70}));
  EXPECT_TRUE(FileExistsW(local_ + L"\\Quorvel.bmp"));
  // Nothing of the work beside the program: no bitmap, short or whole, no JPEG, no temporary.
  EXPECT_EQ(FilesIn(program_), (std::vector<std::wstring>{L"Quorvel.dll", L"Quorvel.ini", L"Zarnik.scr"}));
  EXPECT_EQ(FilesIn(roaming_), roaming_before_);

  PostMessageW(saver.wnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(saver.Ends());
  EXPECT_FALSE(FileExistsW(local_ + L"\\Quorvel.bmp"));
  EXPECT_TRUE(FileExistsW(local_ + L"\\Quorvel.jpg"));  // the last one stays, as ever
  EXPECT_EQ(FilesIn(roaming_), roaming_before_);
}

INSTANTIATE_TEST_SUITE_P(Folders, WorkFolderTest, ::testing::Values(L"readonly", L"small"),
                         [](const auto& folder) { return std::string(folder.param[0] == L'r' ? "ReadOnly" : "TooSmall"); });

}  // namespace
}  // namespace zarnik::test
