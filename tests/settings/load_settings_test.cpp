// LoadSettings with its defaults and fallbacks, and the two file routines it shares with the
// dialog: FolderOf and FileExists.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "tests/settings/profile_files.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

// LoadSettings from a file with the given lines; the shared variables are set to marks first.
class LoadSettingsTest : public ::testing::Test {
 protected:
  void Load(const std::wstring& lines, int16_t start_value = 0) {
    // Marks that a load must overwrite, on top of the state a start has.
    ResetSharedState();
    Zarnik_B::PictureSource = Zarnik_B::DegradeLevel = start_value;
    Zarnik_BGM::MusicKind = Zarnik_BGM::MusicRepeat = start_value;
    Zarnik_B::PictureFile = Zarnik_BGM::MusicFile = L"stale";
    Zarnik_B::PictureFolder = Zarnik_BGM::MusicFolder = L"stale";
    const std::wstring file = folder_.File(L"Quorvel" + std::to_wstring(++count_) + L".ini");
    if (!lines.empty()) WriteBytes(file, Cp(lines));
    LoadSettingsFrom(lines.empty() ? folder_.File(L"missing.ini") : file, kProgram);
  }
  std::wstring ExistingFile(const wchar_t* name) {
    const std::wstring file = folder_.File(name);
    WriteBytes(file, "data");
    return file;
  }

  static constexpr const wchar_t* kProgram = L"C:\\Program";
  TempFolder folder_;
  int count_ = 0;
};

TEST_F(LoadSettingsTest, NoFileGivesTheDefaults) {
  Load(L"", 9);
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
  EXPECT_EQ(Zarnik_B::PictureFolder, kProgram);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 1);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 0);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  EXPECT_EQ(Zarnik_BGM::MusicFolder, kProgram);
}

TEST_F(LoadSettingsTest, FilesThatAreGoneSwitchTheirKindBack) {
  const std::wstring gone = folder_.File(L"gone\\sea.jpg");
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + gone + L"\r\nBGM区分= 2\r\nBGMﾌｧｲﾙ=" + gone +
       L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
  EXPECT_EQ(Zarnik_B::PictureFolder, kProgram);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  EXPECT_EQ(Zarnik_BGM::MusicFolder, kProgram);

  // A folder is no picture either.
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + folder_.path() + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
}

TEST_F(LoadSettingsTest, FilesThatExistAreKeptWithTheirFolders) {
  const std::wstring picture = ExistingFile(L"海の写真.jpg");
  const std::wstring music = ExistingFile(L"ｷｮｸ.mp3");
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + picture + L"\r\nBGM区分= 2\r\nBGMﾌｧｲﾙ=" + music +
       L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 1);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
  EXPECT_EQ(Zarnik_B::PictureFolder, folder_.path());
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);
  EXPECT_EQ(Zarnik_BGM::MusicFile, music);
  EXPECT_EQ(Zarnik_BGM::MusicFolder, folder_.path());
  EXPECT_EQ(Zarnik_B::SettingValue, music);  // the last text read
}

TEST_F(LoadSettingsTest, ACdSettingStaysWithAnEmptyMusicFile) {
  Load(L"[Section]\r\nBGM区分= 1\r\nBGMﾘﾋﾟｰﾄ= 4\r\nBGMﾌｧｲﾙ=\r\n");
  EXPECT_EQ(Zarnik_BGM::MusicKind, 1);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 4);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  // A picture file without the picture kind is kept, the kind stays the desktop.
  const std::wstring picture = ExistingFile(L"p.jpg");
  Load(L"[Section]\r\n画像= 0\r\n画像ﾌｧｲﾙ=" + picture + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
}

TEST_F(LoadSettingsTest, NumbersTakeTheirWholePartOrKeepTheOldValue) {
  struct Case {
    const wchar_t* text;
    int16_t start, expected;
  };
  const Case cases[] = {{L"abc", 0, 0},       {L"abc", 7, 7},   {L"", 7, 1},
                        {L"2.9", 0, 2},       {L"40000", 0, 0}, {L"40000", 5, 5},
                        {L" 5", 0, 5},        {L"-0.5", 0, -1}, {L"-32768", 0, -32768},
                        {L"32767", 0, 32767}, {L"32768", 3, 3}, {L"1e1", 0, 10},
                        {L"\"9\"", 0, 9},     {L"1 2", 4, 4}};
  for (const Case& c : cases) {
    Load(L"[Section]\r\n劣化度=" + std::wstring(c.text) + L"\r\n", c.start);
    EXPECT_EQ(Zarnik_B::DegradeLevel, c.expected) << Cp(c.text);
  }
  Load(L"[Section]\r\n画像= 5\r\nBGM区分=-3\r\nBGMﾘﾋﾟｰﾄ=99.99\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 5);
  EXPECT_EQ(Zarnik_BGM::MusicKind, -3);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 99);
}

