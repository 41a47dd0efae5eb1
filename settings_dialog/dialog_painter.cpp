#include "settings_dialog/dialog_painter.h"

#include "platform/picture_file.h"
#include "platform/screen_scale.h"
#include "settings/number_text.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"

namespace zarnik::dialog {

namespace {

constexpr COLORREF kNameBoxColour = RGB(255, 255, 255);

ScopedFont DialogFont(int height, bool underline) {
  return ScopedFont(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, SHIFTJIS_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                L"ＭＳ Ｐゴシック"));
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Whether a face is installed: asked by name, as a font request would silently take another.
bool FaceInstalled(const wchar_t* face) {
  ScopedGetDC screen(nullptr);
  if (!screen) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(screen, &query, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

LOGFONTW SystemDialogFont() {
  LOGFONTW font{};
  if (FaceInstalled(L"Segoe UI")) {
    font.lfHeight = ScreenScaleNow().FontHeight(9);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return font;
  }
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return metrics.lfMessageFont;
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  return font;
}

void DialogPainter::Load(HINSTANCE instance, HWND wnd, int font_height, Language language) {
  wnd_ = wnd;
  language_ = language;
  texts_ = &TextsFor(language);
  if (language == Language::Japanese) {
    font_ = DialogFont(font_height, false);
    url_font_ = DialogFont(font_height, true);
  } else {
    LOGFONTW font = SystemDialogFont();
    font_ = ScopedFont(CreateFontIndirectW(&font));
    font.lfUnderline = TRUE;
    url_font_ = ScopedFont(CreateFontIndirectW(&font));
  }
  LoadBitmapResource(instance, IDB_DIALOG_TEXTURE, texture_);
  LoadBitmapResource(instance, IDB_DIALOG_TITLE, title_);
  LoadBitmapResource(instance, IDB_DIALOG_OPT_ON, opt_on_);
  LoadBitmapResource(instance, IDB_DIALOG_OPT_OFF, opt_off_);
}

void DialogPainter::PaintBackground(int width, int height) {
  if (width <= 0 || height <= 0) return;
  image_.Resize(width, height);
  const double h = height;
  const int last = static_cast<int>(RoundHalfEven(h));
  for (int y = 0; y <= last; ++y) {
    const int c = GradientLevel(y, h);
    ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(c + 30, c, c + 30)));
    ScopedSelectObject select(image_.dc(), pen.get());
    MoveToEx(image_.dc(), 0, y, nullptr);
    LineTo(image_.dc(), width, y);
  }
  TilePanel(kPanelDegree);
  TilePanel(kPanelMusic);
  TilePanel(kPanelPicture);
}

void DialogPainter::TilePanel(const RECT& panel, const RECT* only) {
  if (texture_.empty()) return;
  const int pw = panel.right - panel.left, ph = panel.bottom - panel.top;
  RECT area = panel;
  if (only) IntersectRect(&area, &panel, only);
  ScopedClip clip(image_.dc(), area);
  int x = 0, y = 0;
  for (;;) {
    BitBlt(image_.dc(), panel.left + x, panel.top + y, texture_.width(), texture_.height(), texture_.dc(), 0, 0,
           SRCCOPY);
    if (y > ph) {
      if (x > pw) break;
      x += texture_.width();
      y = 0;
    } else {
      y += texture_.height();
    }
  }
}

void DialogPainter::DrawLabel(const std::wstring& text, const RECT& r, COLORREF colour, UINT format, HFONT font,
                              bool access_key) {
  RECT box = r;
  ScopedSelectObject select(image_.dc(), font);
  SetBkMode(image_.dc(), TRANSPARENT);
  SetTextColor(image_.dc(), colour);
  // Single-line labels may run past their box, as labels that size themselves do.
  if (format & DT_SINGLELINE) format |= DT_NOCLIP;
  // Only texts with an access key draw '&' as an underline; paths show it as it is.
  if (!access_key) format |= DT_NOPREFIX;
  DrawTextW(image_.dc(), text.c_str(), static_cast<int>(text.size()), &box, format);
}

void DialogPainter::DrawStatic() {
  const DialogTexts& t = *texts_;
  const bool keys = t.access_keys;
  labels_.clear();
  struct Title { const RECT& panel; const wchar_t* text; };
  for (const Title& title : {Title{kPanelPicture, t.picture_title}, Title{kPanelDegree, t.degree_title},
                             Title{kPanelMusic, t.music_title}}) {
    const RECT plate = In(title.panel, kTitlePlate);
    if (!title_.empty()) BitBlt(image_.dc(), plate.left, plate.top, 95, 22, title_.dc(), 0, 0, SRCCOPY);
    DrawLabel(title.text, In(title.panel, kTitleText), RGB(0, 0, 0), DT_CENTER | DT_SINGLELINE, font_.get(), keys);
    labels_.push_back(title.text);
  }
  const bool english = language_ == Language::English;
  struct Label { const RECT& panel; const RECT& at; const wchar_t* text; UINT align; };
  for (const Label& l : {Label{kPanelPicture, kSelLabel[0], t.desktop, DT_LEFT},
                         Label{kPanelPicture, kSelLabel[1], t.picture_file, DT_LEFT},
                         Label{kPanelDegree, english ? kSmallWide : kSmall, t.degree_small, english ? UINT{DT_RIGHT} : UINT{DT_LEFT}},
                         Label{kPanelDegree, kLarge, t.degree_large, DT_LEFT},
                         Label{kPanelMusic, english ? kBgmLabelWide[0] : kBgmLabel[0], t.music_none, DT_LEFT},
                         Label{kPanelMusic, english ? kBgmLabelWide[1] : kBgmLabel[1], t.music_cd, DT_LEFT},
                         Label{kPanelMusic, english ? kBgmLabelWide[2] : kBgmLabel[2], t.music_file, DT_LEFT},
                         Label{kPanelMusic, kRepeatLabel, t.repeat, DT_LEFT}}) {
    DrawLabel(l.text, In(l.panel, l.at), 0, DT_SINGLELINE | l.align, font_.get(), keys);
    labels_.push_back(l.text);
  }
  DrawLabel(kCreditText, kCredit, RGB(255, 255, 255), DT_SINGLELINE, font_.get());
  DrawLabel(kUrlText, kUrl, RGB(255, 255, 255), DT_SINGLELINE, url_font_.get());
}

void DialogPainter::DrawMarks(const PictureMarks& picture, const MusicMarks& music) {
  auto draw = [&](const RECT& at, int mark) {
    // An empty mark shows the panel behind it.
    if (mark < 0) return;
    const Surface& source = mark ? opt_on_ : opt_off_;
    if (!source.empty()) BitBlt(image_.dc(), at.left, at.top, 12, 12, source.dc(), 0, 0, SRCCOPY);
    Repaint(at);
  };
  for (int i = 0; i < 2; ++i) draw(In(kPanelPicture, kSelMark[i]), picture[i]);
  for (int i = 0; i < 3; ++i) draw(In(kPanelMusic, kBgmMark[i]), music[i]);
  GdiFlush();
}

void DialogPainter::DrawNames(const std::wstring& picture_name, const std::wstring& music_name,
                              const std::wstring& degree_text) {
  auto name = [&](const RECT& at, const std::wstring& text) {
    ScopedBrush white(CreateSolidBrush(kNameBoxColour));
    FillRect(image_.dc(), &at, white.get());
    FrameRect(image_.dc(), &at, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT inner{at.left + 2, at.top + 2, at.right - 2, at.bottom - 1};
    DrawLabel(text, inner, 0, DT_WORDBREAK | DT_EDITCONTROL, font_.get());
    Repaint(at);
  };
  name(In(kPanelPicture, kPictureName), picture_name);
  name(In(kPanelMusic, kMusicName), music_name);
  // The degree's text sits on the texture: the panel strip behind it first.
  const RECT degree = In(kPanelDegree, kDegreeText);
  TilePanel(kPanelDegree, &degree);
  DrawLabel(degree_text, degree, 0, DT_CENTER | DT_SINGLELINE, font_.get());
  Repaint(degree);
  GdiFlush();
}

}  // namespace zarnik::dialog
