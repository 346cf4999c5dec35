// The interval table through the real clipboard: pasted with Ctrl+V or the
// memo's context menu, copied back out, at a million rows, with the boxes it
// raises both recorded and real; and the load-profile window following it.

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QAbstractButton>
#include <QMessageBox>
#include "toolkit/Widgets.h"
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QElapsedTimer>
#include <QMimeData>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "case/CaseFile.h"
#include "case/SpreadsheetClipboard.h"
#include "forms/CwdFixture.h"
#include "forms/FormFixture.h"
#include "toolkit/Progress.h"

namespace {

std::string MemoLine(const std::string& k, const std::string& d, const std::string& l) {
  return std::string(6, ' ') + k + std::string(22, ' ') + d + std::string(22, ' ') + l;
}

void SetClipboard(const std::string& text) { QGuiApplication::clipboard()->setText(QString::fromStdString(text)); }

std::string DataFile(const std::string& path) {
  std::ifstream in(std::string(ZK_CLIPBOARD_DIR) + "/" + path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a spreadsheet offers: its formats, each with the bytes captured.
void SetClipboardFormats(const std::vector<std::pair<QString, std::string>>& formats) {
  auto* data = new QMimeData;
  for (const auto& [mime, bytes] : formats) {
    if (mime == QLatin1String("text/plain"))
      data->setText(QString::fromStdString(bytes));
    else
      data->setData(mime, QByteArray::fromStdString(bytes));
  }
  QGuiApplication::clipboard()->setMimeData(data);
}

// Calc's copy of one sheet as Calc offers it: SYLK, HTML and the plain text.
void SetCalcClipboard(const std::string& dir) {
  SetClipboardFormats({{QStringLiteral("text/plain"), DataFile(dir + "/text-plain.txt")},
                       {QStringLiteral("text/html"), DataFile(dir + "/text-html.html")},
                       {QStringLiteral("application/x-openoffice-sylk;windows_formatname=\"Sylk\""),
                        DataFile(dir + "/sylk.slk")}});
}
std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }

std::vector<std::string> MemoLines(const TForm1* form) {
  std::vector<std::string> lines;
  for (int i = 0; i < form->Memo1->LineCount(); ++i) lines.push_back(form->Memo1->Line(i));
  return lines;
}

std::vector<uint64_t> Bits(const TIntervalArray& a) {
  std::vector<uint64_t> bits(a.size());
  if (!bits.empty()) std::memcpy(bits.data(), a.data(), a.size() * sizeof(double));
  return bits;
}

// The memo's context menu as the mouse opens it, and one entry clicked.
void ClickMenuEntry(TForm1* form, const char* caption) {
  QWidget* viewport = form->Memo1->Qt()->viewport();
  QTimer::singleShot(0, [caption] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions())
      if (action->text() == QString::fromUtf8(caption)) {
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
        return;
      }
    ADD_FAILURE() << "no entry " << caption;
    menu->close();
  });
  QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(20, 20), viewport->mapToGlobal(QPoint(20, 20)));
  QApplication::sendEvent(viewport, &open);
  zktest::Settle(30);
  // The offscreen platform leaves no window active once a popup has gone.
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
}

class TableTest : public MainWindowTest {
protected:
  void FocusMemo() {
    Click(form->Memo1);
    ASSERT_TRUE(HasFocus(form->Memo1));
  }
  void PasteByKeys(const std::string& text) {
    SetClipboard(text);
    FocusMemo();
    Key(Qt::Key_V, Qt::ControlModifier);
    // A progress window that came up gave the activation back as it went;
    // the offscreen platform delivers that with the next events.
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }
  // The typical case's intervals, typed and stored with "OK".
  void TypeTypicalIntervals() {
    Type("2");
    TabTo(form->LabeledEdit3);
    Type("10");
    Tab();
    Type("500");
    Click(form->Button3);
    QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
    TabTo(form->LabeledEdit3);
    Type("14");
    Tab();
    Type("700");
    Click(form->Button3);
  }
  // The rest of the typical case, then "GRAVAR"; the file's bytes.
  std::string SaveTypicalCase() {
    TabTo(form->LabeledEdit5);
    Type("100");
    TabTo(form->LabeledEdit22);
    Type("Caso exemplo");
    Tab();
    Type("caso1");
    Click(form->Button1);
    return ReadFile("caso1.dad");
  }
  void Restart() {
    TearDown();
    SetUp();
  }
  ScopedTempCwd cwd;
};

