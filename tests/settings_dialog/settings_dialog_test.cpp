// The settings dialog in this process, driven by real pointer input at its layout's
// positions; what it saves is checked byte for byte.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "button/command_button.h"
#include "platform/surface.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/dialog_controls.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/dialog_texts.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/settings_window.h"
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
    ResetSharedState();
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

POINT OnScreen(HWND wnd, const RECT& r) {
  POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(wnd, &pt);
  return pt;
}

enum class Pick { None, Picked, NoListView };

// Picks a file in the system's open-file dialog with a real double-click, the dialog first moved
// so that the file's entry lies over the screen point: once the dialog has closed at the second
// press, the second release falls on whatever lies under the point. Runs beside the thread that
// waits in the dialog; when anything is missing it cancels the dialog instead. The classic
// dialog (Wine's) lists the files in a list view; the Explorer-style one of Windows draws its
// items itself, and then nothing here can find an entry's place.
std::thread DoubleClickFileOver(const std::wstring& name, POINT point, std::atomic<Pick>* picked) {
  return std::thread([name, point, picked] {
    HWND dialog = nullptr, list = nullptr;
    int item = -1;
    const std::wstring title = TextsFor(DialogLanguage()).open_title;
    auto listed = [&] {
      dialog = FindWindowW(nullptr, title.c_str());
      HWND view = dialog ? FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr) : nullptr;
      list = view ? FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
      if (!list || !IsWindowVisible(dialog)) return false;
      LVFINDINFOW find{};
      find.flags = LVFI_STRING | LVFI_PARTIAL;  // whether the extension shows or not
      find.psz = name.c_str();
      item = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
      return item >= 0;
    };
    auto entry = [&] {
      RECT r{LVIR_LABEL, 0, 0, 0};
      SendMessageW(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
      POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      MapWindowPoints(list, nullptr, &centre, 1);
      return centre;
    };
    auto entry_over_point = [&] {
      const POINT at = entry();
      return at.x == point.x && at.y == point.y && WindowFromPoint(point) == list;
    };
    auto pointer_there = [&] {
      POINT at{};
      return GetCursorPos(&at) && at.x == point.x && at.y == point.y;
    };
    if (PumpUntil(listed, 10s)) {
      const POINT at = entry();
      RECT d{};
      GetWindowRect(dialog, &d);
      SetWindowPos(dialog, nullptr, d.left + point.x - at.x, d.top + point.y - at.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      if (PumpUntil(entry_over_point, 5s)) {
        MovePointerTo(point.x, point.y);
        if (PumpUntil(pointer_there, 5s)) {
          PressAndRelease();
          PressAndRelease();
          *picked = Pick::Picked;
          return;
        }
      }
    }
    if (dialog && IsWindowVisible(dialog) && !list) *picked = Pick::NoListView;
    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
}

TEST_F(DialogTest, TheLastReleaseOfADoubleClickThatPickedAFileChangesNothingBelow) {
  TempFolder media(L"zkmusic");
  for (const wchar_t* name : {L"zarnik-first.mp3", L"zarnik-tune.mp3", L"zarnik-other.mp3"})
    ASSERT_TRUE(WriteBytes(media.File(name), "ID3"));
  const std::string before = Saved(0, L"", 3, 2, 0, media.File(L"zarnik-first.mp3"));
  Open(before);
  CommandButton* cancel = CommandButton::FromWindow(GetDlgItem(wnd_, kIdCmdCan));
  ASSERT_NE(cancel, nullptr);
  struct Target {
    const wchar_t* name;
    RECT below;  // what lies under the file's entry
    const char* what;
  };
  for (const Target& pick : {Target{L"zarnik-tune", In(kPanelMusic, kBgmLabel[0]), "the option for no music"},
                             Target{L"zarnik-other", kCmdSet, "the save button"}}) {
    const std::wstring file = media.File(pick.name + std::wstring(L".mp3"));
    std::atomic<Pick> picked = Pick::None;
    std::thread answer = DoubleClickFileOver(pick.name, OnScreen(wnd_, pick.below), &picked);
    Click(In(kPanelMusic, kCmdBgm));
    answer.join();
    if (picked == Pick::NoListView)
      GTEST_SKIP() << "this system's file dialog has no list view to find the file's entry in (the "
                      "Explorer-style dialog draws its items itself); the double-click needs the classic one";
    ASSERT_TRUE(picked == Pick::Picked) << "no file dialog, or no entry for the file in it, before " << pick.what;
    ASSERT_TRUE(PumpUntil([&] { return Zarnik_BGM::MusicFile == file; }, 5s));
    // The pointer off ｷｬﾝｾﾙ, then onto it: once it shows the hover, every input before that
    // move, the stray release included, has been handled.
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(wnd_) || cancel->state() == ButtonState::Normal; }, 5s));
    const POINT can = OnScreen(wnd_, kCmdCan);
    MovePointerTo(can.x, can.y);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(wnd_) || cancel->state() == ButtonState::HighLight; }, 5s));
    EXPECT_EQ(ReadBytes(Ini()), before) << pick.what;
    ASSERT_TRUE(IsWindow(wnd_)) << "closed by the release over " << pick.what;
    const DialogView v = View();
    EXPECT_EQ(v.music_name, file);
    EXPECT_EQ(v.bgm_mark[0], 0) << pick.what;
    EXPECT_EQ(v.bgm_mark[2], 1) << pick.what;
    EXPECT_EQ(Zarnik_BGM::MusicKind, 2) << pick.what;
  }
  // A click of its own still saves, with the music file as picked.
  Click(kCmdSet);
  ASSERT_TRUE(Closed());
  EXPECT_EQ(ReadBytes(Ini()), Saved(0, L"", 3, 2, 0, media.File(L"zarnik-other.mp3")));
}

