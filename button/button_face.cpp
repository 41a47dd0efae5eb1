#include "button/button_face.h"

#include "button/resource_ids.h"
#include "platform/gdi.h"
#include "platform/picture_file.h"
#include "platform/screen_scale.h"

namespace zarnik {

namespace {

constexpr int kCornerTwips = 60;
constexpr int kCaptionTopTwips = 195;  // the caption label's design height
constexpr COLORREF kBackground = RGB(0xF2, 0xEE, 0xDF);
constexpr wchar_t kWhite[] = L"&HFFFFFF";
constexpr wchar_t kTint[] = L"&HC6C5D7";

const int kPictureIds[] = {IDB_BUTTON_NORMAL,   IDB_BUTTON_HIGHLIGHT,       IDB_BUTTON_PRESSED,
                           IDB_BUTTON_SELECTED, IDB_BUTTON_HIGHLIGHTSELECT, IDB_BUTTON_DISABLE};

}  // namespace

ButtonFace::ButtonFace(HINSTANCE instance) {
  for (int i = 0; i < kPictureCount; ++i) LoadBitmapResource(instance, kPictureIds[i], pictures_[i]);
}

bool ButtonFace::Draw(Surface& surface, int width, int height, const Look& look) const {
  if (width <= 0 || height <= 0) return false;
  if (surface.width() != width || surface.height() != height) {
    surface.SetBackground(kBackground);
    if (!surface.Resize(width, height)) return false;
  }
  surface.Clear();
  if (look.opaque) {
    DrawGradient(surface, look.inverted);
    DrawFrame(surface, look.picture);
  }
  DrawCaption(surface, look);
  GdiFlush();
  return true;
}

// The picture's outer band stretched round the button: corners kept, edges stretched.
void ButtonFace::DrawFrame(Surface& surface, Picture picture) const {
  if (picture < 0 || picture >= kPictureCount) return;
  const Surface& source = pictures_[picture];
  if (source.empty()) return;
  const int w = surface.width(), h = surface.height();
  // The eight segments of the picture's outer band, in twips at the screen's factor; the
  // 1-twip offsets fall inside the first pixel.
  const ScreenScale scale = ScreenScaleNow();
  const int c = scale.TwipsToPixels(kCornerTwips);
  const int pw = scale.TwipsToPixels(960), ph = scale.TwipsToPixels(375);  // 64 x 25 pixels at 96 dots per inch
  const int ew = pw - 2 * c, eh = ph - 2 * c;
  const int dw = w - 2 * c, dh = h - 2 * c;
  SetStretchBltMode(surface.dc(), COLORONCOLOR);
  struct Segment { int sx, sy, sw, sh, dx, dy, dw, dh; };
  const Segment segments[] = {
      {0, 0, c, c, 0, 0, c, c},                    // top-left corner
      {c, 0, ew, c, c, 0, dw, c},                  // top edge
      {pw - c, 0, c, c, w - c, 0, c, c},           // top-right corner
      {pw - c, c, c, eh, w - c, c, c, dh},         // right edge
      {pw - c, ph - c, c, c, w - c, h - c, c, c},  // bottom-right corner
      {c, ph - c, ew, c, c, h - c, dw, c},         // bottom edge
      {0, ph - c, c, c, 0, h - c, c, c},           // bottom-left corner
      {0, c, c, eh, 0, c, c, dh},                  // left edge
  };
  for (const Segment& s : segments) {
    if (s.dw <= 0 || s.dh <= 0) continue;
    StretchBlt(surface.dc(), s.dx, s.dy, s.dw, s.dh, source.dc(), s.sx, s.sy, s.sw, s.sh, SRCCOPY);
  }
}

void ButtonFace::DrawGradient(Surface& surface, bool inverted) {
  const auto white = ColourChannels(kWhite);
  const auto tint = ColourChannels(kTint);
  const auto& top = inverted ? tint : white;
  const auto& bottom = inverted ? white : tint;
  TRIVERTEX vertices[2] = {};
  vertices[0].x = 0;
  vertices[0].y = 0;
  vertices[0].Red = top[0];
  vertices[0].Green = top[1];
  vertices[0].Blue = top[2];
  vertices[1].x = surface.width() - 1;
  vertices[1].y = surface.height() - 1;
  vertices[1].Red = bottom[0];
  vertices[1].Green = bottom[1];
  vertices[1].Blue = bottom[2];
  GRADIENT_RECT rect{0, 1};
  GradientFill(surface.dc(), vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

void ButtonFace::DrawCaption(Surface& surface, const Look& look) {
  if (!look.caption || !look.font) return;
  const FontSpec& font_desc = *look.font;
  const ScreenScale scale = ScreenScaleNow();
  const double h_twips = scale.PixelsToTwips(surface.height());
  const int top = scale.TwipsToPixels((h_twips - kCaptionTopTwips - 20) / 2);
  RECT box{0, top, surface.width(), top + scale.TwipsToPixels(kCaptionTopTwips)};
  ScopedFont font(CreateFontW(scale.FontHeight(font_desc.points), 0, 0, 0, font_desc.weight, font_desc.italic,
                              font_desc.underline, font_desc.strike, static_cast<BYTE>(font_desc.charset),
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                              font_desc.face.c_str()));
  ScopedSelectObject select(surface.dc(), font.get());
  SetBkMode(surface.dc(), TRANSPARENT);
  SetTextColor(surface.dc(), look.enabled ? look.colour : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(surface.dc(), look.caption->c_str(), static_cast<int>(look.caption->size()), &box,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

}  // namespace zarnik
