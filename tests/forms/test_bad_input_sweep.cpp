// Bad input into every field of both windows, pasted as a user would: the
// program never crashes or hangs, answers with a known box, stores no
// infinity, keeps the table usable, and writes either nothing or exactly the
// case the record holds. The table of what happened goes to sweep.md.

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "case/CaseFile.h"
#include "tests/case/StatusText.h"
#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"

namespace {

struct Input {
  const char* label;
  std::string text;
};

std::vector<Input> Inputs() {
  // Nines: in the count field the ten that fit are beyond a 32-bit integer.
  const std::string long_text(10000, '9');
  return {
      {"empty", ""},
      {"blanks", "   "},
      {"10,000 digits", long_text},
      {"tab", "1\t2"},
      {"control U+0001", "1\x01"},
      {"DEL", "\x7f"},
      {"outside cp1252 (ł)", "ł"},
      {"emoji", "😀"},
      {"1E400", "1E400"},
      {"-0", "-0"},
      {"$FF", "$FF"},
  };
}

// A table cell: control characters as "?", long texts cut (never inside a
// UTF-8 sequence) with their length.
std::string Short(const std::string& s, std::size_t keep = 18) {
  std::size_t cut = std::min(keep, s.size());
  while (cut < s.size() && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) ++cut;
  std::string out;
  for (unsigned char ch : s.substr(0, cut)) out += ch < 32 || ch == 127 ? '?' : static_cast<char>(ch);
  if (cut < s.size()) out += "…(" + std::to_string(s.size()) + " bytes)";
  return out;
}

// One table per test (ctest runs them as separate processes):
// sweep-<test>.md in the build folder.
std::ofstream& Report() {
  static std::ofstream out;
  if (!out.is_open()) {
    const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    out.open(std::string(ZK_SWEEP_REPORT_DIR) + "/sweep-" + test + ".md");
    out << "| window | field | input | boxes | field after | file |\n|---|---|---|---|---|---|\n";
  }
  return out;
}

bool AllFinite(const TCaseData& d) {
  for (double v : {d.base, d.c0, d.c, d.q, d.a0, d.a1, d.Ptmin, d.Ptmax, d.Vtot, d.Phmin, d.Phmax, d.Zeta0, d.Zetat,
                   d.Zetah, d.Gammat, d.Gammah, d.alg.Epsext, d.alg.Rhoext, d.alg.xnl, d.alg.x0, d.alg.xlowbd,
                   d.alg.y0, d.alg.z0, d.alg.Rho, d.alg.Epsln, d.alg.Bigm, d.alg.Sigma, d.alg.Epslnp, d.alg.Epslmek,
                   d.alg.Mu0}) {
    if (!std::isfinite(v)) return false;
  }
  for (std::size_t i = 0; i < d.durations.size(); ++i) {
    if (!std::isfinite(d.durations[i]) || !std::isfinite(d.loads[i])) return false;
  }
  return true;
}

class Sweep : public MainWindowTest {
protected:
  // Selects the whole text of the focused edit and pastes over it.
  static void Paste(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    Key(Qt::Key_A, Qt::ControlModifier);
    if (text.empty()) {
      Key(Qt::Key_Backspace);
    } else {
      Key(Qt::Key_V, Qt::ControlModifier);
    }
  }

  // Enters one complete interval, so that "GRAVAR" gets as far as writing.
  void EnterOneInterval() {
    TabTo(form->LabeledEdit3);
    Type("10");
    Tab();
    Type("500");
    Click(form->Button3);
  }

  std::string SaveAndCheck(const std::string& name) {
    form->LabeledEdit21->SetText(name);
    const std::size_t before = recorder.Boxes().size();
    Click(form->Button1);
    std::string file_name;
    std::string path;
    const bool name_ok = MessageOf(CheckBaseName(form->LabeledEdit21->Text(), {}), &path).empty();
    if (name_ok && FileExists(path)) {
      std::string title;
      EXPECT_TRUE(MessageOf(CheckTitle(form->LabeledEdit22->Text()), &title).empty());
      EXPECT_EQ(ReadFile(path), FormatCaseFileToString(form->CaseData, title)) << "wrong file " << path;
      std::remove(path.c_str());
      EXPECT_EQ(recorder.Boxes().size(), before) << "a box although the file was written";
      return "written, exact";
    }
    EXPECT_GT(recorder.Boxes().size(), before) << "nothing written and nothing said";
    return "not written";
  }

  void CheckBoxes() {
    static const std::set<std::string> captions = {"ERRO!", "ATENÇÃO!", "ZORMEK_GUI"};
    for (const RecordedBox& b : recorder.Boxes()) {
      EXPECT_TRUE(captions.count(b.caption)) << b.caption;
      EXPECT_FALSE(b.text.empty());
      EXPECT_TRUE(b.error_icon);
    }
  }

