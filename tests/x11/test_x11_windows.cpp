// The windows on a real X server under a reparenting window manager (see
// run-with-window-manager.sh), measured from outside as the X server sees
// them: xwininfo for the client area, _NET_FRAME_EXTENTS for the frame, and
// the mouse clicked with xdotool.
#include <QClipboard>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"
#include "tests/toolkit/TestForm.h"

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

QString Hex(WId id) { return QStringLiteral("0x") + QString::number(id, 16); }

// What the window manager lets the user do with a window
// (_NET_WM_ALLOWED_ACTIONS), e.g. "_NET_WM_ACTION_MAXIMIZE_HORZ".
QStringList AllowedActions(WId id) {
  const QString prop = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), Hex(id), QStringLiteral("_NET_WM_ALLOWED_ACTIONS")});
  QStringList actions;
  for (const auto& m : QRegularExpression(QStringLiteral("_NET_WM_ACTION_[A-Z_]+")).globalMatch(prop))
    actions << m.captured(0);
  return actions;
}

// Whether the window's Motif hints (_MOTIF_WM_HINTS: flags, functions,
// decorations) ask for maximizing, as a function or as a title-bar button.
bool MotifOffersMaximize(WId id) {
  const QString prop = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), Hex(id), QStringLiteral("_MOTIF_WM_HINTS")});
  const auto m = QRegularExpression(QStringLiteral("= (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+)")).match(prop);
  if (!m.hasMatch()) return true;  // no hints: the window manager's defaults, maximize included
  const unsigned flags = m.captured(1).toUInt(nullptr, 16), functions = m.captured(2).toUInt(nullptr, 16),
                 decorations = m.captured(3).toUInt(nullptr, 16);
  // Bit 0 of functions and decorations means "all but those listed".
  const auto offers = [](unsigned set, unsigned bit) { return (set & 1u) ? !(set & bit) : (set & bit) != 0; };
  return ((flags & 1u) == 0 || offers(functions, 0x10)) || ((flags & 2u) == 0 || offers(decorations, 0x40));
}

// Close, and no maximizing: neither offered by the window manager nor asked
// for in the hints. (openbox 3.6 still draws a maximize button on a window of
// a fixed size, which does nothing: it draws one whatever the hints say.)
void ExpectNoMaximizing(WId id) {
  const QStringList actions = AllowedActions(id);
  const std::string listed = actions.join(' ').toStdString();
  EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << listed;
  EXPECT_FALSE(actions.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ"))) << listed;
  EXPECT_FALSE(actions.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_VERT"))) << listed;
  EXPECT_FALSE(MotifOffersMaximize(id));
}

WId TransientFor(WId id) {
  const QString prop = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), Hex(id), QStringLiteral("WM_TRANSIENT_FOR")});
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

TEST_F(X11Windows, NoWindowOffersMaximizing) {
  const WId main_id = form->Widget()->winId();
  ASSERT_TRUE(Settled(main_id, [](const XWindow&) { return QSize(555, 729); }).framed);
  {
    SCOPED_TRACE("main window");
    ExpectNoMaximizing(main_id);
    EXPECT_TRUE(AllowedActions(main_id).contains(QStringLiteral("_NET_WM_ACTION_MINIMIZE")));
  }
  // A message box, real and modal, measured while it is up.
  bool measured = false;
  zktest::RealBoxes boxes([&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    (void)Settled(box->winId(), [box](const XWindow&) { return box->size(); });
    SCOPED_TRACE("message box");
    ExpectNoMaximizing(box->winId());
    measured = true;
  });
  ShowMessageBox(form, kInvalid, "ERRO!");
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kInvalid});
  EXPECT_TRUE(measured);
}

// Where a window manager draws the load profile first: beside the main
// window, covering none of it.
TEST_F(X11Windows, LoadProfileFirstShownClearOfTheMainWindow) {
  const XWindow main = Settled(form->Widget()->winId(), [](const XWindow&) { return QSize(555, 729); });
  ASSERT_TRUE(main.framed);
  form->ShowLoadProfile(form);
  TLoadProfileWindow* profile = form->LoadProfileWindow();
  ASSERT_NE(profile, nullptr);
  QWidget* window = profile->Widget();
  const XWindow placed = Settled(window->winId(), [window](const XWindow&) { return window->size(); });
  ASSERT_TRUE(placed.framed);
  EXPECT_FALSE(placed.Frame().intersects(main.Frame()))
      << "profile frame at (" << placed.Frame().x() << ", " << placed.Frame().y() << "), "
      << placed.Frame().width() << " x " << placed.Frame().height();
  EXPECT_TRUE(QRect(0, 0, 1280, 1024).contains(placed.Frame()));
}

// The middle button pastes X11's selection, what fits of it under the
// field's limit, as one change.
TEST(X11Selection, MiddleClickPastesWhatFitsOfTheSelection) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs the xcb platform";
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_TRUE(QGuiApplication::clipboard()->supportsSelection());
  zktest::TestForm form;
  ASSERT_TRUE(zktest::ShowAndActivate(form));
  TLabeledEdit* edit = form.Edit("Last");  // limit 5
  QLineEdit* line = edit->Qt();
  edit->SetText("abc");
  edit->SetFocus();
  line->setCursorPosition(3);
  form.log.clear();
  QGuiApplication::clipboard()->setText(QStringLiteral("xyz"), QClipboard::Selection);
  const QPoint at = line->mapToGlobal(QPoint(line->width() - 3, line->height() / 2));
  RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                  QStringLiteral("click"), QStringLiteral("2")});
  (void)QTest::qWaitFor([&] { return !form.log.empty(); }, 3000);  // the checks below say what came
  EXPECT_EQ(edit->Text(), "abcxy");
  EXPECT_EQ(form.log, (zktest::Log{"change:Last=abcxy"}));
}

}  // namespace
