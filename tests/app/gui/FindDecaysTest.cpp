#include <QtTest>
#include <cmath>
#include <numbers>

#include "app/gui/MainDlg.h"
#include "decay/gui/DecayDlg.h"
#include "support/ScriptedDevices.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

namespace {

constexpr int kRate = 44100;
constexpr int kCount = 3 * kRate;

std::string ThreeSeconds() {
    std::vector<std::int16_t> samples(kCount);
    for (int n = 0; n < kCount; ++n) {
        const double t = double(n) / kRate;
        samples[n] = static_cast<std::int16_t>(
            std::lround(8000.0 * std::exp(-t) * std::sin(2 * std::numbers::pi * 500.0 * t)));
    }
    return CWavBuilder::Pcm(1, kRate, 16, CWavBuilder::Samples16(samples));
}

}  // namespace

class FindDecaysTest : public QObject {
    Q_OBJECT

  private slots:
    void opensOnThePanelsSelectionOnceEverythingIsThere() {
        CTempDir dir;
        WriteFileBytes(dir.File("tenor.wav"), ThreeSeconds());
        CScriptedUiServices ui;
        CScriptedDevices devices;
        CMainDlg panel(ui, devices.Services(), VersionStrings{});
        panel.show();
        ui.AnswerOpen(dir.File("tenor.wav"));
        {
            CModalAnswers answers;  // the details, the transform's progress, its view
            answers.Then([](QDialog& d) { d.accept(); });
            answers.Then([](QDialog&) {});
            Press(panel, "Read Waveform");
            Press(panel, "Do Transform");
        }
        QVERIFY(!Button(panel, "Find Decays")->isEnabled());  // no partials yet
        CPartialData& table = panel.Document().m_partials;
        table.AddPartial(250.0, 0, 1, 0, 0, CPartialData::kUnnamed);
        table.AddPartial(500.0, 0, 1, 0, 0, CPartialData::kUnnamed);
        {
            CModalAnswers answers;
            Press(panel, "View / Edit Partials");
        }
        QVERIFY(Button(panel, "Find Decays")->isEnabled());

        // What the panel shows but has not read yet counts: the command reads and syncs.
        Type(Field(panel, "Start Sample"), "2000");
        Type(Field(panel, "End Sample"), "90000");
        // A rate the panel may show after reading another recording's transform file: the
        // analysis follows the waveform's own.
        Field(panel, "Sample Rate")->setText("8000");
        TransformRequest firstRun;
        CModalAnswers answers;
        answers.Then([&](QDialog& dialog) {
            QCOMPARE(FieldText(dialog, "Start sample"), QStringLiteral("2000"));
            QCOMPARE(FieldText(dialog, "End sample"), QString::number(kCount));
            QCOMPARE(FieldText(dialog, "Tail trans length"), QStringLiteral("8820"));
            Press(dialog, "Go");
            auto& decay = dynamic_cast<CDecayDlg&>(dialog);
            QTRY_VERIFY_WITH_TIMEOUT(decay.GetState() == CDecayDlg::State::kComplete, 60000);
            firstRun = decay.Analysis().RunRequest(0);
            Press(dialog, "Exit");
        });
        Press(panel, "Find Decays");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Calculate Partials Decay"});
        QVERIFY2(ui.m_messages.empty(), ui.LastMessage().c_str());
        QCOMPARE(firstRun.m_startSample, 2000);
        QCOMPARE(firstRun.m_endSample, 90000);
        QCOMPARE(firstRun.m_sampleRate, kRate);
        QVERIFY(Button(panel, "Find Decays")->isEnabled());
    }
};

QTEST_MAIN(FindDecaysTest)
#include "FindDecaysTest.moc"
