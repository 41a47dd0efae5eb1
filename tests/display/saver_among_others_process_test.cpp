// Zarnik.scr full screen among what a real desktop does all night: another program taking
// the foreground, the session locked and disconnected, a program holding the JPEG work file.
#include <gtest/gtest.h>

#include <windows.h>
#include <wtsapi32.h>

#include <memory>
#include <vector>

#include "decay/decay_cycle.h"
#include "platform/surface.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/saver_process.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

void WriteSettings(const ProgramFolder& folder, int degree, const std::wstring& music = L"") {
  ASSERT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"),
                         SettingsFileBytes(0, L"", degree, music.empty() ? 0 : 2, 0, music)));
}

bool CursorShowing() {
  CURSORINFO info{};
  info.cbSize = sizeof(info);
  return GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING) != 0;
}

// A reminder or an update prompt of another program: a window of this process that takes
// the foreground.
class ForegroundThief {
 public:
  ForegroundThief() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZarnikTestThief";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"A reminder", WS_POPUP | WS_VISIBLE, 200, 150, 320,
                           200, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(wnd_);
  }
  ~ForegroundThief() {
    if (IsWindow(wnd_)) DestroyWindow(wnd_);
    DrainMessages();
  }
  HWND wnd() const { return wnd_; }

 private:
  HWND wnd_ = nullptr;
};

// The end is the same as a key's: the music stops, the cursor comes back, the bitmap goes.
TEST(SaverAmongOthers, AnotherProgramTakingTheForegroundEndsItAsAKeyWould) {
  ProgramFolder folder;
  const std::wstring music = folder.File(L"loop.wav");
  ASSERT_TRUE(CopyFileW((BinFolder() + L"\\music-data\\tone.wav").c_str(), music.c_str(), FALSE));
  WriteSettings(folder, 10, music);
  // Without a device to play on and one to record from, the music is not heard either way.
  const bool hears = PlayDevices() > 0 && RecordDevices() > 0;
  SaverProcess saver(folder);
  ASSERT_TRUE(saver.up());
  const std::wstring bitmap = folder.File(L"Quorvel.bmp");
  ASSERT_TRUE(PumpUntil([&] { return FileExistsW(bitmap); }, 10s));
  if (hears) {
    EXPECT_GT(RecordLevel(1500ms), 0.05) << "the music did not play";
  }
  EXPECT_FALSE(CursorShowing());

  ForegroundThief thief;
  // Windows gives the foreground only to a process it lets take it (the foreground lock);
  // where this one is refused, no window took the keys and there is nothing to test.
  if (!PumpUntil([&] { return GetForegroundWindow() == thief.wnd() || !IsWindow(saver.wnd()); }, 5s))
    GTEST_SKIP() << "the system kept the foreground from the test's window";
  EXPECT_TRUE(saver.Ends()) << "the saver stayed up over a window that has the keys";
  EXPECT_FALSE(FileExistsW(bitmap));
  EXPECT_TRUE(PumpUntil(CursorShowing, 10s));
  if (hears) {
    EXPECT_LT(RecordLevel(2000ms), 0.005) << "the music went on";
  }
}

