// Opening a saved case in the main window: from the command line, by a
// drop, with a bad file, a long file, and random cases written, opened and
// saved again through the real window.

#include <sys/stat.h>

#include <QClipboard>
#include <QMessageBox>
#include "toolkit/Widgets.h"
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <utility>

#include "app/Startup.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "tests/case/StatusText.h"
#include "case/Cp1252.h"
#include "toolkit/WindowText.h"
#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"
#include "toolkit/Progress.h"

namespace {

namespace fs = std::filesystem;

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

ino_t Inode(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::string Title1252(const std::string& utf8) {
  std::string bytes;
  EXPECT_EQ(MessageOf(CheckTitle(utf8), &bytes), "");
  return bytes;
}

// Values of every size and sign; durations and loads never round to 0.00,
// which "GRAVAR" would refuse.
class Values {
public:
  explicit Values(uint64_t seed) : rng_(seed) {}
  double Any() {
    static const double kCorners[] = {0.0, -0.0, DBL_MAX, -DBL_MIN, 1e40, 1e39, 0.125, -1234567.89, 1e-20, 5e-7};
    switch (rng_() % 4) {
      case 0: return kCorners[rng_() % std::size(kCorners)];
      case 1: {
        for (;;) {
          const uint64_t bits = rng_();
          double v;
          std::memcpy(&v, &bits, sizeof v);
          if (std::isfinite(v)) return v;
        }
      }
      case 2: return std::uniform_real_distribution<double>(-10, 10)(rng_) * std::pow(10.0, int(rng_() % 60) - 30);
      default: return static_cast<double>(static_cast<int64_t>(rng_() % 2000000) - 1000000) / 100.0;
    }
  }
  double Interval() {
    for (;;) {
      const double v = Any();
      if (std::fabs(v) >= 0.005) return v;
    }
  }
  int32_t Integer() { return static_cast<int32_t>(static_cast<uint32_t>(rng_())); }
  uint64_t Next() { return rng_(); }

private:
  std::mt19937_64 rng_;
};

TCaseData RandomCase(Values& v, int32_t n) {
  TCaseData d;
  EXPECT_TRUE(d.Create(n));
  for (int32_t k = 1; k <= n; ++k) {
    EXPECT_TRUE(d.SetDuration(k, v.Interval()));
    EXPECT_TRUE(d.SetLoad(k, v.Interval()));
  }
  TAlgorithmParameters& a = d.alg;
  for (double* x : {&d.base, &d.c0, &d.c, &d.q, &d.a0, &d.a1, &d.Ptmin, &d.Ptmax, &d.Vtot, &d.Phmin, &d.Phmax,
                    &d.Zeta0, &d.Zetat, &d.Zetah, &d.Gammat, &d.Gammah, &a.Epsext, &a.Rhoext, &a.xnl, &a.x0,
                    &a.xlowbd, &a.y0, &a.z0, &a.Rho, &a.Epsln, &a.Bigm, &a.Sigma, &a.Epslnp, &a.Epslmek, &a.Mu0}) {
    *x = v.Any();
  }
  for (int32_t* x : {&a.nu, &a.nd, &a.klim, &a.Maxit, &a.iprint}) *x = v.Integer();
  return d;
}

// Every text of the window, the memo and the record, to compare before and after.
struct Snapshot {
  std::vector<std::string> texts;
  std::vector<std::string> memo;
  std::string record;
  int updown_max = 0;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const TForm1& form) {
  Snapshot s;
  for (TControl* c : form.Controls()) {
    if (auto* e = dynamic_cast<TLabeledEdit*>(c)) s.texts.push_back(e->Name() + "=" + e->Text());
  }
  for (int i = 0; i < form.Memo1->LineCount(); ++i) s.memo.push_back(form.Memo1->Line(i));
  s.record = FormatCaseFileToString(form.CaseData, "");
  s.updown_max = form.UpDown1->Max();
  return s;
}

class OpenCase : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(cwd.ok());
    ASSERT_TRUE(folder.isValid());
    dir = fs::canonical(folder.path().toStdString()).string();
  }
  void TearDown() override {
    TProgress::SetDelayMsForTesting(300);
    TProgress::SetWorkerHookForTesting(nullptr);
    MainWindowTest::TearDown();
  }

