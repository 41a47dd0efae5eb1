#include "tests/support/keyboard_input.h"

#include <vector>

namespace zarnik::test {

void PressKey(WORD key, std::initializer_list<WORD> held) {
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

}  // namespace zarnik::test
