// The application object: the error display behind every dispatch, the
// message box, owned forms and the event loop.
#include <QApplication>
#include <QMessageBox>
#include "toolkit/Widgets.h"
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "tests/toolkit/TestForm.h"
#include "toolkit/MessageBox.h"

using namespace zktest;

namespace {

struct DisplayCase {
  const char* message;
  const char* shown;
};

// "." is appended when the last character's code is above 46.
const DisplayCase kDisplayCases[] = {
    {"abc", "abc."},
    {"x!", "x!"},
    {"a)", "a)"},
    {"", ""},
    {"'1.5' is not a valid floating point value", "'1.5' is not a valid floating point value."},
    {"'' is not a valid integer value", "'' is not a valid integer value."},
    {"ends with a digit 7", "ends with a digit 7."},
    {"ends with a dot.", "ends with a dot."},
    {"ends with a slash/", "ends with a slash/."},  // "/" is 47
    {"ends with a minus-", "ends with a minus-"},
    {"ends with a comma,", "ends with a comma,"},
    {"ends with a quote'", "ends with a quote'"},
    {"ends with a blank ", "ends with a blank "},
    {"ã", "ã."},
    {"Caracter inválido", "Caracter inválido."},
    {"€", "€."},
};

TEST(ErrorDisplay, AppendsAPeriodAfterCodesAbove46) {
  for (const DisplayCase& c : kDisplayCases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(TApplication::ErrorDisplayText(c.message), c.shown);
  }
}

TEST(ErrorDisplay, ShowsTheMessageWithTheTitleAndErrorIcon) {
  ASSERT_NE(Application, nullptr);
  EXPECT_EQ(Application->Title(), "ZORMEK_GUI");
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  MessageBoxRecorder boxes;
  Application->ShowException("'x' is not a valid integer value");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "'x' is not a valid integer value.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "ZORMEK_GUI");
  EXPECT_TRUE(boxes.Boxes()[0].error_icon);
  EXPECT_EQ(boxes.Boxes()[0].owner, &form);
}

// An exception leaving a handler is shown and the dispatch simply ends: the
// loop goes on with the state the handler left.
TEST(Dispatch, ShowsWhatAHandlerThrowsAndTheLoopGoesOn) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  MessageBoxRecorder boxes;
  int stored = 0;
  form.Edit("First")->OnChange = [&](TObject*) {
    ++stored;  // done before the failure: stays done
    if (form.Edit("First")->Text() == "12") throw std::runtime_error("'12' is not a valid floating point value");
  };
  form.Line("First")->end(false);
  Type("23");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "'12' is not a valid floating point value.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "ZORMEK_GUI");
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(form.Edit("First")->Text(), "123");  // the second key was handled too
  Tab();
  EXPECT_EQ(QApplication::focusWidget(), form.Line("Number"));
}

TEST(Dispatch, EveryKindOfHandlerIsCaught) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  MessageBoxRecorder boxes;
  form.Button("Save")->OnClick = [](TObject*) { throw std::logic_error("click"); };
  form.Edit("Number")->OnEnter = [](TObject*) { throw std::runtime_error("enter"); };
  form.Edit("First")->OnExit = [](TObject*) { throw 42; };  // not a std::exception: empty message
  form.Memo("List")->OnDblClick = [](TObject*) { throw std::runtime_error("dbl!"); };
  Tab();                             // exit First, enter Number
  Click(form.Button("Save")->Qt());  // click
  DoubleClick(form.Memo("List")->Qt()->viewport(), QPoint(5, 5));
  std::vector<std::string> texts;
  for (const auto& box : boxes.Boxes()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"", "enter.", "click.", "dbl!"}));
  EXPECT_TRUE(form.Widget()->isVisible());
}

