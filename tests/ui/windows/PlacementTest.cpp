// Screen placement of the status bar and the candidate window on fake
// monitors.
#include <gtest/gtest.h>

#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/Placement.h"

using namespace zn::test;

namespace {

// Primary 1920 x 1080 (task bar 40 at the bottom), a second monitor to its
// right and a third to its left.
FakeScreen ThreeScreens() {
  return FakeScreen{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                    {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1080}},
                    {{-1280, 100, 0, 1124}, {-1280, 130, 0, 1124}}};
}

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

}  // namespace

TEST(Placement, StatusBarCornersAndStoredPositions) {
  const FakeScreen one = SingleScreen();
  const SIZE bar{200, 30};
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 3, one), {1720, 1}));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 1, one), {1, 1}));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 2, one), {860, 1}));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 4, one), {1, 1010}));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 6, one), {1720, 1010}));
  // (0, 250) is no stored position: the default corner is taken.
  EXPECT_FALSE(StoredStatusUsable({0, 250}, one));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 250}, bar, 3, one), {1720, 1}));
  // A stored position past the edge is pulled back inside.
  EXPECT_TRUE(Same(PlaceStatusBar({1800, 1030}, bar, 3, one), {1720, 1010}));

  const FakeScreen three = ThreeScreens();
  // On the monitor right of the primary the bar stays where it was put.
  EXPECT_TRUE(Same(PlaceStatusBar({3000, 500}, bar, 3, three), {3000, 500}));
  EXPECT_TRUE(Same(PlaceStatusBar({3700, 500}, bar, 3, three), {3640, 500}));
  // Left of the primary, negative coordinates are valid where a monitor is.
  EXPECT_TRUE(StoredStatusUsable({-500, 300}, three));
  EXPECT_TRUE(Same(PlaceStatusBar({-500, 300}, bar, 3, three), {-500, 300}));
  EXPECT_TRUE(Same(PlaceStatusBar({-500, 120}, bar, 3, three), {-500, 131}));
  EXPECT_FALSE(StoredStatusUsable({-500, -300}, three));
  EXPECT_TRUE(Same(PlaceStatusBar({-500, -300}, bar, 3, three), {1720, 1}));

  // Corners count from the work area's own edges (task bar on top here).
  const FakeScreen topBar{{{0, 0, 1920, 1080}, {0, 40, 1920, 1080}}};
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 1, topBar), {1, 41}));
  EXPECT_TRUE(Same(PlaceStatusBar({0, 0}, bar, 5, topBar), {860, 1050}));
}

TEST(Placement, DraggingStopsOnePixelInside) {
  const FakeScreen three = ThreeScreens();
  const SIZE size{200, 30};
  EXPECT_TRUE(Same(DragPosition({1000, 500}, {10, 10}, size, three), {990, 490}));
  EXPECT_TRUE(Same(DragPosition({1915, 500}, {10, 10}, size, three), {1719, 490}));
  // Past the right edge of the right-hand monitor.
  EXPECT_TRUE(Same(DragPosition({3835, 500}, {10, 10}, size, three), {3639, 490}));
  EXPECT_TRUE(Same(DragPosition({5, 5}, {10, 10}, size, three), {1, 1}));
  EXPECT_TRUE(Same(DragPosition({-1270, 1120}, {0, 0}, size, three), {-1270, 1093}));
}

TEST(Placement, CandidateWindowBelowOrAboveTheCaret) {
  const FakeScreen one = SingleScreen();
  CandidatePlacementInput in{};
  in.anchor = CandidateAnchor::kCaret;
  in.window = {300, 60};
  in.cell = {41, 21};
  in.caret = {100, 200};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {100, 223}));
  // Too low for the window: above the caret line.
  in.caret = {100, 1000};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {100, 940}));
  // Too far right: against the right edge.
  in.caret = {1800, 200};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {1620, 223}));
  // On the right-hand monitor it stays there.
  const FakeScreen three = ThreeScreens();
  in.caret = {3000, 200};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, three).position, {3000, 223}));
  EXPECT_FALSE(ComputeCandidatePlacement(in, three).storeFixed);
}

TEST(Placement, CandidateWindowBesideTheStatusBarOrFixed) {
  const FakeScreen one = SingleScreen();
  CandidatePlacementInput in{};
  in.window = {300, 60};
  in.cell = {41, 21};
  in.statusSize = {200, 30};
  in.anchor = CandidateAnchor::kStatusBar;
  in.status = {100, 100};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {305, 100}));
  in.status = {1720, 1010};  // bottom right: left of it, bottom-aligned
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {1415, 980}));

  in.anchor = CandidateAnchor::kFixed;
  in.status = {100, 1010};
  CandidatePlacement placed = ComputeCandidatePlacement(in, one);
  EXPECT_TRUE(placed.storeFixed);
  EXPECT_TRUE(Same(placed.fixed, {1620, 980}));  // bottom right, stored
  EXPECT_TRUE(Same(placed.position, {1620, 980}));
  in.status = {1720, 1010};  // the bar reaches into the right fifth
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).fixed, {0, 980}));
  in.stored = {1800, 1020};  // a stored place is pulled inside
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).fixed, {1620, 980}));
  in.stored = {700, 300};
  EXPECT_TRUE(Same(ComputeCandidatePlacement(in, one).position, {700, 300}));
}
