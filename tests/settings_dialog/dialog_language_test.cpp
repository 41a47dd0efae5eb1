// The dialog in the user's UI language, run once under Japanese and once under English (the
// ".en" tests, with Wine in en_US.UTF-8 on a prefix of its own): the texts it shows, that they
// fit, that it saves the same file in both, and paths in any language kept whole from the
// file chooser through the settings file to the saver's picture and music.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "button/command_button.h"
#include "platform/gdi.h"
#include "platform/surface.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/dialog_controls.h"
#include "settings_dialog/dialog_painter.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/settings_window.h"
#include "tests/support/keyboard_input.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_language.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;
using namespace zarnik::dialog;

// The texts, written out here rather than taken from the program's table.
const std::vector<std::wstring> kJapaneseLabels = {L"画像の選択", L"劣化度", L"BGM", L"ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ",
                                                   L"画像ﾌｧｲﾙを指定", L"小", L"大", L"無し", L"音楽CD",
                                                   L"MP3、WAV", L"曲目をﾘﾋﾟｰﾄ"};
const std::vector<std::wstring> kEnglishLabels = {L"Picture", L"Decay &speed", L"Music", L"&Desktop",
                                                  L"&Picture file", L"Slow", L"Fast", L"&None", L"Music &CD",
                                                  L"Music &file", L"&Repeat track"};

std::string Utf16LeFile(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

std::wstring SettingsText(int source, const std::wstring& picture, int degree, int kind, int repeat,
                          const std::wstring& music) {
  auto number = [](int v) { return v < 0 ? std::to_wstring(v) : L" " + std::to_wstring(v); };
  return L"[Section]\r\n画像=" + number(source) + L"\r\n画像ﾌｧｲﾙ=" + picture + L"\r\n劣化度=" + number(degree) +
         L"\r\nBGM区分=" + number(kind) + L"\r\nBGMﾘﾋﾟｰﾄ=" + number(repeat) + L"\r\nBGMﾌｧｲﾙ=" + music + L"\r\n";
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class LanguageTest : public ::testing::Test {
 protected:
  std::wstring Ini() const { return folder_.File(L"Quorvel.ini"); }
  HWND Open(const std::string& settings) {
    EXPECT_TRUE(WriteBytes(Ini(), settings));
    LoadSettingsFrom(Ini(), folder_.path());
    wnd_ = CreateSettingsWindow(GetModuleHandleW(nullptr), Ini());
    EXPECT_NE(wnd_, nullptr);
    SetForegroundWindow(wnd_);
    PumpUntil([&] { return GetForegroundWindow() == wnd_; }, 5s);
    return wnd_;
  }
  void Click(POINT client) { ClickInWindow(wnd_, client); }
  bool Closed() { return PumpUntil([&] { return !IsWindow(wnd_); }, 5s); }
  void TearDown() override {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
  }
  TempFolder folder_;
  HWND wnd_ = nullptr;
};

TEST_F(LanguageTest, TheUiLanguageChoosesTheDialogsLanguage) {
  // The rig: Japanese with code page 932, English with 1252.
  EXPECT_EQ(GetACP(), EnglishRun() ? 1252u : 932u);
  EXPECT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), EnglishRun() ? LANG_ENGLISH : LANG_JAPANESE);
  EXPECT_EQ(DialogLanguage(), EnglishRun() ? Language::English : Language::Japanese);

  Open(SettingsFileBytes(0, L"", 3, 0, 0, L""));
  DialogView view;
  ASSERT_TRUE(ViewSettingsWindow(wnd_, &view));
  EXPECT_EQ(view.labels, EnglishRun() ? kEnglishLabels : kJapaneseLabels);

  struct Button { int id; const wchar_t* japanese; const wchar_t* english; };
  for (Button b : {Button{kIdCmdSet, L"設定", L"OK"}, {kIdCmdCan, L"ｷｬﾝｾﾙ", L"Cancel"}, {kIdCmdPic, L"...", L"..."},
                   {kIdCmdBgm, L"...", L"..."}}) {
    HWND wnd = GetDlgItem(wnd_, b.id);
    CommandButton* button = CommandButton::FromWindow(wnd);
    ASSERT_NE(button, nullptr) << b.id;
    const std::wstring expected = EnglishRun() ? b.english : b.japanese;
    EXPECT_EQ(button->Caption(), expected);
    wchar_t text[64] = {};
    GetWindowTextW(wnd, text, 64);
    EXPECT_EQ(std::wstring(text), expected);
    // Japanese keeps the designed font; English takes the dialog's.
    EXPECT_EQ(button->Font().face == L"ＭＳ Ｐゴシック", !EnglishRun()) << b.id;
  }
  // The saver's caption and the window's title are the same in every language.
  wchar_t title[64] = {};
  GetWindowTextW(wnd_, title, 64);
  EXPECT_EQ(std::wstring(title), L"<Quorvel>");
}