TEST_F(LoadSettingsTest, ADialogWrittenFileReadsBack) {
  const std::wstring picture = ExistingFile(L"ｼｰ.jpg");
  const std::wstring music = ExistingFile(L"曲.wav");
  const std::wstring file = folder_.File(L"Quorvel.ini");
  const std::pair<const wchar_t*, std::wstring> writes[] = {
      {kKeyPicture, NumberText(1)},     {kKeyPictureFile, picture},
      {kKeyDegree, NumberText(12)},     {kKeyMusicKind, NumberText(2)},
      {kKeyMusicRepeat, NumberText(3)}, {kKeyMusicFile, music}};
  for (const auto& [key, value] : writes) {
    WriteIni(kSection, key, value, file);
    ASSERT_EQ(Zarnik_B::LastResult, 1);
  }
  LoadSettingsFrom(file, kProgram);
  EXPECT_EQ(Zarnik_B::PictureSource, 1);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 12);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 3);
  EXPECT_EQ(Zarnik_BGM::MusicFile, music);
  const std::string head = Cp(L"[Section]\r\n画像= 1\r\n");
  EXPECT_EQ(ReadBytes(file).substr(0, head.size()), head);
}

TEST_F(LoadSettingsTest, APathLongerThan255BytesIsCutAndSoCleared) {
  std::wstring deep = folder_.path();
  while (ToCp932(deep).size() < 300) {
    deep += L"\\フォルダ";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring picture = deep + L"\\a.jpg";
  WriteBytes(picture, "x");
  ASSERT_TRUE(FileExists(picture));
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + picture + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
}

TEST(FolderOf, IsThePathUpToTheLastColonOrBackslash) {
  EXPECT_EQ(FolderOf(L"C:\\pictures\\sea.jpg"), L"C:\\pictures");
  EXPECT_EQ(FolderOf(L"C:\\sea.jpg"), L"C:");
  EXPECT_EQ(FolderOf(L"C:sea.jpg"), L"C:");
  EXPECT_EQ(FolderOf(L"\\\\server\\share\\sea.jpg"), L"\\\\server\\share");
  EXPECT_EQ(FolderOf(L"sea.jpg"), L"");
  EXPECT_EQ(FolderOf(L""), L"");
  EXPECT_EQ(FolderOf(L"C:\\folder\\"), L"C:\\folder");
  EXPECT_EQ(FolderOf(L"\\"), L"");
  EXPECT_EQ(FolderOf(L"C:\\写真\\海.jpg"), L"C:\\写真");
  EXPECT_EQ(FolderOf(L"a/b/c.jpg"), L"");  // a forward slash is no separator here
}

TEST(FileExists, TellsReadableFilesFromEverythingElse) {
  TempFolder folder;
  const std::wstring file = folder.File(L"写真.jpg");
  WriteBytes(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(file + L"\\"));
  EXPECT_FALSE(FileExists(folder.path()));
  EXPECT_FALSE(FileExists(folder.path() + L"\\"));
  EXPECT_FALSE(FileExists(L""));
  EXPECT_FALSE(FileExists(L"\\"));
  EXPECT_FALSE(FileExists(folder.File(L"missing.jpg")));
  EXPECT_FALSE(FileExists(L"NUL"));
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists(file));  // locked against reading
  CloseHandle(holder);
  EXPECT_TRUE(FileExists(file));
}

TEST(SharedState, OneCallPutsEveryVariableBackAsAStartHasIt) {
  Zarnik_B::PictureSource = Zarnik_B::DegradeLevel = Zarnik_B::CursorX = Zarnik_B::CursorY = 7;
  Zarnik_B::PreviewLeft = Zarnik_B::PreviewTop = Zarnik_B::PreviewWidth = Zarnik_B::PreviewHeight = 7;
  Zarnik_B::LastResult = 7;
  Zarnik_B::CursorCount = -1;
  Zarnik_B::PictureFile = Zarnik_B::PictureFolder = Zarnik_B::SettingValue = L"x";
  Zarnik_BGM::MusicKind = Zarnik_BGM::MusicRepeat = Zarnik_BGM::CDReady = 7;
  Zarnik_BGM::MusicFile = Zarnik_BGM::MusicFolder = L"x";
  ResetSharedState();
  for (int16_t v : {Zarnik_B::PictureSource, Zarnik_B::DegradeLevel, Zarnik_B::CursorX, Zarnik_B::CursorY,
                    Zarnik_B::PreviewLeft, Zarnik_B::PreviewTop, Zarnik_B::PreviewWidth, Zarnik_B::PreviewHeight,
                    Zarnik_BGM::MusicKind, Zarnik_BGM::MusicRepeat, Zarnik_BGM::CDReady})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_FALSE(Zarnik_B::CursorCount.has_value());
  for (const std::wstring* text : {&Zarnik_B::PictureFile, &Zarnik_B::PictureFolder, &Zarnik_B::SettingValue,
                                   &Zarnik_BGM::MusicFile, &Zarnik_BGM::MusicFolder})
    EXPECT_TRUE(text->empty());
}

}  // namespace
}  // namespace zarnik::test
