// Background music: a wave file looped through the sound player, an MP3 file or a music CD
// through the media control service.
#pragma once

#include <cstdint>

namespace Zarnik_BGM {

// True (-1) while the CD can still be polled; the saver stops its CD timer once it is false.
inline int16_t CDReady = 0;

void WAV_Play();
void WAV_Stop();
void MP3_Play();
void MP3_Check();
void MP3_Stop();
void CD_Open();
void CD_Check();
void CD_Stop();

}  // namespace Zarnik_BGM
