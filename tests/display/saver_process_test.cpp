// Zarnik.scr run full screen as the host runs it, each test in a fresh program folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/messages.h"
#include "platform/picture_file.h"
#include "platform/surface.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

// A full-screen window of the test showing a known scene: the desktop the saver will find.
class Backdrop {
 public:
  Backdrop() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    scene_.Resize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        scene_.pixels()[y * w + x] = ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | ((x / 64 + y / 64) % 2 ? 0xC0 : 0x30);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikTestBackdrop";
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"backdrop", WS_POPUP, 0, 0, w, h, nullptr,
                           nullptr, wc.hInstance, this);
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(wnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(wnd_);
    PumpUntil([&] { return OnScreen(); }, 10s);
  }
  ~Backdrop() { Close(); }
  void Close() {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
    DrainMessages();
  }
  const Surface& scene() const { return scene_; }
  // Pixels of the screen that differ from the scene.
  size_t Differences(const Screenshot& shot) const {
    if (shot.width != scene_.width() || shot.height != scene_.height()) return SIZE_MAX;
    size_t differ = 0;
    for (int y = 0; y < shot.height; ++y)
      for (int x = 0; x < shot.width; ++x)
        differ += shot.At(x, y) != scene_.pixels()[static_cast<size_t>(y) * shot.width + x];
    return differ;
  }
  bool OnScreen() const { return Differences(CaptureScreen()) == 0; }

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      auto* self = reinterpret_cast<Backdrop*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      if (self) self->scene_.PaintTo(dc, 0, 0);
      EndPaint(wnd, &ps);
      return 0;
    }
    if (msg == WM_ERASEBKGND) return TRUE;
    return DefWindowProcW(wnd, msg, wp, lp);
  }
  Surface scene_;
  HWND wnd_ = nullptr;
};

class Saver {
 public:
  explicit Saver(const ProgramFolder& folder, const std::wstring& args = L"/s") : folder_(folder) {
    started_ = process_.Start(L"\"" + folder.Program() + L"\"" + (args.empty() ? L"" : L" " + args),
                              folder.path());
    PumpUntil([&] {
      wnd_ = FindWindowW(nullptr, L"Zarnik_Main");
      return wnd_ && IsWindowVisible(wnd_);
    }, 15s);
  }
  bool up() const { return started_ && wnd_ && IsWindowVisible(wnd_); }

  HWND wnd() const { return wnd_; }
  Process& process() { return process_; }
  // The window goes and the program ends (a Wine process takes a moment to wind down once
  // its last window is gone). The limits are generous: a slow machine is no fault.
  bool Ends() {
    bool gone = PumpUntil([&] { return !IsWindow(wnd_); }, 15s);
    return process_.Wait(15s) && gone;
  }
  // Waits until the pointer is at the point and the saver has taken what input it had.
  bool Settled(int x, int y) {
    const bool there = PumpUntil([&] {
      POINT p{};
      return GetCursorPos(&p) && p.x == x && p.y == y;
    }, 10s);
    return there && process_.Idle(10s);
  }

 private:
  const ProgramFolder& folder_;
  Process process_;
  bool started_ = false;
  HWND wnd_ = nullptr;
};

void WriteSettings(const ProgramFolder& folder, int source, const std::wstring& picture, int degree,
                   int music_kind = 0, const std::wstring& music = L"") {
  ASSERT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"), SettingsFileBytes(source, picture, degree, music_kind, 0, music)));
}

void SendKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

// The qualities of the JPEG work file as it changes, sampled until count files were seen
// (or the limit passed). Equal neighbours are one file for the sampler.
std::vector<int> FollowQualities(const std::wstring& jpeg, size_t count, std::chrono::milliseconds limit) {
  std::vector<int> seen;
  std::string last;
  PumpUntil([&] {
    std::string bytes = ReadBytes(jpeg);
    if (!bytes.empty() && bytes != last) {
      if (auto q = JpegQuality(bytes)) {
        seen.push_back(*q);
        last = bytes;
      }
    }
    return seen.size() >= count;
  }, limit);
  return seen;
}

