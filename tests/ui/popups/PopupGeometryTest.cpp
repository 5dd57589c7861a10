// Where the dictionary window opens, its mouse zones and resizing, and the
// tips window's fonts and life.
#include <gtest/gtest.h>

#include "ui/popups/PopupGeometry.h"

namespace {

// A 1920 x 1040 work area on a monitor right of the primary.
constexpr RECT kWork{1920, 0, 3840, 1040};

TEST(DictPlacement, OneCandidatePerLineOpensBesideTheWindow) {
  // Left part of the screen: to the right of the candidate window, level
  // with the hovered word.
  RECT candidate{2000, 300, 2200, 500};
  POINT p = DictWindowPosition(candidate, {12, 60}, false, kWork);
  EXPECT_EQ(p.x, 2205);
  EXPECT_EQ(p.y, 350);
  // Past 40 % of the width (measured from the monitor's own left edge): left of it.
  candidate = RECT{2700, 300, 2900, 500};
  p = DictWindowPosition(candidate, {12, 60}, false, kWork);
  EXPECT_EQ(p.x, 2700 - 135);
}

TEST(DictPlacement, CandidatesSideBySideOpenBelowOrAbove) {
  RECT candidate{2000, 100, 2400, 130};
  POINT p = DictWindowPosition(candidate, {80, 5}, true, kWork);
  EXPECT_EQ(p.x, 2070);
  EXPECT_EQ(p.y, 135);
  candidate = RECT{2000, 800, 2400, 830};
  p = DictWindowPosition(candidate, {80, 5}, true, kWork);
  EXPECT_EQ(p.y, 800 - 165);
}

TEST(DictPlacement, StaysInsideTheWorkArea) {
  // A candidate window in the top-right corner of the monitor.
  RECT candidate{3780, 0, 3840, 20};
  POINT p = DictWindowPosition(candidate, {50, 0}, true, kWork);
  EXPECT_EQ(p.x, 3840 - kDictWindowSize.cx);
  EXPECT_EQ(p.y, 25);
  // Left of the monitor's edge.
  candidate = RECT{1925, 500, 2050, 600};
  p = DictWindowPosition(candidate, {0, 0}, false, RECT{1920, 0, 2100, 1040});
  EXPECT_EQ(p.x, 1920);
}

TEST(DictMouse, ZonesAndResizing) {
  const SIZE window{130, 160};
  EXPECT_EQ(DictModeAt({60, 80}, window), DictMouseMode::kDrag);
  EXPECT_EQ(DictModeAt({60, 139}, window), DictMouseMode::kDrag);
  EXPECT_EQ(DictModeAt({60, 140}, window), DictMouseMode::kLink);
  EXPECT_EQ(DictModeAt({109, 150}, window), DictMouseMode::kLink);
  EXPECT_EQ(DictModeAt({110, 150}, window), DictMouseMode::kResize);
  EXPECT_EQ(DictModeAt({129, 159}, window), DictMouseMode::kResize);
  EXPECT_EQ(DictResize(window, {120, 150}, {150, 190}).cx, 160);
  EXPECT_EQ(DictResize(window, {120, 150}, {150, 190}).cy, 200);
  // Dragging the corner past the window's top-left keeps a usable window.
  const SIZE small = DictResize(window, {120, 150}, {-200, -300});
  EXPECT_EQ(small.cx, kDictWindowMinSize.cx);
  EXPECT_EQ(small.cy, kDictWindowMinSize.cy);
}

TEST(TipsWindow, FontsAndLife) {
  EXPECT_EQ(TipsFontHeight(1), -14);
  EXPECT_EQ(TipsFontHeight(2), -12);
  EXPECT_EQ(TipsFontHeight(0), -20);
  EXPECT_EQ(TipsFontHeight(-1), -20);
  // Six 500 ms ticks: the first five pass.
  EXPECT_FALSE(TipLifeOver(1000, 1000 + 5 * 500));
  EXPECT_TRUE(TipLifeOver(1000, 1000 + 6 * 500));
  EXPECT_EQ(TipWindowSize({30, 14}).cx, 50);
  EXPECT_EQ(TipWindowSize({30, 14}).cy, 24);
}

}  // namespace
