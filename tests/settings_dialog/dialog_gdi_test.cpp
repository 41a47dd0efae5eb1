// Dialogs opened and closed hold no more window-system objects than before them.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/gdi.h"
#include "platform/messages.h"
#include "settings_dialog/settings_window.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

TEST(DialogGdiTest, TwentyDialogsOpenedAndClosedHoldNothingMore) {
  test::TempFolder folder;
  const std::wstring ini = folder.File(L"Quorvel.ini");
  const long before = LiveGdiObjects();
  long system_after_first = 0;
  for (int i = 0; i < 20; ++i) {
    HWND wnd = CreateSettingsWindow(GetModuleHandleW(nullptr), ini);
    ASSERT_NE(wnd, nullptr) << i;
    test::DrainMessages();
    EXPECT_GT(LiveGdiObjects(), before);
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(wnd); }, 5s)) << i;
    EXPECT_EQ(LiveGdiObjects(), before) << "after dialog " << i;
    if (i == 0) system_after_first = test::SystemGdiObjects();
  }
  // The system's count, from the first dialog on (which may leave what Windows caches).
  EXPECT_LE(test::SystemGdiObjects(), system_after_first + test::kSystemGdiSlack);
}

TEST(DialogGdiTest, ALoadStepPostedFromOutsideMakesNothingMore) {
  test::TempFolder folder;
  HWND wnd = CreateSettingsWindow(GetModuleHandleW(nullptr), folder.File(L"Quorvel.ini"));
  ASSERT_NE(wnd, nullptr);
  test::DrainMessages();
  auto children = [&] {
    int count = 0;
    EnumChildWindows(wnd, [](HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; },
                     reinterpret_cast<LPARAM>(&count));
    return count;
  };
  const int controls = children();
  const long objects = LiveGdiObjects();
  // The load step's message number, as any process may post it.
  ASSERT_TRUE(PostMessageW(wnd, kLoadStep, 0, 0));
  test::DrainMessages();
  EXPECT_EQ(children(), controls);
  EXPECT_EQ(LiveGdiObjects(), objects);
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(wnd); }, 5s));
}

}  // namespace
}  // namespace zarnik
