// Showing a popup menu and waiting for the user's choice: the one place the
// module calls TrackPopupMenu, behind an interface tests replace.
#pragma once

#include <windows.h>

#include <cstdint>

class MenuTracker {
 public:
  virtual ~MenuTracker() = default;
  // Shows the popup at the cursor, owned by owner; returns the chosen
  // command id, 0 when the menu was dismissed.
  virtual uint32_t Track(HMENU popup, HWND owner) = 0;
};

class Win32MenuTracker : public MenuTracker {
 public:
  uint32_t Track(HMENU popup, HWND owner) override;
};

// Module-wide: the tracker the menus use; null restores the real one.
void SetMenuTracker(MenuTracker* tracker);
MenuTracker& CurrentMenuTracker();
