// The settings dialog in this process, driven by real pointer input at its layout's
// positions; what it saves is checked byte for byte.
#include <gtest/gtest.h>

#include "settings_dialog/layout.h"
#include "settings_dialog/settings_window.h"
#include "startup/settings.h"
#include "startup/shared_state.h"
#include "startup/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;
using namespace zarnik::dialog;

class DialogTest : public ::testing::Test {
 protected:
  std::wstring Ini() const { return folder_.File(L"Quorvel.ini"); }
  std::wstring Picture(int w, int h, uint32_t colour = 0xE02010) {
    Surface s;
    EXPECT_TRUE(s.Resize(w, h));
    std::fill(s.pixels(), s.pixels() + w * h, colour);
    const std::wstring path = folder_.File(L"p" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L".bmp");
    EXPECT_TRUE(s.SaveBmp(path));
    return path;
  }
  // Loads the file as the program does, then opens the dialog on it.
  HWND Open(const std::string& settings) {
    EXPECT_TRUE(WriteBytes(Ini(), settings));
    Zarnik_B::PictureSource = Zarnik_B::DegradeLevel = 0;
    Zarnik_BGM::MusicKind = Zarnik_BGM::MusicRepeat = 0;
    LoadSettingsFrom(Ini(), folder_.path());
    wnd_ = CreateSettingsWindow(GetModuleHandleW(nullptr), Ini());
    EXPECT_NE(wnd_, nullptr);
    SetForegroundWindow(wnd_);
    EXPECT_TRUE(WaitUntilUnderPointer(wnd_, 10s));
    return wnd_;
  }
  void Click(const RECT& r, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
    POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClickAt(pt, down, up);
  }
  void ClickAt(POINT client, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
    EXPECT_TRUE(ClickInWindow(wnd_, client, down, up)) << client.x << "," << client.y;
  }
  bool Closed() { return PumpUntil([&] { return !IsWindow(wnd_); }, 3s); }
  DialogView View() {
    DialogView v;
    EXPECT_TRUE(ViewSettingsWindow(wnd_, &v));
    return v;
  }
  void TearDown() override {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
    DrainMessages();
  }
  TempFolder folder_;
  HWND wnd_ = nullptr;
};

// The file as the program writes it from scratch: the six keys in order, number text.
std::string Saved(int source, const std::wstring& picture, int degree, int kind, int repeat, const std::wstring& music) {
  return SettingsFileBytes(source, picture, degree, kind, repeat, music);
}

TEST_F(DialogTest, OpenedAndSavedAtOnceWritesTheLoadedValuesAsNumberText) {
  const std::wstring pic = Picture(64, 48);
  // Written by hand, without the blanks the dialog puts before numbers.
  const std::wstring text = L"[Section]\r\n画像=1\r\n画像ﾌｧｲﾙ=" + pic + L"\r\n劣化度=5\r\nBGM区分=1\r\nBGMﾘﾋﾟｰﾄ=7\r\nBGMﾌｧｲﾙ=\r\n";
  Open(ToCp932(text));
  Click(kCmdSet);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), Saved(1, pic, 5, 1, 7, L""));
}

TEST_F(DialogTest, OptionsAndTheScrollBarChangeWhatIsWritten) {
  const std::wstring pic = Picture(64, 48);
  const std::wstring music = folder_.File(L"song.mp3");
  ASSERT_TRUE(WriteBytes(music, "ID3"));
  Open(Saved(1, pic, 5, 1, 7, music));
  Click(In(kPanelPicture, kSelLabel[0]));                 // the desktop
  Click(In(kPanelMusic, kBgmLabel[2]));                   // a music file
  const RECT bar = In(kPanelDegree, kScroll);
  for (int i = 0; i < 2; ++i) ClickAt(POINT{bar.right - 6, (bar.top + bar.bottom) / 2});  // right arrow
  EXPECT_EQ(View().degree_text, L"7");
  Click(kCmdSet);
  ASSERT_TRUE(Closed());
  // The picture file is still written with the desktop chosen; the repeat track too.
  EXPECT_EQ(ReadBytes(Ini()), Saved(0, pic, 7, 2, 7, music));
}

TEST_F(DialogTest, ScrollBarStopsAtTenAndADegreeOutsideItsRangeSavesItsValue) {
  Open(Saved(0, L"", 10, 0, 0, L""));
  const RECT bar = In(kPanelDegree, kScroll);
  ClickAt(POINT{bar.right - 6, (bar.top + bar.bottom) / 2});
  EXPECT_EQ(View().degree, 10);
  EXPECT_EQ(View().degree_text, L"10");
  DestroyWindow(wnd_);

  Open(Saved(0, L"", 45, 0, 0, L""));
  EXPECT_EQ(View().degree_text, L"45");
  EXPECT_EQ(View().degree, 1);
  Click(kCmdSet);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), Saved(0, L"", 1, 0, 0, L""));
}

