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

// The system's default sound, set to a tone for the test: Windows takes it from the user's
// sound scheme, Wine from the [Sounds] section of win.ini.
class DefaultSound {
 public:
  explicit DefaultSound(const std::wstring& file) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kScheme, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, &created_);
    DWORD size = sizeof(old_scheme_);
    had_scheme_ = RegQueryValueExW(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old_scheme_), &size) ==
                  ERROR_SUCCESS;
    Set(file.c_str());
    GetProfileStringW(L"Sounds", L"Default", L"", old_ini_, MAX_PATH);
    WriteProfileStringW(L"Sounds", L"Default", file.c_str());
  }
  ~DefaultSound() {
    if (had_scheme_) Set(old_scheme_);
    else RegDeleteValueW(key_, nullptr);
    RegCloseKey(key_);
    if (created_ == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_CURRENT_USER, kScheme);
    WriteProfileStringW(L"Sounds", L"Default", old_ini_[0] ? old_ini_ : nullptr);
  }

 private:
  static constexpr const wchar_t* kScheme = L"AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current";
  void Set(const wchar_t* value) {
    RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  DWORD created_ = 0;
  wchar_t old_scheme_[MAX_PATH] = {};
  bool had_scheme_ = false;
  wchar_t old_ini_[MAX_PATH] = {};
};

// A wave file gone since the settings were read, or one that is no wave at all, is silence:
// never the default sound, looped all night.
TEST_F(MusicPlayback, AWaveFileThatCannotBePlayedIsSilence) {
  DefaultSound default_sound(Copy(L"tone.wav", L"default.wav"));
  for (const wchar_t* name : {L"gone.wav", L"not a wave.wav"}) {
    MusicFile = folder_.File(name);
    if (std::wstring(name) != L"gone.wav") {
      ASSERT_TRUE(WriteBytes(MusicFile, "RIFF....WAVEfmt  no wave at all"));
    }
    WAV_Play();
    EXPECT_LT(RecordLevel(2500ms), kSilence) << "music " << name;
    WAV_Stop();
  }
}

TEST_F(MusicPlayback, NoWaveDeviceMeansNoWaveSound) {
  MediaService without = SystemMediaService();
  without.wave_devices = [] { return 0u; };
  SetMediaService(without);
  MusicFile = Copy(L"tone.wav", L"loop.wav");
  WAV_Play();
  EXPECT_LT(RecordLevel(2000ms), kSilence);
}

// Music files that lie: noise under an MP3's or a wave's name, a wave whose RIFF and data sizes
// claim two gigabytes, empty files and folders. None reaches a player (the service was never
// asked to open one, the sound player never called), and the sink stays silent.
TEST_F(MusicPlayback, FilesThatLieAreGivenToNoPlayerAndStaySilent) {
  std::string lying = ReadBytes(BinFolder() + L"\\music-data\\tone.wav");
  ASSERT_GT(lying.size(), 44u);
  lying.replace(4, 4, std::string("\xf8\xff\xff\x7f", 4));   // RIFF size
  lying.replace(40, 4, std::string("\xf0\xff\xff\x7f", 4));  // data size
  std::string noise(64 * 1024, '\0');
  uint32_t seed = 24;
  for (auto& c : noise) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  ASSERT_TRUE(WriteBytes(folder_.File(L"lying.wav"), lying));
  for (const wchar_t* name : {L"noise.wav", L"noise.mp3"}) ASSERT_TRUE(WriteBytes(folder_.File(name), noise));
  for (const wchar_t* name : {L"empty.wav", L"empty.mp3"}) ASSERT_TRUE(WriteBytes(folder_.File(name), ""));
  for (const wchar_t* name : {L"folder.wav", L"folder.mp3"}) ASSERT_TRUE(CreateDirectoryW(folder_.File(name).c_str(), nullptr));

  for (const wchar_t* name : {L"lying.wav", L"noise.wav", L"empty.wav", L"folder.wav"}) {
    MusicFile = folder_.File(name);
    Zarnik_B::LastResult = 12345;  // the sound player's answer would replace it
    WAV_Play();
    EXPECT_EQ(Zarnik_B::LastResult, 12345) << "given to the sound player: " << MusicFile;
    EXPECT_LT(RecordLevel(2000ms), kSilence) << MusicFile;
    WAV_Stop();
  }
  for (const wchar_t* name : {L"noise.mp3", L"empty.mp3", L"folder.mp3"}) {
    MusicFile = folder_.File(name);
    MP3_Play();
    std::wstring reply;
    EXPECT_NE(MCI_Send(L"status MP3Play mode", reply), 0) << "opened by the media service: " << MusicFile;
    EXPECT_LT(RecordLevel(2000ms), kSilence) << MusicFile;
    MP3_Check();
    MP3_Stop();
  }
}

}  // namespace
}  // namespace zarnik::test
