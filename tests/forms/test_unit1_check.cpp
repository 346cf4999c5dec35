// Checking the case and comparing it with a saved one, through the real
// windows: the main window's context menu and keys, the check window's list
// and its double-click, the compare window and the load profile's second line.

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>

#include "case/CaseFile.h"
#include "case/LoadProfile.h"
#include "forms/CheckWindow.h"
#include "forms/CompareWindow.h"
#include "forms/FormFixture.h"

namespace {

// A case the check has nothing to say about.
TCaseData SoundCase(int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    EXPECT_TRUE(d.SetDuration(k, 1.5));
    EXPECT_TRUE(d.SetLoad(k, 300 + k));
  }
  d.base = 100;
  d.Ptmin = 50;
  d.Ptmax = 400;
  d.Phmin = 10;
  d.Phmax = 300;
  d.Vtot = 5000;
  return d;
}

// Answers the next file dialog with `path`, as a user picking the file: the
// dialog taken to the file's folder, the file's name typed into its name
// field, and once the Open button takes it, a click on that button.
class FileDialogAnswer {
public:
  explicit FileDialogAnswer(const std::string& path) : path_(QString::fromStdString(path)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
      if (!name || !dialog->isVisible()) return;
      const QFileInfo file(path_);
      if (!shown_) {
        shown_ = true;
        dialog->setDirectory(file.absolutePath());
      }
      if (name->text() != file.fileName()) {
        name->clear();
        QTest::keyClicks(name, file.fileName());
      }
      QPushButton* open = nullptr;
      for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->isDefault()) open = button;
      if (dialog->selectedFiles().value(0) != path_ || !open || !open->isEnabled()) return;
      timer_.stop();
      QTest::mouseClick(open, Qt::LeftButton);
    });
    timer_.start(10);
  }
  bool Shown() const { return shown_; }

private:
  QString path_;
  QTimer timer_;
  bool shown_ = false;
};

class CheckTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(folder.isValid());
  }

  std::string Put(const std::string& name, const TCaseData& d, const std::string& title) {
    const std::string path = folder.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << FormatCaseFileToString(d, title);
    return path;
  }
  void Open(const TCaseData& d, const std::string& title = "Caso") {
    ASSERT_TRUE(form->OpenCaseFile(Put("aberto.dad", d, title)));
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }

  // F7 in the main window; the check window once it is up.
  TCheckWindow* PressF7() {
    Key(Qt::Key_F7);
    TCheckWindow* check = form->CheckWindow();
    EXPECT_NE(check, nullptr);
    if (check) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(check->Widget()));
    }
    return check;
  }

  static int RowOf(const std::vector<TFinding>& findings, std::string_view field, std::optional<int32_t> k) {
    for (std::size_t i = 0; i < findings.size(); ++i)
      if (findings[i].field == field && findings[i].interval == k) return static_cast<int>(i);
    return -1;
  }

  // A double-click on a row as the mouse makes it, through its window.
  static void DoubleClickRow(TListBox* list, int row) {
    QListView* view = list->Qt();
    view->scrollTo(view->model()->index(row, 0));
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    ASSERT_TRUE(rect.isValid()) << row;
    QWidget* top = view->window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       view->viewport()->mapTo(top, rect.center()));
  }

  // The main window active again with the focus in `edit`, its text selected.
  void ExpectFocusIn(TLabeledEdit* edit) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form->Widget(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return HasFocus(edit); }, 2000)) << edit->Name();
    EXPECT_EQ(edit->SelLength(), edit->GetTextLen()) << edit->Name();
  }

  // The window's own menu, opened by a right-click through the window at
  // `widget`; its entries' texts, and the entry `choose` clicked if given.
  std::vector<std::string> RightClick(QWidget* widget, QPoint at, const char* choose = nullptr) {
    std::vector<std::string> entries;
    bool seen = false;
    QTimer::singleShot(50, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      seen = true;
      QAction* chosen = nullptr;
      for (QAction* action : menu->actions()) {
        entries.push_back(action->isSeparator() ? "" : action->text().toStdString());
        if (choose && action->text() == QString::fromUtf8(choose)) chosen = action;
      }
      if (chosen)
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(chosen).center());
      else
        menu->close();
    });
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, Qt::NoModifier, widget->mapTo(top, at));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen; }, 2000)) << "no menu";
    zktest::Settle(30);
    return entries;
  }

  // The main window active again (the offscreen platform leaves none
  // active once a popup has gone; a transient window may still be).
  void Reactivate() {
    form->Widget()->activateWindow();
    ASSERT_TRUE(zktest::WaitUntilActive(form->Widget()));
  }

  QTemporaryDir folder;
};