TEST_F(TableTest, TwoPastedRowsGiveTheTypedCaseRecordMemoAndFile) {
  ASSERT_TRUE(cwd.ok());
  TypeTypicalIntervals();
  const std::vector<std::string> typed_memo = MemoLines(form);
  const std::vector<uint64_t> typed_d = Bits(form->CaseData.durations), typed_l = Bits(form->CaseData.loads);
  const std::string typed_file = SaveTypicalCase();
  ASSERT_EQ(typed_file, ReadFile(ZK_GOLDEN_DIR "/caso_exemplo.dad"));
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kWarning}));

  Restart();
  recorder.Clear();
  PasteByKeys("10\t500\n14\t700\n");
  ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{kWarning}));
  EXPECT_EQ(recorder.Boxes()[0].caption, "ATENÇÃO!");
  EXPECT_EQ(recorder.Boxes()[0].owner, form);
  EXPECT_EQ(form->LabeledEdit1->Text(), "2");
  EXPECT_EQ(form->UpDown1->Max(), 2);
  EXPECT_EQ(MemoLines(form), typed_memo);
  EXPECT_EQ(form->CaseData.N, 2);
  EXPECT_EQ(Bits(form->CaseData.durations), typed_d);
  EXPECT_EQ(Bits(form->CaseData.loads), typed_l);
  std::remove("caso1.dad");
  EXPECT_EQ(SaveTypicalCase(), typed_file);
  EXPECT_EQ(recorder.Boxes().size(), 1u);
}

// A spreadsheet in a comma locale, one in a point locale (CR LF, blank rows
// at the end), and the three-column form, through Ctrl+V and the menu. A
// paste of the table's own length re-sizes nothing and warns of nothing.
TEST_F(TableTest, SpreadsheetPastesWithEitherDecimalMarkOrThreeColumns) {
  struct Case {
    const char* name;
    std::string text;
    bool menu;
    std::vector<double> durations, loads;
    std::vector<std::string> memo;
  };
  const Case cases[] = {
      {"comma", "1,5\t300,25\n2\t400\n0,75\t1000\n", false, {1.5, 2, 0.75}, {300.25, 400, 1000},
       {MemoLine("1", "1,5", "300,25"), MemoLine("2", "2", "400"), MemoLine("3", "0,75", "1000")}},
      {"point", "1.5\t300.25\r\n2\t400\r\n\r\n", true, {1.5, 2}, {300.25, 400},
       {MemoLine("1", "1,5", "300,25"), MemoLine("2", "2", "400")}},
      {"three columns, same length", "1\t8\t450,5\n2\t16\t380\n", false, {8, 16}, {450.5, 380},
       {MemoLine("1", "8", "450,5"), MemoLine("2", "16", "380")}},
  };
  std::size_t warnings = 0;
  int32_t n = form->CaseData.N;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.menu) {
      SetClipboard(c.text);
      ClickMenuEntry(form, "Colar tabela de intervalos");
    } else {
      PasteByKeys(c.text);
    }
    if (static_cast<int32_t>(c.durations.size()) != n) ++warnings;
    n = static_cast<int32_t>(c.durations.size());
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>(warnings, kWarning));
    ASSERT_EQ(form->CaseData.N, n);
    EXPECT_EQ(form->LabeledEdit1->Text(), std::to_string(n));
    EXPECT_EQ(form->UpDown1->Max(), n);
    EXPECT_EQ(std::vector<double>(form->CaseData.durations.data(), form->CaseData.durations.data() + n), c.durations);
    EXPECT_EQ(std::vector<double>(form->CaseData.loads.data(), form->CaseData.loads.data() + n), c.loads);
    std::vector<std::string> memo = {TForm1::kMemoHeader};
    memo.insert(memo.end(), c.memo.begin(), c.memo.end());
    EXPECT_EQ(MemoLines(form), memo);
  }
  // The up-down follows the new count: two steps reach it, a third does nothing.
  for (int i = 0; i < 3; ++i) QTest::mouseClick(form->UpDown1->UpArrow(), Qt::LeftButton);
  EXPECT_EQ(form->LabeledEdit2->Text(), "2");
}