  std::string BoxTexts() const {
    // Runs of the same text are counted: "Carga não informada! ×100".
    std::string s;
    for (std::size_t i = 0; i < recorder.Boxes().size();) {
      std::size_t j = i;
      while (j < recorder.Boxes().size() && recorder.Boxes()[j].text == recorder.Boxes()[i].text) ++j;
      if (!s.empty()) s += "; ";
      s += Short(recorder.Boxes()[i].text, 60);
      if (j - i > 1) s += " ×" + std::to_string(j - i);
      i = j;
    }
    return s.empty() ? "none" : s;
  }

  // Every input into each named field of the main window, then "GRAVAR".
  void SweepMainFields(std::initializer_list<const char*> fields) {
    ASSERT_TRUE(cwd.ok());
    for (const char* name : fields) {
      for (const Input& input : Inputs()) {
        SCOPED_TRACE(std::string(name) + " <- " + input.label);
        TearDown();
        SetUp();
        recorder.Clear();
        EnterOneInterval();
        auto* edit = dynamic_cast<TLabeledEdit*>(form->FindControl(name));
        ASSERT_NE(edit, nullptr);
        TabTo(edit);
        Paste(input.text);
        Tab();
        if (edit == form->LabeledEdit3 || edit == form->LabeledEdit4 || edit == form->LabeledEdit2) {
          TabTo(form->Button3);
          Key(Qt::Key_Space);
        }
        const std::string after = edit->Text();
        const std::string file = edit == form->LabeledEdit21 ? SaveAndCheck(edit->Text()) : SaveAndCheck("sweep");
        CheckBoxes();
        EXPECT_TRUE(AllFinite(form->CaseData));
        EXPECT_GE(form->CaseData.N, 1);
        EXPECT_EQ(form->CaseData.durations.size(), static_cast<std::size_t>(form->CaseData.N));
        if (edit->MaxLength() > 0) {
          EXPECT_LE(QString::fromStdString(after).size(), edit->MaxLength());
        }
        Report() << "| main | " << edit->EditLabel()->Caption() << " | " << input.label << " | " << BoxTexts()
                 << " | " << Short(after) << " | " << file << " |\n";
      }
    }
  }

  // Every input into the dialog's fields first..last (visiting order), "OK",
  // then "GRAVAR".
  void SweepDialogFields(int first, int last);

  ScopedTempCwd cwd;
};

// Split in halves so that each stays well inside the per-test time limit,
// also under the sanitizers.
TEST_F(Sweep, IntervalAndPlantFields) {
  SweepMainFields({"LabeledEdit1", "LabeledEdit5", "LabeledEdit2", "LabeledEdit3", "LabeledEdit4", "LabeledEdit6",
                   "LabeledEdit7", "LabeledEdit8", "LabeledEdit9", "LabeledEdit10", "LabeledEdit12"});
}

TEST_F(Sweep, HydroLossAndFileFields) {
  SweepMainFields({"LabeledEdit13", "LabeledEdit14", "LabeledEdit15", "LabeledEdit11", "LabeledEdit16",
                   "LabeledEdit17", "LabeledEdit18", "LabeledEdit19", "LabeledEdit20", "LabeledEdit22",
                   "LabeledEdit21"});
}

TEST_F(Sweep, DialogFirstGroup) { SweepDialogFields(1, 8); }
TEST_F(Sweep, DialogOtherGroups) { SweepDialogFields(9, 19); }

void Sweep::SweepDialogFields(int first, int last) {
  ASSERT_TRUE(cwd.ok());
  for (int n = first; n <= last; ++n) {
    for (const Input& input : Inputs()) {
      TearDown();
      SetUp();
      EnterOneInterval();
      recorder.Clear();
      std::string caption;
      std::string after;
      bool stayed_open = false;
      QTimer::singleShot(0, [&] {
        TForm2* d = Form2;
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(zktest::WaitUntilActive(d->Widget()));
        TLabeledEdit* edit = d->ParameterEdit(n);
        caption = edit->EditLabel()->Caption();
        edit->SetFocus();
        Paste(input.text);
        after = edit->Text();
        QTest::mouseClick(d->Button1->Widget(), Qt::LeftButton);
        stayed_open = d->Widget()->isVisible();
        if (stayed_open) {
          d->Close();
        }
      });
      SCOPED_TRACE("dialog field " + std::to_string(n) + " <- " + input.label);
      Click(form->Button2);
      ASSERT_EQ(Form2, nullptr);
      form->Widget()->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
      if (stayed_open) {
        EXPECT_FALSE(recorder.Boxes().empty()) << "refused without a message";
      }
      EXPECT_TRUE(AllFinite(form->CaseData));
      const std::size_t boxes_before_save = recorder.Boxes().size();
      const std::string file = SaveAndCheck("sweep");
      recorder.KeepFirst(boxes_before_save);
      CheckBoxes();
      Report() << "| dialog | " << caption << " | " << input.label << " | " << BoxTexts() << " | " << Short(after)
               << " | " << (stayed_open ? "dialog stayed open, " : "stored, ") << file << " |\n";
    }
  }
}

}  // namespace
