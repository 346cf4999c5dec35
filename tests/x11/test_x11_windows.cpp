// The windows on a real X server under a reparenting window manager (see
// run-with-window-manager.sh), measured from outside as the X server sees
// them: xwininfo for the client area, _NET_FRAME_EXTENTS for the frame, and
// the mouse clicked with xdotool.
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"

// Geometry in failure messages as numbers.
void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << " x " << s.height(); }
void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }

namespace {

QString RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(5000);
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}

int Field(const QString& text, const char* name) {
  const QRegularExpression re(QString::fromLatin1(name) + QStringLiteral(":\\s*(-?\\d+)"));
  const auto m = re.match(text);
  return m.hasMatch() ? m.captured(1).toInt() : -100000;
}

// One X window as the X server has it: the client area on the screen and the
// frame around it as the window manager reports it.
struct XWindow {
  QRect client;
  QMargins extents;
  bool framed = false;
  QRect Frame() const { return client.marginsAdded(extents); }
};

XWindow Measure(WId id) {
  const QString hex = QStringLiteral("0x") + QString::number(id, 16);
  const QString info = RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex});
  XWindow w;
  w.client = QRect(Field(info, "Absolute upper-left X"), Field(info, "Absolute upper-left Y"), Field(info, "Width"),
                   Field(info, "Height"));
  const QString prop = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), hex, QStringLiteral("_NET_FRAME_EXTENTS")});
  const auto m = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(prop);
  if (m.hasMatch()) {  // left, right, top, bottom
    w.extents = QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(), m.captured(4).toInt());
    w.framed = true;
  }
  return w;
}

WId TransientFor(WId id) {
  const QString prop = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QStringLiteral("0x") + QString::number(id, 16),
                                                     QStringLiteral("WM_TRANSIENT_FOR")});
  const auto m = QRegularExpression(QStringLiteral("window id # (0x[0-9a-f]+)")).match(prop);
  return m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
}

// Waits until the window manager has framed the window and its client area
// has the size `client_for` asks for the frame it reports.
XWindow Settled(WId id, const std::function<QSize(const XWindow&)>& client_for) {
  XWindow w;
  (void)QTest::qWaitFor([&] {
    w = Measure(id);
    return w.framed && w.client.size() == client_for(w);
  }, 5000);
  return w;
}

class X11Windows : public MainWindowTest {
protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs the xcb platform";
    MainWindowTest::SetUp();
  }
};

TEST_F(X11Windows, MainWindowFrameStandsAtItsPlace) {
  const XWindow main = Settled(form->Widget()->winId(), [](const XWindow&) { return QSize(555, 729); });
  ASSERT_TRUE(main.framed) << "the window manager reported no frame";
  EXPECT_EQ(main.client.size(), QSize(555, 729));
  EXPECT_EQ(main.Frame().topLeft(), QPoint(340, 1));
}

// 425 x 573 with the frame, centred over the main window's frame, and kept
// with the main window by the window manager.
TEST_F(X11Windows, DialogFrameIsItsSizeCentredAndTransient) {
  const WId main_id = form->Widget()->winId();
  const XWindow main = Settled(main_id, [](const XWindow&) { return QSize(555, 729); });
  ASSERT_TRUE(main.framed);
  XWindow dialog;
  WId transient = 0;
  QTimer::singleShot(0, [&] {
    if (Form2 == nullptr) return;
    const WId id = Form2->Widget()->winId();
    dialog = Settled(id, [](const XWindow& w) {
      return QSize(425 - w.extents.left() - w.extents.right(), 573 - w.extents.top() - w.extents.bottom());
    });
    transient = TransientFor(id);
    Form2->Close();
  });
  Click(form->Button2);
  ASSERT_TRUE(dialog.framed) << "the window manager reported no frame for the dialog";
  EXPECT_EQ(dialog.Frame().size(), QSize(425, 573));
  const QRect m = main.Frame();
  const QPoint centred(std::max(0, m.x() + (m.width() - 425) / 2), std::max(0, m.y() + (m.height() - 573) / 2));
  EXPECT_EQ(dialog.Frame().topLeft(), centred);
  EXPECT_EQ(transient, main_id);
}

// The X server's own press and release on "GRAVAR" while "c0:" holds bad
// text: the box answered with Enter, then the file is written, once.
TEST_F(X11Windows, GravarClickedWithTheMouseAfterTheBoxOfC0) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  ScopedTempCwd cwd;
  ASSERT_TRUE(cwd.ok());
  TabTo(form->LabeledEdit3);
  Type("1");
  Tab();
  Type("2");
  Click(form->Button3);
  TabTo(form->LabeledEdit21);
  Type("c");
  Click(form->LabeledEdit6);
  Type("abc");
  int runs = 0;
  const TNotifyEvent save = form->Button1->OnClick;
  form->Button1->OnClick = [&](TObject* sender) {
    ++runs;
    save(sender);
  };
  QWidget* gravar = form->Button1->Widget();
  const QPoint at = gravar->mapToGlobal(gravar->rect().center());
  zktest::RealBoxes boxes({}, zktest::RealBoxes::Answer::PressEnter);
  RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                  QStringLiteral("click"), QStringLiteral("1")});
  (void)QTest::qWaitFor([&] { return runs > 0; }, 3000);  // the checks below say what came
  QTest::qWait(200);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kInvalid});
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(FileExists("c.dad"));
  EXPECT_FALSE(form->Button1->Qt()->isDown());
}

}  // namespace
