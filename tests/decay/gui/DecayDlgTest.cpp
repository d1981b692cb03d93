#include <QProgressBar>
#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "decay/gui/DecayDlg.h"
#include "partials/PartialData.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

namespace {

constexpr std::int32_t kRate = 44100;

// Six seconds of a bell-like mix of dying partials after a short silence.
std::vector<std::int16_t> Recording() {
    const double partials[] = {250.0, 500.0, 600.0, 1000.0};
    std::vector<std::int16_t> samples(6 * kRate, 0);
    for (std::size_t n = 1000; n < samples.size(); ++n) {
        const double t = double(n - 1000) / kRate;
        double s = 0.0;
        for (double f : partials)
            s += 3000.0 * std::exp(-t * f / 1500.0) * std::sin(2 * std::numbers::pi * f * t);
        samples[n] = static_cast<std::int16_t>(std::lround(s));
    }
    return samples;
}

}  // namespace

class DecayDlgTest : public QObject {
    Q_OBJECT

  private:
    std::vector<std::int16_t> m_samples = Recording();
    std::unique_ptr<CScriptedUiServices> m_ui;
    std::unique_ptr<CPartialData> m_table;
    DecaySource m_source;
    std::unique_ptr<CDecayDlg> m_dlg;

    CDecayDlg& Open() {
        m_dlg = std::make_unique<CDecayDlg>(*m_table, m_source, *m_ui);
        m_dlg->show();
        return *m_dlg;
    }
    static QStringList Enabled(CDecayDlg& dlg) {
        QStringList names;
        for (const char* name : {"Go", "Write to file", "Exit", "Cancel"})
            if (Button(dlg, name)->isEnabled())
                names << name;
        return names;
    }
    void WaitComplete() {
        QTRY_VERIFY_WITH_TIMEOUT(m_dlg->GetState() == CDecayDlg::State::kComplete, 60000);
    }

  private slots:
    void init() {
        m_dlg.reset();  // before what it refers to
        m_ui = std::make_unique<CScriptedUiServices>();
        m_table = std::make_unique<CPartialData>();
        for (double f : {250.0, 500.0, 600.0, 1000.0})
            m_table->AddPartial(f, 0, 1, 0, 0, CPartialData::kUnnamed);
        m_source = {};
        m_source.m_wave = {m_samples.data(), static_cast<std::int32_t>(m_samples.size()), kRate};
        m_source.m_selection = {1000, 1000 + 3 * kRate};
        m_source.m_panelSampleCount = static_cast<std::int32_t>(m_samples.size());
        m_source.m_fileTitle = "treble";
    }

    void opensWithItsDefaultsAndOnlyGoAndCancel() {
        CDecayDlg& dlg = Open();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Calculate Partials Decay"));
        QCOMPARE(FieldText(dlg, "Start sample"), QStringLiteral("1000"));
        QCOMPARE(FieldText(dlg, "End sample"), QString::number(1000 + 5 * kRate));
        QCOMPARE(FieldText(dlg, "Splash trans length"), QStringLiteral("1102"));
        QCOMPARE(FieldText(dlg, "Tail trans length"), QStringLiteral("8820"));
        QCOMPARE(FieldText(dlg, "Tail trans step"), QStringLiteral("8820"));
        QCOMPARE(Enabled(dlg), QStringList({"Go", "Cancel"}));
        CheckControlsAreNamedAndReachable(dlg);
        QCOMPARE(Named<QProgressBar>(dlg, "Progress")->value(), 0);

        // Less than five seconds of samples after the start: the end is the last sample.
        m_source.m_selection.m_startSample = 2 * kRate;
        CDecayDlg& late = Open();
        QCOMPARE(FieldText(late, "End sample"), QString::number(6 * kRate));
        // Cancel before Go closes at once.
        Press(late, "Cancel");
        QVERIFY(!late.isVisible());
        QCOMPARE(late.result(), int(QDialog::Rejected));
    }

