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
constexpr std::int32_t kCount = 6 * kRate;

// Six seconds of dying partials after a short silence.
std::vector<std::int16_t> Recording() {
    std::vector<std::int16_t> samples(kCount, 0);
    for (std::int32_t n = 1000; n < kCount; ++n) {
        const double t = double(n - 1000) / kRate;
        double s = 0.0;
        for (double f : {250.0, 500.0, 600.0, 1000.0})
            s += 3000.0 * std::exp(-t * f / 1500.0) * std::sin(2 * std::numbers::pi * f * t);
        samples[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(std::lround(s));
    }
    return samples;
}

QStringList Enabled(CDecayDlg& dlg) {
    QStringList names;
    for (const char* name : {"Go", "Write to file", "Exit", "Cancel"})
        if (Button(dlg, name)->isEnabled())
            names << name;
    return names;
}

}  // namespace

class DecayDlgTest : public QObject {
    Q_OBJECT

  private:
    std::vector<std::int16_t> m_samples = Recording();
    CScriptedUiServices m_ui;
    CPartialData m_table;
    DecaySource m_source;

    void Refused(CDecayDlg& dlg) {
        m_ui.m_messages.clear();
        Press(dlg, "Go");
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"bad input parameter"});
        QCOMPARE(dlg.GetState(), CDecayDlg::State::kIdle);
        QCOMPARE(Enabled(dlg), QStringList({"Go", "Cancel"}));
    }

  private slots:
    void init() {
        m_ui = {};
        m_table.Clear();
        for (double f : {250.0, 500.0, 600.0, 1000.0})
            m_table.AddPartial(f, 0, 1, 0, 0, CPartialData::kUnnamed);
        m_source.m_wave = {m_samples.data(), kCount, kRate};
        m_source.m_selection = {1000, 1000 + 3 * kRate};
        m_source.m_panelSampleCount = kCount;
        m_source.m_fileTitle = "treble";
    }

    void opensWithItsDefaultsAndRefusesBadFieldsAtGo() {
        CDecayDlg dlg(m_table, m_source, m_ui);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Calculate Partials Decay"));
        QCOMPARE(FieldTexts(dlg, {"Start sample", "End sample", "Splash trans length",
                                  "Tail trans length", "Tail trans step"}),
                 QStringList({"1000", QString::number(1000 + 5 * kRate), "1102", "8820", "8820"}));
        QCOMPARE(Enabled(dlg), QStringList({"Go", "Cancel"}));
        CheckControlsAreNamedAndReachable(dlg);

        Type(Field(dlg, "Tail trans step"), "0");
        Refused(dlg);
        QCOMPARE(FieldText(dlg, "Tail trans step"), QStringLiteral("0"));  // as entered
        Type(Field(dlg, "Tail trans step"), "8820");
        Type(Field(dlg, "End sample"), QString::number(1000 + 4 * 8820 - 1));  // 2 steps
        Refused(dlg);
        // The panel may show more samples than the waveform has: the end is checked against
        // the waveform's own.
        m_source.m_panelSampleCount = kCount + 100;
        CDecayDlg more(m_table, m_source, m_ui);
        more.show();
        Type(Field(more, "End sample"), QString::number(kCount + 1));
        Refused(more);
        // A selection the waveform does not have.
        m_source.m_selection.m_endSample = kCount + 1;
        CDecayDlg beyond(m_table, m_source, m_ui);
        beyond.show();
        Refused(beyond);

        // A field that is not a number is prompted for; the checks run on the value in force
        // (four tail lengths after the start pass).
        Type(Field(dlg, "End sample"), QString::number(1000 + 4 * 8820));
        Type(Field(dlg, "Tail trans step"), "x");
        m_ui.m_messages.clear();
        Press(dlg, "Go");
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"Please enter an integer."});
        QCOMPARE(Enabled(dlg), QStringList({"Cancel"}));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.GetState() == CDecayDlg::State::kComplete, 60000);
    }

    void runsThePanelsSelectionAndWritesTheTypedFieldsToTheHeader() {
        CDecayDlg dlg(m_table, m_source, m_ui);
        dlg.show();
        Type(Field(dlg, "Start sample"), "7");
        Type(Field(dlg, "End sample"), "100000");
        Press(dlg, "Go");
        QTRY_VERIFY_WITH_TIMEOUT(dlg.GetState() == CDecayDlg::State::kComplete, 60000);
        QCOMPARE(Enabled(dlg), QStringList({"Write to file", "Exit"}));  // Go once only
        QCOMPARE(Named<QProgressBar>(dlg, "Progress")->value(), 100);
        QCOMPARE(dlg.Analysis().RunRequest(16).m_startSample, 1000);
        QCOMPARE(dlg.Analysis().RunRequest(16).m_endSample, 1000 + 3 * kRate);
        QVERIFY(dlg.Analysis().Peak(3, 16) < dlg.Analysis().Peak(3, 0));  // 1000 Hz dies away

        CTempDir dir;
        m_ui.AnswerSave(dir.File("treble.dec"));
        Press(dlg, "Write to file");
        QCOMPARE(m_ui.LastMessage(), std::string("Decays written"));
        QCOMPARE(m_ui.m_fileDialogs.back().proposedName, std::string("treble"));
        const QStringList lines =
            QString::fromStdString(ReadFileBytes(dir.File("treble.dec"))).split("\r\n");
        QCOMPARE(lines.size(), 11);  // ten lines, the last empty, and nothing after
        QCOMPARE(lines[3],
                 QStringLiteral("length: 8820, step: 8820, start sample: 7, end sample 100000"));
        QVERIFY(lines[8].startsWith("1000.000000, "));
        // A cancelled file dialog says nothing; a file that cannot be written says so.
        m_ui.m_messages.clear();
        Press(dlg, "Write to file");
        QVERIFY(m_ui.m_messages.empty());
        m_ui.AnswerSave(dir.File("missing/treble.dec"));
        Press(dlg, "Write to file");
        QCOMPARE(m_ui.LastMessage(), std::string("Error writing file!"));
        Press(dlg, "Exit");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void cancelStopsTheRunsAndClosesOnceTheyHaveStopped() {
        CDecayDlg dlg(m_table, m_source, m_ui);
        CModalAnswers answers;
        answers.Then([&](QDialog&) {
            Press(dlg, "Go");
            Press(dlg, "Cancel");  // before the first run can report
            QCOMPARE(dlg.GetState(), CDecayDlg::State::kStopping);
            QCOMPARE(Enabled(dlg), QStringList({"Cancel"}));
            QTest::keyClick(&dlg, Qt::Key_Escape);  // asking again does no harm
            QVERIFY(dlg.isVisible());
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(answers.AllUsed());
        QVERIFY(!dlg.Analysis().IsComplete());
        QVERIFY(m_ui.m_messages.empty());
        QVERIFY(m_ui.m_fileDialogs.empty());
    }

    void aRunWithoutMemoryEndsTheAnalysisWithAMessage() {
        CDecayDlg dlg(m_table, m_source, m_ui);
        dlg.Analysis().Spectrum().m_job.m_allocateBuffer = [](std::size_t) {
            return std::unique_ptr<double[]>();
        };
        CModalAnswers answers;
        answers.Then([&](QDialog&) { Press(dlg, "Go"); });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"bad input parameter"});
    }
};

QTEST_MAIN(DecayDlgTest)
#include "DecayDlgTest.moc"
