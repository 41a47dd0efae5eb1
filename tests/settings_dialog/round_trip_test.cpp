// Settings chosen in the dialog, with the real file dialog, then used by the saver.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/surface.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/dialog_texts.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/settings_window.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;
using namespace zarnik::dialog;

// The file name box: an edit control, inside a combo box on newer dialogs.
HWND FileNameBox(HWND dialog) {
  HWND edit = nullptr;
  HWND combo = FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr);
  if (combo) edit = FindWindowExW(FindWindowExW(combo, nullptr, L"ComboBox", nullptr), nullptr, L"Edit", nullptr);
  if (!edit) edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
  if (!edit) edit = GetDlgItem(dialog, 0x480);  // edt1
  return edit;
}

// Fills in the system's open-file dialog from another thread while this one waits in it.
// The answer is given again while the dialog stays open: one given before it was ready
// would otherwise be lost.
std::thread AnswerFileDialog(const std::wstring& path) {
  return std::thread([path] {
    HWND dialog = nullptr, edit = nullptr;
    const std::wstring title = TextsFor(DialogLanguage()).open_title;
    if (!PumpUntil([&] {
          dialog = FindWindowW(nullptr, title.c_str());
          edit = dialog ? FileNameBox(dialog) : nullptr;
          return dialog && IsWindowVisible(dialog) && IsWindowEnabled(dialog) && edit && IsWindowVisible(edit);
        }, 30s))
      return;
    for (int attempt = 0; attempt < 5 && IsWindow(dialog); ++attempt) {
      SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
      PumpUntil([&] { return !IsWindow(dialog); }, 5s);
    }
  });
}

void ClickAt(HWND wnd, POINT client) { EXPECT_TRUE(ClickInWindow(wnd, client)) << client.x << "," << client.y; }
POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

TEST(RoundTrip, ChosenInTheDialogThenDecayedAndPlayedByTheSaver) {
  ProgramFolder folder;
  TempFolder media(L"zkmedia");
  Surface picture;
  ASSERT_TRUE(picture.Resize(200, 100));
  std::fill(picture.pixels(), picture.pixels() + 200 * 100, 0x3070B0u);
  const std::wstring pic = media.File(L"海 の 写真.bmp");
  ASSERT_TRUE(picture.SaveBmp(pic));
  const std::wstring mp3 = media.File(L"tune.mp3");
  ASSERT_TRUE(CopyFileW((BinFolder() + L"\\music-data\\tone.mp3").c_str(), mp3.c_str(), FALSE));

  // The dialog, as a /c start would show it, on the program folder's settings file.
  const std::wstring ini = folder.File(L"Quorvel.ini");
  ASSERT_TRUE(WriteBytes(ini, SettingsFileBytes(0, L"", 3, 0, 0, L"")));
  LoadSettingsFrom(ini, folder.path());
  HWND wnd = CreateSettingsWindow(GetModuleHandleW(nullptr), ini);
  ASSERT_NE(wnd, nullptr);
  SetForegroundWindow(wnd);
  ASSERT_TRUE(WaitUntilUnderPointer(wnd, 10s));

  ClickAt(wnd, Centre(In(kPanelPicture, kSelLabel[1])));
  std::thread answer = AnswerFileDialog(pic);
  ClickAt(wnd, Centre(In(kPanelPicture, kCmdPic)));
  PumpUntil([&] { return Zarnik_B::PictureFile == pic; }, 10s);
  answer.join();
  ASSERT_EQ(Zarnik_B::PictureFile, pic);
  EXPECT_EQ(Zarnik_B::PictureFolder, media.path());  // where the next dialog opens

  const RECT bar = In(kPanelDegree, kScroll);
  for (int i = 0; i < 2; ++i) ClickAt(wnd, POINT{bar.right - 6, (bar.top + bar.bottom) / 2});

  ClickAt(wnd, Centre(In(kPanelMusic, kBgmLabel[2])));
  std::thread answer_music = AnswerFileDialog(mp3);
  ClickAt(wnd, Centre(In(kPanelMusic, kCmdBgm)));
  PumpUntil([&] { return Zarnik_BGM::MusicFile == mp3; }, 10s);
  answer_music.join();
  ASSERT_EQ(Zarnik_BGM::MusicFile, mp3);

  ClickAt(wnd, Centre(kCmdSet));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(wnd); }, 5s));
  EXPECT_EQ(ReadBytes(ini), SettingsFileBytes(1, pic, 5, 2, 0, mp3));

  // The saver run that follows.
  Process saver;
  ASSERT_TRUE(saver.Start(L"\"" + folder.Program() + L"\" /s", folder.path()));
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = FindWindowW(nullptr, L"Zarnik_Main")) && IsWindowVisible(main); }, 15s));
  // Joined in from wherever the sampling began: the falling run by fives and its wrap.
  std::vector<int> want;
  for (int q = 95; q >= 15; q -= 5) want.push_back(q);
  std::vector<int> seen;
  std::string last;
  auto run_from_95 = [&] {
    auto first95 = std::find(seen.begin(), seen.end(), 95);
    return std::vector<int>(first95, seen.end());
  };
  PumpUntil([&] {
    std::string bytes = ReadBytes(folder.File(L"Quorvel.jpg"));
    if (!bytes.empty() && bytes != last)
      if (auto q = JpegQuality(bytes)) {
        seen.push_back(*q);
        last = bytes;
      }
    return run_from_95().size() >= want.size();
  }, 60s);
  std::vector<int> run = run_from_95();
  ASSERT_GE(run.size(), want.size()) << "qualities seen: " << ::testing::PrintToString(seen);
  run.resize(want.size());
  EXPECT_EQ(run, want);

  const bool hearing = PlayDevices() > 0 && RecordDevices() > 0;
  const double level = hearing ? RecordLevel(2000ms) : 0;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - 200) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - 100) / 2;
  Screenshot shot;
  auto centred = [&] {
    return shot.At(left - 3, top + 50) == 0u && shot.At(left + 203, top + 50) == 0u &&
           std::abs(static_cast<int>(shot.At(left + 10, top + 10) & 0xFF) - 0xB0) <= 24;
  };
  PumpUntil([&] { shot = CaptureScreen(); return centred(); }, 10s);
  EXPECT_EQ(shot.At(left - 3, top + 50), 0u);
  EXPECT_EQ(shot.At(left + 203, top + 50), 0u);
  EXPECT_NEAR(static_cast<int>(shot.At(left + 10, top + 10) & 0xFF), 0xB0, 24);
  if (hearing) {
    EXPECT_GT(level, 0.05);
  }

  INPUT key[2] = {};
  key[0].type = key[1].type = INPUT_KEYBOARD;
  key[0].ki.wVk = key[1].ki.wVk = VK_SHIFT;
  key[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, key, sizeof(INPUT));
  EXPECT_TRUE(saver.Wait(10s));
  // Everything else was checked; the music only where it can be heard.
  ZARNIK_SKIP_UNLESS_SOUND();
}

}  // namespace
}  // namespace zarnik::test
