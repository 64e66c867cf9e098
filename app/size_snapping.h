// Snapping the main window's size to its grid while a border is dragged. Window-free: the caller
// supplies the outer size of a client size, which the platform computes from its frame sizes.
#pragma once

struct SnapRect {
  int Left, Top, Right, Bottom;
};

// The dragged edge, with the values of WM_SIZING's wParam.
enum SizingEdge { EdgeLeft = 1, EdgeRight, EdgeTop, EdgeTopLeft, EdgeTopRight, EdgeBottom, EdgeBottomLeft,
                  EdgeBottomRight };

const int FirstGridStep = 4, LastGridStep = 1023;
inline int GridClientWidth(int step) { return 64 * step + 85; }
inline int GridClientHeight(int step) { return 48 * step + 117; }

typedef int (*OuterSizeFunction)(int clientSize);

// Moves the dragged edges so that both outer sizes land on a grid size: the nearest one, a width
// tie going to the wider and a height tie to the shorter candidate.
void SnapWindowRect(SnapRect& rect, int edge, OuterSizeFunction outerWidth, OuterSizeFunction outerHeight);