TEST(Saver, CoversTheScreenAndFirstShowsTheDesktopAsLeft) {
  ProgramFolder folder(/*with_converter=*/false);
  WriteSettings(folder, 0, L"", 1);
  Backdrop backdrop;
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  RECT r{};
  GetWindowRect(saver.wnd(), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(GetWindowLongW(saver.wnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongW(saver.wnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));

  // The backdrop goes; what stays on screen is the saver's copy of it, pixel for pixel. With
  // no converter beside the program it stays frozen, and no caption is drawn.
  backdrop.Close();
  size_t differ = SIZE_MAX;
  PumpUntil([&] { return (differ = backdrop.Differences(CaptureScreen())) == 0; }, 15s);
  EXPECT_EQ(differ, 0u);
  EXPECT_TRUE(saver.process().Running());
  EXPECT_TRUE(FileExistsW(folder.File(L"Quorvel.bmp")));
  EXPECT_FALSE(FileExistsW(folder.File(L"Quorvel.jpg")));

  SendKey(VK_SPACE);
  EXPECT_TRUE(saver.Ends());
  EXPECT_FALSE(FileExistsW(folder.File(L"Quorvel.bmp")));
}

TEST(Saver, JpegQualitiesFollowTheDegreeTickByTick) {
  struct Case {
    int degree;
    std::vector<int> expected_start;  // the first qualities, in order
  };
  const std::vector<Case> cases = {
      {10, {90, 80, 70, 60, 50, 40, 30, 20, 90}},
      {7, {93, 86, 79, 72, 65, 58, 51, 44, 37, 30, 23, 16, 93}},
      {3, {97, 94, 91, 88, 85, 82, 79, 76, 73, 70, 67, 64, 61, 58, 55, 52, 49, 46, 43, 40, 37, 34, 31, 28, 25, 22, 19, 16, 13, 97}},
      {1, {99, 98, 97, 96}},
      {45, {55, 55}},
      {0, {100, 100}},
      {-5, {100, 100}},  // 105, 110, ... are encoded at the best quality there is
  };
  for (const Case& c : cases) {
    ProgramFolder folder;
    WriteSettings(folder, 0, L"", c.degree);
    ASSERT_TRUE(WriteBytes(folder.File(L"Quorvel.jpg"), "left from an earlier run"));
    Saver saver(folder);
    ASSERT_TRUE(saver.up()) << c.degree;
    std::vector<int> want = c.expected_start;
    want.erase(std::unique(want.begin(), want.end()), want.end());
    // Half a second a tick; the limit leaves room for a slow machine.
    std::vector<int> seen = FollowQualities(folder.File(L"Quorvel.jpg"), want.size(),
                                            std::chrono::milliseconds(2000 * c.expected_start.size() + 10000));
    ASSERT_GE(seen.size(), want.size()) << "degree " << c.degree;
    seen.resize(want.size());
    EXPECT_EQ(seen, want) << "degree " << c.degree;
    SendKey(VK_ESCAPE);
    EXPECT_TRUE(saver.Ends());
    EXPECT_TRUE(FileExistsW(folder.File(L"Quorvel.jpg")));  // the last one stays
    EXPECT_FALSE(FileExistsW(folder.File(L"Quorvel.bmp")));
  }
}

bool IsWhite(uint32_t p) { return (p & 0xFF) > 230 && ((p >> 8) & 0xFF) > 230 && (p >> 16) > 230; }
bool IsBlack(uint32_t p) { return (p & 0xFF) < 25 && ((p >> 8) & 0xFF) < 25 && (p >> 16) < 25; }

// Counts what the screen shows of a 200 x 100 picture at left, top: pixels off it that are
// not black, blue pixels on it, and the boxes of its white and black caption pixels.
void Measure(const Screenshot& shot, int left, int top, int* outside_not_black, int* inside_blue, RECT* white_box,
             RECT* black_box) {
  *outside_not_black = *inside_blue = 0;
  RECT white{shot.width, shot.height, -1, -1}, black{shot.width, shot.height, -1, -1};
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const uint32_t p = shot.At(x, y);
      const bool inside = x >= left && x < left + 200 && y >= top && y < top + 100;
      if (!inside) {
        *outside_not_black += p != 0;
        continue;
      }
      if (std::abs(static_cast<int>(p & 0xFF) - 0xC0) < 24 && std::abs(static_cast<int>((p >> 8) & 0xFF) - 0x60) < 24) ++*inside_blue;
      RECT* box = IsWhite(p) ? &white : IsBlack(p) ? &black : nullptr;
      if (box) {
        box->left = std::min<LONG>(box->left, x);
        box->right = std::max<LONG>(box->right, x + 1);
        box->top = std::min<LONG>(box->top, y);
        box->bottom = std::max<LONG>(box->bottom, y + 1);
      }
    }
  }
  *white_box = white;
  *black_box = black;
}