// Each English text in the dialog's font against the room it has before the next thing on its
// line, at the font sizes of 100 %, 125 % and 150 % scaling.
TEST_F(LanguageTest, EnglishTextsFitTheirRoomAtEachScaling) {
  if (!EnglishRun()) GTEST_SKIP() << "the English texts are measured in the English run";
  struct Room { const wchar_t* text; int width; };
  const Room rooms[] = {
      {L"Picture", kTitleText.right - kTitleText.left},
      {L"Decay &speed", kTitleText.right - kTitleText.left},
      {L"Music", kTitleText.right - kTitleText.left},
      {L"&Desktop", kDisplay.left - kSelLabel[0].left},
      {L"&Picture file", kCmdPic.left - kSelLabel[1].left},
      {L"Slow", kSmallWide.right - (kTitlePlate.right + 2)},
      {L"Fast", kPanelDegree.right - kPanelDegree.left - kLarge.left},
      {L"&None", kCmdBgm.left - kBgmLabelWide[0].left},
      {L"Music &CD", kRepeat.left - kBgmLabelWide[1].left},
      {L"Music &file", kCmdBgm.left - kBgmLabelWide[2].left},
      {L"&Repeat track", kPanelMusic.right - kPanelMusic.left - kRepeatLabel.left},
      {L"OK", kCmdSet.right - kCmdSet.left - 8},
      {L"Cancel", kCmdCan.right - kCmdCan.left - 8},
  };
  const LOGFONTW base = SystemDialogFont();
  ScopedGetDC screen(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  for (int percent : {100, 125, 150}) {
    LOGFONTW lf = base;
    lf.lfHeight = MulDiv(base.lfHeight, percent, 100);
    ScopedFont font(CreateFontIndirectW(&lf));
    ScopedSelectObject select(screen, font.get());
    for (const Room& room : rooms) {
      RECT r{0, 0, 0, 0};
      DrawTextW(screen, room.text, -1, &r, DT_SINGLELINE | DT_CALCRECT);
      // The room grows with the window, which the system scales as a whole.
      EXPECT_LE(r.right, MulDiv(room.width, percent, 100)) << percent << "% " << std::wstring(room.text).c_str();
    }
  }
  EXPECT_GT(dpi, 0);
}

// The same choices in either language write the same bytes: the keys and values do not
// depend on the language, and paths code page 932 holds keep the file in code page 932.
TEST_F(LanguageTest, SavingWritesTheSameFileInEveryLanguage) {
  Surface s;
  ASSERT_TRUE(s.Resize(64, 48));
  const std::wstring pic = folder_.File(L"海の写真.bmp");
  ASSERT_TRUE(s.SaveBmp(pic));
  const std::wstring music = folder_.File(L"song.mp3");
  ASSERT_TRUE(WriteBytes(music, "ID3"));
  Open(SettingsFileBytes(1, pic, 5, 1, 7, music));
  Click(Centre(In(kPanelPicture, kSelMark[0])));  // the desktop (its mark keeps the path)
  // No music, by its label: the English word runs past the Japanese one's box.
  const RECT none = In(kPanelMusic, EnglishRun() ? kBgmLabelWide[0] : kBgmLabel[0]);
  Click(POINT{none.left + (EnglishRun() ? 27 : 12), (none.top + none.bottom) / 2});
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  const RECT bar = In(kPanelDegree, kScroll);
  Click(POINT{bar.right - 6, (bar.top + bar.bottom) / 2});
  Click(Centre(kCmdSet));
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, pic, 6, 0, 7, music));
}

