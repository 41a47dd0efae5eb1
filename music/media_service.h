// The platform services the music module talks to: the media control service (text
// commands) and the sound player. Tests put a simulated service in their place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zarnik {

// A few functions, not a class hierarchy; a replacement keeps its state in what its
// functions capture.
struct MediaService {
  // Sends one command; the reply (at most reply_size - 1 characters) goes to *reply when
  // reply is not null. 0 on success, else the service's error code.
  std::function<int32_t(const std::wstring& command, std::wstring* reply, uint32_t reply_size)> send;
  // The description of an error code; false when the service has none.
  std::function<bool(int32_t code, std::wstring* text, uint32_t size)> error_text;
  // Plays a wave sound with the sound player's flags; a null name stops what plays.
  std::function<int32_t(const std::wstring* name, uint32_t flags)> play_sound;
  std::function<uint32_t()> wave_devices;
  // Whether the file's own header says it is sound the player can be given: for the sound
  // player a wave whose chunks fit the file, for the media service that or MPEG audio frames.
  // Noise, an empty file, a folder and a wave whose sizes lie are given to neither. Left
  // empty by a simulated service, which looks at no file.
  std::function<bool(const std::wstring& path, bool for_sound_player)> file_is_sound = {};
};

// The system's own: winmm.
MediaService SystemMediaService();

// The service the music module uses now; the system's unless replaced.
const MediaService& Media();
void SetMediaService(const MediaService& service);

}  // namespace zarnik
