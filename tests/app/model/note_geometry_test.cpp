// Collapse and expand, grips and the geometry a collapsed note keeps.
#include <gtest/gtest.h>

#include "app/model/NoteGeometry.h"

namespace qp {
namespace {

TEST(CollapseGeometry, ShrinksInTenStepsKeepingTheRightEdge) {
  const QRect expanded(300, 200, 137, 128);
  const std::vector<QRect> steps = CollapseSteps(expanded, 100, 15);
  ASSERT_EQ(steps.size(), 11u);
  EXPECT_EQ(steps[0], QRect(304, 200, 133, 117));  // dW 37, dH 113: 4 and 11 a step
  EXPECT_EQ(steps[1], QRect(308, 200, 129, 106));
  EXPECT_EQ(steps.back(), QRect(337, 200, 100, 15));
  EXPECT_EQ(steps.back().right(), expanded.right());
  for (const QRect& r : steps) {
    EXPECT_GE(r.width(), 100);
    EXPECT_GE(r.height(), 15);
  }
  const std::vector<QRect> back = ExpandSteps(steps.back(), expanded.size());
  ASSERT_EQ(back.size(), 11u);
  EXPECT_EQ(back.back(), expanded);
}

TEST(CollapseGeometry, ANoteAlreadyAtItsSmallestStaysPut) {
  const QRect small(10, 10, 100, 15);
  EXPECT_EQ(CollapseSteps(small, 100, 15).back(), small);
  EXPECT_EQ(ExpandSteps(small, small.size()).back(), small);
}

TEST(Grips, NearTheRightOrBottomEdgeResizesElsewhereMoves) {
  const struct {
    int x, y;
    bool collapsed;
    Grip grip;
  } cases[] = {
      {50, 50, false, Grip::Move},          {127, 50, false, Grip::ResizeRight},
      {50, 118, false, Grip::ResizeBottom}, {130, 120, false, Grip::ResizeCorner},
      {126, 117, false, Grip::Move},        {130, 10, true, Grip::Move},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GripAt(c.x, c.y, 137, 128, c.collapsed), c.grip) << c.x << "," << c.y << " " << c.collapsed;
}

TEST(StoredGeometry, ACollapsedNoteKeepsItsExpandedSizeAndLeftEdge) {
  EXPECT_EQ(StoredGeometry(QRect(337, 200, 100, 15), true, QSize(137, 128)), QRect(300, 200, 137, 128));
  EXPECT_EQ(StoredGeometry(QRect(5, 6, 200, 180), false, QSize(1, 1)), QRect(5, 6, 200, 180));
}

}  // namespace
}  // namespace qp
