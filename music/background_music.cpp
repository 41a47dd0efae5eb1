#include "music/background_music.h"

#include <cwctype>

#include "music/zarnik_bgm.h"
#include "settings/shared_state.h"

namespace zarnik {

bool EndsWithKind(const std::wstring& name, const wchar_t* three_letters) {
  if (name.size() < 3) return false;
  for (size_t i = 0; i < 3; ++i) {
    if (std::towupper(name[name.size() - 3 + i]) != std::towupper(three_letters[i])) return false;
  }
  return true;
}

void BackgroundMusic::Start() {
  if (Zarnik_BGM::MusicKind == 1) {
    Zarnik_BGM::CD_Open();
    on_[kCdCheck] = true;  // even when the open failed: the first check finds that out
  }
  if (Zarnik_BGM::MusicKind == 2) {
    if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Play();
    if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
      Zarnik_BGM::MP3_Play();
      on_[kFileCheck] = true;
    }
  }
}

void BackgroundMusic::Tick(Check check) {
  if (!on_[check]) return;
  if (check == kFileCheck) {
    Zarnik_BGM::MP3_Check();
  } else {
    Zarnik_BGM::CD_Check();
    on_[kCdCheck] = Zarnik_BGM::CDReady != 0;
  }
}

void BackgroundMusic::Stop() {
  // Each medium on its own: one that fails to stop does not keep the other playing.
  try {
    if (on_[kCdCheck]) {
      on_[kCdCheck] = false;
      Zarnik_BGM::CD_Stop();
    }
  } catch (...) {
  }
  try {
    if (Zarnik_BGM::MusicKind == 2) {
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Stop();
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
        Zarnik_BGM::MP3_Stop();
        on_[kFileCheck] = false;
      }
    }
  } catch (...) {
  }
}

}  // namespace zarnik