TEST_F(DialogTest, RepeatTrackTextsAsSaved) {
  struct Case {
    const wchar_t* text;
    int written;
  };
  // Loaded with 7: a number out of the 16-bit range keeps it.
  for (Case c : {Case{L"", 0}, {L"abc", 0}, {L"7", 7}, {L" 12 ", 12}, {L"2.5", 2}, {L"3.5", 4}, {L"99999", 7}}) {
    Open(Saved(0, L"", 3, 1, 7, L""));
    HWND combo = FindWindowExW(wnd_, nullptr, L"ComboBox", nullptr);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 21);
    SetWindowTextW(combo, c.text);
    Click(kCmdSet);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(ReadBytes(Ini()), Saved(0, L"", 3, 1, c.written, L"")) << "text '" << c.text << "'";
  }
}

TEST_F(DialogTest, CancelAfterChangingEverythingLeavesTheFileAsItWas) {
  const std::wstring pic = Picture(64, 48);
  const std::string before = Saved(1, pic, 4, 1, 3, L"");
  Open(before);
  Click(In(kPanelPicture, kSelLabel[0]));
  Click(In(kPanelMusic, kBgmLabel[0]));
  const RECT bar = In(kPanelDegree, kScroll);
  ClickAt(POINT{bar.left + 6, (bar.top + bar.bottom) / 2});
  SetWindowTextW(FindWindowExW(wnd_, nullptr, L"ComboBox", nullptr), L"15");
  Click(kCmdCan);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), before);
}

TEST_F(DialogTest, DesktopLabelEmptiesPathAndThumbnailItsMarkDoesNot) {
  const std::wstring pic = Picture(640, 480);
  Open(Saved(1, pic, 3, 0, 0, L""));
  EXPECT_EQ(View().thumbnail.cx, 80);
  EXPECT_EQ(View().thumbnail.cy, 60);
  Click(In(kPanelPicture, kSelMark[0]), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);  // any button
  DialogView v = View();
  EXPECT_EQ(v.sel_mark[0], 1);
  EXPECT_EQ(v.sel_mark[1], 0);
  EXPECT_EQ(v.picture_name, pic);
  EXPECT_EQ(v.thumbnail.cy, 60);
  Click(In(kPanelPicture, kSelMark[1]));
  Click(In(kPanelPicture, kSelLabel[0]));
  v = View();
  EXPECT_EQ(v.picture_name, L"");
  EXPECT_EQ(v.thumbnail.cx, 80);
  EXPECT_EQ(v.thumbnail.cy, 80);
  Click(kCmdSet);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), Saved(0, pic, 3, 0, 0, L""));
}

TEST_F(DialogTest, ThumbnailKeepsTheAspectWithItsLongerSide80) {
  struct Case {
    int w, h, tw, th;
  };
  for (Case c : {Case{640, 480, 80, 60}, {300, 600, 40, 80}, {500, 500, 80, 80}, {1000, 333, 80, 27}, {40, 30, 80, 60}}) {
    const std::wstring pic = Picture(c.w, c.h);
    Open(Saved(1, pic, 1, 0, 0, L""));
    // Counted on screen: the red of the picture inside the white thumbnail box, once drawn.
    RECT box = In(kPanelPicture, kDisplay);
    POINT origin{box.left, box.top};
    ClientToScreen(wnd_, &origin);
    int width = 0, height = 0;
    PumpUntil([&] {
      Screenshot shot = CaptureScreen();
      width = height = 0;
      for (int x = 0; x < 80; ++x) width += (shot.At(origin.x + x, origin.y + 2) & 0xFFFFFF) == 0xE02010;
      for (int y = 0; y < 80; ++y) height += (shot.At(origin.x + 2, origin.y + y) & 0xFFFFFF) == 0xE02010;
      return width == c.tw && height == c.th;
    }, 10s);
    EXPECT_EQ(width, c.tw) << c.w << "x" << c.h;
    EXPECT_EQ(height, c.th) << c.w << "x" << c.h;
    DestroyWindow(wnd_);
    DrainMessages();
  }
}

TEST_F(DialogTest, MusicOptionsEnableTheirOwnControlOnly) {
  Open(Saved(0, L"", 1, 0, 0, L""));
  HWND combo = FindWindowExW(wnd_, nullptr, L"ComboBox", nullptr);
  EXPECT_FALSE(IsWindowEnabled(combo));
  Click(In(kPanelMusic, kBgmMark[1]));
  EXPECT_TRUE(IsWindowEnabled(combo));
  EXPECT_EQ(View().bgm_mark[1], 1);
  Click(In(kPanelMusic, kBgmLabel[2]));
  EXPECT_FALSE(IsWindowEnabled(combo));
  DialogView v = View();
  EXPECT_EQ(v.bgm_mark[0], 0);
  EXPECT_EQ(v.bgm_mark[1], 0);
  EXPECT_EQ(v.bgm_mark[2], 1);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);
}

}  // namespace
}  // namespace zarnik::test
