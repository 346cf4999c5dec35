// A field's "Caracter inválido!" on the way to a button, with the real modal
// box and the press and release going through the window as a mouse's do:
// the field's handler runs first, then the button's, once.
#include <QPushButton>
#include <QTimer>

#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"

namespace {

struct ClickCase {
  const char* name;
  TButton* TForm1::*button;
  TLabeledEdit* TForm1::*field;
  bool box_on_leaving;  // a leave-bound field; a change-bound one answered while typed
};

const ClickCase kClickCases[] = {
    {"GravarAfterC0", &TForm1::Button1, &TForm1::LabeledEdit6, true},
    {"OkAfterC0", &TForm1::Button3, &TForm1::LabeledEdit6, true},
    {"DialogAfterC0", &TForm1::Button2, &TForm1::LabeledEdit6, true},
    {"GravarAfterZeta0", &TForm1::Button1, &TForm1::LabeledEdit16, false},
    {"OkAfterZeta0", &TForm1::Button3, &TForm1::LabeledEdit16, false},
    {"DialogAfterZeta0", &TForm1::Button2, &TForm1::LabeledEdit16, false},
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class ClickAfterBox : public MainWindowTest, public ::testing::WithParamInterface<ClickCase> {
protected:
  ScopedTempCwd cwd;
};

TEST_P(ClickAfterBox, ButtonRunsOnceAfterTheFieldAndComesUp) {
  const ClickCase& c = GetParam();
  ASSERT_TRUE(cwd.ok());
  // Interval 1 stored and a file name: "GRAVAR" then writes without a word.
  TabTo(form->LabeledEdit3);
  Type("1");
  Tab();
  Type("2");
  Click(form->Button3);
  TabTo(form->LabeledEdit21);
  Type("c");
  const int lines = form->Memo1->LineCount();

  TButton* button = form->*c.button;
  int runs = 0;
  const TNotifyEvent handler = button->OnClick;
  button->OnClick = [&](TObject* sender) {
    ++runs;
    handler(sender);
  };
  int dialogs = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (Form2 != nullptr && Form2->Widget()->isVisible()) {
      ++dialogs;
      Form2->Close();
    }
  });
  closer.start(5);

  TLabeledEdit* field = form->*c.field;
  Click(field);
  Type("abc");
  recorder.Clear();
  QWidget* target = button->Widget();
  {
    // The mouse comes up while the box is shown, or after the press when
    // there is none.
    bool released = false;
    zktest::RealBoxes boxes([&] {
      zktest::WindowRelease(target);
      released = true;
    });
    zktest::WindowPress(target);
    if (!released) zktest::WindowRelease(target);
    zktest::Settle(20);
    EXPECT_EQ(boxes.Texts(), c.box_on_leaving ? std::vector<std::string>{kInvalid} : std::vector<std::string>{});
  }
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(button->Qt()->isDown());
  EXPECT_EQ(field->Text(), "0");
  EXPECT_EQ(FileExists("c.dad"), c.button == &TForm1::Button1);
  EXPECT_EQ(form->Memo1->LineCount(), lines + (c.button == &TForm1::Button3 ? 1 : 0));
  EXPECT_EQ(dialogs, c.button == &TForm1::Button2 ? 1 : 0);
  EXPECT_TRUE(recorder.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, ClickAfterBox, ::testing::ValuesIn(kClickCases),
                         [](const ::testing::TestParamInfo<ClickCase>& info) { return info.param.name; });

}  // namespace
