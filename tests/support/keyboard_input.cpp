#include "tests/support/keyboard_input.h"

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace zarnik::test {

namespace {

bool XdotoolAtHand() {
  static const bool at_hand =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr &&
      GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES;
  return at_hand;
}

// The X key name of a virtual key; empty for one not named here.
std::string XKeyName(WORD vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk | 0x20));
  switch (vk) {
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Return";
    case VK_ESCAPE: return "Escape";
    case VK_SPACE: return "space";
    case VK_LEFT: return "Left";
    case VK_RIGHT: return "Right";
    case VK_UP: return "Up";
    case VK_DOWN: return "Down";
    case VK_HOME: return "Home";
    case VK_END: return "End";
    case VK_SHIFT: return "shift";
    case VK_CONTROL: return "ctrl";
    case VK_MENU: return "alt";
    default: return {};
  }
}

// xdotool run as a Unix program by Wine's start; true when it ran to its end.
bool PressWithXdotool(WORD key, std::initializer_list<WORD> held) {
  std::string combo;
  for (WORD vk : held) {
    const std::string name = XKeyName(vk);
    if (name.empty()) return false;
    combo += name + "+";
  }
  const std::string name = XKeyName(key);
  if (name.empty()) return false;
  combo += name;
  Process xdotool;
  if (!xdotool.Start(L"start.exe /wait /unix /usr/bin/xdotool key " + std::wstring(combo.begin(), combo.end())))
    return false;
  return xdotool.Wait(std::chrono::seconds(10)) && xdotool.ExitCode() == 0;
}

void PressWithSendInput(WORD key, std::initializer_list<WORD> held) {
  std::vector<INPUT> in;
  auto add = [&](WORD vk, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  for (WORD vk : held) add(vk, false);
  add(key, false);
  add(key, true);
  for (auto it = std::rbegin(held); it != std::rend(held); ++it) add(*it, true);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

}  // namespace

void PressKey(WORD key, std::initializer_list<WORD> held) {
  if (XdotoolAtHand() && PressWithXdotool(key, held)) return;
  PressWithSendInput(key, held);
}

void SendKey(WORD key) { PressWithSendInput(key, {}); }

}  // namespace zarnik::test
