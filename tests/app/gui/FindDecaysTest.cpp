#include <QtTest>
#include <cmath>
#include <numbers>

#include "decay/gui/DecayDlg.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"

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
        CPanelHarness h;
        CMainDlg& panel = h.m_panel;
        WriteFileBytes(h.m_dir.File("tenor.wav"), ThreeSeconds());
        h.m_ui.AnswerOpen(h.m_dir.File("tenor.wav"));
        {
            CModalAnswers answers;  // the details, the transform's progress, its view
            answers.Then([](QDialog& d) { d.accept(); });
            answers.Then([](QDialog&) {});
            Press(panel, "Read Waveform");
            Press(panel, "Do Transform");
        }
        QVERIFY(!Button(panel, "Find Decays")->isEnabled());  // no partials yet
        h.Doc().m_partials.AddPartial(250.0, 0, 1, 0, 0, CPartialData::kUnnamed);
        h.Doc().m_partials.AddPartial(500.0, 0, 1, 0, 0, CPartialData::kUnnamed);
        {
            CModalAnswers answers;
            Press(panel, "View / Edit Partials");
        }
        QVERIFY(Button(panel, "Find Decays")->isEnabled());

        // What the panel shows but has not read yet counts; a rate the panel may show after
        // reading another recording's transform file does not: the waveform's own is used.
        Type(Field(panel, "Start Sample"), "2000");
        Type(Field(panel, "End Sample"), "90000");
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
        QVERIFY2(h.m_ui.m_messages.empty(), h.m_ui.LastMessage().c_str());
        QCOMPARE(firstRun.m_startSample, 2000);
        QCOMPARE(firstRun.m_endSample, 90000);
        QCOMPARE(firstRun.m_sampleRate, kRate);
        QVERIFY(Button(panel, "Find Decays")->isEnabled());
    }
};

QTEST_MAIN(FindDecaysTest)
#include "FindDecaysTest.moc"
