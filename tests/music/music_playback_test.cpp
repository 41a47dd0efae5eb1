// Real playback through the system's services, heard on the sink (recorded from its monitor).
#include <gtest/gtest.h>

#include "music/media_service.h"
#include "music/zarnik_bgm.h"
#include "settings/shared_state.h"
#include "tests/support/sound_level.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;
using namespace Zarnik_BGM;

constexpr double kSound = 0.05;    // a playing tone is far above this
constexpr double kSilence = 0.005;

class MusicPlayback : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMediaService(SystemMediaService());
    ZARNIK_SKIP_UNLESS_SOUND();
    ASSERT_GE(RecordLevel(300ms), 0.0) << "no recording device";
  }
  void TearDown() override {
    MP3_Stop();
    WAV_Stop();
  }
  std::wstring Copy(const wchar_t* name, const wchar_t* as) {
    const std::wstring to = folder_.File(as);
    EXPECT_TRUE(CopyFileW((BinFolder() + L"\\music-data\\" + name).c_str(), to.c_str(), FALSE));
    return to;
  }
  TempFolder folder_;
};

TEST_F(MusicPlayback, Mp3PlaysRestartsAfterItsEndAndStops) {
  MusicFile = Copy(L"tone.mp3", L"a tune with blanks.mp3");  // 3 s
  MP3_Play();
  EXPECT_TRUE(MP3_IsPlaying());
  EXPECT_GT(RecordLevel(2000ms), kSound);
  // Past its end the device reports a stop; one check starts it again from the beginning.
  EXPECT_TRUE(PumpUntil([] { return !MP3_IsPlaying(); }, 15s));
  MP3_Check();
  EXPECT_TRUE(MP3_IsPlaying());
  EXPECT_GT(RecordLevel(2000ms), kSound);
  MP3_Stop();
  EXPECT_FALSE(MP3_IsPlaying());
  std::wstring reply;
  EXPECT_NE(MCI_Send(L"status MP3Play mode", reply), 0);  // closed, not only stopped
  EXPECT_LT(RecordLevel(2000ms), kSilence);
}

TEST_F(MusicPlayback, FailedOpenPlaysNothingAndStoppingIsHarmless) {
  MusicFile = folder_.File(L"missing.mp3");
  MP3_Play();
  EXPECT_FALSE(MP3_IsPlaying());
  MP3_Check();
  MP3_Stop();
  EXPECT_LT(RecordLevel(2000ms), kSilence);
}

TEST_F(MusicPlayback, WaveLoopsUntilStopped) {
  MusicFile = Copy(L"tone.wav", L"loop.wav");  // 1 s: heard after 2 s only if it loops
  WAV_Play();
  EXPECT_NE(Zarnik_B::LastResult, 0);
  EXPECT_GT(RecordLevel(2500ms), kSound);
  WAV_Stop();
  EXPECT_LT(RecordLevel(2000ms), kSilence);
}

TEST_F(MusicPlayback, NoWaveDeviceMeansNoWaveSound) {
  MediaService without = SystemMediaService();
  without.wave_devices = [] { return 0u; };
  SetMediaService(without);
  MusicFile = Copy(L"tone.wav", L"loop.wav");
  WAV_Play();
  EXPECT_LT(RecordLevel(2000ms), kSilence);
}

}  // namespace
}  // namespace zarnik::test