  // The case written into the other folder, as "GRAVAR" writes it.
  std::string Put(const std::string& name, const TCaseData& d, const std::string& title) {
    const std::string path = dir + "/" + name;
    WriteBytes(path, FormatCaseFileToString(d, Title1252(title)));
    return path;
  }
  bool WaitOpened() {
    return QTest::qWaitFor([&] { return form->CaseFolder() == dir; }, 5000);
  }
  ScopedTempCwd cwd;        // where the program was started
  QTemporaryDir folder;     // where the case lives
  std::string dir;
};

TEST_F(OpenCase, StartedWithAFileShowsItAndSavesTheSameBytesBesideIt) {
  Values v(1);
  TCaseData d = RandomCase(v, 3);
  d.base = 100.0;
  d.c = 0.0;  // empty in the window
  d.durations[0] = 1.5;
  d.loads[0] = 300.0;
  const std::string path = Put("caso1.dad", d, "Usina São José — teste");
  const std::string bytes = ReadFile(path);
  TCaseData r;  // the values as the file holds them
  std::string title;
  ASSERT_EQ(MessageOf(ParseCaseFile(bytes, &r, &title)), "");

  OpenCaseOnStart(form, path);
  ASSERT_TRUE(WaitOpened());
  EXPECT_TRUE(recorder.Boxes().empty()) << recorder.Texts()[0];
  EXPECT_EQ(form->LabeledEdit1->Text(), "3");
  EXPECT_EQ(form->LabeledEdit2->Text(), "1");
  EXPECT_EQ(form->LabeledEdit3->Text(), "1,5");
  EXPECT_EQ(form->LabeledEdit4->Text(), "300");
  EXPECT_EQ(form->LabeledEdit5->Text(), "100");
  EXPECT_EQ(form->LabeledEdit7->Text(), "");
  EXPECT_EQ(form->LabeledEdit6->Text(), FormatRealText(r.c0));
  EXPECT_EQ(form->LabeledEdit11->Text(), FormatRealText(r.Phmax));
  EXPECT_EQ(form->LabeledEdit20->Text(), FormatRealText(r.Gammah));
  EXPECT_EQ(form->LabeledEdit22->Text(), "Usina São José — teste");
  EXPECT_EQ(form->LabeledEdit21->Text(), "caso1");
  EXPECT_EQ(form->UpDown1->Max(), 3);
  ASSERT_EQ(form->Memo1->LineCount(), 4);
  EXPECT_EQ(form->Memo1->Line(0), TForm1::kMemoHeader);
  EXPECT_EQ(form->Memo1->Line(1), "      1" + std::string(22, ' ') + "1,5" + std::string(22, ' ') + "300");
  EXPECT_EQ(form->Memo1->Line(3), "      3" + std::string(22, ' ') + FormatRealText(r.durations[2]) +
                                      std::string(22, ' ') + FormatRealText(r.loads[2]));
  EXPECT_EQ(FormatCaseFileToString(form->CaseData, Title1252(title)), bytes) << "the record as read";

  // "GRAVAR" at once: the same bytes, written anew beside the file.
  const ino_t before = Inode(path);
  Click(form->Button1);
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_NE(Inode(path), before) << "not written again";
  EXPECT_FALSE(FileExists("caso1.dad")) << "written where the program started";

  // "OK" on interval 1 as shown logs the line the opening logged for it.
  Click(form->Button3);
  ASSERT_EQ(form->Memo1->LineCount(), 5);
  EXPECT_EQ(form->Memo1->Line(4), form->Memo1->Line(1));
}

