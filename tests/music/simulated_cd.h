// A music CD drive behind the media service, for tests: tracks of given lengths, replies in
// the media control service's own formats, and a clock the test advances.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/media_service.h"

namespace zarnik::test {

class SimulatedCd {
 public:
  enum class Disc { None, Audio, Data };
  enum class Mode { Stopped, Playing, Paused };

  // Error codes as the system's service gives them.
  static constexpr int32_t kUnrecognized = 261;  // MCIERR_UNRECOGNIZED_COMMAND
  static constexpr int32_t kNoDevice = 263;      // MCIERR_INVALID_DEVICE_NAME
  static constexpr int32_t kNotReady = 276;      // MCIERR_DEVICE_NOT_READY
  static constexpr int32_t kOutOfRange = 282;    // MCIERR_OUTOFRANGE
  static constexpr int32_t kBadTime = 293;       // MCIERR_BAD_TIME_FORMAT

  // track_seconds: one entry per track.
  SimulatedCd(Disc disc, std::vector<int> track_seconds, bool drive = true);
  ~SimulatedCd();  // gives the system's service back

  // Installs this drive as the music module's service, until another is installed.
  void Install();
  void Advance(int milliseconds);
  void Pause() { if (mode_ == Mode::Playing) mode_ = Mode::Paused; }  // another program pauses it

  Mode mode() const { return mode_; }
  int CurrentTrack() const;
  const std::vector<std::wstring>& commands() const { return commands_; }
  void ClearCommands() { commands_.clear(); }
  int plays() const;  // play commands that succeeded

 private:
  int32_t Handle(const std::wstring& command, std::wstring* reply);
  long long TrackStart(int track) const;  // in frames (75 a second)
  long long DiscEnd() const;
  static std::wstring Tmsf(int track, long long frames_into_track);
  bool ParseTmsf(const std::wstring& text, long long* frames) const;

  Disc disc_;
  std::vector<int> tracks_;
  bool drive_;
  bool open_ = false;
  Mode mode_ = Mode::Stopped;
  long long position_ = 0;  // frames from the disc's start
  std::vector<std::wstring> commands_;
  int plays_ = 0;
  bool installed_ = false;
};

}  // namespace zarnik::test
