// Where the candidate window and the tips go: the wobble a caret may have
// before the window follows, the caret fallback for hosts whose extent is
// off, and the tip kept inside the work area.
#include <gtest/gtest.h>

#include "frontend/tsf/TsfPlacement.h"

namespace {

TEST(Placement, TheCandidateWindowIgnoresASmallWobbleOfTheCaret) {
  const RECT window{100, 100, 700, 500};
  const RECT stored{40, 60, 50, 80};
  struct Case {
    RECT extent;
    bool moves;
    const char* what;
  };
  const Case cases[] = {
      {{43, 60, 53, 80}, false, "3 px right"},
      {{46, 60, 56, 80}, true, "6 px right"},
      {{40, 63, 50, 83}, false, "3 px down"},
      {{40, 54, 50, 74}, true, "6 px up"},
      {{40, 60, 50, 90}, false, "bottom 10 px lower: a taller line"},
      {{40, 60, 50, 91}, true, "bottom 11 px lower"},
      {{35, 55, 45, 75}, false, "5 px left and up"},
  };
  for (const Case& c : cases) {
    const ExtentChange change = DecideExtentChange(stored, window, c.extent, window);
    EXPECT_EQ(change.place, c.moves) << c.what;
    EXPECT_EQ(change.storeExtent, c.moves) << c.what;
    EXPECT_FALSE(change.storeWindow) << c.what;
  }
  // The focus window itself moved: the window follows even without a caret move.
  const ExtentChange moved = DecideExtentChange(stored, window, stored, RECT{120, 100, 720, 500});
  EXPECT_TRUE(moved.place);
  EXPECT_TRUE(moved.storeWindow);
  EXPECT_FALSE(moved.storeExtent);
  // Only the window's origin counts: a resize to the right changes nothing.
  EXPECT_FALSE(DecideExtentChange(stored, window, stored, RECT{100, 100, 800, 600}).place);
}

TEST(Placement, TheAnchorIsTheExtentOrTheCaretWhenTheExtentLiesOutsideTheWindow) {
  CandidateAnchorInput in{};
  in.extent = RECT{30, 40, 45, 60};
  in.hasWindow = true;
  in.client = RECT{0, 0, 400, 300};
  in.caret = POINT{7, 9};
  in.clientOrigin = POINT{200, 100};
  in.windowTop = 70;

  CandidateAnchor a = PlaceCandidateAnchor(in);
  EXPECT_EQ(a.point.x, 230);
  EXPECT_EQ(a.point.y, 142) << "two pixels below the extent's top, on the screen";
  EXPECT_EQ(a.cell.cx, 15);
  EXPECT_EQ(a.cell.cy, 20);

  // A host that reports an extent outside its client area: the caret, as a
  // 41 x 21 cell.
  in.extent = RECT{-5000, -5000, -4990, -4980};
  a = PlaceCandidateAnchor(in);
  EXPECT_EQ(a.point.x, 207);
  EXPECT_EQ(a.point.y, 111);
  EXPECT_EQ(a.cell.cx, 41);
  EXPECT_EQ(a.cell.cy, 21);

  // Modern-UI hosts are taken at their word.
  in.immersive = true;
  a = PlaceCandidateAnchor(in);
  EXPECT_EQ(a.point.x, -4800);
  EXPECT_EQ(a.point.y, 20 + 70) << "an anchor above the focus window is pulled into it";
  EXPECT_EQ(a.cell.cy, 20);

  // Without a focus window nothing is converted or corrected.
  in = CandidateAnchorInput{};
  in.extent = RECT{-30, -40, -20, -20};
  a = PlaceCandidateAnchor(in);
  EXPECT_EQ(a.point.x, -30);
  EXPECT_EQ(a.point.y, -38);
}

TEST(Placement, TipsStayInsideTheWorkArea) {
  const RECT work{0, 0, 1280, 1000};
  POINT p = TipPointAtCaret(POINT{100, 200}, work);
  EXPECT_EQ(p.x, 110);
  EXPECT_EQ(p.y, 232);
  // Near the bottom the tip goes above the caret line.
  p = TipPointAtCaret(POINT{100, 950}, work);
  EXPECT_EQ(p.y, 950 + 32 - 66);
  // Near the right edge it is pulled left.
  p = TipPointAtCaret(POINT{1250, 200}, work);
  EXPECT_EQ(p.x, 1280 - 74);
  // Never at negative coordinates, even for a caret off the screen.
  p = TipPointAtCaret(POINT{-500, -500}, work);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = TipPointAtCaret(POINT{0, 0}, RECT{0, 0, 50, 20});
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

}  // namespace
