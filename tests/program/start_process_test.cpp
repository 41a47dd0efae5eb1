// The program started as the screen-saver host starts it, in a fresh program folder.
#include <gtest/gtest.h>

#include <vector>

#include "settings_dialog/layout.h"
#include "tests/support/saver_process.h"
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

// The system may start a saver by its path unquoted, blanks and all, as the application name
// and the command line both, and in the path's short form: the mode is what follows the path.
TEST(Start, AnUnquotedPathWithBlanksInItsLongOrShortFormStartsTheSaver) {
  ProgramFolder folder(true, L"zk My Screens ");
  ASSERT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"), SettingsFileBytes(0, L"", 10, 0, 0, L"")));
  std::vector<std::wstring> paths = {folder.Program()};
  // A volume may keep no short names; Wine always has them.
  wchar_t short_path[MAX_PATH] = {};
  if (GetShortPathNameW(folder.Program().c_str(), short_path, MAX_PATH) > 0 && std::wstring(short_path) != paths[0])
    paths.push_back(short_path);
  for (const std::wstring& path : paths) {
    SaverProcess saver(path, path + L" /s");
    EXPECT_TRUE(saver.up()) << path;
    EXPECT_EQ(FindWindowW(nullptr, L"<Quorvel>"), nullptr) << path;
    PostMessageW(saver.wnd(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(saver.Ends()) << path;
  }
}

// A 2 x 2 bitmap of 24 bits a pixel: rows of 6 bytes padded to 8.
std::string TinyBitmap() {
  std::string b = "BM";
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&](uint16_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
  };
  put32(14 + 40 + 16);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(2);
  put32(2);
  put16(1);
  put16(24);
  put32(BI_RGB);
  put32(16);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  for (int row = 0; row < 2; ++row) b += std::string("\x30\x70\xB0\x30\x70\xB0\0\0", 8);
  return b;
}

// The settings dialog of a started program, worked with real pointer input.
class DialogProcess {
 public:
  DialogProcess(const ProgramFolder& folder, const std::wstring& args) {
    started_ = process_.Start(L"\"" + folder.Program() + L"\" " + args, folder.path());
    wnd_ = started_ ? WaitForWindow(L"<Quorvel>", 15s) : nullptr;
    shown_ = wnd_ && WaitUntilUnderPointer(wnd_, 15s);
  }
  bool up() const { return started_ && shown_; }
  HWND wnd() const { return wnd_; }
  Process& process() { return process_; }
  // A click, given once the dialog has taken what came before (input reaches it in order
  // anyway; this keeps a slow start from eating a click).
  void Click(const RECT& r) {
    EXPECT_TRUE(process_.Idle(10s));
    EXPECT_TRUE(ClickInWindow(wnd_, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
  }
  void Click(POINT client) { Click(RECT{client.x, client.y, client.x + 1, client.y + 1}); }

 private:
  Process process_;
  bool started_ = false, shown_ = false;
  HWND wnd_ = nullptr;
};

TEST(Start, SettingsChosenInTheDialogOfAStartedProgramAreSavedBySet) {
  using namespace zarnik::dialog;
  for (const wchar_t* args : {L"/c", L"/c:1234"}) {
    ProgramFolder folder;
    const std::wstring ini = folder.File(L"Quorvel.ini");
    const std::wstring pic = folder.File(L"sea.bmp");
    ASSERT_TRUE(WriteBytes(pic, TinyBitmap()));
    ASSERT_TRUE(WriteBytes(ini, SettingsFileBytes(1, pic, 3, 1, 5, L"")));
    DialogProcess dialog(folder, args);
    ASSERT_TRUE(dialog.up()) << args;

    dialog.Click(In(kPanelPicture, kSelLabel[0]));  // the desktop instead of the picture
    const RECT bar = In(kPanelDegree, kScroll);
    dialog.Click(POINT{bar.right - 6, (bar.top + bar.bottom) / 2});  // one step up
    dialog.Click(In(kPanelMusic, kBgmLabel[0]));    // no music
    dialog.Click(kCmdSet);

    EXPECT_TRUE(WaitForNoWindow(L"<Quorvel>", 15s)) << args;
    EXPECT_TRUE(dialog.process().Wait(15s)) << args;
    // The picture file stays written with the desktop chosen, the repeat track too.
    EXPECT_EQ(ReadBytes(ini), SettingsFileBytes(0, pic, 4, 0, 5, L"")) << args;
  }
}

// The settings dialog of another process is a running instance too: every start meanwhile
// ends at once, and the dialog's file is left alone.
TEST(Start, TheDialogOfAnotherProcessEndsEveryLaterStart) {
  ProgramFolder folder;
  const std::string settings = SettingsFileBytes(0, L"", 3, 0, 0, L"");
  ASSERT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"), settings));
  DialogProcess dialog(folder, L"/c");
  ASSERT_TRUE(dialog.up());
  DWORD owner = 0;
  GetWindowThreadProcessId(dialog.wnd(), &owner);
  ASSERT_EQ(owner, dialog.process().Id());

  HostWindow host(120, 90);
  for (const wchar_t* args : {L"/p ", L"/c", L"/s", L""}) {
    std::wstring line = args;
    if (line == L"/p ") line += host.HandleText();
    DWORD code = 1;
    EXPECT_TRUE(RunAndWait(folder.Program(), line, 15s, &code)) << line;
    EXPECT_EQ(code, 0u) << line;
    EXPECT_EQ(FindWindowW(nullptr, L"Zarnik_Main"), nullptr) << line;
    EXPECT_EQ(host.Preview(), nullptr) << line;
    // Only the first dialog: its own window is the one found.
    EXPECT_EQ(FindWindowW(nullptr, L"<Quorvel>"), dialog.wnd()) << line;
  }
  EXPECT_TRUE(dialog.process().Running());
  dialog.Click(zarnik::dialog::kCmdCan);
  EXPECT_TRUE(dialog.process().Wait(15s));
  EXPECT_EQ(ReadBytes(folder.File(L"Quorvel.ini")), settings);
}

}  // namespace
}  // namespace zarnik::test