TEST_F(TableTest, EachRefusalShowsOneBoxAndChangesNothing) {
  TypeTypicalIntervals();
  const std::vector<std::string> memo = MemoLines(form);
  const std::vector<uint64_t> d = Bits(form->CaseData.durations), l = Bits(form->CaseData.loads);
  std::string seventeen;
  for (int i = 0; i < 16; ++i) seventeen += "1\t2\n";
  const std::pair<std::string, std::string> cases[] = {
      {seventeen + "abc\t3\n", "Linha 17: 'abc' não é um número."},
      {"<b>1</b>\t2", "Linha 1: '<b>1</b>' não é um número."},
      {"10\n14\n", "Linha 1: a linha tem 1 coluna; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga)."},
      {"1\t10\t500\n3\t14\t700", "Linha 2: o intervalo deveria ser 2, não '3'."},
      {"1,5\t2\n2\t2.5\n", "Linha 2: '2.5' tem ponto decimal, mas a linha 1 usa vírgula decimal."},
      {"1.5\t2\n2\t8.067,20\n",
       "Linha 2: '8.067,20' usa separador de milhar '.' e vírgula decimal, mas a linha 1 usa ponto decimal."},
      {"\n\n", "A área de transferência não contém uma tabela de intervalos."},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(message);
    recorder.Clear();
    PasteByKeys(text);
    ASSERT_EQ(recorder.Texts(), (std::vector<std::string>{message}));
    EXPECT_EQ(recorder.Boxes()[0].caption, "ERRO!");
    EXPECT_EQ(recorder.Boxes()[0].owner, form);
    EXPECT_EQ(form->LabeledEdit1->Text(), "2");
    EXPECT_EQ(form->CaseData.N, 2);
    EXPECT_EQ(Bits(form->CaseData.durations), d);
    EXPECT_EQ(Bits(form->CaseData.loads), l);
    EXPECT_EQ(MemoLines(form), memo);
  }
}

