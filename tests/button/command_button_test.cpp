// The button driven by real input and by messages, its state and pixels read back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "button/command_button.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;
using test::PumpUntil;

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikButtonHost";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&wc);
    CommandButton::Register(wc.hInstance);
    host_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200,
                            nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(host_);
    SetFocus(host_);
    PumpUntil([&] { return GetFocus() == host_; }, 10s);
  }
  void TearDown() override { DestroyWindow(host_); }

  CommandButton* Make(const std::wstring& bag_text, int x = 50, int y = 50, int w = 69, int h = 29) {
    CommandButton* b = CommandButton::Create(host_, 100, x, y, w, h, PropertyBag::Parse(bag_text));
    EXPECT_NE(b, nullptr);
    if (b) b->SetClick([this] { ++clicks_; });
    return b;
  }
  // Real pointer input, returning once the host's thread has taken it.
  static void MoveTo(int x, int y) { EXPECT_TRUE(test::MovePointerAndWait(x, y)) << x << "," << y; }
  static void Button(DWORD flags) { EXPECT_TRUE(test::PressAndRelease(flags, 0)) << flags; }
  // The hover timer notices the pointer has left on one of its ticks.
  static bool StateBecomes(CommandButton* b, ButtonState state) {
    return PumpUntil([&] { return b->state() == state; }, 10s);
  }
  HWND host_ = nullptr;
  int clicks_ = 0;
};

TEST_F(ButtonTest, PlainClickSequence) {
  CommandButton* b = Make(L"caption=設定\r\n");
  b->Initialize();
  MoveTo(300, 150);
  EXPECT_TRUE(StateBecomes(b, ButtonState::Normal));
  MoveTo(80, 60);
  EXPECT_EQ(b->state(), ButtonState::HighLight);
  EXPECT_EQ(b->last_picture(), ButtonFace::kHighLight);
  Button(MOUSEEVENTF_LEFTDOWN);
  EXPECT_EQ(b->state(), ButtonState::HighLightSelect);  // the focus arrived under the pointer
  EXPECT_EQ(b->last_picture(), ButtonFace::kPressed);
  EXPECT_TRUE(b->mouse_held());
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(clicks_, 1);
  EXPECT_EQ(b->last_picture(), ButtonFace::kHighLightSelect);
  MoveTo(300, 150);
  EXPECT_TRUE(StateBecomes(b, ButtonState::Selected)) << static_cast<int>(b->state());
  EXPECT_EQ(b->last_picture(), ButtonFace::kSelected);

  // Press, drag off for a tick, drag back, release: no click, Selected stays.
  MoveTo(80, 60);
  EXPECT_EQ(b->state(), ButtonState::HighLightSelect);
  Button(MOUSEEVENTF_LEFTDOWN);
  MoveTo(300, 150);
  EXPECT_TRUE(StateBecomes(b, ButtonState::Selected)) << static_cast<int>(b->state());
  MoveTo(80, 60);
  EXPECT_EQ(b->state(), ButtonState::Selected);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(clicks_, 1);  // released in state 3: no click
  // Only a move with no button held brings it back (the system sends one after a release).
  MoveTo(82, 61);
  EXPECT_EQ(b->state(), ButtonState::HighLightSelect);
}

TEST_F(ButtonTest, RightAndMiddleReleasesClickAndDisabledDoesNothing) {
  CommandButton* b = Make(L"");
  b->Initialize();
  MoveTo(300, 150);
  ASSERT_TRUE(StateBecomes(b, ButtonState::Normal));
  MoveTo(80, 60);
  ASSERT_EQ(b->state(), ButtonState::HighLight);
  Button(MOUSEEVENTF_RIGHTDOWN);
  EXPECT_EQ(b->last_picture(), ButtonFace::kHighLight);  // the press itself is ignored
  Button(MOUSEEVENTF_RIGHTUP);
  Button(MOUSEEVENTF_MIDDLEDOWN);
  Button(MOUSEEVENTF_MIDDLEUP);
  EXPECT_EQ(clicks_, 2);
  EXPECT_EQ(b->state(), ButtonState::HighLight);

  b->SetEnabled(0);
  EXPECT_EQ(b->last_picture(), ButtonFace::kDisable);
  MoveTo(300, 150);
  MoveTo(80, 60);
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(clicks_, 2);
  EXPECT_EQ(b->last_picture(), ButtonFace::kDisable);
  SendMessageW(b->hwnd(), WM_SIZE, 0, MAKELPARAM(69, 29));
  EXPECT_EQ(b->last_picture(), ButtonFace::kDisable);
  b->SetEnabled(-1);
  EXPECT_EQ(b->last_picture(), ButtonFace::kNormal);
}

