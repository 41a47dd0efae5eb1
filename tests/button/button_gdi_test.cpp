// Drawing gives back what it takes: a thousand redraws of a button hold no more window-system
// objects than the first.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "button/command_button.h"
#include "platform/gdi.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

class ButtonGdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikGdiHost";
    RegisterClassW(&wc);
    CommandButton::Register(wc.hInstance);
    host_ = CreateWindowExW(0, wc.lpszClassName, L"gdi host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 120, nullptr,
                            nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override { DestroyWindow(host_); }
  HWND host_ = nullptr;
};

TEST_F(ButtonGdiTest, AThousandRedrawsAcrossEveryPictureHoldNothingMore) {
  const long before_button = LiveGdiObjects();
  const long system_before_button = test::SystemGdiObjects();
  CommandButton* b = CommandButton::Create(host_, 7, 10, 10, 69, 29, PropertyBag::Parse(L"caption=設定\r\n"));
  ASSERT_NE(b, nullptr);
  b->Initialize();
  const HWND wnd = b->hwnd();
  const long before = LiveGdiObjects();
  EXPECT_GT(before, before_button);  // its image and its six pictures

  std::set<ButtonFace::Picture> seen;
  int redraws = 0;
  long system_first_round = 0;
  auto step = [&](auto&& action) {
    action();
    seen.insert(b->last_picture());
    if (++redraws == 8) system_first_round = test::SystemGdiObjects();
  };
  while (redraws < 1000) {
    step([&] { SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); });  // highlight
    step([&] { SendMessageW(wnd, WM_SETFOCUS, 0, 0); });                  // pressed look
    step([&] { SendMessageW(wnd, WM_KILLFOCUS, 0, 0); });                 // normal
    step([&] { SendMessageW(wnd, WM_SETFOCUS, 0, 0); });                  // selected
    step([&] { SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6)); });  // highlight-select
    step([&] { b->SetEnabled(0); });                                      // disabled
    step([&] { b->SetEnabled(-1); });
    step([&] { SendMessageW(wnd, WM_KILLFOCUS, 0, 0); });
  }
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(LiveGdiObjects(), before);
  // The system's count from the first round of pictures on: a leak per redraw would show a
  // thousand times over.
  EXPECT_LE(test::SystemGdiObjects(), system_first_round + test::kSystemGdiSlack);
  DestroyWindow(wnd);
  EXPECT_EQ(LiveGdiObjects(), before_button);
  EXPECT_LE(test::SystemGdiObjects(), system_before_button + test::kSystemGdiSlack);
}

}  // namespace
}  // namespace zarnik
