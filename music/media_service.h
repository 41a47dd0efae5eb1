// The platform services the music module talks to: the media control service (text
// commands) and the sound player. Tests put a simulated service in their place.
#pragma once

#include <cstdint>
#include <string>

namespace zarnik {

struct MediaService {
  // Sends one command; the reply (at most reply_size - 1 characters) goes to *reply when
  // reply is not null. 0 on success, else the service's error code.
  int32_t (*send)(const std::wstring& command, std::wstring* reply, uint32_t reply_size);
  // The description of an error code; false when the service has none.
  bool (*error_text)(int32_t code, std::wstring* text, uint32_t size);
  // Plays a wave sound with the sound player's flags; a null name stops what plays.
  int32_t (*play_sound)(const std::wstring* name, uint32_t flags);
  uint32_t (*wave_devices)();
};

// The system's own: winmm.
MediaService SystemMediaService();

// The service the music module uses now; the system's unless replaced.
const MediaService& Media();
void SetMediaService(const MediaService& service);

}  // namespace zarnik
