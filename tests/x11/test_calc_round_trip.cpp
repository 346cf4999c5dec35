// The interval table copied into a real LibreOffice Calc and back, on an X
// server (see run-with-calc.sh): "Copiar tabela de intervalos", Ctrl+V into
// a new Calc sheet in Brazilian Portuguese or US English (Calc reads the
// HTML, after asking its import options), Ctrl+C there, then "Colar tabela
// de intervalos". Calc must hold numbers equal to the table
// (its SYLK says so, cell by cell), and the paste must give the table back
// bit for bit. Values have at most 15 significant digits: Calc writes no
// more when it copies.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "case/SpreadsheetClipboard.h"
#include "case/TableCells.h"
#include "forms/FormFixture.h"

namespace {

const char* const kCalcSession = ZK_SOURCE_DIR "/tools/calc-session.sh";

// Runs a bash line with the Calc helpers, waiting for it (the event loop
// runs meanwhile: the clipboard's requests are answered).
QString Shell(const QString& line, int ms = 60000) {
  QProcess p;
  p.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("source '%1'; %2").arg(kCalcSession, line)});
  (void)QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, ms);
  if (p.state() != QProcess::NotRunning) p.kill();
  return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

std::vector<uint64_t> Bits(const TIntervalArray& a) {
  std::vector<uint64_t> bits(a.size());
  std::memcpy(bits.data(), a.data(), a.size() * sizeof(double));
  return bits;
}

class CalcRoundTrip : public MainWindowTest {
protected:
  void TearDown() override {
    if (calc_.state() != QProcess::NotRunning) {
      Shell(QStringLiteral("kill $(pgrep -P %1) 2>/dev/null").arg(calc_.processId()));  // soffice.bin under soffice
      calc_.terminate();
      if (!calc_.waitForFinished(5000)) calc_.kill();
      calc_.waitForFinished(5000);
    }
    MainWindowTest::TearDown();
  }

