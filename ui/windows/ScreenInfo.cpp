// Work areas from the monitor API, the primary work area when no monitor
// answers.
#include "ui/windows/ScreenInfo.h"

namespace {

RECT PrimaryWorkArea() {
  RECT work{0, 0, 0, 0};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return work;
}

bool MonitorWork(HMONITOR monitor, RECT* work) {
  if (!monitor) return false;
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return false;
  *work = info.rcWork;
  return true;
}

}  // namespace

RECT Win32ScreenInfo::WorkAreaNearest(POINT point) const {
  RECT work;
  if (MonitorWork(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &work)) return work;
  return PrimaryWorkArea();
}

bool Win32ScreenInfo::WorkAreaHolding(POINT point, RECT* work) const {
  return MonitorWork(MonitorFromPoint(point, MONITOR_DEFAULTTONULL), work);
}

const ScreenInfo& DefaultScreen() {
  static const Win32ScreenInfo screen;
  return screen;
}
