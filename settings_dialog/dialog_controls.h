// The settings dialog's child windows, made as designed: the four Command buttons (their
// properties from the design's resource), the degree's scroll bar and the track box; and the
// file chooser its two small buttons open.
#pragma once

#include <windows.h>

#include <string>

#include "button/command_button.h"
#include "platform/combo_box.h"
#include "platform/screen_scale.h"
#include "platform/scroll_bar.h"
#include "settings_dialog/dialog_texts.h"

namespace zarnik::dialog {

inline constexpr int kIdScroll = 10;
inline constexpr int kIdRepeat = 11;
inline constexpr int kIdCmdSet = 20, kIdCmdCan = 21, kIdCmdPic = 22, kIdCmdBgm = 23;

struct DialogControls {
  CommandButton* cmd_set = nullptr;
  CommandButton* cmd_can = nullptr;
  CommandButton* cmd_pic = nullptr;
  CommandButton* cmd_bgm = nullptr;
  ScrollBar scroll;  // HS_Fast: the degree, 1 to 10
  ComboBox repeat;   // BGM_Repeat: the CD track

  // Each control on its own: one that cannot be made stays null and the others still come.
  // The buttons keep their designed captions and font in Japanese; in English they take the
  // texts' words in the dialog's font.
  void Create(HINSTANCE instance, HWND dialog, const ScreenScale& scale, HFONT font, Language language);
  // Tab goes through the controls as they are read: the picture's chooser, the degree, the
  // track, the music's chooser, then キャンセル and 設定.
  void SetTabOrder();
};

// The system's file chooser from the folder, the result to LastResult; false when cancelled.
bool ChooseOpenFile(HWND owner, HINSTANCE instance, const wchar_t* title, const wchar_t* filter,
                    const std::wstring& folder, std::wstring* chosen);

}  // namespace zarnik::dialog
