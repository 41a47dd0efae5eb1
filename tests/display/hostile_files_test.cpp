// The regression set of hostile files, each chosen in the settings as a user would choose it
// and run through the real program: full screen (/s), and the settings dialog's thumbnail (/c).
// A picture that is refused decays as a black screen with its caption; the dialog shows an
// empty box; a key ends either at once; the program's memory stays small; music that lies is
// silence on the sink.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/picture_file.h"
#include "platform/surface.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/layout.h"
#include "tests/display/saver_run.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

struct Hostile {
  const wchar_t* seed;  // in the picture corpus
  int width = 0;        // the picture shown, for the few that are pictures after all
  int height = 0;
};

// Refused: the 60000 x 60000 JPEG of the issue, bombs, lying sizes, nothing, noise. Shown:
// a PNG under a JPEG's name, and a GIF's first picture however many frames follow it.
const Hostile kPictures[] = {{L"hostile-jpeg-60000x60000.jpg"},
                             {L"hostile-png-bomb.png"},
                             {L"hostile-png-lies.png"},
                             {L"hostile-gif-screen-bomb.gif"},
                             {L"hostile-bmp-sizes-lie.bmp"},
                             {L"hostile-empty.jpg"},
                             {L"hostile-noise.jpg"},
                             {L"hostile-png-named.jpg", 31, 17},
                             {L"hostile-gif-frames-bomb.gif", 8, 8}};

// Well above what the saver holds for one 1280 x 1024 screen; far below what any of these
// files would have cost a decoder that believed it.
constexpr size_t kMemoryBound = 400u << 20;

std::wstring Choose(const ProgramFolder& folder, const Hostile& h) {
  // Named as a user would have it: a JPEG's name, whatever it holds.
  const std::wstring chosen = folder.File(std::wstring(L"chosen-") + h.seed);
  EXPECT_TRUE(CopyFileW((BinFolder() + L"\\picture-corpus\\" + h.seed).c_str(), chosen.c_str(), FALSE))
      << h.seed;
  return chosen;
}

TEST(HostileFiles, FullScreenDecaysARefusedPictureAsBlackWithItsCaptionAndEndsAtAKey) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  for (const Hostile& h : kPictures) {
    ProgramFolder folder;
    WriteSettings(folder, 1, Choose(folder, h), 10);
    Saver saver(folder);
    ASSERT_TRUE(saver.up()) << h.seed;
    // The decay runs: two work files, at the qualities of the schedule.
    const std::wstring jpeg = folder.File(L"Quorvel.jpg");
    std::vector<int> seen = FollowQualities(jpeg, 2, 30s);
    ASSERT_GE(seen.size(), 2u) << h.seed;
    EXPECT_EQ(seen[0], 90) << h.seed;
    EXPECT_EQ(seen[1], 80) << h.seed;
    Surface decayed;
    ASSERT_TRUE(LoadPictureFile(jpeg, decayed)) << h.seed;
    EXPECT_EQ(decayed.width(), h.width ? h.width : sw) << h.seed;
    EXPECT_EQ(decayed.height(), h.height ? h.height : sh) << h.seed;
    if (!h.width) {
      const Screenshot shot = CaptureScreen();
      const CaptionOnBlack caption = MeasureCaptionOnBlack(shot);
      ASSERT_GT(caption.white.right, caption.white.left) << h.seed << ": no caption";
      EXPECT_NEAR((caption.white.left + caption.white.right) / 2.0, sw / 2.0, 8) << h.seed;
      EXPECT_LT(caption.other, sw * sh / 100) << h.seed;
    }
    const size_t peak = PeakMemoryOf(saver.process().Id());
    EXPECT_LT(peak, kMemoryBound) << h.seed;
    SendKey(VK_ESCAPE);
    EXPECT_TRUE(saver.Ends()) << h.seed;
    EXPECT_EQ(saver.process().ExitCode(), 0u) << h.seed;
    printf("%ls: %d x %d decayed, peak %zu MB\n", h.seed, decayed.width(), decayed.height(), peak >> 20);
  }
}

