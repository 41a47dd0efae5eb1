// Where the monitors sit and which work files each one decays through. Pure logic: the
// saver's window code feeds it what the system reports.
#pragma once

#include <string>
#include <vector>

namespace zarnik {

// A monitor in virtual-screen pixels (the primary's top-left is 0,0; others may be negative).
struct MonitorArea {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool primary = false;
  std::wstring device;  // the system's name for it, to know it again after a display change
  int dpi = 0;          // its dots per inch, for the caption; 0: the system's

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  // The same monitor at the same place; its resolution is no part of that.
  bool operator==(const MonitorArea& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom &&
           primary == other.primary && device == other.device;
  }
};

struct Bounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The monitor order: the primary first, then the others left to right, and top to bottom
// where they share a left edge. Stable whatever order the system listed them in.
std::vector<MonitorArea> InMonitorOrder(std::vector<MonitorArea> monitors);

// The smallest rectangle holding every monitor; all zero when there is none.
Bounds BoundsOf(const std::vector<MonitorArea>& monitors);

// The work files of the monitor with the given number, as literal names to append to the
// files folder: 1 (the primary at the start) keeps "\Quorvel.bmp" and "\Quorvel.jpg", the
// others "\Quorvel-2.bmp", "\Quorvel-2.jpg" and so on.
std::wstring BitmapWorkName(int number);
std::wstring JpegWorkName(int number);

// Where a picture of the given length starts inside a span of the given length, centred and
// computed in floating point as the single-screen saver always did (a larger picture starts
// before the span, so its middle shows).
int CentredStart(int span, int length);

struct NumberedMonitor {
  MonitorArea area;
  int number = 0;
};

struct MonitorAssignment {
  int number = 0;
  bool kept = false;  // the same monitor as before, at the same place and size
};

// After a display change: for each monitor now attached (in monitor order), the number it
// decays under. A monitor seen before at the same place and size keeps its number and goes
// on decaying; any other takes the lowest number no other monitor holds. With nothing
// running, the monitors get 1, 2, 3, ... in monitor order.
std::vector<MonitorAssignment> AssignNumbers(const std::vector<NumberedMonitor>& running,
                                             const std::vector<MonitorArea>& now);

}  // namespace zarnik
