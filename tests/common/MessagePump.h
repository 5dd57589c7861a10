// Running the calling thread's message loop until input sent with SendInput
// has arrived and been handled: it comes through the server a little later,
// so the loop waits for a quiet spell rather than the first empty queue.
#pragma once

#include <windows.h>

namespace zn::test {

inline void PumpUntilQuiet(int quietRounds, int maxRounds = 200) {
  int quiet = 0;
  for (int round = 0; round < maxRounds && quiet < quietRounds; ++round) {
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    quiet = any ? 0 : quiet + 1;
    Sleep(10);
  }
}

}  // namespace zn::test