TEST_F(OpenCase, TheDialogShowsTheFilesParameters) {
  Values v(2);
  TCaseData d = RandomCase(v, 1);
  d.alg.Rho = 0.5;
  d.alg.Maxit = -7;
  d.alg.Epslmek = 1e-30;
  ASSERT_TRUE(form->OpenCaseFile(Put("p.dad", d, "")));
  std::vector<std::string> shown;
  QTimer::singleShot(0, [&] {
    ASSERT_NE(Form2, nullptr);
    for (int n : {1, 3, 7}) shown.push_back(Form2->ParameterEdit(n)->Text());
    Form2->Close();
  });
  Click(form->Button2);
  EXPECT_EQ(shown, (std::vector<std::string>{"0,5", "-7", "1E-30"}));
}

TEST_F(OpenCase, AFileDroppedOntoAnEditOpensAndIsNotPasted) {
  Values v(3);
  TCaseData d = RandomCase(v, 2);
  d.base = 42.0;
  const std::string path = Put("solto.dad", d, "solto");
  const std::string bytes = ReadFile(path);
  // Dropped as a file manager offers it (a move): taken as a copy.
  EXPECT_EQ(zktest::DropFiles(form->LabeledEdit5->Qt(), {path}), Qt::CopyAction);
  EXPECT_TRUE(form->CaseFolder().empty()) << "the open runs after the drop, not inside it";
  ASSERT_TRUE(WaitOpened());
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_EQ(form->LabeledEdit5->Text(), "42");
  EXPECT_EQ(form->LabeledEdit22->Text(), "solto");
  EXPECT_EQ(form->LabeledEdit21->Text(), "solto");
  Click(form->Button1);
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_FALSE(FileExists("solto.dad"));
}

// A bad file, dropped or named on the command line: the real box with the
// reader's message, answered with a click; the window and the record stay
// exactly as they were, and the window takes clicks again.
TEST_F(OpenCase, ABadFileShowsTheReadersMessageAndChangesNothing) {
  Type("2");  // a case typed by hand, warning recorded
  TabTo(form->LabeledEdit5);
  Type("50");
  TabTo(form->LabeledEdit3);
  Type("10");
  Tab();
  Type("500");
  Click(form->Button3);
  TCaseData bad;
  ASSERT_TRUE(bad.Create(2));
  std::string text = FormatCaseFileToString(bad, "mau");
  text.replace(text.find("     40"), 7, "     4x");  // line 4, the first integer
  const std::string path = dir + "/mau.dad";
  WriteBytes(path, text);
  const std::string message =
      "ERRO!: Não foi possível abrir o arquivo \"" + path + "\":\nLinha 4, coluna 1: esperado um número inteiro.";

  {  // real boxes from here, answered by a click on "OK"
    zktest::RealBoxes boxes;
    for (const char* way : {"drop", "start"}) {
      SCOPED_TRACE(way);
      const Snapshot before = Take(*form);
      const std::size_t seen = boxes.Boxes().size();
      if (std::string(way) == "drop") {
        ASSERT_EQ(zktest::DropFiles(form->Memo1->Qt(), {path}), Qt::CopyAction);
      } else {
        OpenCaseOnStart(form, path);
      }
      ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.Boxes().size() > seen; }, 5000));
      QTest::qWait(20);
      ASSERT_EQ(boxes.Boxes().size(), seen + 1);
      EXPECT_EQ(boxes.Boxes().back().caption + ": " + boxes.Boxes().back().text, message);
      EXPECT_TRUE(Take(*form) == before);
      EXPECT_TRUE(form->CaseFolder().empty());
    }
  }
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  const int lines = form->Memo1->LineCount();
  Click(form->Button3);
  EXPECT_EQ(form->Memo1->LineCount(), lines + 1) << "the click after the box was lost";
}