// What Calc 7.4 and Excel really put on the clipboard: the cells' values,
// whatever their display, with no question asked; the header skipped.
TEST_F(TableTest, SpreadsheetFormatsGiveTheCellsValues) {
  struct Case {
    const char* name;
    std::function<void()> put;
    std::vector<double> durations, loads;
  };
  const Case cases[] = {
      {"calc pt-BR #,##0 with a header", [] { SetCalcClipboard("calc-pt-BR/header-two-columns"); }, {10, 14},
       {1038, 700}},
      {"calc en-US #,##0", [] { SetCalcClipboard("calc-en-US/grouped-integers"); }, {1, 2, 0.5}, {1038, 950, 12345}},
      {"calc pt-BR #,##0.00, three columns and a header", [] { SetCalcClipboard("calc-pt-BR/header-three-columns"); },
       {1.5, 2, 0.25}, {8067.2, 1038, 450}},
      {"calc en-US percent and currency", [] { SetCalcClipboard("calc-en-US/percent-currency"); }, {0.5, 1.25},
       {1038, 8067.2}},
      {"excel pt-BR",
       [] {
         SetClipboardFormats({{QStringLiteral("text/plain"), "Intervalo\tDuração\tCarga\r\n1\t1,5\t8.067,20\r\n"},
                              {QStringLiteral("text/html"), DataFile("excel-pt-BR-grouped.html")}});
       },
       {1.5, 1.0 / 3, 2}, {8067.2, 1038, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder.Clear();
    c.put();
    FocusMemo();
    Key(Qt::Key_V, Qt::ControlModifier);
    const int32_t n = static_cast<int32_t>(c.durations.size());
    ASSERT_EQ(form->CaseData.N, n);
    EXPECT_EQ(form->LabeledEdit1->Text(), std::to_string(n));
    EXPECT_EQ(std::vector<double>(form->CaseData.durations.data(), form->CaseData.durations.data() + n), c.durations);
    EXPECT_EQ(std::vector<double>(form->CaseData.loads.data(), form->CaseData.loads.data() + n), c.loads);
    EXPECT_EQ(form->Memo1->LineCount(), n + 1);
    for (const auto& box : recorder.Boxes()) EXPECT_EQ(box.text, kWarning);
  }
}

// Plain text whose marks read two ways: asked once, in the window's terms;
// each answer reads the table its way; "Cancelar" changes nothing.
TEST_F(TableTest, AmbiguousTextIsAskedOnceAndCancelChangesNothing) {
  TypeTypicalIntervals();
  const std::vector<std::string> memo = MemoLines(form);
  const std::vector<uint64_t> d = Bits(form->CaseData.durations), l = Bits(form->CaseData.loads);
  const std::string text = DataFile("calc-pt-BR/header-two-columns/text-plain.txt");  // "10\t1.038", "14\t700"
  struct Case {
    int answer;
    std::vector<double> loads;
  };
  for (const Case& c : {Case{-1, {}}, Case{0, {1038, 700}}, Case{1, {1.038, 700}}}) {
    SCOPED_TRACE(c.answer);
    recorder.Clear();
    recorder.AnswerQuestionsWith(c.answer);
    PasteByKeys(text);
    ASSERT_GE(recorder.Boxes().size(), 1u);
    const RecordedBox& question = recorder.Boxes()[0];
    EXPECT_EQ(question.text, "1.038 = 1038 ou 1,038?");
    EXPECT_EQ(question.caption, "Colar tabela de intervalos");
    EXPECT_EQ(question.owner, form);
    EXPECT_EQ(question.choices, (std::vector<std::string>{"1038", "1,038", "Cancelar"}));
    if (c.loads.empty()) {
      EXPECT_EQ(recorder.Boxes().size(), 1u);
      EXPECT_EQ(Bits(form->CaseData.durations), d);
      EXPECT_EQ(Bits(form->CaseData.loads), l);
      EXPECT_EQ(MemoLines(form), memo);
      continue;
    }
    EXPECT_EQ(recorder.Boxes().size(), 1u);  // asked once; the table's own length: no warning
    EXPECT_EQ(std::vector<double>(form->CaseData.loads.data(), form->CaseData.loads.data() + 2), c.loads);
    EXPECT_EQ(form->CaseData.durations[0], 10.0);
  }
}

// Copying out offers the plain text as before and HTML whose cells carry
// the values; the HTML reads back bit for bit.
TEST_F(TableTest, CopyOffersTextAndHtmlWithTheValues) {
  PasteByKeys("0.30000000000000004\t1038\n1e-300\t-0\n");
  Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text().toStdString(), "1\t0,30000000000000004\t1038\n2\t1E-300\t-0\n");
  ASSERT_TRUE(data->hasHtml());
  const QByteArray html = data->data(QStringLiteral("text/html"));
  const TResult<TPastedIntervals> back = ParseHtmlTable(std::string_view(html.constData(), html.size()));
  ASSERT_TRUE(back.Ok()) << back.Error().message;
  EXPECT_EQ(Bits(back->durations), Bits(form->CaseData.durations));
  EXPECT_EQ(Bits(back->loads), Bits(form->CaseData.loads));
  EXPECT_NE(html.indexOf("x:num=\"0.30000000000000004\""), -1);
}

TEST_F(TableTest, CopyThenPasteGivesTheSameTableBitForBit) {
  PasteByKeys("0.30000000000000004\t-0\n0.1234567890123456789\t1e-300\n3\t123456789012345678\n");
  const std::vector<uint64_t> d = Bits(form->CaseData.durations), l = Bits(form->CaseData.loads);
  ASSERT_EQ(d.size(), 3u);
  SetClipboard("");
  Key(Qt::Key_C, Qt::ControlModifier);  // nothing selected in the memo
  const std::string copied = Clipboard();
  EXPECT_EQ(copied.substr(0, copied.find('\n') + 1), "1\t0,30000000000000004\t-0\n");
  SetClipboard("");
  ClickMenuEntry(form, "Copiar tabela de intervalos");
  EXPECT_EQ(Clipboard(), copied);

  TabTo(form->LabeledEdit1);
  Type("1");
  ASSERT_EQ(form->CaseData.N, 1);
  PasteByKeys(copied);
  EXPECT_EQ(Bits(form->CaseData.durations), d);
  EXPECT_EQ(Bits(form->CaseData.loads), l);

  // With a selection Ctrl+C copies the selection, as before.
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), form->Memo1->Qt()->toPlainText().toStdString());
}

