// The one question to the system behind ScreenScale.
#include <windows.h>

#include "startup/gdi.h"
#include "startup/screen_scale.h"

namespace zarnik {

ScreenScale ScreenScaleNow() {
  ScopedGetDC screen(nullptr);
  if (!screen) return ScreenScale{};
  return ScreenScale::Of(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
}

}  // namespace zarnik