// Opening that lasts: the progress dialog, input to the window dropped
// meanwhile, and "Cancelar" keeps everything as it was.
TEST_F(OpenCase, ALongOpenShowsProgressAndCanBeCancelled) {
  Values v(4);
  const std::string path = Put("longo.dad", RandomCase(v, 50), "longo");
  TProgress::SetDelayMsForTesting(0);
  std::atomic<bool> release{false};
  TProgress::SetWorkerHookForTesting([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  const Snapshot before = Take(*form);
  std::string label;
  bool typed_into_window = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QProgressDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) dialog = p;
    }
    if (!dialog) return;
    poll.stop();
    label = dialog->labelText().toStdString();
    QTest::keyClick(form->LabeledEdit1->Qt(), Qt::Key_7);  // the window takes no input now
    typed_into_window = true;
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    release = true;
  });
  poll.start(5);
  EXPECT_FALSE(form->OpenCaseFile(path));
  release = true;
  EXPECT_TRUE(typed_into_window);
  EXPECT_EQ(label, "Abrindo o caso \"longo.dad\"...");
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_TRUE(Take(*form) == before);

  // Not cancelled, the same open completes.
  TProgress::SetWorkerHookForTesting(nullptr);
  EXPECT_TRUE(form->OpenCaseFile(path));
  EXPECT_EQ(form->LabeledEdit1->Text(), "50");
  EXPECT_EQ(form->Memo1->LineCount(), 51);
}

// The focus is in another window while the case is read (a progress window,
// or the user's): back in the main window the count field holds the file's
// count selected whole, as on entry, so that a digit typed replaces it.
TEST_F(OpenCase, TheOpenedCountIsSelectedWhenTheFocusComesBack) {
  Values v(6);
  const std::string path = Put("outro.dad", RandomCase(v, 7), "outro");
  ASSERT_TRUE(HasFocus(form->LabeledEdit1));
  QWidget other;
  other.show();
  TProgress::SetWorkerHookForTesting([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
  QTimer::singleShot(0, &other, [&] { other.activateWindow(); });
  ASSERT_TRUE(form->OpenCaseFile(path));
  other.hide();
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return HasFocus(form->LabeledEdit1); }));
  Type("4");
  EXPECT_EQ(form->LabeledEdit1->Text(), "4");
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{kWarning});
}

// write -> open in the window -> "GRAVAR" gives the same bytes.
TEST_F(OpenCase, RandomCasesSurviveOpenAndSaveByteForByte) {
  Values v(5);
  for (int r = 0; r < 40; ++r) {
    const int32_t n = 1 + static_cast<int32_t>(v.Next() % 60);
    TCaseData d = RandomCase(v, n);
    std::string title;
    for (uint64_t len = v.Next() % 30; title.size() < len;) {
      const char byte = static_cast<char>(0x20 + v.Next() % 0xE0);
      std::string ignored;
      const std::optional<std::string> utf8 = Cp1252ToUtf8(std::string_view(&byte, 1));
      if (utf8 && MessageOf(CheckTitle(*utf8), &ignored).empty()) title += *utf8;
    }
    const std::string name = "r" + std::to_string(r);
    const std::string path = Put(name + ".dad", d, title);
    const std::string bytes = ReadFile(path);
    ASSERT_TRUE(form->OpenCaseFile(path)) << "record " << r;
    ASSERT_EQ(form->LabeledEdit21->Text(), name);
    fs::remove(path);
    Click(form->Button1);
    ASSERT_TRUE(recorder.Boxes().empty()) << "record " << r << ": " << recorder.Texts()[0];
    ASSERT_EQ(ReadFile(path), bytes) << "record " << r << ", N = " << n;
  }
}

// A file's name stays the bytes the file system gave it, from opening to
// "GRAVAR": a name that is not UTF-8 is shown with U+FFFD and saved under
// its own bytes, as are the longest names and an extension in capitals or
// none. A name typed instead saves a new file beside it.
TEST_F(OpenCase, GravarWritesBackIntoTheOpenedFileWhateverItsName) {
  Values v(7);
  const TCaseData d = RandomCase(v, 2);
  const struct {
    const char* row;
    std::string name;
    std::string shown;  // in the name field
  } rows[] = {
      {"Latin-1", "caf\xE9.dad", "caf\xEF\xBF\xBD"},
      {"250 bytes", std::string(246, 'n') + ".dad", std::string(246, 'n')},
      {"255 bytes", std::string(251, 'l') + ".dad", std::string(251, 'l')},
      {"capitals", "CASO.DAD", "CASO"},
      {"no extension", "caso", "caso"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.row);
    const std::string path = Put(r.name, d, "nome");
    const std::string bytes = ReadFile(path);
    ASSERT_TRUE(form->OpenCaseFile(path));
    EXPECT_EQ(form->LabeledEdit21->Text(), r.shown);
    const ino_t before = Inode(path);
    Click(form->Button1);
    EXPECT_TRUE(recorder.Boxes().empty()) << recorder.Texts()[0];
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_NE(Inode(path), before) << "not written again";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{r.name});

    const ino_t saved = Inode(path);
    form->LabeledEdit21->SetText("outro");
    Click(form->Button1);
    EXPECT_EQ(ReadFile(dir + "/outro.dad"), bytes);
    EXPECT_EQ(Inode(path), saved) << "the opened file written again";
    fs::remove(dir + "/outro.dad");
    fs::remove(path);
  }
}

