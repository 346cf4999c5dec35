// A case typed as a user would, from start-up to "GRAVAR".

#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"
#include "toolkit/Progress.h"

namespace {

class SaveCase : public MainWindowTest {
protected:
  // Interval 1 of a one-interval table: duration 1, load 2, "OK".
  void EnterOneInterval() {
    TabTo(form->LabeledEdit3);
    Type("1");
    Tab();
    Type("2");
    Click(form->Button3);
  }
  ScopedTempCwd cwd;
};

// The example case: two intervals, base power 100, plant and loss values
// left empty, default algorithm parameters.
TEST_F(SaveCase, TypicalCaseGivesTheExampleFileByteForByte) {
  ASSERT_TRUE(cwd.ok());
  Type("2");  // over the selected "1"
  Tab();
  Type("100");  // base power
  Tab();        // interval number "1"
  Tab();
  Type("10");
  Tab();
  Type("500");
  Click(form->Button3);
  QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  ASSERT_EQ(form->LabeledEdit2->Text(), "2");
  TabTo(form->LabeledEdit3);
  Type("14");
  Tab();
  Type("700");
  TabTo(form->Button3);
  Key(Qt::Key_Space);
  TabTo(form->LabeledEdit22);
  Type("Caso exemplo");
  Tab();
  Type("caso1");
  Tab();
  ASSERT_TRUE(HasFocus(form->Button1));
  Key(Qt::Key_Space);

  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"Todos os dados relativos aos intervalos foram apagados!"}));
  ASSERT_EQ(form->Memo1->LineCount(), 3);
  const std::string expected = ReadFile(ZK_GOLDEN_DIR "/caso_exemplo.dad");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadFile("caso1.dad"), expected);
  // The example case the README walks through is this very file.
  EXPECT_EQ(ReadFile(ZK_EXAMPLES_DIR "/exemplo.dad"), expected);
  // The window stays as it was.
  EXPECT_EQ(form->LabeledEdit21->Text(), "caso1");
  EXPECT_EQ(form->Memo1->LineCount(), 3);
}

TEST_F(SaveCase, MissingDurationIsReportedOnceAndNothingIsWritten) {
  ASSERT_TRUE(cwd.ok());
  Type("2");
  TabTo(form->LabeledEdit2);
  Type("2");
  Tab();
  Type("14");
  Tab();
  Type("700");
  Click(form->Button3);
  QTest::mouseClick(form->UpDown1->DownArrow(), Qt::LeftButton);
  ASSERT_EQ(form->LabeledEdit2->Text(), "1");
  // The fields keep interval 2's texts: emptying the duration puts "0" back.
  TabTo(form->LabeledEdit3);
  ClearFocused();
  ASSERT_EQ(form->LabeledEdit3->Text(), "0");
  Tab();
  Type("500");
  Click(form->Button3);
  TabTo(form->LabeledEdit21);
  Type("caso2");
  recorder.Clear();
  Click(form->Button1);
  // Interval 1's duration was stored as 0.0.
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{"Intervalo não informado!"}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(recorder.Boxes()[0].owner, form);
  EXPECT_FALSE(FileExists("caso2.dad"));
}

TEST_F(SaveCase, EveryMissingValueGetsItsOwnBoxDurationsFirst) {
  ASSERT_TRUE(cwd.ok());
  Type("3");
  recorder.Clear();
  Click(form->Button1);
  EXPECT_EQ(recorder.Texts(),
            (std::vector<std::string>{"Intervalo não informado!", "Intervalo não informado!", "Intervalo não informado!",
                                      "Carga não informada!", "Carga não informada!", "Carga não informada!"}));
  EXPECT_FALSE(FileExists(".dad"));
}

TEST_F(SaveCase, EmptyNameWritesDotDadAndBadTitlesAreRefused) {
  ASSERT_TRUE(cwd.ok());
  EnterOneInterval();
  Click(form->Button1);
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_TRUE(FileExists(".dad"));

  form->LabeledEdit22->SetText("linha\nquebrada");
  form->LabeledEdit21->SetText("caso3");
  Click(form->Button1);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_FALSE(FileExists("caso3.dad"));
}

TEST_F(SaveCase, ANameWithASlashIsRefused) {
  ASSERT_TRUE(cwd.ok());
  EnterOneInterval();
  TabTo(form->LabeledEdit21);
  Type("a/b");
  Click(form->Button1);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
  EXPECT_FALSE(FileExists("a/b.dad"));
}

// A save that lasts (held on its worker until the test has looked): a
// progress window without "Cancelar", its bar busy (the save gives no
// steps), the main window painted meanwhile and deaf to keys; then the
// file, whole, and the window as before.
TEST_F(SaveCase, ALongSaveShowsABusyProgressWindowAndTheWindowKeepsPainting) {
  ASSERT_TRUE(cwd.ok());
  EnterOneInterval();
  TabTo(form->LabeledEdit21);
  Type("longo");
  TProgress::SetDelayMsForTesting(0);
  std::atomic<bool> release{false};
  TProgress::SetWorkerHookForTesting([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  struct Restore {
    ~Restore() {
      TProgress::SetDelayMsForTesting(300);
      TProgress::SetWorkerHookForTesting(nullptr);
    }
  } restore;
  struct Paints : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++count;
      return false;
    }
  } paints;
  form->GroupBox4->Widget()->installEventFilter(&paints);
  std::string label;
  bool busy = false, cancellable = true, file_while_held = true;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QProgressDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) dialog = p;
    if (!dialog) return;
    poll.stop();
    label = dialog->labelText().toStdString();
    busy = dialog->minimum() == 0 && dialog->maximum() == 0;
    cancellable = dialog->findChild<QPushButton*>() != nullptr;
    paints.count = 0;
    form->GroupBox4->Widget()->update();
    QTest::qWait(50);  // the event loop turns while the save is held
    QTest::keyClick(form->LabeledEdit21->Qt(), Qt::Key_X);
    file_while_held = FileExists("longo.dad");
    release = true;
  });
  poll.start(5);
  Click(form->Button1);
  release = true;
  EXPECT_EQ(label, "Gravando o caso...");
  EXPECT_TRUE(busy);
  EXPECT_FALSE(cancellable);
  EXPECT_GE(paints.count, 1) << "the window was not painted while the save ran";
  EXPECT_FALSE(file_while_held);
  EXPECT_EQ(form->LabeledEdit21->Text(), "longo") << "a key reached the window during the save";
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_TRUE(FileExists("longo.dad"));
}

}  // namespace