// The case of the report: "Pt (min):" above "Pt (max):", the maximum still
// in its field when F7 is pressed.
TEST_F(CheckTest, F7ListsAMinimumAboveItsMaximumAndADoubleClickGoesToIt) {
  Open(SoundCase(2));
  TabTo(form->LabeledEdit9);
  Type("500");
  Tab();
  ASSERT_TRUE(HasFocus(form->LabeledEdit10));
  Type("450");  // not left: F7 stores it first
  TCheckWindow* check = PressF7();
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(form->CaseData.Ptmax, 450.0);
  EXPECT_EQ(form->CaseData.Ptmin, 500.0);
  const int row = RowOf(check->Findings(), "Ptmin", std::nullopt);
  ASSERT_GE(row, 0);
  EXPECT_EQ(check->ListBox1->Item(row), "Erro: \"Pt (min):\" 500 é maior que \"Pt (max):\" 450.");
  EXPECT_TRUE(recorder.Boxes().empty());

  DoubleClickRow(check->ListBox1, row);
  ExpectFocusIn(form->LabeledEdit9);

  // The list follows the record: the minimum mended and left.
  Type("40");
  Tab();
  ASSERT_TRUE(QTest::qWaitFor([&] { return check->Findings().empty(); }, 2000));
  EXPECT_EQ(check->ListBox1->Count(), 1);
  EXPECT_EQ(check->ListBox1->Item(0), TCheckWindow::kNothingFound);
}

// An interval's finding sets the interval number and shows the interval's
// values, so that "OK" stores the one mended and keeps the other.
TEST_F(CheckTest, AnIntervalsFindingSetsTheIntervalNumberAndItsValues) {
  TCaseData d = SoundCase(4);
  EXPECT_TRUE(d.SetDuration(3, 2.5));
  EXPECT_TRUE(d.SetLoad(3, 0));
  Open(d);
  TCheckWindow* check = PressF7();
  ASSERT_NE(check, nullptr);
  ASSERT_EQ(check->Findings().size(), 1u);
  EXPECT_EQ(check->ListBox1->Item(0), "Erro: Intervalo 3: \"Carga (MW):\" não informada.");

  DoubleClickRow(check->ListBox1, 0);
  ExpectFocusIn(form->LabeledEdit4);
  EXPECT_EQ(form->LabeledEdit2->Text(), "3");
  EXPECT_EQ(form->LabeledEdit3->Text(), "2,5");
  EXPECT_EQ(form->LabeledEdit4->Text(), "0");
  Type("650");
  Click(form->Button3);
  EXPECT_EQ(form->CaseData.loads[2], 650.0);
  EXPECT_EQ(form->CaseData.durations[2], 2.5);
  EXPECT_TRUE(recorder.Boxes().empty()) << recorder.Texts()[0];
  ASSERT_TRUE(QTest::qWaitFor([&] { return check->Findings().empty(); }, 2000));
}

// A parameter's finding opens the algorithm dialog at its edit.
TEST_F(CheckTest, AParametersFindingOpensTheDialogAtItsEdit) {
  TCaseData d = SoundCase(2);
  d.alg.Rho = 1;
  Open(d);
  TCheckWindow* check = PressF7();
  ASSERT_NE(check, nullptr);
  ASSERT_EQ(check->Findings().size(), 1u);
  ASSERT_EQ(check->Findings()[0].field, "Rho");
  bool focused = false;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(QTest::qWaitFor([] { return Form2 != nullptr && Form2->Modal(); }, 5000));
    TLabeledEdit* rho = Form2->ParameterEdit(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == rho->Widget(); }, 5000));
    focused = rho->Text() == "1";
    Form2->Close();
  });
  DoubleClickRow(check->ListBox1, 0);
  EXPECT_TRUE(focused);
}

// A bad text still in a field that stores on leaving: F7 runs its leave
// handler first, with its real box.
TEST_F(CheckTest, F7StoresTheFocusedFieldFirstWithItsRealBox) {
  Open(SoundCase(2));
  TabTo(form->LabeledEdit8);
  Type("abc");
  zktest::RealBoxes boxes;
  TCheckWindow* check = PressF7();
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kInvalid});
  EXPECT_EQ(form->LabeledEdit8->Text(), "0");
  EXPECT_TRUE(check->Findings().empty());
}

