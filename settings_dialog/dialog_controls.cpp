#include "settings_dialog/dialog_controls.h"

#include <commdlg.h>

#include <utility>

#include "platform/code_page.h"
#include "settings/number_text.h"
#include "settings/shared_state.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"

namespace zarnik::dialog {

namespace {

// A bag of the dialog's design: the lines after "[name]" up to the next header.
PropertyBag DesignBag(HINSTANCE instance, const wchar_t* name) {
  HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(IDR_DIALOG_BUTTONS), MAKEINTRESOURCEW(10));
  HGLOBAL res = info ? LoadResource(instance, info) : nullptr;
  const char* data = res ? static_cast<const char*>(LockResource(res)) : nullptr;
  if (!data) return {};
  const size_t size = SizeofResource(instance, info);
  const std::wstring text = FromCodePage(CP_UTF8, std::string_view(data, size));
  const std::wstring header = L"[" + std::wstring(name) + L"]";
  size_t start = text.find(header);
  if (start == std::wstring::npos) return {};
  start += header.size();
  size_t end = text.find(L"\n[", start);
  return PropertyBag::Parse(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
}

// The stored extent (0.01 mm) in pixels.
int ExtentPixels(const ScreenScale& scale, const PropertyBag& bag, const wchar_t* key, int fallback) {
  auto value = StrictNumber(bag.Read(key, L""));
  if (!value) return fallback;
  return scale.HimetricToPixels(*value);
}

// The dialog's font as a button's font: the button sizes it in points at the screen's scale.
FontSpec FontSpecOf(HFONT font, const ScreenScale& scale) {
  LOGFONTW lf{};
  FontSpec font_desc;
  if (!font || !GetObjectW(font, sizeof(lf), &lf)) return font_desc;
  font_desc.face = lf.lfFaceName;
  font_desc.points = (lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight) * 72.0 / scale.dpi_y;
  font_desc.weight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  font_desc.charset = lf.lfCharSet;
  return font_desc;
}

}  // namespace

void DialogControls::Create(HINSTANCE instance, HWND dialog, const ScreenScale& scale, HFONT font,
                            Language language) {
  auto button = [&](const wchar_t* name, int id, const RECT& at) {
    PropertyBag bag = DesignBag(instance, name);
    const int w = ExtentPixels(scale, bag, L"_extentx", at.right - at.left);
    const int h = ExtentPixels(scale, bag, L"_extenty", at.bottom - at.top);
    return CommandButton::Create(dialog, id, at.left, at.top, w, h, bag);
  };
  cmd_pic = button(L"Cmd_Pic", kIdCmdPic, In(kPanelPicture, kCmdPic));
  cmd_bgm = button(L"Cmd_BGM", kIdCmdBgm, In(kPanelMusic, kCmdBgm));
  cmd_can = button(L"Cmd_Can", kIdCmdCan, kCmdCan);
  cmd_set = button(L"Cmd_Set", kIdCmdSet, kCmdSet);
  scroll = ScrollBar::Create(dialog, kIdScroll, In(kPanelDegree, kScroll), 1, 10, instance);
  repeat = ComboBox::Create(dialog, kIdRepeat, In(kPanelMusic, kRepeat), 200, instance);
  scroll.SetFont(font);
  repeat.SetFont(font);
  if (language != Language::Japanese) {
    const DialogTexts& texts = TextsFor(language);
    const FontSpec font_desc = FontSpecOf(font, scale);
    for (auto [command, caption] : {std::pair{cmd_set, texts.save}, std::pair{cmd_can, texts.cancel},
                                   std::pair{cmd_pic, L"..."}, std::pair{cmd_bgm, L"..."}}) {
      if (!command) continue;
      command->SetFont(font_desc);
      command->SetCaption(caption);
    }
  }
  SetTabOrder();
}

void DialogControls::SetTabOrder() {
  HWND after = HWND_TOP;
  for (HWND control : {cmd_pic ? cmd_pic->hwnd() : nullptr, scroll.hwnd(), repeat.hwnd(),
                       cmd_bgm ? cmd_bgm->hwnd() : nullptr,
                       cmd_can ? cmd_can->hwnd() : nullptr, cmd_set ? cmd_set->hwnd() : nullptr}) {
    if (!control) continue;
    SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control;
  }
}

bool ChooseOpenFile(HWND owner, HINSTANCE instance, const wchar_t* title_text, const wchar_t* filter,
                    const std::wstring& folder, std::wstring* chosen) {
  wchar_t file[256] = {};
  wchar_t title[256] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.hInstance = instance;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = 255;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = 255;
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = title_text;
  Zarnik_B::LastResult = GetOpenFileNameW(&ofn);
  if (Zarnik_B::LastResult <= 0) return false;
  *chosen = file;
  return true;
}

}  // namespace zarnik::dialog