TEST(Saver, SmallPictureIsCentredOnBlackWithItsCaption) {
  ProgramFolder folder;
  Surface picture;
  ASSERT_TRUE(picture.Resize(200, 100));
  std::fill(picture.pixels(), picture.pixels() + 200 * 100, 0x2060C0u);
  ASSERT_TRUE(picture.SaveBmp(folder.File(L"small.bmp")));
  WriteSettings(folder, 1, folder.File(L"small.bmp"), 5);
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  const int left = (GetSystemMetrics(SM_CXSCREEN) - 200) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - 100) / 2;
  int outside_not_black = 0, inside_blue = 0;
  RECT white{}, black{};
  // Looked at until the picture and both captions are there.
  PumpUntil([&] {
    Screenshot shot = CaptureScreen();
    Measure(shot, left, top, &outside_not_black, &inside_blue, &white, &black);
    return outside_not_black == 0 && inside_blue > 200 * 100 / 2 && white.right > white.left &&
           black.right > black.left;
  }, 15s);
  EXPECT_EQ(outside_not_black, 0);
  EXPECT_GT(inside_blue, 200 * 100 / 2);
  ASSERT_GT(white.right, white.left) << "no white caption";
  ASSERT_GT(black.right, black.left) << "no black caption";
  EXPECT_NEAR((white.left + white.right) / 2.0, left + 100, 4);
  EXPECT_NEAR((white.top + white.bottom) / 2.0, top + 50, 8);
  EXPECT_GT(black.top, white.top + 8);
  EXPECT_NEAR(black.left, white.left, 2);
  PressAndRelease(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(saver.Ends());
}

