// The music module's commands and decisions, against a recording service and a simulated
// CD drive.
#include <gtest/gtest.h>

#include <vector>

#include "music/background_music.h"
#include "music/media_service.h"
#include "music/zarnik_bgm.h"
#include "settings/shared_state.h"
#include "tests/music/simulated_cd.h"

namespace zarnik::test {
namespace {

using namespace Zarnik_BGM;

// A service that records what it is sent and answers from a script. Its state is its own:
// the service's functions reach it through what they capture.
struct Recorder {
  std::vector<std::wstring> sent;
  std::vector<std::pair<std::wstring, uint32_t>> sounds;
  int32_t next_code = 0;
  std::wstring next_reply;
  bool describes = true;
  uint32_t devices = 2;

  void Install() {
    SetMediaService(MediaService{
        [this](const std::wstring& c, std::wstring* reply, uint32_t) {
          sent.push_back(c);
          if (reply && next_code == 0) *reply = next_reply;
          return next_code;
        },
        [this](int32_t code, std::wstring* text, uint32_t) {
          if (describes && text) *text = L"description of " + std::to_wstring(code);
          return describes;
        },
        [this](const std::wstring* name, uint32_t flags) {
          sounds.emplace_back(name ? *name : L"<none>", flags);
          return 1;
        },
        [this] { return devices; }});
  }
};

class MusicCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    recorder_.Install();
  }
  void TearDown() override { SetMediaService(SystemMediaService()); }
  Recorder recorder_;
};

TEST_F(MusicCommands, SendQueryAndTheirTexts) {
  std::wstring result = L"old";
  EXPECT_EQ(MCI_Send(L"", result), -1);
  EXPECT_EQ(result, L"コマンド文字列が指定されていません");
  EXPECT_TRUE(recorder_.sent.empty());
  EXPECT_EQ(MCI_Query(L""), L"Error:-1");
  EXPECT_TRUE(recorder_.sent.empty());

  recorder_.next_reply = L"7";
  EXPECT_EQ(MCI_Query(L"status cdaudio current track"), L"7");
  EXPECT_EQ(recorder_.sent.back(), L"status cdaudio current track");

  recorder_.next_code = 276;
  EXPECT_EQ(MCI_Query(L"status cdaudio current track"), L"Error:276");
  EXPECT_EQ(MciResult, L"description of 276");
  EXPECT_EQ(Zarnik_B::LastResult, 276);
  recorder_.describes = false;
  EXPECT_EQ(MCI_Send(L"bogus", result), 276);
  EXPECT_EQ(result, L"Error (文字列が取れません)");

  recorder_.next_code = 0;
  recorder_.next_reply = L"";
  EXPECT_EQ(MCI_Send(L"play cdaudio", result), 0);
  EXPECT_EQ(result, L"");
}

TEST_F(MusicCommands, PlayCommandHasFourShapes) {
  MCI_Play(L"cdaudio", L"", L"");
  MCI_Play(L"cdaudio", L"", L"05:00:00:00");
  MCI_Play(L"cdaudio", L"03:00:00:00", L"");
  MCI_Play(L"cdaudio", L"03:00:00:00", L"04:00:00:00");
  MCI_Play(L"cdaudio", L"Error:282", L"");
  EXPECT_EQ(recorder_.sent, (std::vector<std::wstring>{
                                L"play cdaudio", L"play cdaudio to 05:00:00:00",
                                L"play cdaudio from 03:00:00:00",
                                L"play cdaudio from 03:00:00:00 to 04:00:00:00",
                                L"play cdaudio from Error:282"}));
}

TEST_F(MusicCommands, FilePlaybackCommandsByteForByte) {
  MusicFile = L"C:\\music\\a b.mp3";
  MP3_Play();
  recorder_.next_reply = L"playing";
  MP3_Check();  // playing: nothing more
  recorder_.next_reply = L"stopped";
  MP3_Check();
  MP3_Stop();
  EXPECT_EQ(recorder_.sent, (std::vector<std::wstring>{
                                L"open \"C:\\music\\a b.mp3\" type MPEGVideo Alias MP3Play", L"play MP3Play",
                                L"status MP3Play mode", L"status MP3Play mode", L"stop MP3Play",
                                L"play MP3Play from 0", L"stop MP3Play", L"close MP3Play"}));

  // A failed open sends no play; stopping afterwards sends both commands and nothing else.
  recorder_.sent.clear();
  recorder_.next_code = 275;
  MP3_Play();
  EXPECT_EQ(recorder_.sent.size(), 1u);
  MP3_Stop();
  EXPECT_EQ(recorder_.sent.size(), 3u);

  // "playing" must begin the reply, in that case.
  recorder_.next_code = 0;
  for (auto [reply, playing] : {std::pair{L"playing", true}, {L"Playing", false}, {L"play", false}, {L"paused", false}}) {
    recorder_.next_reply = reply;
    EXPECT_EQ(MP3_IsPlaying(), playing) << reply;
  }
  // A query that fails is not playing, even with "playing" left in the buffer.
  recorder_.next_reply = L"playing";
  EXPECT_TRUE(MP3_IsPlaying());
  recorder_.next_code = 263;
  EXPECT_FALSE(MP3_IsPlaying());
  EXPECT_EQ(MP3ModeText, L"playing");
}

