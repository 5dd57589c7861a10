// The real menu tracker.
#include "ui/windows/MenuTracker.h"

#include <atomic>

namespace {

std::atomic<MenuTracker*> tracker{nullptr};

}  // namespace

uint32_t Win32MenuTracker::Track(HMENU popup, HWND owner) {
  POINT at{};
  GetCursorPos(&at);
  // TPM_RETURNCMD: the choice comes back here instead of as WM_COMMAND to a
  // window that belongs to the host application's thread.
  const BOOL chosen = TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON |
                                                TPM_RETURNCMD | TPM_NONOTIFY,
                                     at.x, at.y, 0, owner, nullptr);
  return static_cast<uint32_t>(chosen);
}

void SetMenuTracker(MenuTracker* replacement) { tracker.store(replacement); }

MenuTracker& CurrentMenuTracker() {
  static Win32MenuTracker real;
  MenuTracker* current = tracker.load();
  return current ? *current : real;
}