TEST(Dispatch, EmptyHandlerAndMissingApplication) {
  MessageBoxRecorder boxes;
  TApplication::Dispatch(TNotifyEvent(), nullptr);
  TObject sender;
  TObject* seen = nullptr;
  TApplication::Dispatch([&](TObject* s) { seen = s; }, &sender);
  EXPECT_EQ(seen, &sender);
  TApplication* saved = Application;
  Application = nullptr;
  TApplication::Dispatch([](TObject*) { throw std::runtime_error("nobody to show it"); }, nullptr);
  Application = saved;
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(Dispatch, AnErrorInsideAModalFormLeavesItOpen) {
  TestForm dialog;
  MessageBoxRecorder boxes;
  dialog.Button("Save")->OnClick = [](TObject*) { throw std::runtime_error("'a' is not a valid integer value"); };
  bool open_after = false;
  QTimer::singleShot(0, [&] {
    dialog.Button("Save")->Click();
    open_after = dialog.Widget()->isVisible() && dialog.Modal();
    dialog.Close();
  });
  dialog.ShowModal();
  EXPECT_TRUE(open_after);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].owner, &dialog);
}

// Without a presenter the real box: modal, error icon, one OK, caption and
// text, owned by the given window.
TEST(MessageBox, RealBoxIsModalWithOneOkAndTheErrorIcon) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;  // the watchdog ends a hung run
    seen = true;
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->windowTitle(), "ERRO!");
    EXPECT_EQ(box->text(), QString::fromUtf8("Caracter inválido!"));
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->parentWidget(), form.Widget());
    EXPECT_NE(box->windowModality(), Qt::NonModal);
    box->button(QMessageBox::Ok)->click();
  });
  ShowMessageBox(&form, "Caracter inválido!", "ERRO!");
  EXPECT_TRUE(seen);
}

// Texts that Qt would take for rich text are shown as they are, by the
// error display and by the windows' own boxes alike.
TEST(MessageBox, ShowsItsTextLiterally) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  const char* const texts[] = {"'<b>1</b>' is not a valid floating point value", "a&amp;b<i>", "<p>x</p>"};
  RealBoxes boxes;
  for (const char* text : texts) {
    ASSERT_TRUE(Qt::mightBeRichText(QString::fromUtf8(text))) << text;
    ShowMessageBox(&form, text, "ERRO!");
    Application->ShowException(text);
  }
  ASSERT_EQ(boxes.Boxes().size(), 2 * std::size(texts));
  for (std::size_t i = 0; i < boxes.Boxes().size(); ++i) {
    const RealBoxes::Box& box = boxes.Boxes()[i];
    SCOPED_TRACE(box.text);
    const std::string text = texts[i / 2];
    EXPECT_EQ(box.text, i % 2 == 0 ? text : TApplication::ErrorDisplayText(text));
    EXPECT_EQ(box.caption, i % 2 == 0 ? "ERRO!" : "ZORMEK_GUI");
    EXPECT_EQ(box.label_format, Qt::PlainText);
    EXPECT_TRUE(box.critical);
    EXPECT_TRUE(box.application_modal);
  }
}

TEST(MessageBox, PresenterCanBeReplacedAndRestored) {
  std::vector<std::string> outer, inner;
  TMessageBoxPresenter before = SetMessageBoxPresenter([&](const TMessageBoxRequest& r) { outer.push_back(r.text); });
  {
    MessageBoxRecorder boxes;
    ShowMessageBox(nullptr, "one", "c");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].owner, nullptr);
  }
  ShowMessageBox(nullptr, "two", "c");
  EXPECT_EQ(outer, (std::vector<std::string>{"two"}));
  SetMessageBoxPresenter(std::move(before));
}

// ---- owned forms and the loop ---------------------------------------------------

TEST(Application, CreateFormMakesTheMainFormAndRunEndsWhenItCloses) {
  ASSERT_EQ(Application->MainForm(), nullptr);
  TestForm* main = nullptr;
  struct Made : TestForm {
    explicit Made(TObject* owner) : TestForm(kTestLayout, true, owner) {}
  };
  Made* made = nullptr;
  Application->CreateForm(made);
  main = made;
  ASSERT_EQ(Application->MainForm(), main);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = main->Widget()->isVisible();
    main->Close();
  });
  QTimer watchdog;  // a Run() that does not return fails instead of hanging
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(10000);
  EXPECT_EQ(Application->Run(), 0);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(main->Widget()->isVisible());
  delete main;  // released: no main form any more
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(Application, FormOwnedByTheApplicationIsReleasedWhenDeleted) {
  auto* form = new TForm(Application);
  auto* second = new TForm(Application);
  EXPECT_EQ(Application->MainForm(), nullptr);  // only CreateForm names the main form
  delete form;
  delete second;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

}  // namespace
