#include "music/zarnik_bgm.h"

#include <cwctype>

#include "music/media_service.h"
#include "settings/number_text.h"
#include "settings/shared_state.h"

namespace Zarnik_BGM {

namespace {

using zarnik::Media;

constexpr uint32_t kSndAsync = 0x0001;
constexpr uint32_t kSndNoDefault = 0x0002;
constexpr uint32_t kSndLoop = 0x0008;
constexpr uint32_t kSndFilename = 0x00020000;
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

int32_t SendPlain(const std::wstring& command) { return Media().send(command, nullptr, 0); }

std::wstring Upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

bool HasErrorMarker(const std::wstring& reply) { return Upper(reply).find(L"ERR") != std::wstring::npos; }

// A music file whose header is no sound (noise, nothing, a wave whose sizes lie) is given to
// no player: silence, and nothing else.
bool IsSound(const std::wstring& file, bool for_sound_player) {
  const auto& check = Media().file_is_sound;
  return !check || check(file, for_sound_player);
}

}  // namespace

void WAV_Play() {
  if (Media().wave_devices() == 0) return;
  if (!IsSound(MusicFile, true)) return;
  const std::wstring name = MusicFile;
  // The name is a file's and nothing else: never a system sound's name, and a file that cannot
  // be played is silence, not the system's default sound looped all night.
  Zarnik_B::LastResult = Media().play_sound(&name, kSndFilename | kSndNoDefault | kSndAsync | kSndLoop);
}

void WAV_Stop() { Zarnik_B::LastResult = Media().play_sound(nullptr, 0); }

void MP3_Play() {
  if (!IsSound(MusicFile, false)) return;
  if (SendPlain(L"open \"" + MusicFile + L"\" type MPEGVideo Alias MP3Play") != 0) return;
  SendPlain(L"play MP3Play");
}

bool MP3_IsPlaying() {
  // A failed query counts as not playing, whatever an earlier reply left in the buffer.
  if (Media().send(L"status MP3Play mode", &MP3ModeText, 30) != 0) return false;
  return MP3ModeText.compare(0, 7, L"playing") == 0;
}

void MP3_Check() {
  if (MP3_IsPlaying()) return;
  SendPlain(L"stop MP3Play");
  SendPlain(L"play MP3Play from 0");
}

void MP3_Stop() {
  SendPlain(L"stop MP3Play");
  SendPlain(L"close MP3Play");
}

void CD_Open() {
  Zarnik_B::LastResult = SendPlain(L"open cdaudio");
  Zarnik_B::LastResult = SendPlain(L"set cdaudio time format tmsf");
}

void CD_Stop() {
  Zarnik_B::LastResult = SendPlain(L"stop cdaudio");
  Zarnik_B::LastResult = SendPlain(L"close cdaudio");
}

void CD_Check() {
  CDReady = kTrue;
  try {
    const std::wstring current = MCI_Query(L"status cdaudio current track");
    if (HasErrorMarker(current)) {
      CDReady = kFalse;
      return;
    }
    const std::wstring tracks = MCI_Query(L"status cdaudio number of tracks");
    if (HasErrorMarker(tracks)) {
      CDReady = kFalse;
      return;
    }
    Zarnik_B::LastResult = Media().send(L"status cdaudio mode", &CDModeText, 255);
    const bool stopped = CDModeText.compare(0, 7, L"stopped") == 0;

    if (MusicRepeat == 0) {
      if (stopped) MCI_Play(L"cdaudio", L"", L"");
      return;
    }
    // A current track that is no number is the runtime error that ends the check as failed.
    const auto current_track = zarnik::StrictNumber(current);
    if (!current_track) {
      CDReady = kFalse;
      return;
    }
    if (stopped || *current_track != MusicRepeat) {
      const std::wstring start = MCI_Query(L"status cdaudio position track " + std::to_wstring(MusicRepeat));
      MCI_Play(L"cdaudio", start, L"");
    }
  } catch (...) {
    CDReady = kFalse;
  }
}

int32_t MCI_Send(const std::wstring& command, std::wstring& result) {
  if (command.empty()) {
    result = kNoCommandText;
    return -1;
  }
  const int32_t code = Media().send(command, &MciReply, 512);
  Zarnik_B::LastResult = code;
  if (code != 0) {
    if (!Media().error_text(code, &MciErrorText, 256)) {
      result = kNoErrorText;
    } else {
      result = MciErrorText;
    }
    return code;
  }
  result = MciReply;
  return 0;
}

std::wstring MCI_Query(const std::wstring& command) {
  const int32_t code = MCI_Send(command, MciResult);
  Zarnik_B::LastResult = code;
  if (code != 0) return L"Error:" + std::to_wstring(code);
  return MciResult;
}

int32_t MCI_Play(const std::wstring& device, const std::wstring& from, const std::wstring& to) {
  std::wstring command = L"play " + device;
  if (!from.empty()) command += L" from " + from;
  if (!to.empty()) command += L" to " + to;
  return MCI_Send(command, MciResult);
}

}  // namespace Zarnik_BGM
