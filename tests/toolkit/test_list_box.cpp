// The list of rows, the window's posted calls and its place beside another.
#include <QApplication>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "tests/toolkit/TestForm.h"

using namespace zktest;

namespace {

constexpr TControlRow kListLayout[] = {
    {"List", K::ListBox, nullptr, 8, 8, 300, 120, nullptr, nullptr, {"MS Sans Serif", 12, false}, 0, 0},
};

class ListForm : public TestForm {
public:
  ListForm() : TestForm(kListLayout, false) { list = dynamic_cast<TListBox*>(FindControl("List")); }
  TListBox* list = nullptr;
};

// A million rows: only those drawn are asked for; the selection and the
// scroll position stay where they were when the rows are replaced.
TEST(ListBox, AsksOnlyForTheRowsItDrawsAndKeepsItsPlace) {
  ListForm form;
  ASSERT_NE(form.list, nullptr);
  ASSERT_TRUE(ShowAndActivate(form));
  int asked = 0;
  auto text = [&asked](int i) {
    ++asked;
    return "linha " + std::to_string(i);
  };
  form.list->SetItems(1'000'000, text);
  Settle(30);
  EXPECT_EQ(form.list->Count(), 1'000'000);
  EXPECT_GT(asked, 0);
  EXPECT_LT(asked, 1000);
  EXPECT_EQ(form.list->Item(999'999), "linha 999999");
  EXPECT_EQ(form.list->Item(1'000'000), "");

  form.list->SetItemIndex(500'000);
  form.list->Qt()->scrollTo(form.list->Qt()->currentIndex());
  const int scroll = form.list->Qt()->verticalScrollBar()->value();
  ASSERT_GT(scroll, 0);
  form.list->SetItems(1'000'000, [](int i) { return "outra " + std::to_string(i); });
  EXPECT_EQ(form.list->ItemIndex(), 500'000);
  EXPECT_EQ(form.list->Qt()->verticalScrollBar()->value(), scroll);
  form.list->SetItems(10, text);  // the row is gone: nothing selected
  EXPECT_EQ(form.list->ItemIndex(), -1);
}

TEST(ListBox, EnterOrADoubleClickOnARowRunsOnDblClickWithThatRow) {
  ListForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  std::vector<int> rows;
  form.list->OnDblClick = [&](TObject* sender) {
    EXPECT_EQ(sender, form.list);
    rows.push_back(form.list->ItemIndex());
  };
  form.list->SetItems(5, [](int i) { return std::to_string(i); });
  form.list->SetFocus();
  form.list->SetItemIndex(3);
  Key(Qt::Key_Return);
  QListView* view = form.list->Qt();
  const QPoint second = view->visualRect(view->model()->index(1, 0)).center();
  QWidget* top = view->window();
  QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, view->viewport()->mapTo(top, second));
  EXPECT_EQ(rows, (std::vector<int>{3, 1}));
}

// A posted call runs once the current one has returned, and never once its
// form is gone.
TEST(Form, PostRunsLaterAndNotAfterTheFormIsGone) {
  std::vector<std::string> log;
  {
    TestForm form(kTestLayout, false);
    form.Post([&](TObject*) { log.push_back("posted"); });
    log.push_back("now");
    Settle(10);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"now", "posted"}));
  auto* form = new TestForm(kTestLayout, false);
  form->Post([&](TObject*) { log.push_back("too late"); });
  delete form;
  Settle(10);
  EXPECT_EQ(log.size(), 2u);
}

// Beside the owner where it covers none of it: right, else left, else
// below; where nothing fits, to the right and kept on the screen.
TEST(Form, PlaceBesideTakesTheFirstSideWithRoom) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  struct Row {
    const char* name;
    QPoint owner;
    QSize owner_size;
    bool right, left, below;
  };
  const Row rows[] = {
      {"right", {area.left(), area.top()}, {300, 200}, true, false, false},
      {"left", {area.right() - 500, area.top()}, {400, 200}, false, true, false},
      {"below", {area.left() + 200, area.top()}, {area.width() - 300, 200}, false, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestForm owner(kTestLayout, false);
    owner.SetClientSize(row.owner_size.width(), row.owner_size.height());
    owner.SetFramePosition(row.owner.x(), row.owner.y());
    ASSERT_TRUE(ShowAndActivate(owner));
    TestForm beside(kTestLayout, false);
    beside.SetClientSize(360, 280);
    beside.PlaceBeside(owner);
    beside.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(beside.Widget()));
    const QRect o = owner.Widget()->frameGeometry();
    const QRect b = beside.Widget()->frameGeometry();
    EXPECT_FALSE(o.intersects(b)) << "covers its owner";
    EXPECT_TRUE(area.contains(b));
    EXPECT_EQ(b.left() > o.right(), row.right);
    EXPECT_EQ(b.right() < o.left(), row.left);
    EXPECT_EQ(b.top() > o.bottom(), row.below);
  }
  // No room anywhere: to the right, kept on the screen.
  TestForm owner(kTestLayout, false);
  owner.SetClientSize(area.width() - 100, area.height() - 100);
  owner.SetFramePosition(area.left() + 50, area.top());
  ASSERT_TRUE(ShowAndActivate(owner));
  TestForm beside(kTestLayout, false);
  beside.SetClientSize(360, 280);
  beside.PlaceBeside(owner);
  beside.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(beside.Widget()));
  EXPECT_TRUE(area.contains(beside.Widget()->frameGeometry()));
  EXPECT_EQ(beside.Widget()->frameGeometry().right(), area.right());
}

}  // namespace