// The system's window colour set for a while, as a high-contrast theme sets it; the old one is
// given back at the end.
class WindowColour {
 public:
  explicit WindowColour(COLORREF colour) : old_(GetSysColor(COLOR_WINDOW)) { Set(colour); }
  ~WindowColour() { Set(old_); }
  static bool Set(COLORREF colour) {
    const int element = COLOR_WINDOW;
    return SetSysColors(1, &element, &colour);
  }

 private:
  COLORREF old_;
};

TEST_F(DialogTest, TheEmptyThumbnailBoxIsInTheSystemsWindowColour) {
  const COLORREF navy = RGB(0x10, 0x30, 0x60), yellow = RGB(0xF0, 0xE0, 0x20);
  WindowColour theme(navy);
  ASSERT_EQ(GetSysColor(COLOR_WINDOW), navy);
  Open(Saved(0, L"", 3, 0, 0, L""));
  // The whole 80 x 80 box on the screen, in the colour asked for.
  auto box_is = [&](COLORREF colour) {
    const uint32_t want = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    const RECT box = In(kPanelPicture, kDisplay);
    POINT origin{box.left, box.top};
    ClientToScreen(wnd_, &origin);
    const Screenshot shot = CaptureScreen();
    for (int y = 0; y < kThumbnailSide; ++y)
      for (int x = 0; x < kThumbnailSide; ++x)
        if (shot.At(origin.x + x, origin.y + y) != want) return false;
    return true;
  };
  EXPECT_TRUE(PumpUntil([&] { return box_is(navy); }, 3s));
  // Changed while the dialog is open: the empty box follows.
  ASSERT_TRUE(WindowColour::Set(yellow));
  EXPECT_TRUE(PumpUntil([&] { return box_is(yellow); }, 3s));
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

TEST_F(DialogTest, AMusicOptionActsOnlyOnAPressAndReleaseOverItself) {
  Open(Saved(0, L"", 1, 0, 0, L""));  // no music
  auto centre = [](const RECT& r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); };
  const LPARAM cd_label = centre(In(kPanelMusic, kBgmLabel[1])), cd_mark = centre(In(kPanelMusic, kBgmMark[1]));
  const LPARAM file_label = centre(In(kPanelMusic, kBgmLabel[2]));
  // Pressed on one option, released on another; on a mark, released on its own label.
  for (auto [down, up] : {std::pair{cd_label, file_label}, {cd_mark, cd_label}}) {
    SendMessageW(wnd_, WM_LBUTTONDOWN, MK_LBUTTON, down);
    SendMessageW(wnd_, WM_LBUTTONUP, 0, up);
    EXPECT_EQ(View().bgm_mark[0], 1);
    EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  }
  // The release alone; then pressed, the pointer back without the button, and released.
  SendMessageW(wnd_, WM_LBUTTONUP, 0, cd_label);
  SendMessageW(wnd_, WM_LBUTTONDOWN, MK_LBUTTON, cd_label);
  SendMessageW(wnd_, WM_MOUSEMOVE, 0, cd_label);
  SendMessageW(wnd_, WM_LBUTTONUP, 0, cd_label);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  // Pressed and released over the same one.
  SendMessageW(wnd_, WM_LBUTTONDOWN, MK_LBUTTON, cd_mark);
  SendMessageW(wnd_, WM_LBUTTONUP, 0, cd_mark);
  EXPECT_EQ(View().bgm_mark[1], 1);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 1);
  EXPECT_NE(GetCapture(), wnd_);  // given back at the release
}

}  // namespace
}  // namespace zarnik::test
