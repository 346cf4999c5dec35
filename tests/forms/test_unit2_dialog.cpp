// The algorithm-parameters dialog, run modally from the main window's button
// and driven from inside its modal loop.

#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <cmath>
#include <cstring>

#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"

namespace {

struct DefaultText {
  const char* edit;
  const char* caption;
  const char* text;
};

const DefaultText kDefaults[] = {
    {"LabeledEdit1", "Rho:", "0,95"},        {"LabeledEdit2", "Epsln:", "0,0001"},
    {"LabeledEdit3", "Maxit:", "30"},        {"LabeledEdit4", "Bigm:", "100000000"},
    {"LabeledEdit5", "Sigma:", "0,01"},      {"LabeledEdit6", "Epslnp:", "1E-5"},
    {"LabeledEdit7", "Epslmek:", "1E-20"},   {"LabeledEdit8", "Mu0:", "5"},
    {"LabeledEdit9", "x0:", "1"},            {"LabeledEdit10", "xlowbd:", "-1"},
    {"LabeledEdit11", "y0:", "0"},           {"LabeledEdit12", "z0:", "1"},
    {"LabeledEdit13", "xnl:", "0"},          {"LabeledEdit14", "iprint:", "0"},
    {"LabeledEdit15", "nu:", "40"},          {"LabeledEdit16", "nd:", "30"},
    {"LabeledEdit17", "klim:", "10"},        {"LabeledEdit18", "Rhoext:", "0,995"},
    {"LabeledEdit19", "Epsext:", "0,0001"},
};

bool SameBits(const TAlgorithmParameters& a, const TAlgorithmParameters& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class Dialog : public MainWindowTest {
protected:
  // Presses "Configurar Parâmetros do Algoritmo" and runs `inside` once the
  // dialog is up and active; returns after the modal loop has ended.
  void OpenDialog(const std::function<void(TForm2*)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      TForm2* dialog = Form2;
      ASSERT_NE(dialog, nullptr);
      ASSERT_TRUE(zktest::WaitUntilActive(dialog->Widget()));
      ran = true;
      inside(dialog);
      if (Form2 != nullptr && Form2->Widget()->isVisible()) Form2->Close();  // a failed check must not hang
    });
    Click(form->Button2);
    EXPECT_TRUE(ran);
    EXPECT_EQ(Form2, nullptr);
    form->Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }
  static void Retype(TForm2* d, int n, const char* text) {
    d->ParameterEdit(n)->SetFocus();
    d->ParameterEdit(n)->SelectAll();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(text));
    ASSERT_EQ(d->ParameterEdit(n)->Text(), text);
  }
  static void PressOk(TForm2* d) { QTest::mouseClick(d->Button1->Widget(), Qt::LeftButton); }
  TAlgorithmParameters& Params() { return form->CaseData.alg; }
};

