// Placeholder until the music module lands: no music.
#include "music/zarnik_bgm.h"

namespace Zarnik_BGM {

void WAV_Play() {}
void WAV_Stop() {}
void MP3_Play() {}
void MP3_Check() {}
void MP3_Stop() {}
void CD_Open() {}
void CD_Check() {}
void CD_Stop() {}

}  // namespace Zarnik_BGM
