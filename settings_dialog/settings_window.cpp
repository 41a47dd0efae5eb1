#include "settings_dialog/settings_window.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cmath>
#include <memory>
#include <vector>

#include "button/command_button.h"
#include "button/window_helpers.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"
#include "startup/gdi.h"
#include "startup/newer_api.h"
#include "startup/number_text.h"
#include "startup/paths.h"
#include "startup/picture_file.h"
#include "startup/resource_ids.h"
#include "startup/settings.h"
#include "startup/shared_state.h"
#include "startup/surface.h"
#include "startup/window_thunk.h"

namespace zarnik {

using namespace dialog;

namespace {

constexpr int kIdScroll = 10;
constexpr int kIdRepeat = 11;
constexpr int kIdCmdSet = 20, kIdCmdCan = 21, kIdCmdPic = 22, kIdCmdBgm = 23;
constexpr COLORREF kWindowColour = RGB(255, 255, 255);

int TwipsPerPixel() {
  ScopedGetDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  return 1440 / (dpi > 0 ? dpi : 96);
}

// A bag of the dialog's design: the lines after "[name]" up to the next header.
PropertyBag DesignBag(HINSTANCE instance, const wchar_t* name) {
  HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(IDR_DIALOG_BUTTONS), MAKEINTRESOURCEW(10));
  HGLOBAL res = info ? LoadResource(instance, info) : nullptr;
  const char* data = res ? static_cast<const char*>(LockResource(res)) : nullptr;
  if (!data) return {};
  const int size = static_cast<int>(SizeofResource(instance, info));
  std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, data, size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, data, size, text.data(), static_cast<int>(text.size()));
  const std::wstring header = L"[" + std::wstring(name) + L"]";
  size_t start = text.find(header);
  if (start == std::wstring::npos) return {};
  start += header.size();
  size_t end = text.find(L"\n[", start);
  return PropertyBag::Parse(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
}

// The stored extent (0.01 mm) in pixels.
int ExtentPixels(const PropertyBag& bag, const wchar_t* key, int fallback) {
  auto value = StrictNumber(bag.Read(key, L""));
  if (!value) return fallback;
  return static_cast<int>(std::lround(*value / 2540.0 * 1440.0 / TwipsPerPixel()));
}

class SettingsWindow {
 public:
  SettingsWindow(HINSTANCE instance, std::wstring settings_file)
      : instance_(instance), settings_file_(std::move(settings_file)) {}
  friend LRESULT CALLBACK WindowThunk<SettingsWindow>(HWND, UINT, WPARAM, LPARAM);
  bool Create();
  HWND wnd() const { return wnd_; }
  void View(DialogView* view) const;

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void FormLoad();
  void FormResize();
  void TilePanel(const RECT& panel, const RECT* only = nullptr);
  void DrawStatic();
  void DrawMarks();
  void DrawNames();
  void ShowThumbnail();
  void ClearThumbnail();
  void SetMark(int* mark, int chosen) { *mark = chosen; }
  void SelMouseDown(int index, bool from_label);
  void BgmClick(int index);
  void CmdPicClick();
  void CmdBgmClick();
  void CmdSetClick();
  void CmdCanClick();
  void UrlClick();
  void OnScroll(WPARAM wp);
  void Repaint(const RECT& r) { InvalidateRect(wnd_, &r, FALSE); }
  bool ChooseFile(const wchar_t* filter, const std::wstring& folder, std::wstring* chosen);
  void DrawText(const std::wstring& text, const RECT& r, COLORREF colour, UINT format, HFONT font);
  int Hit(POINT pt, const RECT* rects, int count, const RECT& panel) const;

