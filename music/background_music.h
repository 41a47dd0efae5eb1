// The music of one full-screen run: started with the run, kept going by periodic checks and
// stopped at its end. The saver window owns the timers and ticks each check while it is on;
// what the checks do lives here, where tests reach it without a window.
#pragma once

#include <string>

namespace zarnik {

// True when the name ends in the three letters, whatever their case ("WAV", "MP3").
bool EndsWithKind(const std::wstring& name, const wchar_t* three_letters);

class BackgroundMusic {
 public:
  enum Check { kFileCheck, kCdCheck, kCheckCount };
  // An MP3 file starts again within a second of its end; a CD is followed closely enough that
  // a repeated track is left at most 200 ms after it ended.
  static constexpr unsigned kIntervalMs[kCheckCount] = {1000, 200};

  // Starts the music the settings chose (MusicKind, MusicFile) and turns on the checks it
  // needs: the file check for an MP3 file, the CD check for a music CD.
  void Start();
  bool CheckOn(Check check) const { return on_[check]; }
  // One check; the CD's turns itself off for good once the drive stops answering.
  void Tick(Check check);
  // Stops the music. The CD only while its check is on: once that failed the drive is not
  // answering, and it is left as it is.
  void Stop();

 private:
  bool on_[kCheckCount] = {};
};

}  // namespace zarnik