TEST(SettingsEncoding, AValueCodePage932CannotHoldTurnsTheFileToUtf16AndItStaysSo) {
  TempFolder folder;
  const std::wstring file = folder.File(L"Quorvel.ini");
  const std::wstring kept = L"; 設定\r\n[Other]\r\nk=ｶﾅ\r\n";
  ASSERT_TRUE(WriteBytes(file, ToCp932(kept)));
  WriteIni(kSection, kKeyDegree, L" 4", file);
  EXPECT_EQ(ReadBytes(file), ToCp932(kept + L"[Section]\r\n劣化度= 4\r\n"));  // as before

  const std::wstring path = L"C:\\Users\\Zoë\\Pictures\\été ñ ü Фото 照片.jpg";
  WriteIni(kSection, kKeyPictureFile, path, file);
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_EQ(ReadBytes(file), Utf16LeFile(kept + L"[Section]\r\n劣化度= 4\r\n画像ﾌｧｲﾙ=" + path + L"\r\n"));
  EXPECT_EQ(ReadIni(kSection, kKeyPictureFile, file), path);
  EXPECT_EQ(ReadIni(L"Other", L"k", file), L"ｶﾅ");

  // Values code page 932 holds no longer turn it back.
  WriteIni(kSection, kKeyDegree, L" 9", file);
  WriteIni(kSection, kKeyPictureFile, L"C:\\sea.jpg", file);
  EXPECT_EQ(ReadBytes(file), Utf16LeFile(kept + L"[Section]\r\n劣化度= 9\r\n画像ﾌｧｲﾙ=C:\\sea.jpg\r\n"));

  // A best-fit look-alike is no exact hold: é would be written as e.
  const std::wstring fresh = folder.File(L"fresh.ini");
  WriteIni(kSection, kKeyMusicFile, L"C:\\café.mp3", fresh);
  EXPECT_EQ(ReadBytes(fresh), Utf16LeFile(L"[Section]\r\nBGMﾌｧｲﾙ=C:\\café.mp3\r\n"));
}

TEST(SettingsEncoding, AFileWhoseBytesWouldNotSurviveTheChangeIsLeftAlone) {
  TempFolder folder;
  const std::wstring file = folder.File(L"Quorvel.ini");
  // An unassigned double-byte code and a lead byte left alone at the end: no text keeps them.
  const std::string odd = "[Section]\r\nold=\x85\x40\r\nend=\x81";
  ASSERT_TRUE(WriteBytes(file, odd));
  WriteIni(kSection, kKeyPictureFile, L"C:\\été.jpg", file);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadBytes(file), odd);
  // What code page 932 holds still goes in, as before.
  WriteIni(kSection, kKeyDegree, L" 2", file);
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, file), L"2");
}

// Fills in the system's open-file dialog from another thread while the dialog waits in it.
std::thread AnswerFileDialog(const std::wstring& title, const std::wstring& path) {
  return std::thread([title, path] {
    const DWORD limit = GetTickCount() + 15000;
    HWND chooser = nullptr, edit = nullptr;
    // Polled until the chooser stands with its name box, within a bound.
    while (GetTickCount() < limit) {
      chooser = FindWindowW(nullptr, title.c_str());
      if (chooser && IsWindowVisible(chooser)) {
        HWND combo = FindWindowExW(chooser, nullptr, L"ComboBoxEx32", nullptr);
        if (combo) edit = FindWindowExW(FindWindowExW(combo, nullptr, L"ComboBox", nullptr), nullptr, L"Edit", nullptr);
        if (!edit) edit = FindWindowExW(chooser, nullptr, L"Edit", nullptr);
        if (!edit) edit = GetDlgItem(chooser, 0x480);
        if (edit && IsWindowVisible(edit)) break;
      }
      edit = nullptr;
      WaitForSingleObject(GetCurrentThread(), 20);
    }
    if (!edit) return;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
  });
}

