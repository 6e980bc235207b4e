#pragma once
// The arithmetic of a note window: the steps of the collapse and expand
// animation, which edge a mouse press grabs, and the geometry a collapsed
// note keeps in its record. Pure functions, so they are tested without a
// window.
#include <QRect>
#include <QSize>
#include <vector>

namespace qp {

inline constexpr int kNoteMinWidth = 100;
// The caption strip alone; tall enough for the caption font and the three
// buttons.
inline constexpr int kCollapsedHeight = 18;
inline constexpr int kAnimationSteps = 10;
// How close to the right or bottom edge a press starts a resize.
inline constexpr int kResizeMargin = 10;

// Window rectangles for each step of the collapse from `expanded`, the last
// one the collapsed strip. The right edge stays where it was.
std::vector<QRect> CollapseSteps(const QRect& expanded, int minWidth = kNoteMinWidth,
                                 int collapsedHeight = kCollapsedHeight);
// Window rectangles for each step of the expand from `collapsed` back to
// `saved`, the last one the expanded window at the left edge it had before.
std::vector<QRect> ExpandSteps(const QRect& collapsed, QSize saved);

// What a press at client point (x, y) of a w x h window starts.
enum class Grip { Move, ResizeRight, ResizeBottom, ResizeCorner };
Grip GripAt(int x, int y, int w, int h, bool collapsed);

// The expanded geometry a record keeps: for a collapsed window the saved
// size with the right edge where the strip's right edge is.
QRect StoredGeometry(const QRect& window, bool collapsed, QSize saved);

}  // namespace qp
