// Where the text service puts its candidate window and its tips: pure
// functions over the numbers read from the document's view and the focus
// window, so the rules can be checked without a window.
#pragma once

#include <windows.h>

// What a new text extent of the composition means for the candidate window.
// Extents are in client coordinates of the focus window, window rectangles
// in screen coordinates.
struct ExtentChange {
  bool place;        // the candidate window goes to a new place
  bool storeWindow;  // the focus window moved: remember its rectangle
  bool storeExtent;  // the extent moved beyond the wobble: remember it
};

// A caret that wobbles by a few pixels (the host re-measuring the same
// line) leaves the window where it is: left and top may differ by up to 5
// pixels, the bottom by up to 10, as long as the focus window did not move.
ExtentChange DecideExtentChange(const RECT& storedExtent, const RECT& storedWindow, const RECT& newExtent,
                                const RECT& newWindow);

struct CandidateAnchorInput {
  RECT extent;         // the stored text extent, client coordinates
  bool hasWindow;      // the context knows its focus window
  bool immersive;      // a modern-UI context: its extent is always right
  RECT client;         // the focus window's client rectangle
  POINT caret;         // the thread's caret, client coordinates
  POINT clientOrigin;  // the client area's top-left on the screen
  LONG windowTop;      // the remembered focus-window rectangle's top
};

struct CandidateAnchor {
  POINT point;  // the candidate window opens below this line (screen)
  SIZE cell;    // the height of that line (and the extent's width)
};

// Hosts that report an extent outside their own window (or none) get the
// caret instead, as a 41 x 21 cell; an anchor above the focus window is
// pulled into it.
CandidateAnchor PlaceCandidateAnchor(const CandidateAnchorInput& input);

// A tip near the caret: 10 right and 32 below it, flipped above when the
// work area ends first, kept inside the work area's right edge and never at
// negative coordinates.
POINT TipPointAtCaret(POINT caretOnScreen, const RECT& work);
