// The interval table copied into a real LibreOffice Calc and back, on an X
// server (see run-with-calc.sh): "Copiar tabela de intervalos", Ctrl+V into
// a new Calc sheet in Brazilian Portuguese or US English, Ctrl+C there, then
// "Colar tabela de intervalos". Calc must hold numbers equal to the table
// (its SYLK says so, cell by cell), and the paste must give the table back
// bit for bit. Values have at most 15 significant digits: Calc writes no
// more when it copies.
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
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
    calc_.setArguments({QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--norestore"),
                        QStringLiteral("--nologo"), QStringLiteral("--calc")});
    calc_.start();
    window_ = Shell(QStringLiteral("calc_window 'LibreOffice Calc'"), 90000);
    if (window_.isEmpty()) return false;
    Shell(QStringLiteral("xdotool windowactivate --sync %1; sleep 1").arg(window_));
    return true;
  }

  void CalcKeys(const QString& keys) {
    Shell(QStringLiteral("xdotool windowactivate --sync %1 key --delay 100 %2; sleep 1").arg(window_, keys));
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
    CalcKeys(QStringLiteral("ctrl+Home ctrl+v"));
    // The pasted range stays selected: copy it back.
    CalcKeys(QStringLiteral("ctrl+c"));
    ASSERT_TRUE(QTest::qWaitFor([] { return !QGuiApplication::clipboard()->ownsClipboard(); }, 10000))
        << "Calc did not copy";
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
    EXPECT_EQ(numbers, 14);  // 5 rows x 3 columns, less the empty load

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
