// The settings dialog as the host opens it (Zarnik.scr /c, its own message loop), driven by
// real key presses only; what it saves, or leaves, is checked byte for byte. Run under the
// Japanese and the English UI.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/surface.h"
#include "settings_dialog/dialog_controls.h"
#include "tests/support/keyboard_input.h"
#include "tests/support/test_language.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;
using namespace zarnik::dialog;

constexpr int kDialog = 0;  // the dialog itself has the focus

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest() {
    Surface s;
    s.Resize(64, 48);
    s.SaveBmp(picture_);
    WriteBytes(music_, "ID3");
  }
  std::wstring Ini() const { return folder_.File(L"Quorvel.ini"); }

  void Open(const std::string& settings) {
    ASSERT_TRUE(WriteBytes(Ini(), settings));
    ASSERT_TRUE(process_.Start(L"\"" + folder_.Program() + L"\" /c", folder_.path()));
    ASSERT_TRUE(PumpUntil([&] {
      dialog_ = FindWindowW(nullptr, L"<Quorvel>");
      return dialog_ && IsWindowVisible(dialog_) && GetDlgItem(dialog_, kIdCmdSet);
    }, 20s));
    thread_ = GetWindowThreadProcessId(dialog_, nullptr);
    // The pointer on the dialog but off its buttons: their look is then the focus's alone, and
    // an X server without a window manager hands the keys to the window under the pointer.
    POINT corner{4, 4};
    ClientToScreen(dialog_, &corner);
    MovePointerTo(corner.x, corner.y);
    SetForegroundWindow(dialog_);
    ASSERT_TRUE(PumpUntil([&] {
      POINT p{};
      return GetForegroundWindow() == dialog_ && GetCursorPos(&p) && WindowFromPoint(p) == dialog_;
    }, 10s));
    // A dialog of an earlier start may have sat at the same place: keys go out only once this
    // one has taken everything its start gave it.
    ASSERT_TRUE(process_.Idle(10s));
  }

  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
  }
  // The focused control's id; the track box's edit field counts as the box.
  int FocusId() const {
    HWND focus = Focus();
    if (!focus || focus == dialog_) return kDialog;
    if (GetParent(focus) != dialog_) focus = GetParent(focus);
    return GetDlgCtrlID(focus);
  }
  // A key that moves the focus, and where it went.
  int Move(WORD key, std::initializer_list<WORD> held = {}) {
    HWND before = Focus();
    PressKey(key, held);
    PumpUntil([&] { return Focus() != before; }, 5s);
    return FocusId();
  }
  std::vector<int> Tabs(int count, bool back = false) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(back ? Move(VK_TAB, {VK_SHIFT}) : Move(VK_TAB));
    return ids;
  }
  int Degree() const { return static_cast<int>(SendMessageW(GetDlgItem(dialog_, kIdScroll), SBM_GETPOS, 0, 0)); }
  // A key for the scroll bar, and the degree it led to.
  int Scroll(WORD key, int expected) {
    PressKey(key);
    PumpUntil([&] { return Degree() == expected; }, 5s);
    return Degree();
  }
  bool Ended() { return process_.Wait(10s); }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != 0; }

  ProgramFolder folder_{false};
  std::wstring picture_ = folder_.File(L"pic.bmp");
  std::wstring music_ = folder_.File(L"song.mp3");
  Process process_;
  HWND dialog_ = nullptr;
  DWORD thread_ = 0;
};

TEST_F(KeyboardTest, TabAndShiftTabGoThroughTheEnabledControlsInReadingOrder) {
  // A picture file and a music CD: the picture's chooser and the track box work.
  Open(SettingsFileBytes(1, picture_, 3, 1, 0, L""));
  EXPECT_EQ(FocusId(), kDialog);
  EXPECT_EQ(Tabs(6), (std::vector<int>{kIdCmdPic, kIdScroll, kIdRepeat, kIdCmdCan, kIdCmdSet, kIdCmdPic}));
  EXPECT_EQ(Tabs(5, true), (std::vector<int>{kIdCmdSet, kIdCmdCan, kIdRepeat, kIdScroll, kIdCmdPic}));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(Ended());

  // The desktop and a music file: the music's chooser instead.
  Open(SettingsFileBytes(0, L"", 3, 2, 0, music_));
  EXPECT_EQ(Tabs(5), (std::vector<int>{kIdScroll, kIdCmdBgm, kIdCmdCan, kIdCmdSet, kIdScroll}));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(Ended());
}

// The focused button shows its focus picture, and loses it with the focus.
TEST_F(KeyboardTest, TheFocusedButtonLooksFocused) {
  Open(SettingsFileBytes(0, L"", 3, 0, 0, L""));
  RECT r{};
  GetWindowRect(GetDlgItem(dialog_, kIdCmdSet), &r);
  auto look = [&] {
    const Screenshot shot = CaptureScreen();
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) pixels.push_back(shot.At(x, y));
    return pixels;
  };
  // A look that no longer changes: alike over samples a tenth of a second apart.
  auto settled = [&] {
    std::vector<uint32_t> last;
    auto since = std::chrono::steady_clock::now();
    PumpUntil([&] {
      std::vector<uint32_t> now = look();
      if (now != last) {
        last = std::move(now);
        since = std::chrono::steady_clock::now();
      }
      return std::chrono::steady_clock::now() - since > 300ms;
    }, 5s);
    return last;
  };
  EXPECT_EQ(Tabs(2), (std::vector<int>{kIdScroll, kIdCmdCan}));
  const std::vector<uint32_t> unfocused = settled();
  EXPECT_EQ(Move(VK_TAB), kIdCmdSet);
  EXPECT_TRUE(PumpUntil([&] { return look() != unfocused; }, 5s));
  const std::vector<uint32_t> focused = settled();
  EXPECT_NE(focused, unfocused);
  EXPECT_EQ(Move(VK_TAB, {VK_SHIFT}), kIdCmdCan);
  EXPECT_TRUE(PumpUntil([&] { return look() == unfocused; }, 5s));
  EXPECT_EQ(Move(VK_TAB), kIdCmdSet);
  EXPECT_TRUE(PumpUntil([&] { return look() == focused; }, 5s));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(Ended());
}

