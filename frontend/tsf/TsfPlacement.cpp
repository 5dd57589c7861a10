// Placement rules of the candidate window and the tips.
#include "frontend/tsf/TsfPlacement.h"

#include <cstdlib>

namespace {

constexpr LONG kSideWobble = 5;
constexpr LONG kBottomWobble = 10;
// The caret cell used when the host's extent cannot be trusted.
constexpr LONG kCaretCellWidth = 41;
constexpr LONG kCaretCellHeight = 21;
constexpr LONG kAnchorDrop = 2;
constexpr LONG kBelowWindowTop = 20;
constexpr POINT kTipOffset{10, 32};
constexpr LONG kTipFlip = 66;
constexpr LONG kTipWidth = 74;

}  // namespace

ExtentChange DecideExtentChange(const RECT& storedExtent, const RECT& storedWindow, const RECT& newExtent,
                                const RECT& newWindow) {
  const bool windowMoved = newWindow.left != storedWindow.left || newWindow.top != storedWindow.top;
  const bool extentMoved = std::labs(newExtent.left - storedExtent.left) > kSideWobble ||
                           std::labs(newExtent.top - storedExtent.top) > kSideWobble ||
                           std::labs(newExtent.bottom - storedExtent.bottom) > kBottomWobble;
  return ExtentChange{windowMoved || extentMoved, windowMoved, extentMoved};
}

CandidateAnchor PlaceCandidateAnchor(const CandidateAnchorInput& in) {
  RECT extent = in.extent;
  if (in.hasWindow && !in.immersive) {
    const POINT topLeft{extent.left, extent.top};
    if (!PtInRect(&in.client, topLeft)) {
      extent = RECT{in.caret.x, in.caret.y, in.caret.x + kCaretCellWidth, in.caret.y + kCaretCellHeight};
    }
  }
  CandidateAnchor anchor{};
  anchor.point = POINT{extent.left + in.clientOrigin.x, extent.top + kAnchorDrop + in.clientOrigin.y};
  anchor.cell = SIZE{extent.right - extent.left, extent.bottom - extent.top};
  if (in.hasWindow && anchor.point.y < in.windowTop) anchor.point.y = in.windowTop + kBelowWindowTop;
  return anchor;
}

POINT TipPointAtCaret(POINT caret, const RECT& work) {
  POINT p{caret.x + kTipOffset.x, caret.y + kTipOffset.y};
  if (work.bottom < p.y + kTipOffset.y) p.y -= kTipFlip;
  if (work.right < p.x + kTipWidth) p.x = work.right - kTipWidth;
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  return p;
}