TEST_F(TableTest, AMillionRowsArePastedWithProgressAndSavedRight) {
  ASSERT_TRUE(cwd.ok());
  constexpr int32_t n = 1000000;
  TCaseData expected;
  ASSERT_TRUE(expected.Create(n));
  expected.alg.SetDefaults();
  std::string text;
  for (int32_t i = 0; i < n; ++i) {
    expected.durations[i] = 1 + (i % 4) * 0.25;
    expected.loads[i] = 500 + i % 1000 + 0.5;
    static const char* const kDurations[] = {"1", "1,25", "1,5", "1,75"};
    text += std::string(kDurations[i % 4]) + '\t' + std::to_string(500 + i % 1000) + ",5\r\n";
  }
  // Counts the progress windows shown; presses "Cancelar" in the first.
  struct Spy : QObject {
    int shown = 0;
    bool cancel = true;
    bool eventFilter(QObject* o, QEvent* e) override {
      auto* dialog = qobject_cast<QProgressDialog*>(o);
      if (e->type() != QEvent::Show || !dialog) return false;
      ++shown;
      if (cancel) QTimer::singleShot(0, dialog, [dialog] { QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton); });
      cancel = false;
      return false;
    }
  } spy;
  // The window appears at once, so the read (about 0.2 s) is seen cancellable
  // however fast the machine is.
  TProgress::SetDelayMsForTesting(0);
  struct RestoreDelay {
    ~RestoreDelay() { TProgress::SetDelayMsForTesting(300); }
  } restore_delay;
  qApp->installEventFilter(&spy);
  PasteByKeys(text);  // cancelled while it reads: nothing changes
  ASSERT_EQ(spy.shown, 1);
  EXPECT_TRUE(recorder.Boxes().empty());
  EXPECT_EQ(form->CaseData.N, 1);
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  QElapsedTimer timer;
  timer.start();
  PasteByKeys(text);
  const qint64 ms = timer.elapsed();
  qApp->removeEventFilter(&spy);
  RecordProperty("paste_ms", static_cast<int>(ms));
  std::printf("1,000,000-row paste: %lld ms\n", static_cast<long long>(ms));
  EXPECT_GE(spy.shown, 2);
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{kWarning}));
  ASSERT_EQ(form->CaseData.N, n);
  EXPECT_EQ(form->LabeledEdit1->Text(), "1000000");
  ASSERT_EQ(form->Memo1->LineCount(), n + 1);
  EXPECT_EQ(form->Memo1->Line(n), MemoLine("1000000", "1,75", "1499,5"));

  TabTo(form->LabeledEdit21);
  Type("grande");
  Click(form->Button1);
  EXPECT_EQ(recorder.Boxes().size(), 1u);
  std::ifstream file("grande.dad", std::ios::binary);
  std::size_t offset = 0;
  bool same = true;
  ASSERT_TRUE(FormatCaseFile(expected, "", [&](const char* data, std::size_t size) {
    std::string got(size, '\0');
    file.read(got.data(), static_cast<std::streamsize>(size));
    same = same && got == std::string_view(data, size);
    offset += size;
    return same;
  }));
  EXPECT_TRUE(same) << "first difference in the chunk before byte " << offset;
  EXPECT_EQ(file.peek(), EOF);
}

