// The size grid: nearest candidate, ties, the edges that move, the ends of the range.
#include <gtest/gtest.h>

#include "size_snapping.h"

namespace {

// The frame as Wine gives it for an overlapped window with a menu.
SnapRect Snap(SnapRect rect, int edge) {
  SnapWindowRect(rect, edge, {8, 46});
  return rect;
}

::testing::AssertionResult SameRect(const SnapRect& expected, const SnapRect& got) {
  if (expected.Left == got.Left && expected.Top == got.Top && expected.Right == got.Right &&
      expected.Bottom == got.Bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected (" << expected.Left << "," << expected.Top << ")-("
                                       << expected.Right << "," << expected.Bottom << ") got (" << got.Left << ","
                                       << got.Top << ")-(" << got.Right << "," << got.Bottom << ")";
}

// Outer candidates: widths 349, 413, 477, ...; heights 355, 403, 451, ...
TEST(SizeSnapping, NearestCandidateWithWidthTiesWiderAndHeightTiesShorter) {
  struct Case {
    int width, height, snappedWidth, snappedHeight;
  } cases[] = {
      {381, 379, 413, 355},  // both exactly halfway
      {380, 380, 349, 403},  // one pixel off the middle either way
      {413, 403, 413, 403},  // already on the grid
      {633, 266, 605, 355},  // the start-up size, which is not on the grid
      {100, 100, 349, 355},  // below the first candidate
      {1000000, 1000000, 64 * 1023 + 85 + 8, 48 * 1023 + 117 + 46},  // beyond the last
  };
  for (const Case& c : cases) {
    SnapRect got = Snap({10, 20, 10 + c.width, 20 + c.height}, EdgeBottomRight);
    EXPECT_TRUE(SameRect({10, 20, 10 + c.snappedWidth, 20 + c.snappedHeight}, got))
        << "target " << c.width << " x " << c.height;
  }
}

TEST(SizeSnapping, EachDraggedEdgeDecidesWhichSidesMove) {
  // Target 400 x 420 snaps to 413 x 403.
  struct Case {
    int edge;
    SnapRect expected;
  } cases[] = {
      {EdgeLeft, {87, 100, 500, 503}},     {EdgeRight, {100, 100, 513, 503}},
      {EdgeTop, {100, 117, 513, 520}},     {EdgeTopLeft, {87, 117, 500, 520}},
      {EdgeTopRight, {100, 117, 513, 520}}, {EdgeBottom, {100, 100, 513, 503}},
      {EdgeBottomLeft, {87, 100, 500, 503}}, {EdgeBottomRight, {100, 100, 513, 503}},
  };
  for (const Case& c : cases) EXPECT_TRUE(SameRect(c.expected, Snap({100, 100, 500, 520}, c.edge))) << "edge " << c.edge;
}

TEST(SizeSnapping, TheFrameIsAddedToEveryCandidate) {
  SnapRect rect = {0, 0, 500, 500};
  SnapWindowRect(rect, EdgeBottomRight, {20, 100});
  EXPECT_TRUE(SameRect({0, 0, 469 + 20, 405 + 100}, rect));
}

}  // namespace
