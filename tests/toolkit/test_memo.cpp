// The memo: read-only lines drawn as a plain-text edit draws them, only
// those in view, with the scroll bar, selection and copy of a text edit.
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>
#include <set>

#include "tests/toolkit/TestForm.h"
#include "toolkit/Widgets.h"

using namespace zktest;

namespace {

// Lines made on demand ("row 0", "row 1", ...) that note which were asked for.
class CountingLines : public TMemoLines {
public:
  explicit CountingLines(std::size_t n) : n_(n) {}
  std::size_t Count() const override { return n_; }
  void AppendLine(std::size_t index, std::string& out) const override {
    asked.insert(index);
    out += "row " + std::to_string(index);
  }
  mutable std::set<std::size_t> asked;

private:
  std::size_t n_;
};

TEST(MemoStore, AddedLinesAndBlocksKeepTheirOrder) {
  TMemoStore store;
  store.Add("a");
  store.AddBlock(std::make_shared<CountingLines>(3));
  store.Add("");
  store.AddLines("b\n\nDuração");
  store.AddBlock(std::make_shared<CountingLines>(0));  // adds nothing
  store.Add("d");
  const std::vector<std::string> expected = {"a", "row 0", "row 1", "row 2", "", "b", "", "Duração", "d"};
  ASSERT_EQ(store.Count(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(store.Line(i), expected[i]) << i;
  EXPECT_EQ(store.Line(expected.size()), "");
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
  store.Add("x");
  EXPECT_EQ(store.Line(0), "x");
}

TEST(Memo, IsAReadOnlyListWithAScrollBar) {
  TestForm form;
  tk::Memo* memo = form.Memo("List")->Qt();
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->font().pixelSize(), 10);
}

TEST(Memo, AddCountAndClear) {
  TestForm form;
  TMemo* memo = form.Memo("List");
  ASSERT_EQ(memo->LineCount(), 1);
  memo->Add("   1   |   10   |   500");
  memo->Add("");
  memo->Add("Duração");
  EXPECT_EQ(memo->LineCount(), 4);
  EXPECT_EQ(memo->Line(0), "header");
  EXPECT_EQ(memo->Line(1), "   1   |   10   |   500");
  EXPECT_EQ(memo->Line(2), "");
  EXPECT_EQ(memo->Line(3), "Duração");
  EXPECT_EQ(memo->Line(4), "");
  EXPECT_EQ(memo->Qt()->toPlainText().toStdString(), "header\n   1   |   10   |   500\n\nDuração");

  memo->Clear();
  EXPECT_EQ(memo->LineCount(), 0);
  // An empty first line still counts as a line of its own.
  memo->Add("");
  memo->Add("x");
  EXPECT_EQ(memo->LineCount(), 2);
  EXPECT_EQ(memo->Line(1), "x");
}

// A block of lines is the same as one Add per line, also after a Clear
// and with empty lines inside the block.
TEST(Memo, AddLinesGivesTheLinesOfOneAddEach) {
  TestForm form;
  TMemo* memo = form.Memo("List");
  memo->AddLines("a\n\nDuração");
  memo->Add("b");
  ASSERT_EQ(memo->LineCount(), 5);
  const char* const expected[] = {"header", "a", "", "Duração", "b"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(memo->Line(i), expected[i]) << i;

  memo->Clear();
  memo->AddLines("x\ny");
  EXPECT_EQ(memo->LineCount(), 2);
  EXPECT_EQ(memo->Line(0), "x");
  EXPECT_EQ(memo->Line(1), "y");
}

TEST(Memo, TypingChangesNothing) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  form.FindControl("List")->SetFocus();
  Type("zz");
  EXPECT_EQ(form.Memo("List")->LineCount(), 1);
  EXPECT_EQ(form.Memo("List")->Line(0), "header");
}

// The memo beside a plain-text edit of the same size, font and lines (one
// of them long enough to wrap, one with accents), the edit set up as a
// read-only, wrapping list: the same pixels, at the top, with a selection
// over a line's end, and scrolled to the end of a longer list.
TEST(Memo, LooksAsAPlainTextEditShowingTheSameLines) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TMemo* memo = form.Memo("List");
  tk::Memo* view = memo->Qt();
  QPlainTextEdit edit(view->parentWidget());
  edit.setReadOnly(true);
  edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit.setFont(view->font());
  edit.setGeometry(view->geometry());
  edit.show();
  std::string words;
  for (int i = 0; i < 12; ++i) words += "palavra" + std::to_string(i) + " ";
  const std::vector<std::string> lines = {"      2                      1,5                      300", words,
                                          "   Intervalo   |   Duração (h)   |   Carga (MW)"};
  QStringList all = {"header"};
  for (const std::string& line : lines) {
    memo->Add(line);
    all << QString::fromStdString(line);
  }
  edit.setPlainText(all.join('\n'));
  view->verticalScrollBar()->setValue(0);
  auto same = [&] { return view->grab().toImage() == edit.grab().toImage(); };
  EXPECT_TRUE(same()) << "at the top";

  // A selection from the third character of line 1 into line 2, made by a
  // click and a Shift+click in each, then the focus elsewhere.
  const int h = QFontMetrics(view->font()).lineSpacing();
  const QPoint from(4 + QFontMetrics(view->font()).horizontalAdvance("   "), 4 + h + h / 2);
  const QPoint to(30, 4 + 3 * h + h / 2);
  for (QWidget* target : {edit.viewport(), view->viewport()}) {
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseClick(target, Qt::LeftButton, Qt::ShiftModifier, to);
  }
  ASSERT_TRUE(edit.textCursor().hasSelection());
  ASSERT_TRUE(view->hasSelection());
  EXPECT_EQ(view->selectedText(), edit.textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'));
  form.FindControl("First")->SetFocus();
  EXPECT_TRUE(same()) << "with a selection";

  for (int i = 0; i < 30; ++i) {
    memo->Add("linha " + std::to_string(i));
    edit.appendPlainText(QString("linha %1").arg(i));
  }
  for (QAbstractScrollArea* area : {static_cast<QAbstractScrollArea*>(view), static_cast<QAbstractScrollArea*>(&edit)})
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  EXPECT_TRUE(same()) << "at the end";
}

// A million lines made on demand: adding them costs nothing, and drawing,
// scrolling and reading one of them asks for the few lines concerned.
TEST(Memo, ABlockOfAMillionLinesIsAskedOnlyForTheLinesInView) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TMemo* memo = form.Memo("List");
  tk::Memo* view = memo->Qt();
  auto rows = std::make_shared<CountingLines>(1000000);
  memo->AddBlock(rows);
  view->repaint();
  ASSERT_EQ(memo->LineCount(), 1000001);
  // The newest line came into view, with the few above it that fit.
  EXPECT_EQ(view->verticalScrollBar()->maximum(), view->verticalScrollBar()->value());
  EXPECT_TRUE(rows->asked.count(999999));
  EXPECT_LT(rows->asked.size(), 40u);

  rows->asked.clear();
  view->verticalScrollBar()->setValue(500001);
  view->repaint();
  EXPECT_TRUE(rows->asked.count(500000));
  EXPECT_LT(rows->asked.size(), 20u);
  EXPECT_EQ(*rows->asked.begin(), 500000u) << "nothing above the first line in view";
  EXPECT_EQ(memo->Line(123457), "row 123456");
}

// Keys and clicks select as in a read-only text edit; Ctrl+C and the
// context menu's "Copiar" copy the selection, lines joined by "\n".
TEST(Memo, KeysAndClicksSelectAndCopyTheSelectedLines) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TMemo* memo = form.Memo("List");
  tk::Memo* view = memo->Qt();
  memo->Add("primeira linha");
  memo->Add("segunda");
  memo->Add("terceira");
  memo->SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), view);
  QClipboard* clipboard = QGuiApplication::clipboard();
  struct Step {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* copied;  // after the step and Ctrl+C; nullptr: nothing selected
  };
  const Step steps[] = {
      {"DocumentStart", Qt::Key_Home, Qt::ControlModifier, nullptr},
      {"Down", Qt::Key_Down, Qt::NoModifier, nullptr},
      {"ShiftDown", Qt::Key_Down, Qt::ShiftModifier, "primeira linha\n"},
      {"ShiftEnd", Qt::Key_End, Qt::ShiftModifier, "primeira linha\nsegunda"},
      {"ShiftRightOverTheLineEnd", Qt::Key_Right, Qt::ShiftModifier, "primeira linha\nsegunda\n"},
      {"ShiftLeftBack", Qt::Key_Left, Qt::ShiftModifier, "primeira linha\nsegunda"},
      {"LeftDropsTheSelection", Qt::Key_Left, Qt::NoModifier, nullptr},
      {"ShiftHome", Qt::Key_Home, Qt::ShiftModifier, "segund"},
      {"SelectAll", Qt::Key_A, Qt::ControlModifier, "header\nprimeira linha\nsegunda\nterceira"},
      {"DocumentEnd", Qt::Key_End, Qt::ControlModifier, nullptr},
      {"ShiftLeftAtTheEnd", Qt::Key_Left, Qt::ShiftModifier, "a"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    Key(s.key, s.modifiers);
    clipboard->setText("before");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(view->hasSelection(), s.copied != nullptr);
    EXPECT_EQ(clipboard->text().toStdString(), s.copied ? s.copied : "before");
  }

  // A click at the end of "terceira", a Shift+click on "primeira linha".
  const int h = QFontMetrics(view->font()).lineSpacing();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(view->viewport()->width() - 8, 4 + 3 * h + h / 2));
  EXPECT_FALSE(view->hasSelection());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(1, 4 + h + h / 2));
  EXPECT_EQ(view->selectedText().toStdString(), "primeira linha\nsegunda\nterceira");
  clipboard->setText("before");
  std::unique_ptr<QMenu> menu(view->createStandardContextMenu());
  QAction* copy = menu->actions().front();
  ASSERT_TRUE(copy->isEnabled());
  copy->trigger();
  EXPECT_EQ(clipboard->text().toStdString(), "primeira linha\nsegunda\nterceira");
}

// Appending stays as cheap at line 10,000 as at line 1: the last thousand
// appends take no more than 1.5 times the first thousand. Measured in the
// thread's processor time, best of three runs, so that other work on a busy
// machine does not decide the result.
TEST(Memo, AppendingCostDoesNotGrowWithLength) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  double first_best = 1e300, last_best = 1e300;
  for (int run = 0; run < 3; ++run) {
    TestForm form;
    ASSERT_TRUE(ShowAndActivate(form));
    TMemo* memo = form.Memo("List");
    memo->Clear();
    auto batch = [&](int from) {
      const double start = now();
      for (int i = from; i < from + 1000; ++i) memo->Add("   " + std::to_string(i) + "   |   10   |   500");
      return now() - start;
    };
    const double first = batch(0);
    for (int from = 1000; from < 9000; from += 1000) batch(from);
    const double last = batch(9000);
    ASSERT_EQ(memo->LineCount(), 10000);
    first_best = std::min(first_best, first);
    last_best = std::min(last_best, last);
  }
  EXPECT_LE(last_best, 1.5 * first_best) << "first " << first_best << " s, last " << last_best << " s";
}

}  // namespace
