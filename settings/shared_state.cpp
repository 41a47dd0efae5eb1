#include "settings/shared_state.h"

namespace zarnik {

void ResetSharedState() {
  using namespace Zarnik_B;
  PictureSource = 0;
  PictureFile.clear();
  PictureFolder.clear();
  DegradeLevel = 0;
  CursorX = CursorY = 0;
  LastResult = 0;
  CursorCount.reset();
  SettingValue.clear();
  PreviewLeft = PreviewTop = PreviewWidth = PreviewHeight = 0;
  using namespace Zarnik_BGM;
  MusicKind = 0;
  MusicRepeat = 0;
  MusicFile.clear();
  MusicFolder.clear();
  CDReady = 0;
}

}  // namespace zarnik
