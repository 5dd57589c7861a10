// Placement and mouse zones of the tips and dictionary windows.
#include "ui/popups/PopupGeometry.h"

namespace {

// The bottom band and the corner are 20 pixels.
constexpr int kDictBand = 20;

}  // namespace

int TipsFontHeight(int type) {
  if (type == 1) return -14;
  if (type == 2) return -12;
  return -20;
}

POINT DictWindowPosition(const RECT& candidate, POINT word, bool sideBySide, const RECT& work) {
  const LONG cw = candidate.right - candidate.left;
  POINT p{};
  // Halves and fractions are measured from the work area's own edges, so a
  // monitor right of or below the primary behaves like the primary.
  if (sideBySide) {
    p.x = candidate.left + word.x - 10;
    const LONG below = candidate.bottom + 5;
    p.y = below < work.top + (work.bottom - work.top) / 2 ? below : candidate.top - 165;
  } else {
    p.y = candidate.top + word.y - 10;
    const LONG right = candidate.left + cw;
    p.x = right < work.left + (work.right - work.left) * 4 / 10 ? right + 5 : candidate.left - 135;
  }
  if (p.x + kDictWindowSize.cx > work.right) p.x = work.right - kDictWindowSize.cx;
  if (p.y + kDictWindowSize.cy > work.bottom) p.y = work.bottom - kDictWindowSize.cy;
  if (p.x < work.left) p.x = work.left;
  if (p.y < work.top) p.y = work.top;
  return p;
}

DictMouseMode DictModeAt(POINT client, SIZE window) {
  if (client.y < window.cy - kDictBand) return DictMouseMode::kDrag;
  return client.x >= window.cx - kDictBand ? DictMouseMode::kResize : DictMouseMode::kLink;
}

SIZE DictResize(SIZE atPress, POINT press, POINT now) {
  SIZE s{atPress.cx + now.x - press.x, atPress.cy + now.y - press.y};
  if (s.cx < kDictWindowMinSize.cx) s.cx = kDictWindowMinSize.cx;
  if (s.cy < kDictWindowMinSize.cy) s.cy = kDictWindowMinSize.cy;
  return s;
}