// Each of the system's two ways of telling a window it lost the activation ends the saver on
// its own; the activation going to a window of its own does not.
TEST(SaverAmongOthers, EitherActivationMessageEndsItButItsOwnWindowTakingItDoesNot) {
  ProgramFolder folder;
  WriteSettings(folder, 10);
  const std::wstring jpeg = folder.File(L"Quorvel.jpg");
  {
    SaverProcess saver(folder);
    ASSERT_TRUE(saver.up());
    ASSERT_EQ(FollowQualities(jpeg, 1, 30s).size(), 1u);
    SendMessageW(saver.wnd(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(saver.wnd()));
    EXPECT_TRUE(IsWindowVisible(saver.wnd()));
    EXPECT_EQ(FollowQualities(jpeg, 2, 30s).size(), 2u) << "it did not go on after its own window took the activation";
    SendMessageW(saver.wnd(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(saver.Ends()) << "WM_ACTIVATE with WA_INACTIVE in favour of no window of its own";
  }
  DeleteFileW(jpeg.c_str());  // the next run's first JPEG is its own
  {
    SaverProcess saver(folder);
    ASSERT_TRUE(saver.up());
    ASSERT_EQ(FollowQualities(jpeg, 1, 30s).size(), 1u);
    SendMessageW(saver.wnd(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(saver.Ends()) << "WM_ACTIVATEAPP with FALSE";
  }
}

// WTS_SESSION_LOCK and WTS_SESSION_UNLOCK, WTS_CONSOLE_DISCONNECT and WTS_CONSOLE_CONNECT, as
// the system posts them to a window registered for its session.
// The saver of degree 10 on the desktop, two ticks into its schedule.
class DecayingSaver : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSettings(folder_, 10);
    saver_ = std::make_unique<SaverProcess>(folder_);
    ASSERT_TRUE(saver_->up());
    ASSERT_EQ(FollowQualities(jpeg_, 2, 30s), (std::vector<int>{90, 80}));
  }
  void EndWithAKey() {
    PostMessageW(saver_->wnd(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(saver_->Ends());
  }
  ProgramFolder folder_;
  const std::wstring jpeg_ = folder_.File(L"Quorvel.jpg");
  std::unique_ptr<SaverProcess> saver_;
};

TEST_F(DecayingSaver, NothingIsConvertedWhileLockedOrDisconnectedAndTheScheduleGoesOnAfter) {
  SaverProcess& saver = *saver_;
  const std::wstring& jpeg = jpeg_;
  for (auto [hide, show] : {std::pair{WTS_SESSION_LOCK, WTS_SESSION_UNLOCK},
                            std::pair{WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT}}) {
    ASSERT_TRUE(PostMessageW(saver.wnd(), WM_WTSSESSION_CHANGE, hide, 1));
    // A tick under way when the message came may still land; then nothing more.
    ASSERT_TRUE(SettlesFor(jpeg, 1500ms, 15s)) << "JPEGs went on after event " << hide;
    const std::string hidden = ReadBytes(jpeg);
    EXPECT_FALSE(PumpUntil([&] { return ReadBytes(jpeg) != hidden; }, 3s)) << "a JPEG after event " << hide;
    const int last = JpegQuality(hidden).value_or(0);
    ASSERT_TRUE(PostMessageW(saver.wnd(), WM_WTSSESSION_CHANGE, show, 1));
    EXPECT_EQ(NextQualities(jpeg, last, 2), QualitiesAfter(last, 10, 2)) << "after event " << show;
  }
  EXPECT_TRUE(saver.process().Running());
  EndWithAKey();
}

// What the saver shows for a JPEG work file of the given quality: the picture, and its
// caption, drawn by the decay itself in this process.
bool FrameOf(const std::string& jpeg, int quality, const TempFolder& scratch, Surface& frame) {
  if (!frame.Resize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) return false;
  const std::wstring copy = scratch.File(L"shown.jpg");
  DecayCycle cycle(scratch.File(L"source.bmp"), copy,
                   [&](const std::wstring&, const std::wstring& to, int32_t) {
                     return std::optional<int16_t>(WriteBytes(to, jpeg) ? 1 : 0);
                   },
                   10);
  cycle.set_quality(quality + 10);  // the tick's quality is then the file's
  Surface source;
  source.Resize(8, 8);
  cycle.Tick(source, frame);
  return cycle.quality() == quality && !cycle.caption().empty();
}

size_t Differences(const Screenshot& shot, const Surface& frame) {
  if (shot.width != frame.width() || shot.height != frame.height()) return SIZE_MAX;
  size_t differ = 0;
  for (size_t i = 0; i < shot.pixels.size(); ++i) differ += shot.pixels[i] != (frame.pixels()[i] & 0xFFFFFF);
  return differ;
}

// A scanner or an indexer holds the JPEG work file open without letting it be deleted or
// replaced: the screen keeps the picture it has, with the caption that belongs to it.
TEST_F(DecayingSaver, AHeldJpegNeverGetsACaptionThatIsNotItsOwn) {
  const std::wstring& jpeg = jpeg_;

  HANDLE held = INVALID_HANDLE_VALUE;
  ASSERT_TRUE(PumpUntil([&] {
    held = CreateFileW(jpeg.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    return held != INVALID_HANDLE_VALUE;
  }, 10s));
  const std::string bytes = ReadBytes(jpeg);
  const int quality = JpegQuality(bytes).value_or(0);
  TempFolder scratch;
  Surface frame;
  ASSERT_TRUE(FrameOf(bytes, quality, scratch, frame));
  // The tick under way when the file was taken may still show; after it the screen is that
  // JPEG with its own caption, and stays so.
  size_t differ = SIZE_MAX;
  PumpUntil([&] { return (differ = Differences(CaptureScreen(), frame)) == 0; }, 15s);
  EXPECT_EQ(differ, 0u) << "the screen is not the held JPEG of quality " << quality << " with its caption";
  EXPECT_FALSE(PumpUntil([&] { return Differences(CaptureScreen(), frame) != 0; }, 3s))
      << "the screen changed while the JPEG was held";
  // Between the ticks that could not replace it, nothing of theirs is left beside the program.
  EXPECT_TRUE(PumpUntil([&] {
    return FilesIn(folder_.path()) == std::vector<std::wstring>{L"Quorvel.bmp", L"Quorvel.dll", L"Quorvel.ini",
                                                               L"Quorvel.jpg", L"Zarnik.scr"};
  }, 5s)) << "a tick's file was left beside the program while the JPEG was held";
  CloseHandle(held);

  // The next tick tries again, at the quality that was due.
  EXPECT_EQ(NextQualities(jpeg, quality, 2), QualitiesAfter(quality, 10, 2));
  EndWithAKey();
  EXPECT_EQ(FilesIn(folder_.path()), (std::vector<std::wstring>{L"Quorvel.dll", L"Quorvel.ini", L"Quorvel.jpg",
                                                               L"Zarnik.scr"}))
      << "something was left beside the program";
}

}  // namespace
}  // namespace zarnik::test