TEST_F(MusicCommands, WaveSoundsNeedADevice) {
  MusicFile = L"C:\\music\\loop.wav";
  recorder_.devices = 0;
  WAV_Play();
  EXPECT_TRUE(recorder_.sounds.empty());
  recorder_.devices = 1;
  WAV_Play();
  WAV_Stop();
  ASSERT_EQ(recorder_.sounds.size(), 2u);
  // SND_FILENAME | SND_NODEFAULT | SND_ASYNC | SND_LOOP: a file's name, never a system sound's,
  // and silence rather than the default sound when it cannot be played.
  EXPECT_EQ(recorder_.sounds[0], (std::pair<std::wstring, uint32_t>{L"C:\\music\\loop.wav", 0x2000B}));
  EXPECT_EQ(recorder_.sounds[1], (std::pair<std::wstring, uint32_t>{L"<none>", 0}));
}

TEST(MusicKind, FromTheLastThreeLettersWhateverTheirCase) {
  EXPECT_TRUE(EndsWithKind(L"C:\\a.mp3", L"MP3"));
  EXPECT_TRUE(EndsWithKind(L"C:\\a.Mp3", L"MP3"));
  EXPECT_TRUE(EndsWithKind(L"x.WAV", L"WAV"));
  EXPECT_TRUE(EndsWithKind(L"mp3", L"MP3"));
  EXPECT_TRUE(EndsWithKind(L"C:\\songmp3", L"MP3"));  // no dot needed, as the saver always did
  EXPECT_FALSE(EndsWithKind(L"x.mid", L"MP3"));
  EXPECT_FALSE(EndsWithKind(L"x.mid", L"WAV"));
  EXPECT_FALSE(EndsWithKind(L"p3", L"MP3"));
  EXPECT_FALSE(EndsWithKind(L"", L"WAV"));
}

// What a full-screen run does with the music: start it, keep it going while a check is on,
// stop it; the window only runs each check's timer while it is on.
TEST_F(MusicCommands, ARunStartsKeepsAndStopsAFileByItsEnding) {
  BackgroundMusic mp3;
  MusicKind = 2;
  MusicFile = L"C:\\music\\a.Mp3";
  mp3.Start();
  EXPECT_TRUE(mp3.CheckOn(BackgroundMusic::kFileCheck));
  EXPECT_FALSE(mp3.CheckOn(BackgroundMusic::kCdCheck));
  recorder_.next_reply = L"stopped";
  mp3.Tick(BackgroundMusic::kFileCheck);
  mp3.Stop();
  EXPECT_FALSE(mp3.CheckOn(BackgroundMusic::kFileCheck));
  EXPECT_EQ(recorder_.sent, (std::vector<std::wstring>{
                                L"open \"C:\\music\\a.Mp3\" type MPEGVideo Alias MP3Play", L"play MP3Play",
                                L"status MP3Play mode", L"stop MP3Play", L"play MP3Play from 0",
                                L"stop MP3Play", L"close MP3Play"}));

  // A wave file loops by itself: no check.
  recorder_.sent.clear();
  BackgroundMusic wav;
  MusicFile = L"C:\\music\\loop.wav";
  wav.Start();
  EXPECT_FALSE(wav.CheckOn(BackgroundMusic::kFileCheck));
  wav.Stop();
  EXPECT_EQ(recorder_.sounds, (std::vector<std::pair<std::wstring, uint32_t>>{{L"C:\\music\\loop.wav", 0x2000B},
                                                                             {L"<none>", 0}}));
  EXPECT_TRUE(recorder_.sent.empty());

  // Any other ending plays nothing, and so does no music at all.
  for (auto [kind, file] : {std::pair{int16_t{2}, L"C:\\music\\song.mid"}, std::pair{int16_t{0}, L"C:\\a.mp3"}}) {
    recorder_.sounds.clear();
    BackgroundMusic none;
    MusicKind = kind;
    MusicFile = file;
    none.Start();
    none.Stop();
    EXPECT_FALSE(none.CheckOn(BackgroundMusic::kFileCheck));
    EXPECT_TRUE(recorder_.sent.empty());
    EXPECT_TRUE(recorder_.sounds.empty());
  }
}

TEST(MusicCdRun, TheCheckStopsForGoodWithTheDriveAndTheEndThenLeavesItAlone) {
  ResetSharedState();
  MusicKind = 1;
  SimulatedCd cd(SimulatedCd::Disc::Audio, std::vector<int>(3, 30));
  cd.Install();
  BackgroundMusic music;
  music.Start();
  ASSERT_TRUE(music.CheckOn(BackgroundMusic::kCdCheck));
  music.Tick(BackgroundMusic::kCdCheck);
  EXPECT_EQ(cd.mode(), SimulatedCd::Mode::Playing);
  music.Stop();
  EXPECT_EQ(cd.commands().back(), L"close cdaudio");

  SimulatedCd empty(SimulatedCd::Disc::None, {});
  empty.Install();
  BackgroundMusic silent;
  silent.Start();
  silent.Tick(BackgroundMusic::kCdCheck);
  EXPECT_FALSE(silent.CheckOn(BackgroundMusic::kCdCheck));
  empty.ClearCommands();
  silent.Tick(BackgroundMusic::kCdCheck);  // a check that is off does nothing
  silent.Stop();                           // and the end sends no stop to a drive that failed
  EXPECT_TRUE(empty.commands().empty());
}

