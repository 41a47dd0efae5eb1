// The one question to the system behind ScreenScale.
#include <windows.h>

#include "platform/gdi.h"
#include "platform/screen_scale.h"

namespace zarnik {

ScreenScale ScreenScaleNow() {
  ScopedGetDC screen(nullptr);
  if (!screen) return ScreenScale{};
  return ScreenScale::Of(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
}

}  // namespace zarnik