  // A new Calc sheet in the locale, its window active. False on failure.
  bool StartCalc(const QString& locale) {
    const QString profile = dir_.path() + QStringLiteral("/profile-") + locale;
    Shell(QStringLiteral("calc_profile '%1' '%2'").arg(profile, locale));
    QStringList env = QProcess::systemEnvironment();
    const QString posix = QString(locale).replace('-', '_') + QStringLiteral(".UTF-8");
    env << QStringLiteral("LANG=") + posix << QStringLiteral("LC_ALL=") + posix << QStringLiteral("SAL_USE_VCLPLUGIN=gen");
    calc_.setEnvironment(env);
    calc_.setProgram(QStringLiteral("soffice"));
    // An empty sheet of its own (Calc started without one shows no
    // document window on a fresh profile).
    const QString sheet = dir_.path() + QStringLiteral("/ida-e-volta-") + locale + QStringLiteral(".fods");
    QFile file(sheet);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"T\"><table:table-row><table:table-cell/></table:table-row></table:table>"
        "</office:spreadsheet></office:body></office:document>\n");
    file.close();
    calc_.setArguments({QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--norestore"),
                        QStringLiteral("--nologo"), QStringLiteral("--nodefault"), QStringLiteral("--calc"), sheet});
    calc_.start();
    window_ = Shell(QStringLiteral("calc_window 'ida-e-volta-%1' 100").arg(locale), 110000);
    if (window_.isEmpty()) return false;
    Shell(QStringLiteral("xdotool windowactivate --sync %1; sleep 1").arg(window_));
    return true;
  }

  // The whole screen, for a failure's message (where ImageMagick is there).
  static QString Screenshot(const QString& locale) {
    const QString path = QDir::currentPath() + QStringLiteral("/calc-round-trip-") + locale + QStringLiteral(".png");
    Shell(QStringLiteral("import -window root '%1' 2>/dev/null").arg(path));
    return path;
  }

  void CalcKeys(const QString& keys) {
    // Sent to Calc's window itself: Calc's own X11 plugin takes sent keys.
    Shell(QStringLiteral("xdotool windowactivate --sync %1; xdotool key --window %1 --delay 100 %2; sleep 1")
              .arg(window_, keys));
  }

  void RoundTrip(const QString& locale) {
    // Values as "OK" stores them: at most 15 significant digits, signs, a
    // thousand and more, fractions, tiny and huge exponents, an empty cell.
    PasteByKeysQuiet("1,5\t1038\n0,25\t8067,2\n-2\t0,333333333333333\n1E-20\t123456789012345\n24\t\n");
    const std::vector<uint64_t> durations = Bits(form->CaseData.durations), loads = Bits(form->CaseData.loads);
    ASSERT_EQ(form->CaseData.N, 5);

    ASSERT_TRUE(StartCalc(locale)) << "Calc's window did not appear";
    form->CopyIntervalTable(nullptr);
    ASSERT_TRUE(QGuiApplication::clipboard()->ownsClipboard());
    // Calc takes the HTML before the plain text and asks, as for any HTML
    // from another program, which locale to read it in ("Automatic", OK).
    // Now and then (measured on a busy machine) it takes the plain text
    // instead and opens its text import: that paste is cancelled and made
    // again, up to three times.
    QString dialog;
    for (int attempt = 1; attempt <= 3 && dialog != QLatin1String("Import Options"); ++attempt) {
      CalcKeys(QStringLiteral("ctrl+Home ctrl+v"));
      const QString window = Shell(QStringLiteral("calc_window 'Import Options|Text Import' 20"), 30000);
      ASSERT_FALSE(window.isEmpty()) << "Calc did not ask how to import; the screen: "
                                     << Screenshot(locale).toStdString();
      dialog = Shell(QStringLiteral("xdotool getwindowname %1").arg(window));
      const bool html = dialog == QLatin1String("Import Options");
      if (!html) std::printf("Calc took the plain text on paste %d; pasting again\n", attempt);
      Shell(QStringLiteral("xdotool key --window %1 %2; sleep 2").arg(window, html ? "Return" : "Escape"));
    }
    ASSERT_EQ(dialog.toStdString(), "Import Options") << "Calc took the plain text three times";
    // The pasted range, copied back.
    CalcKeys(QStringLiteral("ctrl+Home ctrl+shift+End ctrl+c"));
    ASSERT_TRUE(QTest::qWaitFor([] { return !QGuiApplication::clipboard()->ownsClipboard(); }, 10000))
        << "Calc did not copy; the screen: " << Screenshot(locale).toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
          const QMimeData* d = QGuiApplication::clipboard()->mimeData();
          return d && d->hasFormat(QString::fromUtf8(kSylkMime.data(), kSylkMime.size()));
        },
        10000));

    // Every cell in Calc is a number equal to the table's (the empty load
    // stays empty): its SYLK has the raw values.
    const QByteArray sylk =
        QGuiApplication::clipboard()->mimeData()->data(QString::fromUtf8(kSylkMime.data(), kSylkMime.size()));
    int numbers = 0;
    for (const QByteArray& line : sylk.split('\n')) {
      if (!line.startsWith("C;")) continue;
      const int k = line.indexOf(";K");
      ASSERT_GE(k, 0) << line.toStdString();
      const QByteArray value = line.mid(k + 2).trimmed();
      EXPECT_TRUE(RawCellValue(value.toStdString()).has_value()) << "a cell arrived as text: " << line.toStdString();
      ++numbers;
    }
    EXPECT_EQ(numbers, 15);  // 5 rows x 3 columns (the empty load pasted is 0)

    form->PasteIntervalTable(nullptr);
    ASSERT_EQ(form->CaseData.N, 5);
    EXPECT_EQ(Bits(form->CaseData.durations), durations);
    EXPECT_EQ(Bits(form->CaseData.loads), loads);
    EXPECT_TRUE(recorder.Boxes().empty() || recorder.Texts() == std::vector<std::string>(recorder.Boxes().size(), kWarning));
  }

  void PasteByKeysQuiet(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    form->PasteIntervalTable(nullptr);
    recorder.Clear();
  }

  QTemporaryDir dir_;
  QProcess calc_;
  QString window_;
};

TEST_F(CalcRoundTrip, BrazilianPortugueseCalc) { RoundTrip(QStringLiteral("pt-BR")); }
TEST_F(CalcRoundTrip, UsEnglishCalc) { RoundTrip(QStringLiteral("en-US")); }

}  // namespace
