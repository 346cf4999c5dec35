// The main window on a small screen: the tests' 1280 x 1024 screen at scale
// 1.5, so 853 x 683 in the window's pixels. A process of its own: the scale
// is set before the application starts.
#include <QScreen>

#include "forms/FormFixture.h"

namespace {

const bool kScaled = qputenv("QT_SCALE_FACTOR", "1.5");

using SmallScreen = MainWindowTest;

// (340, 1) would leave the right part of the window off the screen, and the
// window is taller than the screen: it moves in, top edge at the top.
TEST_F(SmallScreen, TheMainWindowStaysInsideTheAvailableArea) {
  const QRect area = form->Widget()->screen()->availableGeometry();
  ASSERT_TRUE(kScaled);
  ASSERT_EQ(area.size(), QSize(853, 683)) << "the screen this test is meant for";
  const QRect frame = form->Widget()->frameGeometry();
  EXPECT_EQ(form->ClientArea()->size(), QSize(555, 729));
  EXPECT_GE(frame.left(), area.left());
  EXPECT_LE(frame.right(), area.right());
  EXPECT_EQ(frame.right(), area.right());  // as far left as needed, no further
  EXPECT_EQ(frame.top(), area.top());      // too tall: the title bar stays reachable
}

}  // namespace