TEST_F(TableTest, TheLoadProfileFollowsTheTable) {
  PasteByKeys("10\t500\n0\t600\n4\t0\n");
  ClickMenuEntry(form, "Ver perfil de carga");
  TLoadProfileWindow* profile = form->LoadProfileWindow();
  ASSERT_NE(profile, nullptr);
  ASSERT_TRUE(profile->Visible());
  EXPECT_EQ(profile->Widget()->windowTitle().toStdString(), "ZORMEK - Perfil de Carga");
  EXPECT_FALSE(profile->Widget()->isModal());
  // Beside the main window, wholly on the screen and covering none of the
  // main window (1280 x 1024 here: narrowed to the room at its right).
  const QRect area = form->Widget()->screen()->availableGeometry();
  const QRect placed = profile->Widget()->frameGeometry();
  EXPECT_TRUE(area.contains(placed)) << placed.x() << ", " << placed.y();
  EXPECT_FALSE(placed.intersects(form->Widget()->frameGeometry())) << placed.x() << ", " << placed.y();
  EXPECT_EQ(placed.left(), form->Widget()->frameGeometry().right() + 1);
  // No load is negative: the load axis starts at 0 (the load not entered is
  // marked there) and ends above the highest load.
  EXPECT_EQ(profile->LoadAxisMin(), 0.0);
  EXPECT_GT(profile->LoadAxisMax(), 600.0);
  using P = std::vector<TProfilePoint>;
  EXPECT_EQ(profile->StepPoints(), (P{{0, 500}, {10, 500}, {10, 600}, {10, 600}, {10, 0}, {14, 0}}));
  EXPECT_EQ(profile->NoDurationPoints(), (P{{10, 600}}));
  EXPECT_EQ(profile->NoLoadPoints(), (P{{12, 0}}));
  EXPECT_EQ(profile->Summary(), "3 intervalos, 14 horas; sem duração: 1; sem carga: 1");

  // It came to the front; the user goes back to the main window and presses
  // "OK" on interval 2.
  // (The main window counts as active while its child window has the focus,
  // so wait for the focus window itself.)
  ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == profile->Widget()->windowHandle(); }));
  form->Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == form->Widget()->windowHandle(); }));
  TabTo(form->LabeledEdit2);
  Type("2");
  Tab();
  Type("6");
  Tab();
  Type("650");
  Click(form->Button3);
  EXPECT_EQ(profile->StepPoints(), (P{{0, 500}, {10, 500}, {10, 650}, {16, 650}, {16, 0}, {20, 0}}));
  EXPECT_TRUE(profile->NoDurationPoints().empty());
  // A paste of another length, then a re-size typed into the count.
  PasteByKeys("1\t2\n");
  EXPECT_EQ(profile->StepPoints(), (P{{0, 2}, {1, 2}}));
  PasteByKeys("1\t-30\n");
  EXPECT_LT(profile->LoadAxisMin(), -30.0);
  EXPECT_GE(profile->LoadAxisMax(), 0.0);
  TabTo(form->LabeledEdit1);
  Type("2");
  EXPECT_EQ(profile->StepPoints(), (P{{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
  EXPECT_EQ(profile->NoDurationPoints().size(), 2u);

  // One window: asking again shows the same one; it closes with the main window.
  ClickMenuEntry(form, "Ver perfil de carga");
  EXPECT_EQ(form->LoadProfileWindow(), profile);
  form->Close();
  EXPECT_FALSE(profile->Visible());
}

// Frames on a 1280 x 1024 area; the main window's frame as openbox draws it
// at its place, (340, 1), 557 x 754.
struct PlaceCase {
  const char* name;
  QRect owner, area;
  QRect expected;
};

TEST(PlaceBeside, TheSideWithTheMostRoomShrunkToIt) {
  const QSize preferred(762, 505), minimum(362, 325);
  const QRect area(0, 0, 1280, 1024), main(340, 1, 557, 754);
  const PlaceCase cases[] = {
      {"RightNarrowed", main, area, QRect(897, 1, 383, 505)},
      {"RightWholeOnAWideScreen", main, QRect(0, 0, 1920, 1080), QRect(897, 1, 762, 505)},
      {"LeftOfAnOwnerAtTheRightEdge", QRect(723, 100, 557, 754), area, QRect(0, 100, 723, 505)},
      {"BelowAShortWideOwner", QRect(0, 0, 1280, 300), area, QRect(0, 300, 762, 505)},
      {"RaisedToStayOnTheScreen", QRect(100, 700, 400, 300), area, QRect(500, 519, 762, 505)},
      {"NoRoomAnywhere", QRect(0, 0, 1200, 1000), area, QRect(518, 0, 762, 505)},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QRect got = PlaceBeside(c.owner, c.area, preferred, minimum);
    EXPECT_EQ(got, c.expected) << got.x() << ", " << got.y() << ", " << got.width() << " x " << got.height();
    EXPECT_TRUE(c.area.contains(got));
    if (std::string_view(c.name) != "NoRoomAnywhere") {
      EXPECT_FALSE(got.intersects(c.owner));
    }
  }
}

// ---- With real modal boxes --------------------------------------------------

class RealBoxTable : public ::testing::Test {
protected:
  void SetUp() override {
    Form1 = form = new TForm1(Application);
    ASSERT_TRUE(zktest::ShowAndActivate(*form));
    QTest::mouseClick(form->Memo1->Qt()->viewport(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), form->Memo1->Qt());
  }
  void TearDown() override {
    delete Form1;
    Form1 = form = nullptr;
  }
  // After the box: no popup or grab is left, the memo keeps the focus, and
  // the window takes the next click (Tab to "OK", a real click stores).
  void ExpectWindowStillTakesInput() {
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), form->Memo1->Qt());
    const int lines = form->Memo1->LineCount();
    QTest::mouseClick(form->Button3->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->Memo1->LineCount(), lines + 1);
  }
  TForm1* form = nullptr;
};

TEST_F(RealBoxTable, ARefusedCtrlVPasteShowsOnePlainTextErrorBox) {
  zktest::RealBoxes closer;
  SetClipboard("10\t<i>abc</i>\n");
  QTest::keyClick(form->Memo1->Qt(), Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(closer.Boxes().size(), 1u);
  EXPECT_EQ(closer.Boxes()[0].caption, "ERRO!");
  EXPECT_EQ(closer.Boxes()[0].text, "Linha 1: '<i>abc</i>' não é um número.");
  EXPECT_TRUE(closer.Boxes()[0].critical);
  EXPECT_EQ(closer.Boxes()[0].format, Qt::PlainText);
  EXPECT_EQ(form->CaseData.N, 1);
  EXPECT_EQ(form->Memo1->LineCount(), 1);
  ExpectWindowStillTakesInput();
}

TEST_F(RealBoxTable, MenuPastesShowTheirBoxesAndTheWindowGoesOn) {
  zktest::RealBoxes closer;
  SetClipboard("1\t10\t500\n3\t14\t700\n");
  ClickMenuEntry(form, "Colar tabela de intervalos");
  ASSERT_EQ(closer.Boxes().size(), 1u);
  EXPECT_EQ(closer.Boxes()[0].text, "Linha 2: o intervalo deveria ser 2, não '3'.");
  EXPECT_EQ(form->CaseData.N, 1);
  ExpectWindowStillTakesInput();

  QTest::mouseClick(form->Memo1->Qt()->viewport(), Qt::LeftButton);
  SetClipboard("10\t500\n14\t700\n");
  ClickMenuEntry(form, "Colar tabela de intervalos");
  ASSERT_EQ(closer.Boxes().size(), 2u);
  EXPECT_EQ(closer.Boxes()[1].caption, "ATENÇÃO!");
  EXPECT_EQ(closer.Boxes()[1].text, kWarning);
  EXPECT_EQ(form->CaseData.N, 2);
  EXPECT_EQ(form->CaseData.loads[1], 700.0);
  EXPECT_EQ(form->Memo1->LineCount(), 3);
  ExpectWindowStillTakesInput();
}

TEST_F(RealBoxTable, TheQuestionIsARealBoxAnsweredWithItsButtons) {
  SetClipboard("1\t1,038\n2\t700\n");  // as en-US Calc shows 1038 in "#,##0"
  {
    zktest::RealBoxes closer;
    closer.Choose("1038");
    QTest::keyClick(form->Memo1->Qt(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(closer.Boxes().size(), 2u);  // the question, then the re-size warning
    const zktest::RealBoxes::Box& question = closer.Boxes()[0];
    EXPECT_EQ(question.text, "1,038 = 1038 ou 1,038?");
    EXPECT_TRUE(question.question);
    EXPECT_EQ(question.format, Qt::PlainText);
    EXPECT_TRUE(question.application_modal);
    EXPECT_EQ(question.buttons.size(), 3u);
    EXPECT_EQ(question.default_button, "Cancelar");  // Enter gives no reading by accident
    EXPECT_EQ(question.escape_button, "Cancelar");
    EXPECT_EQ(form->CaseData.N, 2);
    EXPECT_EQ(form->CaseData.loads[0], 1038.0);
  }
  ExpectWindowStillTakesInput();  // "OK" stores the empty fields' zeros into interval 1
  const double load = form->CaseData.loads[0];
  {
    zktest::RealBoxes closer({}, zktest::RealBoxes::Answer::PressEnter);
    SetClipboard("1\t1,038\n");
    QTest::mouseClick(form->Memo1->Qt()->viewport(), Qt::LeftButton);
    QTest::keyClick(form->Memo1->Qt(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(closer.Boxes().size(), 1u);
    EXPECT_EQ(form->CaseData.N, 2);  // cancelled: nothing changed
    EXPECT_EQ(form->CaseData.loads[0], load);
  }
}

// A paste of another length: the real warning answered with a click, then
// the memo shows the newest rows (the end of the list in view) made from
// the pasted values; a later "OK" into a pasted interval logs its line and
// leaves the pasted row as it was.
TEST_F(RealBoxTable, APastesRealWarningThenTheRowsInViewAndALaterOk) {
  zktest::RealBoxes closer;
  std::string text;
  for (int i = 1; i <= 500; ++i) text += std::to_string(i) + ".25\t" + std::to_string(1000 + i) + "\n";
  SetClipboard(text);
  QTest::keyClick(form->Memo1->Qt(), Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(closer.Texts(), std::vector<std::string>{kWarning});
  EXPECT_EQ(closer.Boxes()[0].caption, "ATENÇÃO!");
  ASSERT_EQ(form->CaseData.N, 500);
  ASSERT_EQ(form->Memo1->LineCount(), 501);
  tk::Memo* view = form->Memo1->Qt();
  EXPECT_GT(view->TopLine(), 490u) << "the newest rows are not in view";
  EXPECT_EQ(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
  EXPECT_EQ(form->Memo1->Line(500), MemoLine("500", "500,25", "1500"));

  form->LabeledEdit2->SetText("500");
  form->LabeledEdit3->SetText("3");
  form->LabeledEdit4->SetText("4");
  QTest::mouseClick(form->Button3->Widget(), Qt::LeftButton);
  EXPECT_EQ(closer.Boxes().size(), 1u);
  EXPECT_EQ(std::as_const(form->CaseData).loads[499], 4.0);
  ASSERT_EQ(form->Memo1->LineCount(), 502);
  EXPECT_EQ(form->Memo1->Line(500), MemoLine("500", "500,25", "1500"));
  EXPECT_EQ(form->Memo1->Line(501), MemoLine("500", "3", "4"));
}

// A field's box on the way into the memo, then a double-click there: the
// real box answered while the button comes up, the double-click clears the
// memo to its header once, the table stays, nothing holds the mouse.
TEST_F(RealBoxTable, ADoubleClickAfterAFieldsRealBoxClearsTheMemoOnce) {
  SetClipboard("10\t500\n14\t700\n");
  {
    zktest::RealBoxes closer;
    QTest::keyClick(form->Memo1->Qt(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(closer.Texts(), std::vector<std::string>{kWarning});
  }
  ASSERT_EQ(form->Memo1->LineCount(), 3);
  form->Widget()->activateWindow();  // offscreen, no window is active once a box has gone
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  form->LabeledEdit6->SetFocus();
  ASSERT_EQ(QApplication::focusWidget(), form->LabeledEdit6->Qt());
  QTest::keyClicks(form->LabeledEdit6->Qt(), "abc");
  int clears = 0;
  const TNotifyEvent handler = form->Memo1->OnDblClick;
  form->Memo1->OnDblClick = [&](TObject* sender) {
    ++clears;
    handler(sender);
  };
  QWidget* viewport = form->Memo1->Qt()->viewport();
  {
    zktest::RealBoxes closer([viewport] { zktest::WindowRelease(viewport, QPoint(20, 10)); });
    zktest::WindowPress(viewport, QPoint(20, 10));  // the focus leaves "c0:": its box
    zktest::Settle(20);
    EXPECT_EQ(closer.Texts(), std::vector<std::string>{"Caracter inválido!"});
  }
  EXPECT_EQ(form->LabeledEdit6->Text(), "0");
  EXPECT_EQ(QApplication::focusWidget(), form->Memo1->Qt());
  EXPECT_EQ(clears, 0);
  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
  EXPECT_EQ(clears, 1);
  ASSERT_EQ(form->Memo1->LineCount(), 1);
  EXPECT_EQ(form->Memo1->Line(0), TForm1::kMemoHeader);
  EXPECT_EQ(std::as_const(form->CaseData).loads[1], 700.0);
  EXPECT_FALSE(form->Memo1->Qt()->hasSelection());
  ExpectWindowStillTakesInput();
}

}  // namespace