    void refusesBadFieldsAndStaysIdle() {
        CDecayDlg& dlg = Open();
        const auto refused = [&](const char* field, const QString& text) {
            Type(Field(dlg, field), text);
            m_ui->m_messages.clear();
            Press(dlg, "Go");
            QCOMPARE(m_ui->m_messages, std::vector<std::string>{"bad input parameter"});
            QCOMPARE(dlg.GetState(), CDecayDlg::State::kIdle);
            QCOMPARE(Field(dlg, field)->text(), text);  // as entered
            QCOMPARE(Enabled(dlg), QStringList({"Go", "Cancel"}));
        };
        refused("Tail trans step", "0");
        Type(Field(dlg, "Tail trans step"), "8820");
        refused("Splash trans length", "8820");  // splash = tail
        Type(Field(dlg, "Splash trans length"), "1102");
        refused("End sample", QString::number(6 * kRate + 1));
        // (E - S - L) / T = 2
        refused("End sample", QString::number(1000 + 8820 + 3 * 8820 - 1));

        // A field that is not a number is prompted for; the checks run on the value in force.
        Type(Field(dlg, "End sample"), QString::number(1000 + 8820 + 3 * 8820));
        Type(Field(dlg, "Tail trans step"), "x");
        m_ui->m_messages.clear();
        Press(dlg, "Go");
        QCOMPARE(m_ui->m_messages.front(), std::string("Please enter an integer."));
        WaitComplete();  // the step in force, 8820, passes: (E - S - L) / T = 3
        Press(dlg, "Exit");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void refusesWhatThePanelCannotAnalyse() {
        const auto refusedAtGo = [&] {
            CDecayDlg& dlg = Open();
            m_ui->m_messages.clear();
            Press(dlg, "Go");
            QCOMPARE(m_ui->m_messages, std::vector<std::string>{"bad input parameter"});
            QCOMPARE(dlg.GetState(), CDecayDlg::State::kIdle);
        };
        const DecaySource good = m_source;
        // The panel's selection beyond the waveform, or empty.
        m_source.m_selection.m_endSample = good.m_wave.m_sampleCount + 1;
        refusedAtGo();
        m_source.m_selection = {5000, 5000};
        refusedAtGo();
        // The panel shows more samples than the waveform has: the end is checked against
        // the waveform.
        m_source = good;
        m_source.m_panelSampleCount = good.m_wave.m_sampleCount + 100;
        Open();
        Type(Field(*m_dlg, "End sample"), QString::number(good.m_wave.m_sampleCount + 1));
        m_ui->m_messages.clear();
        Press(*m_dlg, "Go");
        QCOMPARE(m_ui->m_messages, std::vector<std::string>{"bad input parameter"});
        // A partial too high for the rate, and a table of noise values only.
        m_source = good;
        m_table->AddPartial(22040.0, 0, 1, 0, 0, CPartialData::kUnnamed);
        refusedAtGo();
        m_table->Clear();
        m_table->m_hasData = true;
        m_table->m_noiseTailAmp = 1.0;
        refusedAtGo();
    }

    void runsTheSelectionAndWritesTheTypedFieldsToTheHeader() {
        CDecayDlg& dlg = Open();
        Type(Field(dlg, "Start sample"), "7");
        Type(Field(dlg, "End sample"), "100000");
        Press(dlg, "Go");
        QCOMPARE(Enabled(dlg), QStringList({"Cancel"}));
        WaitComplete();
        QCOMPARE(Enabled(dlg), QStringList({"Write to file", "Exit"}));
        QCOMPARE(Named<QProgressBar>(dlg, "Progress")->value(), 100);
        QVERIFY(!Button(dlg, "Go")->isEnabled());  // one analysis per dialog

        // The runs analysed the panel's selection, not the typed one.
        const CDecayAnalysis& analysis = dlg.Analysis();
        QCOMPARE(analysis.RunRequest(0).m_startSample, 1000);
        QCOMPARE(analysis.RunRequest(16).m_endSample, 1000 + 3 * kRate);
        QCOMPARE(analysis.PartialCount(), 4);
        QVERIFY(analysis.Peak(1, 0) > analysis.Peak(1, 16));  // the 500 Hz partial dies away

        CTempDir dir;
        m_ui->AnswerSave(dir.File("treble.dec"));
        Press(dlg, "Write to file");
        QCOMPARE(m_ui->LastMessage(), std::string("Decays written"));
        QCOMPARE(m_ui->m_fileDialogs.back().proposedName, std::string("treble"));
        const QStringList lines =
            QString::fromStdString(ReadFileBytes(dir.File("treble.dec"))).split("\r\n");
        QCOMPARE(lines.size(), 11);  // ten lines and nothing after the last line end
        QCOMPARE(lines[2], QStringLiteral("sample rate: 44100"));
        QCOMPARE(lines[3],
                 QStringLiteral("length: 8820, step: 8820, start sample: 7, end sample 100000"));
        QVERIFY(lines[5].startsWith("250.000000, "));
        QVERIFY(lines[8].startsWith("1000.000000, "));
        QCOMPARE(lines[9], QString());

        // Cancelling the file dialog says nothing; a file that cannot be written says so,
        // and the table stays for another try.
        m_ui->m_messages.clear();
        m_ui->AnswerSave(std::nullopt);
        Press(dlg, "Write to file");
        QVERIFY(m_ui->m_messages.empty());
        m_ui->AnswerSave(dir.File("missing/treble.dec"));
        Press(dlg, "Write to file");
        QCOMPARE(m_ui->LastMessage(), std::string("Error writing file!"));
        m_ui->AnswerSave(dir.File("again.dec"));
        Press(dlg, "Write to file");
        QCOMPARE(ReadFileBytes(dir.File("again.dec")), ReadFileBytes(dir.File("treble.dec")));
        Press(dlg, "Exit");
        QVERIFY(!dlg.isVisible());
    }

    void cancelStopsTheRunsAndClosesOnceTheyHaveStopped() {
        CDecayDlg dlg(*m_table, m_source, *m_ui);
        CModalAnswers answers;
        answers.Then([&](QDialog&) {
            Press(dlg, "Go");
            // Both clicks come before the first run can report.
            Press(dlg, "Cancel");
            QCOMPARE(dlg.GetState(), CDecayDlg::State::kStopping);
            QCOMPARE(Enabled(dlg), QStringList({"Cancel"}));
            QTest::keyClick(&dlg, Qt::Key_Escape);  // asking again does no harm
            QVERIFY(dlg.isVisible());
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(answers.AllUsed());
        QVERIFY(!dlg.Analysis().IsComplete());
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(m_ui->m_fileDialogs.empty());
    }

    void aRunWithoutMemoryEndsTheAnalysisWithAMessage() {
        CDecayDlg dlg(*m_table, m_source, *m_ui);
        dlg.Analysis().Spectrum().m_job.m_allocateBuffer = [](std::size_t) {
            return std::unique_ptr<double[]>();
        };
        CModalAnswers answers;
        answers.Then([&](QDialog&) { Press(dlg, "Go"); });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(m_ui->m_messages, std::vector<std::string>{"bad input parameter"});
        QVERIFY(!dlg.Analysis().IsComplete());
    }
};

QTEST_MAIN(DecayDlgTest)
#include "DecayDlgTest.moc"