// A picture and a tune in folders and names of several languages: chosen with the file
// chooser, saved, read back exactly, then shown and heard in the saver.
TEST(UnicodePaths, ChosenSavedReadBackThenShownAndHeard) {
  ProgramFolder program;
  TempFolder media(L"zkmedia");
  const std::wstring folder = media.File(L"Zoë été ñandú Über Пример 图片");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  Surface picture;
  ASSERT_TRUE(picture.Resize(200, 100));
  std::fill(picture.pixels(), picture.pixels() + 200 * 100, 0x3070B0u);
  const std::wstring pic = folder + L"\\été ñ ü Привет 你好.bmp";
  ASSERT_TRUE(picture.SaveBmp(pic));
  const std::wstring mp3 = folder + L"\\música ë Звук 音乐.mp3";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"\\music-data\\tone.mp3").c_str(), mp3.c_str(), FALSE));

  const std::wstring ini = program.File(L"Quorvel.ini");
  ASSERT_TRUE(WriteBytes(ini, SettingsFileBytes(0, L"", 3, 0, 0, L"")));
  LoadSettingsFrom(ini, program.path());
  HWND wnd = CreateSettingsWindow(GetModuleHandleW(nullptr), ini);
  ASSERT_NE(wnd, nullptr);
  SetForegroundWindow(wnd);
  PumpUntil([&] { return GetForegroundWindow() == wnd; }, 5s);
  const std::wstring open_title = TextsFor(DialogLanguage()).open_title;
  EXPECT_EQ(open_title, EnglishRun() ? L"Open" : L"ﾌｧｲﾙを開く");

  ClickInWindow(wnd, Centre(In(kPanelPicture, kSelLabel[1])));
  std::thread answer = AnswerFileDialog(open_title, pic);
  ClickInWindow(wnd, Centre(In(kPanelPicture, kCmdPic)));
  PumpUntil([&] { return Zarnik_B::PictureFile == pic; }, 15s);
  answer.join();
  ASSERT_EQ(Zarnik_B::PictureFile, pic);

  ClickInWindow(wnd, Centre(In(kPanelMusic, kBgmMark[2])));
  std::thread answer_music = AnswerFileDialog(open_title, mp3);
  ClickInWindow(wnd, Centre(In(kPanelMusic, kCmdBgm)));
  PumpUntil([&] { return Zarnik_BGM::MusicFile == mp3; }, 15s);
  answer_music.join();
  ASSERT_EQ(Zarnik_BGM::MusicFile, mp3);

  ClickInWindow(wnd, Centre(kCmdSet));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(wnd); }, 5s));
  EXPECT_EQ(ReadBytes(ini), Utf16LeFile(SettingsText(1, pic, 3, 2, 0, mp3)));
  Zarnik_B::PictureFile = Zarnik_BGM::MusicFile = L"";
  LoadSettingsFrom(ini, program.path());
  EXPECT_EQ(Zarnik_B::PictureFile, pic);
  EXPECT_EQ(Zarnik_BGM::MusicFile, mp3);
  EXPECT_EQ(Zarnik_B::PictureSource, 1);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);

  Process saver;
  ASSERT_TRUE(saver.Start(L"\"" + program.Program() + L"\" /s", program.path()));
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = FindWindowW(nullptr, L"Zarnik_Main")) && IsWindowVisible(main); }, 15s));
  // The picture, centred at its own size on black; its blue survives the decay roughly.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - 200) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - 100) / 2;
  EXPECT_TRUE(PumpUntil([&] {
    const Screenshot shot = CaptureScreen();
    return shot.At(left - 3, top + 50) == 0u && std::abs(static_cast<int>(shot.At(left + 10, top + 10) & 0xFF) - 0xB0) < 24;
  }, 10s));
  const bool hearing = PlayDevices() > 0 && RecordDevices() > 0;
  if (hearing) {
    EXPECT_GT(RecordLevel(2500ms), 0.05);
  }
  PressKey(VK_SHIFT);
  EXPECT_TRUE(saver.Wait(10s));
  // Everything else was checked; the music only where it can be heard.
  ZARNIK_SKIP_UNLESS_SOUND();
}

}  // namespace
}  // namespace zarnik::test
