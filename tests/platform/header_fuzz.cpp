// A native fuzz target for the picture and sound header readers (libFuzzer): run by
// fuzz-headers.sh. Besides not crashing, each reader must give the same answer whether it has
// the whole file or is fed growing prefixes of it as the loader feeds it, and what the picture
// reader accepts is within its limits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/picture_header.h"
#include "platform/sound_header.h"

namespace {

using zarnik::HeaderVerdict;
using zarnik::PictureHeader;
using zarnik::PictureLimits;

void Check(bool condition) {
  if (!condition) std::abort();
}

void Exercise(const uint8_t* data, size_t size, const PictureLimits& limits) {
  const PictureHeader whole = zarnik::ReadPictureHeader(data, size, size, limits);
  Check(whole.verdict != HeaderVerdict::kNeedMore);
  if (whole.verdict == HeaderVerdict::kAccepted) {
    Check(whole.width > 0 && whole.height > 0);
    Check(static_cast<uint64_t>(whole.width) * whole.height <= limits.pixels);
    Check(whole.decoder_bytes <= limits.decoder_bytes);
    Check(whole.decoder_input > 0 && whole.decoder_input <= size);
  }

  // The loader's way: a small first read, then at least what was asked for, doubling.
  size_t have = std::min<size_t>(size, 16);
  PictureHeader part = zarnik::ReadPictureHeader(data, have, size, limits);
  while (part.verdict == HeaderVerdict::kNeedMore) {
    Check(part.needed > have && part.needed <= size);
    have = static_cast<size_t>(std::max<uint64_t>(part.needed, std::min<uint64_t>(size, have * 2)));
    part = zarnik::ReadPictureHeader(data, have, size, limits);
  }
  Check(part.verdict == whole.verdict && part.kind == whole.kind);
  if (whole.verdict == HeaderVerdict::kAccepted) {
    Check(part.width == whole.width && part.height == whole.height);
    Check(part.decoder_input == whole.decoder_input && part.decoder_bytes == whole.decoder_bytes);
  }
}

void ExerciseSound(const uint8_t* data, size_t size) {
  const zarnik::SoundHeader whole = zarnik::ReadSoundHeader(data, size, size);
  Check(whole.verdict != zarnik::SoundVerdict::kNeedMore);
  Check((whole.verdict == zarnik::SoundVerdict::kPlayable) == (whole.kind != zarnik::SoundKind::kUnknown) ||
        whole.kind == zarnik::SoundKind::kWave);
  size_t have = std::min<size_t>(size, 16);
  zarnik::SoundHeader part = zarnik::ReadSoundHeader(data, have, size);
  while (part.verdict == zarnik::SoundVerdict::kNeedMore) {
    Check(part.needed > have && part.needed <= size);
    have = static_cast<size_t>(std::max<uint64_t>(part.needed, std::min<uint64_t>(size, have * 2)));
    part = zarnik::ReadSoundHeader(data, have, size);
  }
  Check(part.verdict == whole.verdict && part.kind == whole.kind);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The program's limits, and small ones that the seeds' own sizes run into.
  Exercise(data, size, PictureLimits{80'000'000, 320'000'000, 16 << 20});
  Exercise(data, size, PictureLimits{4096, 16384, 512});
  ExerciseSound(data, size);
  return 0;
}