  HINSTANCE instance_;
  std::wstring settings_file_;
  HWND wnd_ = nullptr;
  HWND scroll_ = nullptr;
  HWND repeat_ = nullptr;
  CommandButton* cmd_set_ = nullptr;
  CommandButton* cmd_can_ = nullptr;
  CommandButton* cmd_pic_ = nullptr;
  CommandButton* cmd_bgm_ = nullptr;
  Surface background_;   // the window's persistent image: gradient, panels, labels
  Surface display_;      // Display: the thumbnail
  Surface dummy_;        // Pic_Dummy: the picture at its own size
  Surface texture_, title_, opt_on_, opt_off_;
  ScopedFont font_, url_font_;
  HCURSOR hand_ = nullptr;
  int sel_mark_[2] = {-1, -1};
  int bgm_mark_[3] = {-1, -1, -1};
  std::wstring picture_name_, music_name_, degree_text_;
  bool closing_ = false;
};

bool LoadBitmapSurface(HINSTANCE instance, int id, Surface& out) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  bool ok = out.Resize(info.bmWidth, info.bmHeight);
  if (ok) {
    MemoryDC source(out.dc());
    ScopedSelectObject select(source, bitmap);
    BitBlt(out.dc(), 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    GdiFlush();
  }
  DeleteObject(bitmap);
  return ok;
}

bool SettingsWindow::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowThunk<SettingsWindow>;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_ZARNIK));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kDialogClass;
  RegisterClassExW(&wc);
  CommandButton::Register(instance_);

  // The layout is in fixed pixels: let the system scale the whole window on scaled displays.
  // A system without per-thread contexts keeps the scaling it gives the process.
  ScopedThreadDpiContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
  wnd_ = CreateWindowExW(0, kDialogClass, L"<Quorvel>", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                         CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, this);
  if (wnd_) FormLoad();
  return wnd_ != nullptr;
}

