// Functions newer than Windows 7 are looked up at run time: without them the program goes on
// as the older system lets it, and with them the preview is made in its host's DPI context.
#include <gtest/gtest.h>

#include <vector>

#include "platform/newer_api.h"
#include "preview/preview_window.h"
#include "tests/support/newer_api_scope.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

using test::NewerApiScope;

HWND MakeHost() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikDpiHost";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

int32_t HandleValue(HWND wnd) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(wnd)); }

TEST(NewerApi, WithoutThemNothingIsSetAndThePreviewStillComes) {
  NewerApiScope keep;
  Newer() = NewerApi{};
  EXPECT_EQ(SetThreadDpiContext(DPI_AWARENESS_CONTEXT_UNAWARE), nullptr);
  EXPECT_EQ(WindowDpiContext(GetDesktopWindow()), nullptr);
  {
    ScopedThreadDpiContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
    EXPECT_FALSE(unaware.applied());
  }
  HWND host = MakeHost();
  ASSERT_TRUE(ShowPreviewWindow(GetModuleHandleW(nullptr), HandleValue(host)));
  HWND preview = FindWindowExW(host, nullptr, kPreviewClass, nullptr);
  ASSERT_NE(preview, nullptr);
  RECT r{};
  GetClientRect(preview, &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 150);
  DestroyWindow(host);
  test::DrainMessages();
}

// What the preview asked of the system, recorded by stand-ins for the two functions.
struct Asked {
  std::vector<HWND> windows;
  std::vector<DPI_AWARENESS_CONTEXT> thread_contexts;
  std::vector<bool> preview_existed;  // at each thread context change
  HWND host = nullptr;
};
Asked asked;
const DPI_AWARENESS_CONTEXT kHostContext = reinterpret_cast<DPI_AWARENESS_CONTEXT>(intptr_t{-0x51});
const DPI_AWARENESS_CONTEXT kThreadContext = reinterpret_cast<DPI_AWARENESS_CONTEXT>(intptr_t{-0x52});

DPI_AWARENESS_CONTEXT WINAPI FakeWindowContext(HWND wnd) {
  asked.windows.push_back(wnd);
  return wnd == asked.host ? kHostContext : nullptr;
}

DPI_AWARENESS_CONTEXT WINAPI FakeSetThreadContext(DPI_AWARENESS_CONTEXT context) {
  asked.thread_contexts.push_back(context);
  asked.preview_existed.push_back(FindWindowExW(asked.host, nullptr, kPreviewClass, nullptr) != nullptr);
  return kThreadContext;
}

TEST(NewerApi, PreviewIsMadeInTheHostsDpiContextAndTheThreadsIsGivenBack) {
  NewerApiScope keep;
  HWND host = MakeHost();
  asked = Asked{};
  asked.host = host;
  Newer().window_dpi_context = FakeWindowContext;
  Newer().set_thread_dpi_context = FakeSetThreadContext;

  ASSERT_TRUE(ShowPreviewWindow(GetModuleHandleW(nullptr), HandleValue(host)));
  EXPECT_EQ(asked.windows, std::vector<HWND>{host});
  const std::vector<DPI_AWARENESS_CONTEXT> want = {kHostContext, kThreadContext};
  EXPECT_EQ(asked.thread_contexts, want);
  // Set before the window was made, given back after.
  EXPECT_EQ(asked.preview_existed, (std::vector<bool>{false, true}));
  DestroyWindow(host);
  test::DrainMessages();
}

}  // namespace
}  // namespace zarnik