TEST(Saver, KeysAndButtonsEndItButMovingTheMouseNever) {
  struct Way {
    const char* name;
    void (*act)();
  };
  const Way ways[] = {
      {"shift alone", [] { SendKey(VK_SHIFT); }},
      {"control alone", [] { SendKey(VK_CONTROL); }},
      {"letter", [] { SendKey('Q'); }},
      {"left button on the margin", [] { MovePointerTo(5, 5); PressAndRelease(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }},
      {"right button", [] { PressAndRelease(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }},
      {"middle button", [] { PressAndRelease(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP); }},
  };
  Surface picture;
  ASSERT_TRUE(picture.Resize(64, 64));
  for (const Way& way : ways) {
    ProgramFolder folder;
    ASSERT_TRUE(picture.SaveBmp(folder.File(L"p.bmp")));
    WriteSettings(folder, 1, folder.File(L"p.bmp"), 10);
    Saver saver(folder);
    ASSERT_TRUE(saver.up()) << way.name;
    // Corner to corner across whatever screen this is (a hosted runner's is 1024 x 768).
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i < 8; ++i) {
      const int x = w / 12 + i * (w * 5 / 6) / 7, y = h * 7 / 8 - i * (h * 3 / 4) / 7;
      MovePointerTo(x, y);
      EXPECT_TRUE(saver.Settled(x, y)) << way.name;
    }
    EXPECT_TRUE(saver.process().Running()) << "moving the mouse ended it before " << way.name;
    way.act();
    EXPECT_TRUE(saver.Ends()) << way.name;
  }
}

TEST(Saver, CursorIsHiddenForTheFullScreenSwitchOnly) {
  Surface picture;
  ASSERT_TRUE(picture.Resize(64, 64));
  for (const wchar_t* args : {L"/s", L""}) {
    ProgramFolder folder;
    ASSERT_TRUE(picture.SaveBmp(folder.File(L"p.bmp")));
    WriteSettings(folder, 1, folder.File(L"p.bmp"), 10);
    Saver saver(folder, args);
    ASSERT_TRUE(saver.up());
    MovePointerTo(300, 300);
    EXPECT_TRUE(saver.Settled(300, 300));
    const bool want_showing = std::wstring(args).empty();
    bool showing = !want_showing;
    PumpUntil([&] {
      CURSORINFO info{};
      info.cbSize = sizeof(info);
      showing = GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING) != 0;
      return showing == want_showing;
    }, 10s);
    EXPECT_EQ(showing, want_showing) << "started with '" << args << "'";
    SendKey(VK_SHIFT);
    EXPECT_TRUE(saver.Ends());
  }
}

TEST(Saver, MusicFileKindComesFromTheLastThreeLetters) {
  struct Case {
    const wchar_t* source;
    const wchar_t* as;
    bool heard;
  };
  ZARNIK_SKIP_UNLESS_SOUND();
  const Case cases[] = {{L"tone.mp3", L"song.mp3", true},
                        {L"tone.mp3", L"song.Mp3", true},
                        {L"tone.wav", L"loop.wav", true},
                        {L"tone.wav", L"loop.mid", false}};  // a wave file by another name
  Surface picture;
  ASSERT_TRUE(picture.Resize(64, 64));
  for (const Case& c : cases) {
    ProgramFolder folder;
    const std::wstring music = folder.File(c.as);
    ASSERT_TRUE(CopyFileW((BinFolder() + L"\\music-data\\" + c.source).c_str(), music.c_str(), FALSE));
    ASSERT_TRUE(picture.SaveBmp(folder.File(L"p.bmp")));
    WriteSettings(folder, 1, folder.File(L"p.bmp"), 10, 2, music);
    Saver saver(folder);
    ASSERT_TRUE(saver.up());
    // Long enough for the 3 s MP3 to end and be restarted by the 1 s check.
    const double playing = RecordLevel(2500ms);
    const double later = RecordLevel(2500ms);
    if (c.heard) {
      EXPECT_GT(playing, 0.05) << "music " << c.as;
      EXPECT_GT(later, 0.05) << "music " << c.as << " kept going";
    } else {
      EXPECT_LT(std::max(playing, later), 0.005) << "music " << c.as;
    }
    SendKey(VK_SHIFT);
    EXPECT_TRUE(saver.Ends());
    EXPECT_LT(RecordLevel(2000ms), 0.005) << "music " << c.as << " after the end";
  }
}

}  // namespace
}  // namespace zarnik::test

