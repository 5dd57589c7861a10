// Every entry from the system into the IME runs guarded: nothing thrown may
// unwind into the host application.
#pragma once

template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}