TEST_F(ButtonTest, BeforeInitializeAndFocusUnderThePointer) {
  CommandButton* b = Make(L"");
  EXPECT_EQ(b->state(), ButtonState::Uninitialised);
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(b->state(), ButtonState::Uninitialised);
  SendMessageW(b->hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks_, 0);  // a release alone is no click
  SendMessageW(b->hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  SendMessageW(b->hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks_, 1);  // a press and its release raise Click even before Initialize

  b->Initialize();
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(b->state(), ButtonState::HighLight);
  SetFocus(b->hwnd());
  EXPECT_EQ(b->state(), ButtonState::HighLightSelect);
  EXPECT_EQ(b->last_picture(), ButtonFace::kPressed);
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(b->last_picture(), ButtonFace::kPressed);
  EXPECT_TRUE(b->shade_inverted());  // 2 -> 4 keeps the tint at the top
  SetFocus(host_);
  EXPECT_EQ(b->state(), ButtonState::Normal);
  SetFocus(b->hwnd());
  EXPECT_EQ(b->state(), ButtonState::Selected);
  EXPECT_FALSE(b->shade_inverted());
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(b->state(), ButtonState::HighLightSelect);
  EXPECT_FALSE(b->shade_inverted());  // 3 -> 4 keeps white at the top
}

TEST_F(ButtonTest, APressTheButtonNeverSawMakesNoClick) {
  CommandButton* b = Make(L"");
  b->Initialize();
  const LPARAM at = MAKELPARAM(5, 5);
  // Pressed here, released elsewhere unseen: the pointer comes back with no button held.
  SendMessageW(b->hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, at);
  SendMessageW(b->hwnd(), WM_RBUTTONUP, 0, at);
  EXPECT_EQ(clicks_, 0);
  // Still held across the move: a click.
  SendMessageW(b->hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, at);
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, MK_MBUTTON, at);
  SendMessageW(b->hwnd(), WM_MBUTTONUP, 0, at);
  EXPECT_EQ(clicks_, 1);
  // Another window took the pointer between the press and the release.
  SendMessageW(b->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(GetCapture(), b->hwnd());
  SetCapture(host_);
  ReleaseCapture();
  SendMessageW(b->hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicks_, 1);
  // Its own capture given back at the release does not cancel the click.
  SendMessageW(b->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(b->hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(clicks_, 2);
}

// A window over the button that closes at a press, as a file dialog closes at the second press
// of a double-click: the release then lands on the button below.
LRESULT CALLBACK CoverProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
    DestroyWindow(wnd);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

TEST_F(ButtonTest, AReleaseWhosePressClosedTheWindowAboveIsNoClick) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CoverProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikButtonCover";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  CommandButton* b = Make(L"");
  b->Initialize();
  const POINT over{80, 60};  // the button's middle on the screen
  struct Press {
    DWORD down, up;
  };
  for (Press p : {Press{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}, Press{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
                  Press{MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP}}) {
    HWND cover = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"cover", WS_POPUP | WS_VISIBLE, 30, 30, 120, 80,
                                 host_, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(cover, nullptr);
    test::MovePointerTo(over.x, over.y);
    ASSERT_TRUE(test::PumpUntil([&] { return WindowFromPoint(over) == cover; }, 3s));
    test::PressAndRelease(p.down, p.up);
    ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(cover); }, 3s));
    // A left press of the button's own: once it is seen, the stray release before it was too.
    Button(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(test::PumpUntil([&] { return b->mouse_held(); }, 3s)) << p.up;
    EXPECT_EQ(clicks_, 0) << p.up;
    // Its own release is a click.
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(test::PumpUntil([&] { return clicks_ == 1; }, 3s)) << p.up;
    clicks_ = 0;
  }
}

int Brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

TEST_F(ButtonTest, DrawnFrameGradientAndCaption) {
  CommandButton* b = Make(L"caption=設定\r\n", 50, 50, 120, 40);
  b->Initialize();
  const Surface& s = b->surface();
  ASSERT_EQ(s.width(), 120);
  ASSERT_EQ(s.height(), 40);
  // The frame from the Normal picture: beige margin, dark-blue outline, on every side.
  for (auto [x, y] : {std::pair{0, 20}, {119, 20}, {60, 0}, {60, 39}})
    EXPECT_EQ(s.PixelAt(x, y), RGB(0xF2, 0xEE, 0xDF)) << x << "," << y;
  for (auto [x, y] : {std::pair{1, 20}, {118, 20}, {30, 1}, {30, 38}}) {
    const COLORREF p = s.PixelAt(x, y);
    EXPECT_GT(GetBValue(p), GetRValue(p) + 60) << x << "," << y;
  }
  // The gradient in the middle: white at the top, lavender grey at the bottom.
  const COLORREF top = s.PixelAt(10, 5), bottom = s.PixelAt(10, 34);
  EXPECT_GT(Brightness(top), 3 * 0xF5);
  EXPECT_NEAR(GetRValue(bottom), 0xC8, 8);
  EXPECT_NEAR(GetGValue(bottom), 0xC7, 8);
  EXPECT_NEAR(GetBValue(bottom), 0xD8, 8);
  // The caption: dark pixels centred across the width.
  int left = 120, right = -1;
  for (int y = 8; y < 32; ++y)
    for (int x = 5; x < 115; ++x)
      if (Brightness(s.PixelAt(x, y)) < 200) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_LT(left, right);
  EXPECT_NEAR((left + right) / 2.0, 60, 3);

  // Hovered without focus: the gradient turns, tint at the top.
  SendMessageW(b->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_LT(Brightness(b->surface().PixelAt(10, 5)), Brightness(b->surface().PixelAt(10, 34)));
}

TEST_F(ButtonTest, PropertiesAndTheirBag) {
  CommandButton* empty = Make(L"");
  EXPECT_EQ(empty->Caption(), L"Command1");
  EXPECT_EQ(empty->Font().face, FontSpec{}.face);
  EXPECT_EQ(empty->first_run(), 1);
  EXPECT_EQ(empty->Visible(), 255);
  EXPECT_EQ(empty->FontColour(), 0u);
  EXPECT_EQ(empty->Enabled(), -1);
  empty->SetVisible(2);
  EXPECT_EQ(empty->Visible(), 255);
  empty->SetVisible(0);
  EXPECT_EQ(empty->Visible(), 0);

  // "Command" is the default when saving, not when loading.
  empty->SetCaption(L"Command");
  EXPECT_FALSE(empty->SaveProperties().Has(L"caption"));

  // Only the face name of a stored font is taken.
  CommandButton* fonted = Make(L"font=Liberation Serif,20,700,0,1,1,0\r\n");
  EXPECT_EQ(fonted->Font().face, L"Liberation Serif");
  EXPECT_EQ(fonted->Font().points, 9.75);
  EXPECT_EQ(fonted->Font().weight, 400);

  // FirstRun 0 forces a black caption until Enabled is first read, which also enables.
  CommandButton* fresh = Make(L"firstrun=0\r\nenabled=0\r\n");
  fresh->SetEnabled(-1);
  fresh->SetFontColour(RGB(255, 0, 0));
  EXPECT_EQ(fresh->FontColour(), 0u);
  fresh->SetEnabled(0);
  EXPECT_EQ(fresh->Enabled(), -1);
  EXPECT_EQ(fresh->first_run(), 1);
  fresh->SetFontColour(RGB(255, 0, 0));
  EXPECT_EQ(fresh->FontColour(), RGB(255, 0, 0));

  // A dialog's bag (caption and the host's font) saves back to the caption alone.
  CommandButton* set = Make(L"caption=設定\r\nfont=ＭＳ Ｐゴシック,9.75,400,128,0,0,0\r\n");
  PropertyBag saved = set->SaveProperties();
  EXPECT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.Read(L"Caption", L""), L"設定");
}

}  // namespace
}  // namespace zarnik
