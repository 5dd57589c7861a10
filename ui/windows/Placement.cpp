// Screen placement of the skinned windows. Work areas are taken from the
// monitor that holds (or is nearest to) the reference point, and every
// computation is made relative to that work area's own edges, so windows on
// a monitor right of or below the primary stay on it.
#include "ui/windows/Placement.h"

POINT StatusBarCorner(int cornerCode, SIZE bar, const RECT& work) {
  const LONG centre = work.left + (work.right - work.left - bar.cx) / 2;
  switch (cornerCode) {
    case 1: return {work.left + 1, work.top + 1};
    case 2: return {centre, work.top + 1};
    case 3: return {work.right - bar.cx, work.top + 1};
    case 4: return {work.left + 1, work.bottom - bar.cy};
    case 5: return {centre, work.bottom - bar.cy};
    default: return {work.right - bar.cx, work.bottom - bar.cy};
  }
}

bool StoredStatusUsable(POINT stored, const ScreenInfo& screen) {
  if (stored.x > 0 && stored.y > 0) return true;
  if (stored.x == 0 || stored.y == 0) return false;
  RECT work;
  return screen.WorkAreaHolding(stored, &work);
}

POINT ClampIntoWork(POINT position, SIZE size, const RECT& work, int inset) {
  POINT p = position;
  if (p.x < work.left + 1) p.x = work.left + 1;
  if (p.y < work.top + 1) p.y = work.top + 1;
  if (p.x + size.cx > work.right - inset) p.x = work.right - inset - size.cx;
  if (p.y + size.cy > work.bottom - inset) p.y = work.bottom - inset - size.cy;
  return p;
}

POINT PlaceStatusBar(POINT stored, SIZE bar, int cornerCode, const ScreenInfo& screen) {
  if (StoredStatusUsable(stored, screen)) {
    return ClampIntoWork(stored, bar, screen.WorkAreaNearest(stored), 0);
  }
  // The primary monitor's top-left corner is the origin of the screen.
  const RECT work = screen.WorkAreaNearest(POINT{0, 0});
  return ClampIntoWork(StatusBarCorner(cornerCode, bar, work), bar, work, 0);
}

POINT DragPosition(POINT cursor, POINT dragOrigin, SIZE size, const ScreenInfo& screen) {
  const POINT p{cursor.x - dragOrigin.x, cursor.y - dragOrigin.y};
  return ClampIntoWork(p, size, screen.WorkAreaNearest(cursor), 1);
}

CandidatePlacement ComputeCandidatePlacement(const CandidatePlacementInput& in,
                                             const ScreenInfo& screen) {
  CandidatePlacement out{};
  const LONG w = in.window.cx;
  const LONG h = in.window.cy;
  const bool hasStored = in.stored.x != 0 || in.stored.y != 0;
  POINT reference = in.caret;
  if (in.anchor == CandidateAnchor::kStatusBar) reference = in.status;
  if (in.anchor == CandidateAnchor::kFixed) reference = hasStored ? in.stored : in.status;
  const RECT work = screen.WorkAreaNearest(reference);
  // The right fifth and the lower half of the work area, measured from its
  // own edges rather than from the primary monitor's origin.
  const LONG fourFifths = work.left + (work.right - work.left) * 4 / 5;
  const LONG half = work.top + (work.bottom - work.top) / 2;
  const LONG statusRight = in.status.x + in.statusSize.cx;
  const LONG statusBottom = in.status.y + in.statusSize.cy;

  POINT p = reference;
  switch (in.anchor) {
    case CandidateAnchor::kStatusBar:
      p.x = statusRight < fourFifths ? statusRight + 5 : in.status.x - w - 5;
      p.y = statusBottom >= half ? statusBottom - h : in.status.y;
      break;
    case CandidateAnchor::kFixed:
      if (hasStored) {
        p = in.stored;
        if (p.x + w > work.right) p.x -= p.x + w - work.right;
        if (p.y + h > work.bottom) p.y = work.bottom - h;
      } else {
        p.x = statusRight < fourFifths ? work.right - w : work.left;
        p.y = work.bottom - h;
      }
      if (p.x < work.left) p.x = work.left;
      if (p.y < work.top) p.y = work.top;
      out.storeFixed = true;
      out.fixed = p;
      break;
    case CandidateAnchor::kCaret:
      p.x = in.caret.x;
      p.y = in.caret.y + in.cell.cy + 2;
      break;
  }
  if (p.x + w > work.right) p.x = work.right - w;
  if (p.y + h > work.bottom) {
    // Above the caret line, and against the bottom when that does not fit.
    p.y -= in.cell.cy + h + 2;
    if (p.y + h > work.bottom) p.y = work.bottom - h;
  }
  if (p.x < work.left) p.x = work.left;
  if (p.y < work.top) p.y = work.top;
  out.position = p;
  return out;
}
