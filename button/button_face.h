// What a Command button shows: one of six stored pictures as a stretchable frame over a
// vertical gradient, and the caption on top, drawn into the button's surface. The button
// decides which look; this draws it.
#pragma once

#include <windows.h>

#include <string>

#include "button/button_logic.h"
#include "platform/surface.h"

namespace zarnik {

class ButtonFace {
 public:
  // The stored pictures, one for each look.
  enum Picture { kNormal, kHighLight, kPressed, kSelected, kHighLightSelect, kDisable, kNone };
  static constexpr int kPictureCount = kNone;

  struct Look {
    Picture picture = kNormal;
    bool inverted = false;  // the tint at the top, white at the bottom
    bool opaque = true;     // false: only the caption is drawn
    const std::wstring* caption = nullptr;
    const FontSpec* font = nullptr;
    COLORREF colour = 0;
    bool enabled = true;  // false: the caption is greyed
  };

  // The pictures from the module's resources, loaded once with the button.
  explicit ButtonFace(HINSTANCE instance);

  // The look onto the surface at this size (resized first when it differs); false when the
  // size is empty or the surface cannot take it.
  bool Draw(Surface& surface, int width, int height, const Look& look) const;

 private:
  void DrawFrame(Surface& surface, Picture picture) const;
  static void DrawGradient(Surface& surface, bool inverted);
  static void DrawCaption(Surface& surface, const Look& look);

  Surface pictures_[kPictureCount];
};

}  // namespace zarnik