// The box's pixels on screen that differ from the window colour.
int ThumbnailPixelsNotWindowColour(HWND dialog) {
  const COLORREF colour = GetSysColor(COLOR_WINDOW);
  const uint32_t window = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  const RECT box = dialog::In(dialog::kPanelPicture, dialog::kDisplay);
  POINT origin{box.left, box.top};
  ClientToScreen(dialog, &origin);
  const Screenshot shot = CaptureScreen();
  int differ = 0;
  // The top 80 x 40: inside the box whatever the picture's shape.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < dialog::kThumbnailSide; ++x) differ += shot.At(origin.x + x, origin.y + y) != window;
  return differ;
}

TEST(HostileFiles, TheDialogShowsAnEmptyThumbnailBoxAndAnswersEscape) {
  for (const Hostile& h : kPictures) {
    ProgramFolder folder;
    WriteSettings(folder, 1, Choose(folder, h), 3);
    Process dialog;
    ASSERT_TRUE(dialog.Start(L"\"" + folder.Program() + L"\" /c", folder.path())) << h.seed;
    const HWND wnd = WaitForWindow(L"<Quorvel>", 15s);
    ASSERT_NE(wnd, nullptr) << h.seed;
    ASSERT_TRUE(WaitUntilUnderPointer(wnd, 10s)) << h.seed;
    int differ = 0;
    // Once painted: empty for a refused picture, the picture for the others.
    PumpUntil(
        [&] {
          differ = ThumbnailPixelsNotWindowColour(wnd);
          return h.width ? differ > 0 : differ == 0;
        },
        5s);
    if (h.width)
      EXPECT_GT(differ, 0) << h.seed;
    else
      EXPECT_EQ(differ, 0) << h.seed;
    EXPECT_LT(PeakMemoryOf(dialog.Id()), kMemoryBound) << h.seed;
    SetForegroundWindow(wnd);
    SendKey(VK_ESCAPE);
    EXPECT_TRUE(dialog.Wait(10s)) << h.seed << ": Esc not answered";
    EXPECT_TRUE(WaitForNoWindow(L"<Quorvel>", 5s)) << h.seed;
  }
}

TEST(HostileFiles, MusicThatLiesIsSilenceAndTheSaverRunsOn) {
  ZARNIK_SKIP_UNLESS_SOUND();
  ProgramFolder source;  // for the data files only
  std::string lying = ReadBytes(BinFolder() + L"\\music-data\\tone.wav");
  ASSERT_GT(lying.size(), 44u);
  lying.replace(4, 4, std::string("\xf8\xff\xff\x7f", 4));
  lying.replace(40, 4, std::string("\xf0\xff\xff\x7f", 4));
  std::string noise(64 * 1024, '\0');
  uint32_t seed = 24;
  for (auto& c : noise) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  struct Liar {
    const wchar_t* name;
    std::string bytes;
    bool folder;
  };
  const Liar liars[] = {{L"noise.mp3", noise, false},
                        {L"sizes-lie.wav", lying, false},
                        {L"zero-bytes.wav", "", false},
                        {L"zero-bytes.mp3", "", false},
                        {L"a folder.wav", "", true}};
  ASSERT_GE(RecordLevel(300ms), 0.0) << "no recording device";
  for (const Liar& l : liars) {
    ProgramFolder folder;
    const std::wstring music = folder.File(l.name);
    if (l.folder)
      ASSERT_TRUE(CreateDirectoryW(music.c_str(), nullptr));
    else
      ASSERT_TRUE(WriteBytes(music, l.bytes));
    WriteSettings(folder, 0, L"", 10, 2, music);
    Saver saver(folder);
    ASSERT_TRUE(saver.up()) << l.name;
    EXPECT_LT(RecordLevel(2500ms), 0.005) << l.name;
    EXPECT_GE(FollowQualities(folder.File(L"Quorvel.jpg"), 1, 10s).size(), 1u)
        << l.name << ": the decay stopped";
    SendKey(VK_ESCAPE);
    EXPECT_TRUE(saver.Ends()) << l.name;
    EXPECT_EQ(saver.process().ExitCode(), 0u) << l.name;
  }
}

}  // namespace
}  // namespace zarnik::test