TEST_F(Dialog, ShowsTheDefaultsAndEnterAtOnceChangesNothing) {
  const TAlgorithmParameters before = Params();
  OpenDialog([&](TForm2* d) {
    EXPECT_EQ(d->Caption(), "ZORMEK - Parâmetros do Algoritmo");
    for (const DefaultText& row : kDefaults) {
      auto* edit = dynamic_cast<TLabeledEdit*>(d->FindControl(row.edit));
      ASSERT_NE(edit, nullptr) << row.edit;
      EXPECT_EQ(edit->Text(), row.text) << row.edit;
      EXPECT_EQ(edit->EditLabel()->Caption(), row.caption) << row.edit;
    }
    EXPECT_EQ(QApplication::focusWidget(), d->Button1->Widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(d->Widget()->isVisible());
  });
  EXPECT_TRUE(SameBits(Params(), before));
  EXPECT_TRUE(recorder.Boxes().empty());
}

TEST_F(Dialog, ClosingWithoutOkStoresNothing) {
  OpenDialog([&](TForm2* d) {
    Retype(d, 1, "0,5");
    d->Widget()->close();  // the title bar's close button
  });
  EXPECT_EQ(Params().Rho, 0.95);
  OpenDialog([&](TForm2* d) { EXPECT_EQ(d->LabeledEdit1->Text(), "0,95"); });
}

TEST_F(Dialog, OkStoresAndTheNextDialogShowsTheStoredValues) {
  OpenDialog([&](TForm2* d) {
    Retype(d, 1, "0,5");
    Retype(d, 3, "-5");
    Retype(d, 17, "-3");
    Retype(d, 6, "2E-7");
    PressOk(d);
  });
  EXPECT_EQ(Params().Rho, 0.5);
  EXPECT_EQ(Params().Maxit, -5);
  EXPECT_EQ(Params().klim, -3);
  EXPECT_EQ(Params().Epslnp, 2e-7);
  OpenDialog([&](TForm2* d) {
    EXPECT_EQ(d->LabeledEdit1->Text(), "0,5");
    EXPECT_EQ(d->LabeledEdit6->Text(), "2E-7");
  });
}

TEST_F(Dialog, AFailingMaxitStopsThereAndTheDialogStaysOpen) {
  Params().Epsln = 0.00012345678901234567;  // more digits than the display shows
  OpenDialog([&](TForm2* d) {
    Retype(d, 1, "0,5");
    Retype(d, 3, "abc");
    Retype(d, 4, "7");
    PressOk(d);
    EXPECT_TRUE(d->Widget()->isVisible());
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].text, "'abc' is not a valid integer value.");
    EXPECT_EQ(recorder.Boxes()[0].caption, "ZORMEK_GUI");
    EXPECT_EQ(d->LabeledEdit3->Text(), "abc");
    d->Widget()->close();
  });
  EXPECT_EQ(Params().Rho, 0.5);
  EXPECT_EQ(Params().Epsln, 0.000123456789012346);  // re-converted from its display
  EXPECT_EQ(Params().Maxit, 30);
  EXPECT_EQ(Params().Bigm, 1e8);
}

TEST_F(Dialog, IprintIsVisitedBeforeNu) {
  OpenDialog([&](TForm2* d) {
    Retype(d, 13, "2");   // xnl
    Retype(d, 14, "x");   // iprint
    Retype(d, 15, "99");  // nu
    PressOk(d);
    EXPECT_TRUE(d->Widget()->isVisible());
  });
  EXPECT_EQ(Params().xnl, 2.0);
  EXPECT_EQ(Params().iprint, 0);
  EXPECT_EQ(Params().nu, 40);
}

TEST_F(Dialog, RefusedTexts) {
  struct Row {
    int edit;
    const char* text;
    const char* message;
  };
  const Row rows[] = {
      {1, "0.5", "'0.5' is not a valid floating point value."},
      {2, "", "'' is not a valid floating point value."},
      {3, "", "'' is not a valid integer value."},
      {4, "1E400", "'1E400' is not a valid floating point value."},
      {15, "4,0", "'4,0' is not a valid integer value."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    recorder.Clear();
    const TAlgorithmParameters before = Params();
    OpenDialog([&](TForm2* d) {
      Retype(d, row.edit, row.text);
      PressOk(d);
      EXPECT_TRUE(d->Widget()->isVisible());
    });
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].text, row.message);
    EXPECT_TRUE(SameBits(Params(), before));  // earlier fields re-stored unchanged
    EXPECT_FALSE(std::isinf(Params().Bigm));
  }
}

// The text that failed is quoted as typed, also where it looks like markup.
TEST_F(Dialog, TheFailingTextIsShownLiterally) {
  const char* const typed[] = {"<b>1</b>", "a&amp;b<i>"};
  std::vector<zktest::RealBoxes::Box> shown;
  OpenDialog([&](TForm2* d) {
    zktest::RealBoxes boxes;
    for (const char* text : typed) {
      ASSERT_TRUE(zktest::WaitUntilActive(d->Widget()));
      Retype(d, 1, text);
      PressOk(d);
    }
    shown = boxes.Boxes();
  });
  ASSERT_EQ(shown.size(), 2u);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].text, std::string("'") + typed[i] + "' is not a valid floating point value.");
    EXPECT_EQ(shown[i].label_format, Qt::PlainText);
  }
  EXPECT_EQ(Params().Rho, 0.95);
}

