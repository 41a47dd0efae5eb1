// The saver's window in the test's own process, so that a display-state change, whose message
// carries a pointer, can be sent to it as the system sends it. Nothing here presses a key: the
// saver's end ends the process. The window is closed with DestroyWindow.
#include <gtest/gtest.h>

#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/saver_window.h"
#include "settings/shared_state.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/test_support.h"
#include "tests/support/watch_recorder.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

// The display's state as the system reports it: a WM_POWERBROADCAST whose lParam points at a
// POWERBROADCAST_SETTING in the receiving process.
void SendDisplayState(HWND wnd, const GUID& setting, DWORD state) {
  std::vector<unsigned char> bytes(offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD));
  auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes.data());
  s->PowerSetting = setting;
  s->DataLength = sizeof(DWORD);
  std::memcpy(s->Data, &state, sizeof(state));
  SendMessageW(wnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(bytes.data()));
}

class SaverWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    Zarnik_B::DegradeLevel = 10;
    WatchRecorder::asked.windows8 = false;  // as on Windows 7
  }
  void TearDown() override {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
    DrainMessages();
  }
  HWND Show() {
    if (ShowSaverWindow(GetModuleHandleW(nullptr), false, {folder_.path()}))
      wnd_ = FindWindowW(kSaverClass, kSaverTitle);
    return wnd_;
  }
  std::wstring Jpeg() const { return folder_.File(L"Quorvel.jpg"); }

  WatchRecorder recorder_;
  TempFolder folder_;
  HWND wnd_ = nullptr;
};

TEST_F(SaverWindowTest, NoTicksWhileTheDisplayIsOffAndTheScheduleGoesOnWhenItIsSeenAgain) {
  ASSERT_NE(Show(), nullptr);
  // Registered at load for its session and for the monitor's power, as Windows 7 has it.
  const WatchAsked& asked = WatchRecorder::asked;
  EXPECT_EQ(asked.sessions, (std::vector<std::pair<HWND, DWORD>>{{wnd_, NOTIFY_FOR_THIS_SESSION}}));
  ASSERT_EQ(asked.settings.size(), 1u);
  EXPECT_TRUE(IsEqualGUID(asked.settings[0], kMonitorPowerOn));

  EXPECT_EQ(FollowQualities(Jpeg(), 2, 30s), (std::vector<int>{90, 80}));
  SendDisplayState(wnd_, kMonitorPowerOn, 0);
  // A tick under way when the display went off may still land; then nothing more.
  ASSERT_TRUE(SettlesFor(Jpeg(), 1500ms, 15s)) << "the saver went on converting with the display off";
  const std::string off = ReadBytes(Jpeg());
  EXPECT_FALSE(PumpUntil([&] { return ReadBytes(Jpeg()) != off; }, 3s));

  // Dimmed is still seen: the schedule goes on from where it stopped.
  const int last = JpegQuality(off).value_or(0);
  SendDisplayState(wnd_, kConsoleDisplayState, 2);
  EXPECT_EQ(NextQualities(Jpeg(), last, 2), QualitiesAfter(last, 10, 2));

  SendDisplayState(wnd_, kConsoleDisplayState, 0);
  ASSERT_TRUE(SettlesFor(Jpeg(), 1500ms, 15s));
  const int again = JpegQuality(ReadBytes(Jpeg())).value_or(0);
  SendDisplayState(wnd_, kConsoleDisplayState, 1);
  EXPECT_EQ(NextQualities(Jpeg(), again, 1), QualitiesAfter(again, 10, 1));

  // Gone: the bitmap with it, and the registrations given back.
  const std::wstring bitmap = folder_.File(L"Quorvel.bmp");
  EXPECT_TRUE(FileExistsW(bitmap));
  DestroyWindow(wnd_);
  EXPECT_FALSE(FileExistsW(bitmap));
  EXPECT_EQ(asked.sessions_given_back, std::vector<HWND>{wnd_});
  EXPECT_EQ(asked.settings_given_back, std::vector<HPOWERNOTIFY>{WatchRecorder::kNotify});
}

// The message can come from anywhere with any number for its pointer: nothing is read from
// memory that is not there, and the saver goes on.
TEST_F(SaverWindowTest, ADisplayStateMessageWithABadPointerChangesNothing) {
  ASSERT_NE(Show(), nullptr);
  EXPECT_EQ(FollowQualities(Jpeg(), 1, 30s).size(), 1u);
  void* gone = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(gone, nullptr);
  VirtualFree(gone, 0, MEM_RELEASE);
  for (LPARAM bad : {LPARAM{0}, LPARAM{0x10}, LPARAM{-64}, reinterpret_cast<LPARAM>(gone)})
    SendMessageW(wnd_, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, bad);
  EXPECT_EQ(FollowQualities(Jpeg(), 3, 15s).size(), 3u) << "the ticks stopped";
}


// The start itself moves the activation about (the window shows, is put on top and takes the
// foreground inside its load step): another program's window activated while it comes up is
// no end. The test's hook tells the window so as soon as it shows.
HWND g_shown_saver = nullptr;
LRESULT CALLBACK DeactivateOnceShown(int code, WPARAM wp, LPARAM lp) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
  wchar_t name[64] = {};
  if (code == HC_ACTION && !g_shown_saver && m->message == WM_WINDOWPOSCHANGED && IsWindowVisible(m->hwnd) &&
      GetClassNameW(m->hwnd, name, 64) && std::wstring(name) == kSaverClass) {
    g_shown_saver = m->hwnd;
    SendMessageW(m->hwnd, WM_ACTIVATEAPP, FALSE, 0);
    SendMessageW(m->hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(SaverWindowTest, LosingTheActivationWhileItComesUpIsNoEnd) {
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, DeactivateOnceShown, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Show();
  UnhookWindowsHookEx(hook);
  ASSERT_NE(wnd_, nullptr);
  EXPECT_EQ(g_shown_saver, wnd_) << "the window never showed";
  // Had it ended, this process would have ended with it.
  EXPECT_TRUE(IsWindowVisible(wnd_));
  EXPECT_EQ(FollowQualities(Jpeg(), 2, 30s), (std::vector<int>{90, 80}));
}
}  // namespace
}  // namespace zarnik::test
