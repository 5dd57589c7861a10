// Where the skinned windows go on the screen: the status bar's default corner
// and clamp, dragging, and the candidate window beside the caret, the status
// bar or a fixed place. Pure functions over the monitors' work areas; all
// coordinates are absolute screen coordinates.
#pragma once

#include <windows.h>

#include "ui/windows/ScreenInfo.h"

// Default status-bar position for the skin's corner code (1 top left,
// 2 top centre, 3 top right, 4 bottom left, 5 bottom centre, else bottom
// right) inside work.
POINT StatusBarCorner(int cornerCode, SIZE bar, const RECT& work);

// True when a stored status-bar position can be used: both coordinates
// positive, or negative ones that a monitor left of or above the primary
// holds. 0 on either axis means "none".
bool StoredStatusUsable(POINT stored, const ScreenInfo& screen);

// The status bar's position: the stored one when usable (clamped into the
// work area of its nearest monitor), else the default corner of the primary
// work area (primary: the work area nearest to the origin).
POINT PlaceStatusBar(POINT stored, SIZE bar, int cornerCode, const ScreenInfo& screen);

// Keeps a window of size inside work: at least left + 1, top + 1, and its
// right and bottom edges at most `inset` pixels before the work area's.
POINT ClampIntoWork(POINT position, SIZE size, const RECT& work, int inset);

// A dragged window: cursor minus the drag origin, kept one pixel inside the
// work area of the cursor's monitor.
POINT DragPosition(POINT cursor, POINT dragOrigin, SIZE size, const ScreenInfo& screen);

enum class CandidateAnchor { kCaret, kStatusBar, kFixed };

struct CandidatePlacementInput {
  CandidateAnchor anchor;
  SIZE window;     // candidate window size
  POINT caret;     // caret point (screen)
  SIZE cell;       // character cell of the composition font
  POINT status;    // status bar position
  SIZE statusSize;
  POINT stored;    // stored fixed position; 0, 0 none
};

struct CandidatePlacement {
  POINT position;
  bool storeFixed;  // kFixed: the position to store in the appearance block
  POINT fixed;
};

CandidatePlacement ComputeCandidatePlacement(const CandidatePlacementInput& input,
                                             const ScreenInfo& screen);
