#include "app/model/NoteGeometry.h"

#include <algorithm>
#include <cmath>

namespace qp {

namespace {

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

std::vector<QRect> CollapseSteps(const QRect& expanded, int minWidth, int collapsedHeight) {
  std::vector<QRect> steps;
  const int dW = expanded.width() - minWidth;
  const int dH = expanded.height() - collapsedHeight;
  const int stepW = RoundHalfEven(dW / 10.0);
  const int stepH = RoundHalfEven(dH / 10.0);
  QRect r = expanded;
  for (int i = 0; i < kAnimationSteps; ++i) {
    const int height = std::max(collapsedHeight, r.height() - stepH);
    const int width = std::max(minWidth, r.width() - stepW);
    r = QRect(r.left() + stepW, r.top(), width, height);
    steps.push_back(r);
  }
  steps.push_back(QRect(expanded.left() + dW, expanded.top(), minWidth, collapsedHeight));
  return steps;
}

std::vector<QRect> ExpandSteps(const QRect& collapsed, QSize saved) {
  std::vector<QRect> steps;
  const int dW = saved.width() - collapsed.width();
  const int dH = saved.height() - collapsed.height();
  const int stepW = RoundHalfEven(dW / 10.0);
  const int stepH = RoundHalfEven(dH / 10.0);
  QRect r = collapsed;
  for (int i = 0; i < kAnimationSteps; ++i) {
    r = QRect(r.left() - stepW, r.top(), r.width() + stepW, r.height() + stepH);
    steps.push_back(r);
  }
  steps.push_back(QRect(collapsed.left() - dW, collapsed.top(), saved.width(), saved.height()));
  return steps;
}

Grip GripAt(int x, int y, int w, int h, bool collapsed) {
  if (collapsed) return Grip::Move;
  const bool right = x >= w - kResizeMargin;
  const bool bottom = y >= h - kResizeMargin;
  if (right && bottom) return Grip::ResizeCorner;
  if (right) return Grip::ResizeRight;
  if (bottom) return Grip::ResizeBottom;
  return Grip::Move;
}

QRect StoredGeometry(const QRect& window, bool collapsed, QSize saved) {
  if (!collapsed) return window;
  return QRect(window.left() + window.width() - saved.width(), window.top(), saved.width(), saved.height());
}

}  // namespace qp
