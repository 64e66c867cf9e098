// The size grid walk. Candidates are computed afresh on every call: nothing is cached.
#include "size_snapping.h"

namespace {

struct Candidates {
  int Upper, Lower;
  bool HasLower;
};

// Walks the grid up to the first candidate above the target, or to the last one.
Candidates WalkGrid(int target, int (*clientSize)(int), int frame) {
  Candidates found = {0, 0, false};
  for (int step = FirstGridStep; step <= LastGridStep; ++step) {
    if (step > FirstGridStep) {
      found.Lower = found.Upper;
      found.HasLower = true;
    }
    found.Upper = clientSize(step) + frame;
    if (found.Upper > target) break;
  }
  return found;
}

}  // namespace

void SnapWindowRect(SnapRect& rect, int edge, FrameSize frame) {
  int targetWidth = rect.Right - rect.Left;
  Candidates widths = WalkGrid(targetWidth, GridClientWidth, frame.Width);
  bool takeUpper = !widths.HasLower || widths.Upper - targetWidth <= targetWidth - widths.Lower;
  int width = takeUpper ? widths.Upper : widths.Lower;

  int targetHeight = rect.Bottom - rect.Top;
  Candidates heights = WalkGrid(targetHeight, GridClientHeight, frame.Height);
  takeUpper = !heights.HasLower || heights.Upper - targetHeight < targetHeight - heights.Lower;
  int height = takeUpper ? heights.Upper : heights.Lower;

  if (edge == EdgeLeft || edge == EdgeTopLeft || edge == EdgeBottomLeft)
    rect.Left = rect.Right - width;
  else
    rect.Right = rect.Left + width;
  if (edge == EdgeTop || edge == EdgeTopLeft || edge == EdgeTopRight)
    rect.Top = rect.Bottom - height;
  else
    rect.Bottom = rect.Top + height;
}
