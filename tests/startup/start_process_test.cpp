// The program started as the screen-saver host starts it, in a fresh program folder.
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

// A top-level window of the test standing in for the host's preview area.
class HostWindow {
 public:
  HostWindow(int width, int height, const wchar_t* title = L"zarnik test host") {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikTestHost";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP | WS_VISIBLE, 40, 30, width, height,
                           nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~HostWindow() {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
  }
  HWND get() const { return wnd_; }
  std::wstring HandleText() const {
    return std::to_wstring(static_cast<long long>(reinterpret_cast<intptr_t>(wnd_)));
  }
  void Destroy() { DestroyWindow(wnd_); }
  HWND Preview() const { return FindWindowExW(wnd_, nullptr, L"Zarnik_R", nullptr); }

 private:
  HWND wnd_ = nullptr;
};

TEST(Start, UnknownSwitchesEndAtOnceWithoutAWindow) {
  ProgramFolder folder;
  for (const wchar_t* args : {L"/a", L"foo", L"s", L"/x 12"}) {
    DWORD code = 1;
    EXPECT_TRUE(RunAndWait(folder.Program(), args, 10s, &code)) << args;
    EXPECT_EQ(code, 0u) << args;
    EXPECT_EQ(FindWindowW(nullptr, L"Zarnik_Main"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"<Quorvel>"), nullptr);
  }
}

TEST(Start, PreviewIsAChildOfTheHostSizedToItsArea) {
  ProgramFolder folder;
  for (const wchar_t* form : {L"/p ", L"/p:", L"/P "}) {
    HostWindow host(200, 150);
    Process saver;
    ASSERT_TRUE(saver.Start(L"\"" + folder.Program() + L"\" " + form + host.HandleText()));
    HWND preview = nullptr;
    PumpUntil([&] { return (preview = host.Preview()) != nullptr && IsWindowVisible(preview); }, 10s);
    ASSERT_NE(preview, nullptr) << form;
    EXPECT_EQ(GetParent(preview), host.get());
    EXPECT_TRUE(GetWindowLongW(preview, GWL_STYLE) & WS_CHILD);
    wchar_t title[64] = {};
    GetWindowTextW(preview, title, 64);
    EXPECT_STREQ(title, L"Preview Window");
    RECT r{};
    GetWindowRect(preview, &r);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
    RECT h{};
    GetWindowRect(host.get(), &h);
    EXPECT_EQ(r.left, h.left);
    EXPECT_EQ(r.top, h.top);

    // Closing the host ends the program: no orphaned preview.
    host.Destroy();
    EXPECT_TRUE(saver.Wait(10s)) << form;
  }
}

TEST(Start, PreviewWithoutAUsableHandleStillEnds) {
  ProgramFolder folder;
  // Handle 0 and a handle naming no window: a 0 x 0 preview of no host, which ends by itself.
  for (const wchar_t* args : {L"/p", L"/p abc", L"/p 999999"}) {
    Process saver;
    ASSERT_TRUE(saver.Start(L"\"" + folder.Program() + L"\" " + args));
    EXPECT_TRUE(saver.Wait(10s)) << args;
  }
}

// A window of a running instance makes every later start end at once, a preview included.
TEST(Start, AnOpenSaverOrDialogEndsEveryLaterStart) {
  ProgramFolder folder;
  for (const wchar_t* title : {L"Zarnik_Main", L"<Quorvel>"}) {
    HostWindow running(50, 50, title);
    HostWindow host(120, 90);
    for (const wchar_t* args : {L"/p ", L"/c", L"/s", L""}) {
      std::wstring line = args;
      if (line == L"/p ") line += host.HandleText();
      DWORD code = 1;
      EXPECT_TRUE(RunAndWait(folder.Program(), line, 10s, &code)) << title << " " << line;
      EXPECT_EQ(host.Preview(), nullptr);
    }
  }
}

}  // namespace
}  // namespace zarnik::test
