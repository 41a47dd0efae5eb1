// What a music file's own header says, read before the sound player or the media service is
// given the file: a wave (RIFF) whose chunks fit inside the file, or MPEG audio frames that
// follow one another as their headers say. Noise, an empty file and a wave whose sizes lie
// are none of these. Pure logic, no windows.h: the native fuzzer builds it with the pictures'.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zarnik {

enum class SoundKind : uint8_t { kUnknown, kWave, kMpegAudio };

enum class SoundVerdict : uint8_t {
  kPlayable,
  kNeedMore,  // the bytes given end inside the header: ask again with `needed` of them
  kNotSound,  // no wave and no MPEG audio frames where they must be, or nothing to play
  kSizesLie,  // a chunk, a tag or the data claims more than the file holds
};

struct SoundHeader {
  SoundVerdict verdict = SoundVerdict::kNotSound;
  SoundKind kind = SoundKind::kUnknown;
  uint64_t needed = 0;
};

// How far into a file the wave's data chunk or the first MPEG frame may start.
inline constexpr uint64_t kSoundHeaderWindow = 16 << 20;

// data holds the file's first size bytes (all of it when size == file_size).
SoundHeader ReadSoundHeader(const uint8_t* data, size_t size, uint64_t file_size);

}  // namespace zarnik
