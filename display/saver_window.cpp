#include "display/saver_window.h"

namespace zarnik {

bool ShowSaverWindow(HINSTANCE, bool) { return false; }

}  // namespace zarnik
