#include "decay/monitor_layout.h"

#include <algorithm>
#include <set>

namespace zarnik {

std::vector<MonitorArea> InMonitorOrder(std::vector<MonitorArea> monitors) {
  std::stable_sort(monitors.begin(), monitors.end(), [](const MonitorArea& a, const MonitorArea& b) {
    if (a.primary != b.primary) return a.primary;
    if (a.left != b.left) return a.left < b.left;
    if (a.top != b.top) return a.top < b.top;
    return a.device < b.device;
  });
  return monitors;
}

Bounds BoundsOf(const std::vector<MonitorArea>& monitors) {
  if (monitors.empty()) return {};
  Bounds b{monitors[0].left, monitors[0].top, monitors[0].right, monitors[0].bottom};
  for (const MonitorArea& m : monitors) {
    b.left = std::min(b.left, m.left);
    b.top = std::min(b.top, m.top);
    b.right = std::max(b.right, m.right);
    b.bottom = std::max(b.bottom, m.bottom);
  }
  return b;
}

namespace {

std::wstring WorkName(int number, const wchar_t* extension) {
  std::wstring name = L"\\Quorvel";
  if (number != 1) name += L"-" + std::to_wstring(number);
  return name + extension;
}

}  // namespace

std::wstring BitmapWorkName(int number) { return WorkName(number, L".bmp"); }
std::wstring JpegWorkName(int number) { return WorkName(number, L".jpg"); }

int CentredStart(int span, int length) {
  return static_cast<int>((static_cast<double>(span) - length) / 2);
}

std::vector<MonitorAssignment> AssignNumbers(const std::vector<NumberedMonitor>& running,
                                             const std::vector<MonitorArea>& now) {
  std::vector<MonitorAssignment> out(now.size());
  std::set<int> taken;
  std::vector<bool> matched(running.size(), false);
  for (size_t i = 0; i < now.size(); ++i) {
    for (size_t j = 0; j < running.size(); ++j) {
      const MonitorArea& was = running[j].area;
      const MonitorArea& is = now[i];
      if (matched[j] || was.device != is.device || was.left != is.left || was.top != is.top ||
          was.right != is.right || was.bottom != is.bottom)
        continue;
      matched[j] = true;
      out[i] = {running[j].number, true};
      taken.insert(running[j].number);
      break;
    }
  }
  int next = 1;
  for (MonitorAssignment& a : out) {
    if (a.kept) continue;
    while (taken.count(next)) ++next;
    a.number = next;
    taken.insert(next);
  }
  return out;
}

}  // namespace zarnik