void SettingsWindow::FormLoad() {
  const int tpp = TwipsPerPixel();
  // 1-2. Size and place: centred across, a third of the free height from the top (twips).
  const int width = kOuterWidthTwips / tpp, height = kOuterHeightTwips / tpp;
  const long long screen_w = static_cast<long long>(GetSystemMetrics(SM_CXSCREEN)) * tpp;
  const long long screen_h = static_cast<long long>(GetSystemMetrics(SM_CYSCREEN)) * tpp;
  const long long left = (screen_w - kOuterWidthTwips) / 2, top = (screen_h - kOuterHeightTwips) / 3;
  SetWindowPos(wnd_, nullptr, static_cast<int>(left / tpp), static_cast<int>(top / tpp), width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  font_.reset(CreateFontW(-13 * 15 / tpp, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック"));
  url_font_.reset(CreateFontW(-13 * 15 / tpp, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック"));
  LoadBitmapSurface(instance_, IDB_DIALOG_TEXTURE, texture_);
  LoadBitmapSurface(instance_, IDB_DIALOG_TITLE, title_);
  LoadBitmapSurface(instance_, IDB_DIALOG_OPT_ON, opt_on_);
  LoadBitmapSurface(instance_, IDB_DIALOG_OPT_OFF, opt_off_);
  hand_ = static_cast<HCURSOR>(LoadImageW(instance_, MAKEINTRESOURCEW(IDC_DIALOG_HAND), IMAGE_CURSOR, 32, 32, 0));
  display_.SetBackground(kWindowColour);
  display_.Resize(80, 80);
  dummy_.SetBackground(kWindowColour);
  dummy_.Resize(57, 53);

  // The controls of the design.
  auto button = [&](const wchar_t* name, int id, const RECT& at) {
    PropertyBag bag = DesignBag(instance_, name);
    const int w = ExtentPixels(bag, L"_extentx", at.right - at.left);
    const int h = ExtentPixels(bag, L"_extenty", at.bottom - at.top);
    return CommandButton::Create(wnd_, id, at.left, at.top, w, h, bag);
  };
  cmd_pic_ = button(L"Cmd_Pic", kIdCmdPic, In(kPanelPicture, kCmdPic));
  cmd_bgm_ = button(L"Cmd_BGM", kIdCmdBgm, In(kPanelMusic, kCmdBgm));
  cmd_can_ = button(L"Cmd_Can", kIdCmdCan, kCmdCan);
  cmd_set_ = button(L"Cmd_Set", kIdCmdSet, kCmdSet);
  if (cmd_pic_) cmd_pic_->SetClick([this] { CmdPicClick(); });
  if (cmd_bgm_) cmd_bgm_->SetClick([this] { CmdBgmClick(); });
  if (cmd_can_) cmd_can_->SetClick([this] { CmdCanClick(); });
  if (cmd_set_) cmd_set_->SetClick([this] { CmdSetClick(); });
  const RECT s = In(kPanelDegree, kScroll);
  scroll_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, s.left, s.top, s.right - s.left,
                            s.bottom - s.top, wnd_, reinterpret_cast<HMENU>(kIdScroll), instance_, nullptr);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  si.nMin = 1;
  si.nMax = 10;
  si.nPos = 1;
  SetScrollInfo(scroll_, SB_CTL, &si, TRUE);
  const RECT c = In(kPanelMusic, kRepeat);
  repeat_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | WS_TABSTOP,
                            c.left, c.top, c.right - c.left, 200, wnd_, reinterpret_cast<HMENU>(kIdRepeat), instance_,
                            nullptr);
  SendMessageW(scroll_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageW(repeat_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  // 3-4.
  SetButtons(wnd_, true, true);
  FormResize();
  // 5-9.
  if (Zarnik_B::PictureSource == 0 || Zarnik_B::PictureSource == 1) {
    sel_mark_[Zarnik_B::PictureSource] = 1;
    sel_mark_[Zarnik_B::PictureSource ^ 1] = 0;
  }
  picture_name_ = Zarnik_B::PictureFile;
  if (Zarnik_B::DegradeLevel >= 1 && Zarnik_B::DegradeLevel <= 10)
    SetScrollPos(scroll_, SB_CTL, Zarnik_B::DegradeLevel, TRUE);
  degree_text_ = std::to_wstring(Zarnik_B::DegradeLevel);
  if (Zarnik_B::PictureSource == 1) {
    if (cmd_pic_) cmd_pic_->SetEnabled(-1);
    ShowThumbnail();
    Zarnik_B::PictureFolder = FolderOf(Zarnik_B::PictureFile);
  } else {
    if (cmd_pic_) cmd_pic_->SetEnabled(0);
    Zarnik_B::PictureFolder = ProgramFolder();
  }
  // 11-17.
  for (int& m : bgm_mark_) m = 0;
  if (cmd_bgm_) cmd_bgm_->SetEnabled(0);
  EnableWindow(repeat_, FALSE);
  if (Zarnik_BGM::MusicKind >= 0 && Zarnik_BGM::MusicKind <= 2) bgm_mark_[Zarnik_BGM::MusicKind] = 1;
  if (Zarnik_BGM::MusicKind == 1) EnableWindow(repeat_, TRUE);
  if (Zarnik_BGM::MusicKind == 2 && cmd_bgm_) cmd_bgm_->SetEnabled(-1);
  SetWindowTextW(repeat_, Zarnik_BGM::MusicRepeat == 0 ? L"" : std::to_wstring(Zarnik_BGM::MusicRepeat).c_str());
  music_name_ = Zarnik_BGM::MusicFile;
  SendMessageW(repeat_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  for (int i = 1; i <= 20; ++i) SendMessageW(repeat_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(i).c_str()));
  // 18-19.
  POINT pt{};
  Zarnik_B::LastResult = GetCursorPos(&pt);
  if (Zarnik_B::LastResult) {
    if (pt.x >= -32768 && pt.x <= 32767) Zarnik_B::CursorX = static_cast<int16_t>(pt.x);
    if (pt.y >= -32768 && pt.y <= 32767) Zarnik_B::CursorY = static_cast<int16_t>(pt.y);
  } else {
    Zarnik_B::CursorX = Zarnik_B::CursorY = 0;
  }
  DrawStatic();
  ZoomOpen(wnd_);
}

void SettingsWindow::FormResize() {
  RECT client{};
  GetClientRect(wnd_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  background_.Resize(client.right, client.bottom);
  const double h = client.bottom, w = client.right, k = h / 3.142;
  const int last = static_cast<int>(RoundHalfEven(h));
  for (int y = 0; y <= last; ++y) {
    const int c = static_cast<int>(RoundHalfEven(std::fabs(220.0 * std::sin(y / k))));
    ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(c + 30, c, c + 30)));
    ScopedSelectObject select(background_.dc(), pen.get());
    MoveToEx(background_.dc(), 0, y, nullptr);
    LineTo(background_.dc(), static_cast<int>(w), y);
  }
  TilePanel(kPanelDegree);
  TilePanel(kPanelMusic);
  TilePanel(kPanelPicture);
}

void SettingsWindow::TilePanel(const RECT& panel, const RECT* only) {
  if (texture_.empty()) return;
  const int pw = panel.right - panel.left, ph = panel.bottom - panel.top;
  RECT area = panel;
  if (only) IntersectRect(&area, &panel, only);
  HRGN clip = CreateRectRgnIndirect(&area);
  SelectClipRgn(background_.dc(), clip);
  int x = 0, y = 0;
  for (;;) {
    BitBlt(background_.dc(), panel.left + x, panel.top + y, texture_.width(), texture_.height(), texture_.dc(), 0, 0,
           SRCCOPY);
    if (y > ph) {
      if (x > pw) break;
      x += texture_.width();
      y = 0;
    } else {
      y += texture_.height();
    }
  }
  SelectClipRgn(background_.dc(), nullptr);
  DeleteObject(clip);
}

void SettingsWindow::DrawText(const std::wstring& text, const RECT& r, COLORREF colour, UINT format, HFONT font) {
  RECT box = r;
  ScopedSelectObject select(background_.dc(), font);
  SetBkMode(background_.dc(), TRANSPARENT);
  SetTextColor(background_.dc(), colour);
  // Single-line labels may run past their box, as labels that size themselves do.
  if (format & DT_SINGLELINE) format |= DT_NOCLIP;
  ::DrawTextW(background_.dc(), text.c_str(), static_cast<int>(text.size()), &box, format | DT_NOPREFIX);
}

void SettingsWindow::DrawStatic() {
  struct Title { const RECT& panel; const wchar_t* text; };
  for (const Title& t : {Title{kPanelPicture, L"画像の選択"}, Title{kPanelDegree, L"劣化度"}, Title{kPanelMusic, L"BGM"}}) {
    const RECT plate = In(t.panel, kTitlePlate);
    if (!title_.empty()) BitBlt(background_.dc(), plate.left, plate.top, 95, 22, title_.dc(), 0, 0, SRCCOPY);
    DrawText(t.text, In(t.panel, kTitleText), RGB(0, 0, 0), DT_CENTER | DT_SINGLELINE, font_.get());
  }
  DrawText(L"ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ", In(kPanelPicture, kSelLabel[0]), 0, DT_SINGLELINE, font_.get());
  DrawText(L"画像ﾌｧｲﾙを指定", In(kPanelPicture, kSelLabel[1]), 0, DT_SINGLELINE, font_.get());
  DrawText(L"小", In(kPanelDegree, kSmall), 0, DT_SINGLELINE, font_.get());
  DrawText(L"大", In(kPanelDegree, kLarge), 0, DT_SINGLELINE, font_.get());
  DrawText(L"無し", In(kPanelMusic, kBgmLabel[0]), 0, DT_SINGLELINE, font_.get());
  DrawText(L"音楽CD", In(kPanelMusic, kBgmLabel[1]), 0, DT_SINGLELINE, font_.get());
  DrawText(L"MP3、WAV", In(kPanelMusic, kBgmLabel[2]), 0, DT_SINGLELINE, font_.get());
  DrawText(L"曲目をﾘﾋﾟｰﾄ", In(kPanelMusic, kRepeatLabel), 0, DT_SINGLELINE, font_.get());
  DrawText(kCreditText, kCredit, RGB(255, 255, 255), DT_SINGLELINE, font_.get());
  DrawText(kUrlText, kUrl, RGB(255, 255, 255), DT_SINGLELINE, url_font_.get());
  DrawMarks();
  DrawNames();
}

void SettingsWindow::DrawMarks() {
  auto draw = [&](const RECT& at, int mark) {
    // An empty mark shows the panel behind it.
    if (mark < 0) return;
    const Surface& picture = mark ? opt_on_ : opt_off_;
    if (!picture.empty()) BitBlt(background_.dc(), at.left, at.top, 12, 12, picture.dc(), 0, 0, SRCCOPY);
    Repaint(at);
  };
  for (int i = 0; i < 2; ++i) draw(In(kPanelPicture, kSelMark[i]), sel_mark_[i]);
  for (int i = 0; i < 3; ++i) draw(In(kPanelMusic, kBgmMark[i]), bgm_mark_[i]);
  GdiFlush();
}

void SettingsWindow::DrawNames() {
  auto name = [&](const RECT& at, const std::wstring& text) {
    ScopedBrush white(CreateSolidBrush(kWindowColour));
    FillRect(background_.dc(), &at, white.get());
    FrameRect(background_.dc(), &at, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT inner{at.left + 2, at.top + 2, at.right - 2, at.bottom - 1};
    DrawText(text, inner, 0, DT_WORDBREAK | DT_EDITCONTROL, font_.get());
    Repaint(at);
  };
  name(In(kPanelPicture, kPictureName), picture_name_);
  name(In(kPanelMusic, kMusicName), music_name_);
  // lbl_Fast on the texture: the panel strip behind it first.
  const RECT degree = In(kPanelDegree, kDegreeText);
  TilePanel(kPanelDegree, &degree);
  DrawText(degree_text_, degree, 0, DT_CENTER | DT_SINGLELINE, font_.get());
  Repaint(degree);
  GdiFlush();
}

void SettingsWindow::ClearThumbnail() {
  display_.Resize(80, 80);
  display_.Clear();
  Repaint(In(kPanelPicture, kDisplay));
}

void SettingsWindow::ShowThumbnail() {
  const std::wstring file = picture_name_;
  if (file.empty() || !FileExists(file)) {
    ClearThumbnail();
    return;
  }
  Surface loaded;
  if (LoadPictureFile(file, loaded)) dummy_.Assign(loaded);  // a failed load keeps the last one
  const double W = dummy_.width(), H = dummy_.height();
  double w, h;
  if (W > H) {
    w = 80;
    h = H * 80 / W;
  } else {
    h = 80;
    w = W * 80 / H;
  }
  const int iw = static_cast<int>(RoundHalfEven(w)), ih = static_cast<int>(RoundHalfEven(h));
  display_.Resize(iw, ih);
  SetStretchBltMode(display_.dc(), COLORONCOLOR);
  Zarnik_B::LastResult = StretchBlt(display_.dc(), 0, 0, iw, ih, dummy_.dc(), 0, 0, static_cast<int>(RoundHalfEven(W)),
                                    static_cast<int>(RoundHalfEven(H)), SRCCOPY);
  GdiFlush();
  Repaint(In(kPanelPicture, kDisplay));
}

void SettingsWindow::SelMouseDown(int index, bool from_label) {
  Zarnik_B::PictureSource = static_cast<int16_t>(index);
  sel_mark_[index] = 1;
  sel_mark_[index ^ 1] = 0;
  if (index == 1) {
    if (cmd_pic_) cmd_pic_->SetEnabled(-1);
  } else {
    if (cmd_pic_) cmd_pic_->SetEnabled(0);
    if (from_label) {
      picture_name_.clear();
      ClearThumbnail();
    }
  }
  DrawMarks();
  DrawNames();
}

void SettingsWindow::BgmClick(int index) {
  if (cmd_bgm_) cmd_bgm_->SetEnabled(0);
  EnableWindow(repeat_, FALSE);
  for (int& m : bgm_mark_) m = 0;
  bgm_mark_[index] = 1;
  if (index == 1) EnableWindow(repeat_, TRUE);
  if (index == 2 && cmd_bgm_) cmd_bgm_->SetEnabled(-1);
  Zarnik_BGM::MusicKind = static_cast<int16_t>(index);
  DrawMarks();
}

bool SettingsWindow::ChooseFile(const wchar_t* filter, const std::wstring& folder, std::wstring* chosen) {
  wchar_t file[256] = {};
  wchar_t title[256] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = wnd_;
  ofn.hInstance = instance_;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = 255;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = 255;
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = L"ﾌｧｲﾙを開く";
  Zarnik_B::LastResult = GetOpenFileNameW(&ofn);
  if (Zarnik_B::LastResult <= 0) return false;
  *chosen = file;
  return true;
}

void SettingsWindow::CmdPicClick() {
  std::wstring chosen;
  if (!ChooseFile(L"画像ﾌｧｲﾙ (BMP JPG)\0*.BMP;*.JPG\0\0", Zarnik_B::PictureFolder, &chosen)) return;
  Zarnik_B::PictureFile = chosen;
  picture_name_ = chosen;
  Zarnik_B::PictureFolder = FolderOf(picture_name_);
  ShowThumbnail();
  DrawNames();
}

void SettingsWindow::CmdBgmClick() {
  std::wstring chosen;
  if (!ChooseFile(L"BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0\0", Zarnik_BGM::MusicFolder, &chosen)) return;
  Zarnik_BGM::MusicFile = chosen;
  music_name_ = chosen;
  Zarnik_BGM::MusicFolder = FolderOf(chosen);
  DrawNames();
}

void SettingsWindow::CmdSetClick() {
  const int degree = GetScrollPos(scroll_, SB_CTL);
  WriteIni(kSection, kKeyPicture, NumberText(Zarnik_B::PictureSource), settings_file_);
  WriteIni(kSection, kKeyPictureFile, Zarnik_B::PictureFile, settings_file_);
  WriteIni(kSection, kKeyDegree, NumberText(degree), settings_file_);
  WriteIni(kSection, kKeyMusicKind, NumberText(Zarnik_BGM::MusicKind), settings_file_);
  wchar_t text[256] = {};
  GetWindowTextW(repeat_, text, 256);
  if (StrictNumber(text)) {
    if (auto value = Rounded16(text)) Zarnik_BGM::MusicRepeat = *value;  // out of range: kept
  } else {
    Zarnik_BGM::MusicRepeat = 0;
  }
  WriteIni(kSection, kKeyMusicRepeat, NumberText(Zarnik_BGM::MusicRepeat), settings_file_);
  WriteIni(kSection, kKeyMusicFile, Zarnik_BGM::MusicFile, settings_file_);
  DestroyWindow(wnd_);
}

void SettingsWindow::CmdCanClick() { DestroyWindow(wnd_); }

void SettingsWindow::UrlClick() {
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ShellExecuteW(wnd_, L"open", kUrlText, L"", L"", SW_SHOWNORMAL);
  SetCursor(old ? old : LoadCursorW(nullptr, IDC_ARROW));
}

void SettingsWindow::OnScroll(WPARAM wp) {
  int pos = GetScrollPos(scroll_, SB_CTL);
  switch (LOWORD(wp)) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      --pos;
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      ++pos;
      break;
    case SB_LEFT:
      pos = 1;
      break;
    case SB_RIGHT:
      pos = 10;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = HIWORD(wp);
      break;
    default:
      return;
  }
  pos = pos < 1 ? 1 : pos > 10 ? 10 : pos;
  SetScrollPos(scroll_, SB_CTL, pos, TRUE);
  degree_text_ = std::to_wstring(pos);
  DrawNames();
}

int SettingsWindow::Hit(POINT pt, const RECT* rects, int count, const RECT& panel) const {
  for (int i = 0; i < count; ++i) {
    const RECT r = In(panel, rects[i]);
    if (PtInRect(&r, pt)) return i;
  }
  return -1;
}

void SettingsWindow::View(DialogView* view) const {
  view->picture_name = picture_name_;
  view->music_name = music_name_;
  view->degree_text = degree_text_;
  view->degree = GetScrollPos(scroll_, SB_CTL);
  view->thumbnail = SIZE{display_.width(), display_.height()};
  for (int i = 0; i < 2; ++i) view->sel_mark[i] = sel_mark_[i];
  for (int i = 0; i < 3; ++i) view->bgm_mark[i] = bgm_mark_[i];
}

LRESULT SettingsWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
      ScopedPaint paint(wnd_);
      if (!paint.get()) return 0;
      background_.PaintTo(paint.get(), 0, 0);
      const RECT d = In(kPanelPicture, kDisplay);
      display_.PaintTo(paint.get(), d.left, d.top);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (int i = Hit(pt, kSelLabel, 2, kPanelPicture); i >= 0) SelMouseDown(i, true);
      else if (int j = Hit(pt, kSelMark, 2, kPanelPicture); j >= 0) SelMouseDown(j, false);
      return 0;
    }
    case WM_LBUTTONUP: {
      // A click of the main button: pressed and released over the same option.
      const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (int i = Hit(pt, kBgmLabel, 3, kPanelMusic); i >= 0) BgmClick(i);
      else if (int j = Hit(pt, kBgmMark, 3, kPanelMusic); j >= 0) BgmClick(j);
      else if (PtInRect(&kUrl, pt)) UrlClick();
      return 0;
    }
    case WM_SETCURSOR: {
      POINT pt{};
      GetCursorPos(&pt);
      ScreenToClient(wnd_, &pt);
      if (reinterpret_cast<HWND>(wp) == wnd_ && LOWORD(lp) == HTCLIENT && PtInRect(&kUrl, pt) && hand_) {
        SetCursor(hand_);
        return TRUE;
      }
      break;
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lp) == scroll_) OnScroll(wp);
      return 0;
    case WM_CTLCOLORSCROLLBAR:
      break;
    case WM_CLOSE:
      DestroyWindow(wnd_);
      return 0;
    case WM_DESTROY:
      if (!closing_) {
        closing_ = true;
        ZoomClose(wnd_);
      }
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}


}  // namespace

HWND CreateSettingsWindow(HINSTANCE instance, const std::wstring& settings_file) {
  auto* window = new (std::nothrow) SettingsWindow(instance, settings_file);
  if (!window) return nullptr;
  if (!window->Create()) {
    delete window;
    return nullptr;
  }
  HWND wnd = window->wnd();
  ShowWindow(wnd, SW_SHOWNORMAL);
  UpdateWindow(wnd);
  return wnd;
}

bool ViewSettingsWindow(HWND wnd, DialogView* view) {
  wchar_t name[32] = {};
  if (!view || !GetClassNameW(wnd, name, 32) || std::wstring(name) != kDialogClass) return false;
  auto* self = reinterpret_cast<SettingsWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (!self) return false;
  self->View(view);
  return true;
}

void ShowSettingsDialog(HINSTANCE instance) {
  HWND wnd = CreateSettingsWindow(instance, SettingsFile());
  if (!wnd) return;
  MSG msg;
  while (IsWindow(wnd) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace zarnik