TEST_F(KeyboardTest, EscWritesNothingAfterChanges) {
  const std::string before = SettingsFileBytes(1, picture_, 4, 1, 3, L"");
  Open(before);
  EXPECT_EQ(Tabs(2).back(), kIdScroll);
  EXPECT_EQ(Scroll(VK_RIGHT, 5), 5);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), before);

  // Space on the focused キャンセル / Cancel likewise.
  Open(before);
  EXPECT_EQ(Tabs(2).back(), kIdScroll);
  EXPECT_EQ(Scroll(VK_END, 10), 10);
  EXPECT_EQ(Tabs(2).back(), kIdCmdCan);
  PressKey(VK_SPACE);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), before);
}

TEST_F(KeyboardTest, ArrowKeysOnTheScrollBarChangeTheSavedDegree) {
  Open(SettingsFileBytes(0, L"", 3, 0, 0, L""));
  EXPECT_EQ(Move(VK_TAB), kIdScroll);
  EXPECT_EQ(Scroll(VK_RIGHT, 4), 4);
  EXPECT_EQ(Scroll(VK_RIGHT, 5), 5);
  EXPECT_EQ(Scroll(VK_RIGHT, 6), 6);
  EXPECT_EQ(Scroll(VK_LEFT, 5), 5);
  // Enter away from the buttons presses 設定 / OK.
  PressKey(VK_RETURN);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, L"", 5, 0, 0, L""));

  Open(SettingsFileBytes(0, L"", 3, 0, 0, L""));
  EXPECT_EQ(Move(VK_TAB), kIdScroll);
  EXPECT_EQ(Scroll(VK_HOME, 1), 1);
  EXPECT_EQ(Scroll(VK_LEFT, 1), 1);  // stops at the end
  PressKey(VK_RETURN);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, L"", 1, 0, 0, L""));
}

TEST_F(KeyboardTest, ArrowKeysInTheTrackBoxGoOnFromTheStoredTrack) {
  Open(SettingsFileBytes(0, L"", 3, 1, 7, L""));
  EXPECT_EQ(Tabs(2).back(), kIdRepeat);
  auto track = [&] {
    wchar_t text[16] = {};
    SendMessageW(GetDlgItem(dialog_, kIdRepeat), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
    return std::wstring(text);
  };
  for (auto [key, expected] : {std::pair{VK_DOWN, L"8"}, {VK_UP, L"7"}, {VK_UP, L"6"}}) {
    PressKey(static_cast<WORD>(key));
    EXPECT_TRUE(PumpUntil([&] { return track() == expected; }, 5s)) << track().c_str();
  }
  PressKey(VK_RETURN);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, L"", 3, 1, 6, L""));
}

TEST_F(KeyboardTest, EnterOrSpaceOnTheFocusedSaveButtonSaves) {
  Open(SettingsFileBytes(0, L"", 7, 0, 0, L""));
  EXPECT_EQ(Tabs(3).back(), kIdCmdSet);
  PressKey(VK_RETURN);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, L"", 7, 0, 0, L""));

  WriteBytes(Ini(), "");
  Open(SettingsFileBytes(0, L"", 2, 0, 0, L""));
  EXPECT_EQ(Move(VK_TAB, {VK_SHIFT}), kIdCmdSet);
  PressKey(VK_SPACE);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, L"", 2, 0, 0, L""));
}

// Alt and the underlined letter: each option chosen, each named control focused.
TEST_F(KeyboardTest, AccessKeysChooseOptionsAndFocusControls) {
  if (!EnglishRun()) GTEST_SKIP() << "only the English texts have access keys";
  Open(SettingsFileBytes(1, picture_, 3, 0, 0, L""));
  auto alt = [&](WORD letter, const std::function<bool()>& done) {
    PressKey(letter, {VK_MENU});
    return PumpUntil(done, 5s);
  };
  EXPECT_TRUE(alt('C', [&] { return Enabled(kIdRepeat) && !Enabled(kIdCmdBgm); }));   // Music CD
  EXPECT_TRUE(alt('R', [&] { return FocusId() == kIdRepeat; }));                        // Repeat track
  EXPECT_TRUE(alt('F', [&] { return !Enabled(kIdRepeat) && Enabled(kIdCmdBgm); }));   // Music file
  EXPECT_TRUE(alt('S', [&] { return FocusId() == kIdScroll; }));                        // Decay speed
  EXPECT_TRUE(alt('N', [&] { return !Enabled(kIdRepeat) && !Enabled(kIdCmdBgm); }));  // None
  EXPECT_TRUE(alt('D', [&] { return !Enabled(kIdCmdPic); }));                           // Desktop
  EXPECT_TRUE(alt('P', [&] { return Enabled(kIdCmdPic); }));                            // Picture file
  EXPECT_TRUE(alt('D', [&] { return !Enabled(kIdCmdPic); }));
  EXPECT_TRUE(alt('F', [&] { return Enabled(kIdCmdBgm); }));
  PressKey(VK_RETURN);
  ASSERT_TRUE(Ended());
  // As with a click on the desktop's label, the path shown goes and the stored one stays.
  EXPECT_EQ(ReadBytes(Ini()), SettingsFileBytes(0, picture_, 3, 2, 0, L""));
}

}  // namespace
}  // namespace zarnik::test
