#include "settings_dialog/settings_window.h"

namespace zarnik {

void ShowSettingsDialog(HINSTANCE) {}

}  // namespace zarnik
