// The dialog's helpers: the walk over a window's buttons, and the zooms from and back to the
// remembered point.
#include <gtest/gtest.h>

#include "button/command_button.h"
#include "settings/shared_state.h"
#include "settings_dialog/window_helpers.h"

namespace zarnik {
namespace {

class WindowHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikHelpersHost";
    RegisterClassW(&wc);
    CommandButton::Register(wc.hInstance);
    host_ = CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override { DestroyWindow(host_); }
  CommandButton* Make(const std::wstring& bag_text, int x, int y) {
    CommandButton* b = CommandButton::Create(host_, 100, x, y, 69, 29, PropertyBag::Parse(bag_text));
    EXPECT_NE(b, nullptr);
    return b;
  }
  HWND host_ = nullptr;
};

TEST_F(WindowHelpersTest, SetButtonsWalksOnlyButtonsAndZoomsReturn) {
  SetButtons(host_, true, true);  // no buttons yet: nothing happens
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 200, 10, 50, 20, host_, nullptr, nullptr, nullptr);
  CommandButton* a = Make(L"", 10, 10);
  CommandButton* c = Make(L"", 10, 100);
  SetButtons(host_, true, false);  // init takes precedence
  EXPECT_EQ(a->state(), ButtonState::Normal);
  EXPECT_EQ(c->state(), ButtonState::Normal);
  EXPECT_EQ(a->last_picture(), ButtonFace::kNormal);
  SetButtons(host_, false, false);
  EXPECT_EQ(a->last_picture(), ButtonFace::kDisable);
  EXPECT_EQ(c->last_picture(), ButtonFace::kDisable);
  EXPECT_TRUE(IsWindow(edit));
  ResetSharedState();  // the remembered point at the screen's corner
  ZoomOpen(host_);  // from the top-left corner; nothing to assert but that it returns
  ZoomClose(host_);
}

}  // namespace
}  // namespace zarnik
