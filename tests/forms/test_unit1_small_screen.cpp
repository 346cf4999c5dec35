// The main window on a small screen: the tests' 1280 x 1024 screen at scale
// 1.5, so 853 x 683 in the window's pixels. A process of its own: the scale
// is set before the application starts.
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <fstream>

#include "case/CaseFile.h"
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

// A message naming a long file (255 bytes, in a folder that refuses the
// save) is wrapped inside the box, which stays on this small screen whole.
TEST_F(SmallScreen, ABoxWithALongFileNameStaysOnTheScreen) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string dir = folder.path().toStdString();
  const std::string name = std::string(251, 'n') + ".dad";
  TCaseData d;
  ASSERT_TRUE(d.Create(1));
  ASSERT_TRUE(d.SetDuration(1, 1.0));
  ASSERT_TRUE(d.SetLoad(1, 2.0));
  std::ofstream(dir + "/" + name, std::ios::binary) << FormatCaseFileToString(d, "longo");
  ASSERT_TRUE(form->OpenCaseFile(dir + "/" + name));
  ASSERT_EQ(chmod((dir + "/" + name).c_str(), 0444), 0);  // refused, for root too
  // Selected and copied from the box, the message is a path that works elsewhere.
  std::string copied;
  zktest::RealBoxes boxes([&] {
    auto* label = QApplication::activeModalWidget()->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    label->setSelection(0, static_cast<int>(label->text().size()));
    QTest::keySequence(label, QKeySequence::Copy);
    copied = QGuiApplication::clipboard()->text().toStdString();
  });
  Click(form->Button1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Boxes().empty(); }, 5000));
  QTest::qWait(20);
  const auto& box = boxes.Boxes().front();
  EXPECT_EQ(box.text, "Não foi possível gravar o arquivo \"" + name + "\" na pasta \"" + dir + "\": permissão negada!");
  EXPECT_NE(copied.find(box.text), std::string::npos) << copied;
  EXPECT_TRUE(box.area.contains(box.frame)) << "box " << box.frame.x() << "," << box.frame.y() << " "
                                            << box.frame.width() << "x" << box.frame.height();
}

}  // namespace
