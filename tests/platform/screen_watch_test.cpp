// The watch on who can see the screen: which notifications a window asks for on each system,
// that it gives them back, and that a display-state message is read only where it can be.
#include <gtest/gtest.h>

#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <vector>

#include "platform/screen_watch.h"
#include "tests/support/watch_recorder.h"

namespace zarnik {
namespace {

using test::kConsoleDisplayState;
using test::kMonitorPowerOn;

class ScreenWatchTest : public ::testing::Test {
 protected:
  test::WatchAsked& asked = test::WatchRecorder::asked;
  const HPOWERNOTIFY kNotify = test::WatchRecorder::kNotify;
  test::WatchRecorder recorder_;
  const HWND wnd_ = reinterpret_cast<HWND>(intptr_t{0x1234});
};

TEST_F(ScreenWatchTest, TheDisplayStateOnWindows8AndTheMonitorsPowerOnWindows7) {
  for (bool windows8 : {true, false}) {
    asked = test::WatchAsked{};
    asked.windows8 = windows8;
    {
      ScreenWatch watch;
      watch.Start(wnd_);
      ASSERT_EQ(asked.sessions.size(), 1u);
      EXPECT_EQ(asked.sessions[0], (std::pair<HWND, DWORD>{wnd_, NOTIFY_FOR_THIS_SESSION}));
      ASSERT_EQ(asked.settings.size(), 1u);
      EXPECT_TRUE(IsEqualGUID(asked.settings[0], windows8 ? kConsoleDisplayState : kMonitorPowerOn)) << windows8;
      EXPECT_EQ(asked.setting_flags[0], static_cast<DWORD>(DEVICE_NOTIFY_WINDOW_HANDLE));
      watch.Stop();
      EXPECT_EQ(asked.sessions_given_back, std::vector<HWND>{wnd_});
      EXPECT_EQ(asked.settings_given_back, std::vector<HPOWERNOTIFY>{kNotify});
    }
    // Given back once: the end after Stop has nothing left to give.
    EXPECT_EQ(asked.sessions_given_back.size(), 1u);
    EXPECT_EQ(asked.settings_given_back.size(), 1u);
  }
}

TEST_F(ScreenWatchTest, WhatTheSystemRefusedIsNotGivenBackAndTheEndGivesBackTheRest) {
  asked.refuse = true;
  {
    ScreenWatch watch;
    watch.Start(wnd_);
  }
  EXPECT_TRUE(asked.sessions_given_back.empty());
  EXPECT_TRUE(asked.settings_given_back.empty());
  asked.refuse = false;
  {
    ScreenWatch watch;
    watch.Start(wnd_);
  }
  EXPECT_EQ(asked.sessions_given_back.size(), 1u);
  EXPECT_EQ(asked.settings_given_back.size(), 1u);
}

// A setting as the system sends it: the GUID, the length, then the DWORD.
std::vector<unsigned char> Setting(const GUID& guid, DWORD state, DWORD length = sizeof(DWORD)) {
  std::vector<unsigned char> bytes(offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD));
  auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes.data());
  s->PowerSetting = guid;
  s->DataLength = length;
  std::memcpy(s->Data, &state, sizeof(state));
  return bytes;
}

LPARAM At(const void* p) { return reinterpret_cast<LPARAM>(p); }

TEST(DisplayStateIn, TheStateOfEitherSettingAndNothingElse) {
  for (const GUID& guid : {kConsoleDisplayState, kMonitorPowerOn}) {
    for (DWORD state : {0u, 1u, 2u}) {
      auto bytes = Setting(guid, state);
      EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(bytes.data())), static_cast<int>(state));
      EXPECT_EQ(DisplayStateIn(PBT_APMRESUMEAUTOMATIC, At(bytes.data())), std::nullopt);
    }
  }
  const GUID other = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};
  auto bytes = Setting(other, 0);
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(bytes.data())), std::nullopt);
  bytes = Setting(kConsoleDisplayState, 0, 2);  // too short to hold a state
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(bytes.data())), std::nullopt);
}

// Any process may send the message with any number for its pointer.
TEST(DisplayStateIn, APointerToNothingReadableIsNoState) {
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, 0), std::nullopt);
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, 0x10), std::nullopt);
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, -64), std::nullopt);

  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* two = static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(two, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(two + page, page, PAGE_NOACCESS, &old));
  // The header on the readable page, the state across on the one that is not.
  auto bytes = Setting(kConsoleDisplayState, 0);
  unsigned char* at = two + page - offsetof(POWERBROADCAST_SETTING, Data);
  std::memcpy(at, bytes.data(), offsetof(POWERBROADCAST_SETTING, Data));
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(at)), std::nullopt);
  // The whole of it on the readable page is read.
  std::memcpy(two, bytes.data(), bytes.size());
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(two)), 0);
  ASSERT_TRUE(VirtualFree(two, 0, MEM_RELEASE));
  EXPECT_EQ(DisplayStateIn(PBT_POWERSETTINGCHANGE, At(two)), std::nullopt);  // given back
}

}  // namespace
}  // namespace zarnik
