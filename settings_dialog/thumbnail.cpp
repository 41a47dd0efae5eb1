#include "settings_dialog/thumbnail.h"

#include "platform/picture_file.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/dialog_rules.h"

namespace zarnik::dialog {

Thumbnail::Thumbnail() {
  TakeWindowColour();
  box_.Resize(kThumbnailSide, kThumbnailSide);
  last_.Resize(57, 53);
}

void Thumbnail::TakeWindowColour() {
  const COLORREF colour = GetSysColor(COLOR_WINDOW);
  box_.SetBackground(colour);
  last_.SetBackground(colour);
  if (!shown_) Clear();
}

void Thumbnail::Clear() {
  shown_ = false;
  box_.Resize(kThumbnailSide, kThumbnailSide);
  box_.Clear();
}

void Thumbnail::Show(const std::wstring& file) {
  if (file.empty() || !FileExists(file)) {
    Clear();
    return;
  }
  Surface loaded;
  if (LoadPictureFile(file, loaded)) last_.Assign(loaded);
  const PixelSize size = ThumbnailSize(last_.width(), last_.height());
  box_.Resize(size.width, size.height);
  SetStretchBltMode(box_.dc(), COLORONCOLOR);
  Zarnik_B::LastResult =
      StretchBlt(box_.dc(), 0, 0, size.width, size.height, last_.dc(), 0, 0, last_.width(), last_.height(), SRCCOPY);
  GdiFlush();
  shown_ = true;
}

}  // namespace zarnik::dialog
