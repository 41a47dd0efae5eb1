// Drawing gives back what it takes: the live count of window-system objects is the same
// after a long run of button redraws, decay ticks and dialogs as before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "button/command_button.h"
#include "converter/quorvel_binding.h"
#include "display/decay_cycle.h"
#include "settings_dialog/settings_window.h"
#include "startup/gdi.h"
#include "startup/shared_state.h"
#include "startup/surface.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

TEST(GdiCountTest, OwnersCountWhatTheyHoldAndGiveItBack) {
  const long before = LiveGdiObjects();
  {
    ScopedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    MemoryDC dc;
    Surface surface;
    ASSERT_TRUE(surface.Resize(8, 8));
    EXPECT_EQ(LiveGdiObjects(), before + 4);  // brush, DC, and the surface's DC and bitmap
    ScopedBitmap moved(CreateCompatibleBitmap(dc, 4, 4));
    ScopedBitmap taker(std::move(moved));
    EXPECT_EQ(LiveGdiObjects(), before + 5);
    DeleteObject(taker.release());
    EXPECT_EQ(LiveGdiObjects(), before + 4);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  const long handles = LiveKernelHandles();
  {
    ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(LiveKernelHandles(), handles + 1);
    EXPECT_TRUE(event.Close());
    EXPECT_EQ(LiveKernelHandles(), handles);
  }
}

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
  CommandButton* b = CommandButton::Create(host_, 7, 10, 10, 69, 29, PropertyBag::Parse(L"caption=設定\r\n"));
  ASSERT_NE(b, nullptr);
  b->Initialize();
  const HWND wnd = b->hwnd();
  const long before = LiveGdiObjects();
  EXPECT_GT(before, before_button);  // its image and its six pictures

  std::set<CommandButton::Picture> seen;
  int redraws = 0;
  auto step = [&](auto&& action) {
    action();
    seen.insert(b->last_picture());
    ++redraws;
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
  DestroyWindow(wnd);
  EXPECT_EQ(LiveGdiObjects(), before_button);
}

TEST(DecayGdiTest, FiveHundredTicksHoldNothingMore) {
  test::TempFolder folder;
  Surface source, display;
  ASSERT_TRUE(source.Resize(64, 48));
  for (int i = 0; i < 64 * 48; ++i) source.pixels()[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  ASSERT_TRUE(display.Resize(64, 48));
  Zarnik_B::DegradeLevel = 10;
  DecayCycle cycle(folder.File(L"Quorvel.bmp"), folder.File(L"Quorvel.jpg"),
                   [](const std::wstring& bmp, const std::wstring& jpg, int32_t q) { return ConvertBMPtoJPG(bmp, jpg, q); });
  // The first tick makes what the run keeps (the caption's font); nothing after it may add.
  cycle.Tick(source, display);
  const long before = LiveGdiObjects();
  const long handles = LiveKernelHandles();
  for (int i = 0; i < 500; ++i) {
    cycle.Tick(source, display);
    ASSERT_FALSE(cycle.caption().empty()) << "tick " << i;  // the JPEG came back every time
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(LiveKernelHandles(), handles);
}

TEST(DialogGdiTest, TwentyDialogsOpenedAndClosedHoldNothingMore) {
  test::TempFolder folder;
  const std::wstring ini = folder.File(L"Quorvel.ini");
  const long before = LiveGdiObjects();
  for (int i = 0; i < 20; ++i) {
    HWND wnd = CreateSettingsWindow(GetModuleHandleW(nullptr), ini);
    ASSERT_NE(wnd, nullptr) << i;
    test::DrainMessages();
    EXPECT_GT(LiveGdiObjects(), before);
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(wnd); }, 5s)) << i;
    EXPECT_EQ(LiveGdiObjects(), before) << "after dialog " << i;
  }
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
  ASSERT_TRUE(PostMessageW(wnd, WM_APP, 0, 0));
  test::DrainMessages();
  EXPECT_EQ(children(), controls);
  EXPECT_EQ(LiveGdiObjects(), objects);
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(wnd); }, 5s));
}

}  // namespace
}  // namespace zarnik
