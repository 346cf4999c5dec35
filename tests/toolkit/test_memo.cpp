// The memo: read-only lines, scroll bar, wrapping, appending cost.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"

using namespace zktest;

namespace {

TEST(Memo, IsAReadOnlyWrappingListWithAScrollBar) {
  TestForm form;
  QPlainTextEdit* memo = form.Memo("List")->Qt();
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_TRUE(memo->tabChangesFocus());
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
  EXPECT_EQ(memo->Qt()->document()->blockCount(), 4);

  memo->Clear();
  EXPECT_EQ(memo->LineCount(), 0);
  // An empty first line still counts as a line of its own.
  memo->Add("");
  memo->Add("x");
  EXPECT_EQ(memo->LineCount(), 2);
  EXPECT_EQ(memo->Line(1), "x");
}

// A block of lines is the same as one Add per line, also after a Clear
// (no empty first line is merged) and with empty lines inside the block.
TEST(Memo, AddLinesGivesTheLinesOfOneAddEach) {
  TestForm form;
  TMemo* memo = form.Memo("List");
  memo->AddLines("a\n\nDuração");
  memo->Add("b");
  ASSERT_EQ(memo->LineCount(), 5);
  EXPECT_EQ(memo->Qt()->document()->blockCount(), 5);
  const char* const expected[] = {"header", "a", "", "Duração", "b"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(memo->Line(i), expected[i]) << i;

  memo->Clear();
  memo->AddLines("x\ny");
  EXPECT_EQ(memo->LineCount(), 2);
  EXPECT_EQ(memo->Qt()->document()->blockCount(), 2);
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

TEST(Memo, LongLinesWrapAtTheMemosWidth) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  TMemo* memo = form.Memo("List");
  memo->Add(std::string(300, 'w'));
  const QTextBlock block = memo->Qt()->document()->findBlockByNumber(1);
  ASSERT_TRUE(block.isValid());
  EXPECT_GT(block.layout()->lineCount(), 1);
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