// Runs CD checks every 200 ms of disc time, as the saver's timer does.
void Checks(SimulatedCd& cd, int count) {
  for (int i = 0; i < count; ++i) {
    cd.Advance(200);
    CD_Check();
  }
}

TEST(MusicCd, WholeDiscStartsAndResumesButNotWhenPaused) {
  SimulatedCd cd(SimulatedCd::Disc::Audio, std::vector<int>(10, 60));
  cd.Install();
  MusicRepeat = 0;
  CD_Open();
  EXPECT_EQ(cd.commands(), (std::vector<std::wstring>{L"open cdaudio", L"set cdaudio time format tmsf"}));
  CD_Check();
  EXPECT_EQ(CDReady, -1);
  EXPECT_EQ(cd.mode(), SimulatedCd::Mode::Playing);
  EXPECT_EQ(cd.commands().back(), L"play cdaudio");
  Checks(cd, 50);
  EXPECT_EQ(cd.plays(), 1);

  Zarnik_BGM::MCI_Send(L"stop cdaudio", MciResult);  // stopped from elsewhere
  Checks(cd, 1);
  EXPECT_EQ(cd.plays(), 2);
  EXPECT_EQ(cd.CurrentTrack(), 1);  // resumed where it was, not from a track start

  cd.Pause();
  Checks(cd, 20);
  EXPECT_EQ(cd.mode(), SimulatedCd::Mode::Paused);
  EXPECT_EQ(cd.plays(), 2);
  EXPECT_EQ(CDReady, -1);
  CD_Stop();
  EXPECT_EQ(cd.commands()[cd.commands().size() - 2], L"stop cdaudio");
  EXPECT_EQ(cd.commands().back(), L"close cdaudio");
}

TEST(MusicCd, OneTrackRepeatsWithinACheckOfTheNextBeginning) {
  SimulatedCd cd(SimulatedCd::Disc::Audio, std::vector<int>(10, 30));
  cd.Install();
  MusicRepeat = 3;
  CD_Open();
  CD_Check();
  EXPECT_EQ(cd.commands().back(), L"play cdaudio from 03:00:00:00");
  EXPECT_EQ(cd.CurrentTrack(), 3);
  // Track 3 plays to its end; within one check of track 4 starting, it is back at 3.
  for (int i = 0; i < 3 * 30 * 5; ++i) {
    cd.Advance(200);
    CD_Check();
    ASSERT_EQ(cd.CurrentTrack(), 3) << "check " << i;
  }
  EXPECT_EQ(cd.plays(), 4);  // the start and three repeats

  // The last track: at the disc's end the drive stops, and the track starts again.
  MusicRepeat = 10;
  CD_Check();
  EXPECT_EQ(cd.CurrentTrack(), 10);
  Checks(cd, 30 * 5 + 2);
  EXPECT_EQ(cd.CurrentTrack(), 10);
  EXPECT_EQ(cd.mode(), SimulatedCd::Mode::Playing);
  EXPECT_EQ(CDReady, -1);
}

TEST(MusicCd, ATrackTheDiscLacksPlaysNothingButKeepsChecking) {
  SimulatedCd cd(SimulatedCd::Disc::Audio, std::vector<int>(10, 30));
  cd.Install();
  for (int16_t repeat : {12, -1}) {
    MusicRepeat = repeat;
    CD_Open();
    cd.ClearCommands();
    CD_Check();
    EXPECT_EQ(cd.commands().back(), L"play cdaudio from Error:" + std::to_wstring(SimulatedCd::kOutOfRange));
    EXPECT_EQ(CDReady, -1);
    EXPECT_EQ(cd.mode(), SimulatedCd::Mode::Stopped);
    CD_Check();
    EXPECT_EQ(cd.commands().back(), L"play cdaudio from Error:" + std::to_wstring(SimulatedCd::kOutOfRange));
  }
}

TEST(MusicCd, NoDiscNoDriveOrADataDiscEndTheChecks) {
  struct Case {
    const char* name;
    SimulatedCd::Disc disc;
    bool drive;
  };
  for (Case c : {Case{"no disc", SimulatedCd::Disc::None, true}, Case{"data disc", SimulatedCd::Disc::Data, true},
                 Case{"no drive", SimulatedCd::Disc::Audio, false}}) {
    for (int16_t repeat : {0, 3}) {
      SimulatedCd cd(c.disc, std::vector<int>(5, 30), c.drive);
      cd.Install();
      MusicRepeat = repeat;
      CD_Open();
      CD_Check();
      EXPECT_EQ(CDReady, 0) << c.name;
      EXPECT_EQ(cd.plays(), 0) << c.name;
    }
  }
}

}  // namespace
}  // namespace zarnik::test
