// The settings dialog's persistent image: the gradient, the textured panels, the titles and
// labels, the option marks and the name boxes. The window paints from it and invalidates
// only what a change touched.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/surface.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/dialog_texts.h"

namespace zarnik::dialog {

// The system's dialog font, for the English texts: Segoe UI 9 pt where it is installed, else
// the message font the system reports; its height for the thread's screen scale.
LOGFONTW SystemDialogFont();

class DialogPainter {
 public:
  // The pictures from the module's resources and the language's fonts: the Japanese one at
  // this character height, or the system's dialog font.
  void Load(HINSTANCE instance, HWND wnd, int font_height, Language language);
  HFONT font() const { return font_.get(); }
  const DialogTexts& texts() const { return *texts_; }
  const std::vector<std::wstring>& labels() const { return labels_; }
  const Surface& image() const { return image_; }

  // A new image of the client's size: the gradient with the three panels on it.
  void PaintBackground(int width, int height);
  void DrawStatic();
  void DrawMarks(const PictureMarks& picture, const MusicMarks& music);
  void DrawNames(const std::wstring& picture_name, const std::wstring& music_name, const std::wstring& degree_text);

 private:
  void TilePanel(const RECT& panel, const RECT* only = nullptr);
  void DrawLabel(const std::wstring& text, const RECT& r, COLORREF colour, UINT format, HFONT font,
                 bool access_key = false);
  void Repaint(const RECT& r) { InvalidateRect(wnd_, &r, FALSE); }

  HWND wnd_ = nullptr;
  Language language_ = Language::Japanese;
  const DialogTexts* texts_ = &TextsFor(Language::Japanese);
  Surface image_;
  Surface texture_, title_, opt_on_, opt_off_;
  ScopedFont font_, url_font_;
  std::vector<std::wstring> labels_;  // what DrawStatic drew, for tests
};

}  // namespace zarnik::dialog