// The window's own menu: a right-click on a group box's background or the
// window's, not on an edit or the memo, which keep theirs.
TEST_F(CheckTest, TheWindowsMenuHoldsTheMemosEntriesAndTheNewOnes) {
  const std::vector<std::string> expected = {"Colar tabela de intervalos", "Copiar tabela de intervalos",
                                             "Ver perfil de carga", "", "Abrir caso…", "Verificar caso",
                                             "Comparar com caso salvo…"};
  EXPECT_EQ(RightClick(form->GroupBox2->Widget(), QPoint(250, 100)), expected);
  Reactivate();
  EXPECT_EQ(RightClick(form->ClientArea(), QPoint(20, 300)), expected);
  Reactivate();
  const std::vector<std::string> edit = RightClick(form->LabeledEdit6->Widget(), QPoint(5, 5));
  EXPECT_FALSE(edit.empty());
  EXPECT_EQ(std::find(edit.begin(), edit.end(), "Verificar caso"), edit.end());
  const std::vector<std::string> entries = form->MenuEntries();
  EXPECT_EQ(entries[4], "Abrir caso…\tCtrl+O");
  EXPECT_EQ(entries[5], "Verificar caso\tF7");

  Reactivate();
  RightClick(form->GroupBox3->Widget(), QPoint(250, 70), "Verificar caso");
  ASSERT_NE(form->CheckWindow(), nullptr);
  EXPECT_TRUE(form->CheckWindow()->Visible());
  EXPECT_FALSE(form->CheckWindow()->Findings().empty());  // a new case has no base power
}

TEST_F(CheckTest, CtrlOOpensTheCaseChosenInTheFileDialog) {
  const std::string path = Put("escolhido.dad", SoundCase(3), "Escolhido");
  FileDialogAnswer answer(path);
  Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(answer.Shown());
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->LabeledEdit22->Text() == "Escolhido"; }, 5000));
  EXPECT_EQ(form->CaseData.N, 3);
}

// Two cases that differ in the title, one scalar, one parameter and two
// intervals: the compare window lists those five; the profile shows the
// saved case beside the record's; the list follows the record.
TEST_F(CheckTest, CompareWindowListsTheDifferencesAgainstASavedFile) {
  const TCaseData a = SoundCase(20);
  Open(a, "Caso A");
  TCaseData b = SoundCase(20);
  b.Ptmax = 420;
  b.alg.Maxit = 60;
  EXPECT_TRUE(b.SetLoad(3, 650));
  EXPECT_TRUE(b.SetDuration(17, 2.25));
  const std::string path = Put("caso_b.dad", b, "Caso B");

  form->ShowLoadProfile(nullptr);
  FileDialogAnswer answer(path);
  RightClick(form->ClientArea(), QPoint(20, 300), "Comparar com caso salvo…");
  EXPECT_TRUE(answer.Shown());
  TCompareWindow* compare = form->CompareWindow();
  ASSERT_NE(compare, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(compare->Widget()));
  const std::vector<std::string> rows = {"Título do caso em estudo: \"Caso A\" → \"Caso B\"", "Pt (max): 400 → 420",
                                         "Maxit: 30 → 60", "Carga (MW), intervalo 3: 303 → 650",
                                         "Duração (horas), intervalo 17: 1,5 → 2,25"};
  std::vector<std::string> shown;
  for (int i = 0; i < compare->ListBox1->Count(); ++i) shown.push_back(compare->ListBox1->Item(i));
  EXPECT_EQ(shown, rows);

  TLoadProfileWindow* profile = form->LoadProfileWindow();
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(profile->ComparisonName(), "Carga (MW) em caso_b.dad");
  const std::vector<TProfilePoint> second = profile->ComparisonPoints();
  const TLoadProfile expected = BuildLoadProfile(b.durations.data(), b.loads.data(), 20, 10000);
  EXPECT_EQ(second, expected.steps);
  EXPECT_NE(profile->StepPoints(), second);

  // "Pt (max):" typed as the saved case has it, and left: one fewer.
  Reactivate();
  TabTo(form->LabeledEdit10);
  Type("420");
  Tab();
  ASSERT_TRUE(QTest::qWaitFor([&] { return compare->Differences().size() == 4; }, 2000));
  EXPECT_EQ(compare->ListBox1->Item(1), "Maxit: 30 → 60");

  // A double-click on a difference goes to its field too.
  DoubleClickRow(compare->ListBox1, 3);
  ExpectFocusIn(form->LabeledEdit3);
  EXPECT_EQ(form->LabeledEdit2->Text(), "17");

  compare->Close();
  EXPECT_TRUE(profile->ComparisonPoints().empty());
}

TEST_F(CheckTest, AFileThatCannotBeReadIsNamedAndNothingIsCompared) {
  const std::string path = folder.path().toStdString() + "/estragado.dad";
  std::ofstream(path, std::ios::binary) << "Titulo\r\n         x\r\n";
  FileDialogAnswer answer(path);
  form->CompareWithSavedCase(nullptr);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_NE(recorder.Boxes()[0].text.find("Linha 2"), std::string::npos) << recorder.Boxes()[0].text;
  ASSERT_NE(form->CompareWindow(), nullptr);
  EXPECT_FALSE(form->CompareWindow()->Visible());
}

}  // namespace