// Opening a 2 GiB file of blanks (sparse past its first MiB) refuses it at
// the title's end, naming the file, with the program's peak resident
// memory hardly above what it was before.
TEST_F(OpenCase, AHugeFileOfBlanksIsRefusedInBoundedMemory) {
  auto peak_kib = [] {
    long kib = -1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) kib = std::stol(line.substr(6));
    }
    return kib;
  };
  const std::string path = dir + "/branco.dad";
  WriteBytes(path, std::string(1 << 20, ' '));
  ASSERT_EQ(truncate(path.c_str(), off_t{2} << 30), 0);
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak so far forgotten
  const long before = peak_kib();
  ASSERT_GT(before, 0);
  EXPECT_FALSE(form->OpenCaseFile(path));
  const long grown_kib = peak_kib() - before;
  EXPECT_LT(grown_kib, 64 * 1024);
  RecordProperty("peak_growth_kib", std::to_string(grown_kib));
  EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"Não foi possível abrir o arquivo \"" + path +
                                                       "\":\nLinha 1, coluna 81: o título passa de 80 caracteres."});
}

// The memo is a log: the rows an opened case shows are those of the file,
// whatever "OK" stores into the record later, in the text and in a copy of
// the lines; the record has the new value and the memo the line "OK" logs.
TEST_F(OpenCase, TheOpenedRowsStayAsOpenedWhenOkStoresIntoTheRecord) {
  Values v(7);
  TCaseData d = RandomCase(v, 400);
  d.durations[0] = 2.5;
  d.loads[0] = 0.0;  // an empty field in the row
  d.loads[399] = 0.1;
  ASSERT_TRUE(form->OpenCaseFile(Put("log.dad", d, "log")));
  TCaseData r;
  std::string title;
  ASSERT_TRUE(ReadCaseFile(dir + "/log.dad", &r, &title));
  auto row = [&r](int32_t k, const std::string& load) {
    return "      " + std::to_string(k) + std::string(22, ' ') + FormatRealText(r.durations[k - 1]) +
           std::string(22, ' ') + load;
  };
  ASSERT_EQ(form->Memo1->LineCount(), 401);
  EXPECT_EQ(form->Memo1->Line(1), row(1, ""));
  EXPECT_EQ(form->Memo1->Line(400), row(400, "0,1"));

  TabTo(form->LabeledEdit3);
  Type("7");
  Tab();
  Type("8");
  Click(form->Button3);
  EXPECT_EQ(std::as_const(form->CaseData).durations[0], 7.0);
  EXPECT_EQ(std::as_const(form->CaseData).loads[0], 8.0);
  ASSERT_EQ(form->Memo1->LineCount(), 402);
  EXPECT_EQ(form->Memo1->Line(1), row(1, "")) << "a logged line changed";
  EXPECT_EQ(form->Memo1->Line(401), "      1" + std::string(22, ' ') + "7" + std::string(22, ' ') + "8");

  // Everything selected and copied: the header, the file's rows, the new line.
  Click(form->Memo1);
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  const std::string copied = QGuiApplication::clipboard()->text().toStdString();
  std::string expected = TForm1::kMemoHeader;
  for (int32_t k = 1; k <= 400; ++k) expected += "\n" + row(k, k == 1 ? "" : FormatRealText(r.loads[k - 1]));
  expected += "\n" + form->Memo1->Line(401);
  EXPECT_EQ(copied, expected);
}

}  // namespace
