// The settings dialog's child windows, made as designed: the four Command buttons (their
// properties from the design's resource), the degree's scroll bar and the track box.
#pragma once

#include <windows.h>

#include "button/command_button.h"
#include "startup/screen_scale.h"

namespace zarnik::dialog {

inline constexpr int kIdScroll = 10;
inline constexpr int kIdRepeat = 11;
inline constexpr int kIdCmdSet = 20, kIdCmdCan = 21, kIdCmdPic = 22, kIdCmdBgm = 23;

struct DialogControls {
  CommandButton* cmd_set = nullptr;
  CommandButton* cmd_can = nullptr;
  CommandButton* cmd_pic = nullptr;
  CommandButton* cmd_bgm = nullptr;
  HWND scroll = nullptr;
  HWND repeat = nullptr;

  // Each control on its own: one that cannot be made stays null and the others still come.
  void Create(HINSTANCE instance, HWND dialog, const ScreenScale& scale, HFONT font);
};

}  // namespace zarnik::dialog
