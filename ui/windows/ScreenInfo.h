// The monitors' work areas, behind a small interface so placement is a pure
// function that tests feed with fake monitors.
#pragma once

#include <windows.h>

class ScreenInfo {
 public:
  virtual ~ScreenInfo() = default;
  // Work area of the monitor nearest to point.
  virtual RECT WorkAreaNearest(POINT point) const = 0;
  // True, with its work area, when a monitor contains point.
  virtual bool WorkAreaHolding(POINT point, RECT* work) const = 0;
};

class Win32ScreenInfo : public ScreenInfo {
 public:
  RECT WorkAreaNearest(POINT point) const override;
  bool WorkAreaHolding(POINT point, RECT* work) const override;
};

// The real screens; stateless.
const ScreenInfo& DefaultScreen();