namespace zarnik::test {
namespace {

TEST(Saver, RunsFromAFolderWhoseNameTheAnsiCodePageCannotHold) {
  // Neither code page 932 nor 1252 holds all of it.
  ProgramFolder folder(true, L"Zo\u00eb \u00e9t\u00e9 \u0142\u0105ka ");
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.path().c_str(), -1, nullptr, 0, nullptr, &lossy);
  ASSERT_TRUE(lossy) << "the folder name fits code page " << GetACP();
  WriteSettings(folder, 0, L"", 10);
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  const std::vector<int> want = {90, 80, 70, 60};
  std::vector<int> seen = FollowQualities(folder.File(L"Quorvel.jpg"), 4, 30s);
  ASSERT_GE(seen.size(), want.size());
  seen.resize(want.size());
  EXPECT_EQ(seen, want);
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(saver.Ends());
  EXPECT_FALSE(FileExistsW(folder.File(L"Quorvel.bmp")));
}

TEST(Saver, SessionEndClosesItAsFromOutside) {
  ProgramFolder folder;
  WriteSettings(folder, 0, L"", 10);
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  const std::wstring bmp = folder.File(L"Quorvel.bmp");
  ASSERT_TRUE(PumpUntil([&] { return FileExistsW(bmp); }, 5s));

  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(saver.wnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                  5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the saver must not hold up the session's end";
  EXPECT_TRUE(saver.process().Running());

  // The process may end while handling it: the send's own answer does not matter.
  SendMessageTimeoutW(saver.wnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
  EXPECT_TRUE(saver.process().Wait(10s));
  EXPECT_FALSE(FileExistsW(bmp));
}

TEST(Saver, LoadStepRunsOnceWhateverOthersPost) {
  ProgramFolder folder;
  WriteSettings(folder, 0, L"", 3);
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  const std::wstring jpeg = folder.File(L"Quorvel.jpg");
  int before = 0;
  ASSERT_TRUE(PumpUntil([&] {
    auto q = JpegQuality(ReadBytes(jpeg));
    before = q.value_or(100);
    return before <= 91;
  }, 10s));
  // The window's message number for its load step, from another process.
  ASSERT_TRUE(PostMessageW(saver.wnd(), kLoadStep, 0, 0));
  std::vector<int> after = FollowQualities(jpeg, 3, 30s);
  // The first sample is the file seen before the post; then the schedule goes on down.
  ASSERT_GE(after.size(), 3u);
  for (int q : after) EXPECT_LE(q, before) << "the schedule started over";
  EXPECT_LT(after.back(), before);
  EXPECT_TRUE(saver.process().Running());
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(saver.Ends());
}

TEST(Saver, PictureThatCannotBeDecodedDecaysAsABlackScreenWithItsCaption) {
  ProgramFolder folder;
  const std::wstring picture = folder.File(L"broken.jpg");
  ASSERT_TRUE(WriteBytes(picture, std::string("\xff\xd8\xff\xe0 not really a picture", 26)));
  WriteSettings(folder, 1, picture, 10);
  Saver saver(folder);
  ASSERT_TRUE(saver.up());
  const std::wstring jpeg = folder.File(L"Quorvel.jpg");
  std::vector<int> seen = FollowQualities(jpeg, 2, 30s);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], 90);
  EXPECT_EQ(seen[1], 80);

  Surface decayed;
  ASSERT_TRUE(LoadPictureFile(jpeg, decayed));
  EXPECT_EQ(decayed.width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(decayed.height(), GetSystemMetrics(SM_CYSCREEN));

  // The caption in white over black, near the middle of the screen.
  Screenshot shot = CaptureScreen();
  RECT white{shot.width, shot.height, -1, -1};
  int other = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const uint32_t p = shot.At(x, y);
      if (IsWhite(p)) {
        white.left = std::min<LONG>(white.left, x);
        white.right = std::max<LONG>(white.right, x + 1);
        white.top = std::min<LONG>(white.top, y);
        white.bottom = std::max<LONG>(white.bottom, y + 1);
      } else if (!IsBlack(p)) {
        ++other;
      }
    }
  }
  ASSERT_GT(white.right, white.left) << "no caption";
  EXPECT_NEAR((white.left + white.right) / 2.0, shot.width / 2.0, 8);
  EXPECT_NEAR((white.top + white.bottom) / 2.0, shot.height / 2.0, 12);
  EXPECT_LT(other, shot.width * shot.height / 100);  // only the caption's smoothed edges
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(saver.Ends());
}

}  // namespace
}  // namespace zarnik::test