// A value longer than its field opens showing its start, as every field
// does; what lies left of the field's edge is the first character.
TEST_F(Dialog, ALongValueShowsItsStart) {
  Params().Bigm = 1.23456789012346e20;
  OpenDialog([&](TForm2* d) {
    QLineEdit* bigm = d->LabeledEdit4->Qt();
    ASSERT_EQ(d->LabeledEdit4->Text(), "1,23456789012346E20");
    ASSERT_GT(bigm->fontMetrics().horizontalAdvance(bigm->text()), bigm->width()) << "the value must not fit";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d->Widget()));
    QTest::qWait(20);  // painted: the edit has chosen what it shows
    for (int n = 1; n <= 19; ++n) {
      QLineEdit* edit = d->ParameterEdit(n)->Qt();
      EXPECT_EQ(edit->cursorPositionAt(QPoint(edit->contentsRect().left() + 3, edit->height() / 2)), 0) << n;
    }
  });
}

TEST_F(Dialog, EscapeDoesNothing) {
  OpenDialog([&](TForm2* d) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(d->Widget()->isVisible());
    d->LabeledEdit2->SetFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter in an edit presses nothing
    EXPECT_TRUE(d->Widget()->isVisible());
    d->Widget()->close();
  });
}

TEST_F(Dialog, CentredOverTheMainWindow) {
  OpenDialog([&](TForm2* d) {
    EXPECT_EQ(d->OuterWidth(), 425);
    EXPECT_EQ(d->OuterHeight(), 573);
    const int left = std::max(0, form->Left() + (form->OuterWidth() - 425) / 2);
    const int top = std::max(0, form->Top() + (form->OuterHeight() - 573) / 2);
    EXPECT_EQ(d->Left(), left);
    EXPECT_EQ(d->Top(), top);
    EXPECT_FALSE(d->Widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
  });
}

TEST_F(Dialog, EveryLabelEndsClearOfItsNeighbour) {
  OpenDialog([&](TForm2* d) { EXPECT_EQ(zktest::LabelsRunningIntoNeighbours(*d), std::vector<std::string>{}); });
}

TEST_F(Dialog, ASmallDialogScrollsAndTheControlsStay) {
  OpenDialog([&](TForm2* d) {
    const QRect before = d->LabeledEdit19->Widget()->geometry();
    d->Widget()->resize(200, 150);
    QTest::qWait(50);
    auto* area = d->Widget()->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
    EXPECT_EQ(d->LabeledEdit19->Widget()->geometry(), before);
    EXPECT_EQ(d->LabeledEdit19->Width(), 73);
  });
}

TEST_F(Dialog, ChangedParametersReachTheCaseFile) {
  ScopedTempCwd cwd;
  ASSERT_TRUE(cwd.ok());
  TabTo(form->LabeledEdit3);
  Type("10");
  Tab();
  Type("500");
  Click(form->Button3);
  OpenDialog([&](TForm2* d) {
    Retype(d, 1, "0,9");   // Rho
    Retype(d, 3, "45");    // Maxit
    Retype(d, 9, "2");     // x0
    Retype(d, 14, "1");    // iprint
    PressOk(d);
  });
  TabTo(form->LabeledEdit21);
  Type("p");
  Click(form->Button1);
  ASSERT_TRUE(recorder.Boxes().empty()) << recorder.Boxes()[0].text;
  const std::string file = ReadFile("p.dad");
  EXPECT_NE(file.find("\r\n      2.00      2.00      2.00      2.00      2.00      2.00\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\n  9.00e-01  1.00e-04        45   1.0e+08  1.00e-02  1.00e-05  1.00e-20  5.00e+00\r\n"
                      "         1\r\n"),
            std::string::npos);
  EXPECT_EQ(file.size() - file.rfind("         1\r\n"), 12u);  // the last line
}

}  // namespace
