// Placement, mouse zones and lifetimes of the tips and dictionary windows:
// pure functions over screen coordinates and ticks.
#pragma once

#include <windows.h>

#include <cstdint>

// Tips: the font height a tip type asks for (1: 14 pixels, 2: 12, others 20).
int TipsFontHeight(int type);
// A tip closes three seconds after it was shown, checked on a 500 ms timer.
inline constexpr UINT kPopupTimerMs = 500;
inline constexpr uint64_t kTipLifeMs = 3000;
inline bool TipLifeOver(uint64_t shownAt, uint64_t now) { return now - shownAt >= kTipLifeMs; }
// A tip's window: its text's extent plus a margin.
inline SIZE TipWindowSize(SIZE text) { return SIZE{text.cx + 20, text.cy + 10}; }

// The dictionary window: its size when shown, and the least the resize
// corner may make of it.
inline constexpr SIZE kDictWindowSize{130, 160};
inline constexpr SIZE kDictWindowMinSize{60, 60};

// Where the dictionary window opens for a candidate: candidate is the
// candidate window's screen rectangle, word the hovered word's position
// inside it; sideBySide for candidates in a row or in columns (else one per
// line). Below (or above) the word for side-by-side candidates, right (or
// left) of the window otherwise, then kept inside the work area.
POINT DictWindowPosition(const RECT& candidate, POINT word, bool sideBySide, const RECT& work);

// What a press at a client point of the dictionary window starts.
enum class DictMouseMode : int32_t {
  kDrag = 0,
  kLink = 20,    // the bottom band: the link to the mini dictionary
  kResize = 21,  // the bottom-right corner
};
DictMouseMode DictModeAt(POINT client, SIZE window);
// The window size while the corner is dragged from press to now (client
// coordinates of the press, screen-relative movement), never below the
// minimum.
SIZE DictResize(SIZE atPress, POINT press, POINT now);
