// Snapping the main window's size to its grid while a border is dragged. Window-free: the caller
// supplies the frame, what the platform adds to a client size to make the window's outer size.
#pragma once

struct SnapRect {
  int Left, Top, Right, Bottom;
};

// The dragged edge, with the values of WM_SIZING's wParam.
enum SizingEdge {
  EdgeLeft = 1,
  EdgeRight,
  EdgeTop,
  EdgeTopLeft,
  EdgeTopRight,
  EdgeBottom,
  EdgeBottomLeft,
  EdgeBottomRight
};

const int FirstGridStep = 4, LastGridStep = 1023;
inline int GridClientWidth(int step) { return 64 * step + 85; }
inline int GridClientHeight(int step) { return 48 * step + 117; }

struct FrameSize {
  int Width, Height;
};

// Moves the dragged edges so that both outer sizes land on a grid size: the nearest one, a width
// tie going to the wider and a height tie to the shorter candidate.
void SnapWindowRect(SnapRect& rect, int edge, FrameSize frame);
