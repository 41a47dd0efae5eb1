#include "music/media_service.h"

#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "platform/byte_input.h"
#include "platform/sound_header.h"

namespace zarnik {

namespace {

// The wide forms take the same command texts; a path with characters outside the ANSI code
// page still reaches the service whole.
int32_t SystemSend(const std::wstring& command, std::wstring* reply, uint32_t reply_size) {
  std::vector<wchar_t> buffer(reply && reply_size ? reply_size : 1, L'\0');
  const MCIERROR code = mciSendStringW(command.c_str(), reply && reply_size ? buffer.data() : nullptr,
                                       reply ? reply_size : 0, nullptr);
  // A failed command leaves the caller's reply as it was.
  if (reply && reply_size && code == 0) {
    buffer.back() = L'\0';
    *reply = buffer.data();
  }
  return static_cast<int32_t>(code);
}

bool SystemErrorText(int32_t code, std::wstring* text, uint32_t size) {
  std::vector<wchar_t> buffer(size ? size : 1, L'\0');
  if (!mciGetErrorStringW(static_cast<MCIERROR>(code), buffer.data(), size)) return false;
  buffer.back() = L'\0';
  if (text) *text = buffer.data();
  return true;
}

int32_t SystemPlaySound(const std::wstring* name, uint32_t flags) {
  return PlaySoundW(name ? name->c_str() : nullptr, nullptr, flags);
}

uint32_t SystemWaveDevices() { return waveOutGetNumDevs(); }

bool SystemFileIsSound(const std::wstring& path, bool for_sound_player) {
  try {
    const std::optional<ByteInput> in = ByteInput::OpenFile(path);
    if (!in) return false;
    std::vector<uint8_t> head;
    const SoundHeader sound = in->ReadHead(head, ReadSoundHeader);
    if (sound.verdict != SoundVerdict::kPlayable) return false;
    return !for_sound_player || sound.kind == SoundKind::kWave;
  } catch (...) {
    return false;
  }
}

MediaService& Current() {
  static MediaService service = SystemMediaService();
  return service;
}

}  // namespace

MediaService SystemMediaService() {
  return MediaService{SystemSend, SystemErrorText, SystemPlaySound, SystemWaveDevices, SystemFileIsSound};
}

const MediaService& Media() { return Current(); }
void SetMediaService(const MediaService& service) { Current() = service; }

}  // namespace zarnik
