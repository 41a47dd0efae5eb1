// The dialog's picture box (Display): the chosen picture shrunk to fit 80 pixels, on the
// system's window colour so that it follows a high-contrast theme. It keeps the last picture
// that loaded (Dummy), as a failed load leaves it.
#pragma once

#include <windows.h>

#include <string>

#include "platform/surface.h"

namespace zarnik::dialog {

class Thumbnail {
 public:
  Thumbnail();
  // The picture file shrunk into the box; an empty box for no file or a file that is gone. A
  // file that is there but does not load shows the last picture that did.
  void Show(const std::wstring& file);
  void Clear();
  // The theme's window colour as the box's; an empty box shows it at once.
  void TakeWindowColour();

  bool shown() const { return shown_; }
  SIZE size() const { return SIZE{box_.width(), box_.height()}; }
  void PaintTo(HDC dc, int x, int y) const { box_.PaintTo(dc, x, y); }

 private:
  Surface box_;   // Display
  Surface last_;  // Dummy: the picture at its own size
  bool shown_ = false;
};

}  // namespace zarnik::dialog
