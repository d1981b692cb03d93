#include <QtTest>
#include <cmath>

#include "app/gui/MainDlg.h"
#include "support/BellSound.h"
#include "support/ScriptedDevices.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

class AnalyseFileTest : public QObject {
    Q_OBJECT

  private slots:
    void aBellRecordingEndsWithNamedPartialsAndItsNominal() {
        const double nominal = 500.0;
        const std::vector<BellPartial> bell = ClassicBell();
        CTempDir dir;
        const std::string path = dir.File("treble.wav");
        WriteFileBytes(path, BellWav(nominal, bell));

        CScriptedUiServices ui;
        CScriptedDevices panelDevices;
        CMainDlg panel(ui, panelDevices.Services(), VersionStrings{});
        panel.show();
        ui.AnswerOpen(path);
        CModalAnswers answers;
        answers.Then([](QDialog&) {});  // the progress dialog runs to its end
        Press(panel, "Analyse File");

        QVERIFY2(ui.m_messages.empty(), ui.LastMessage().c_str());
        QVERIFY(!answers.Titles().empty());
        QCOMPARE(answers.Titles().front(), QStringLiteral("Transforms"));
        // No details on the way, and the transform view exactly once, at the end.
        QCOMPARE(answers.Titles(),
                 (std::vector<QString>{"Transforms", "Transforms and partials selection"}));
        const CAnalysisDoc& doc = panel.Document();
        QVERIFY(!doc.m_analysing);
        QVERIFY(std::abs(doc.m_params.m_nominal - nominal) <= 0.5);
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral("B(1) +21"));

        const CPartialData& table = doc.m_partials;
        for (const auto& p : bell) {
            int row = -1;
            for (int i = 0; i < table.m_count; ++i)
                if (std::abs(table.m_freq[i] - p.ratio * nominal) <= 1.0)
                    row = i;
            QVERIFY2(row >= 0, p.name);
            QCOMPARE(QString::fromStdString(table.PartialName(row)), QString(p.name));
        }
        QVERIFY(Button(panel, "Write Partials")->isEnabled());
        QVERIFY(Button(panel, "Find Decays")->isEnabled());

        // The pitch reference renames the nominal (253 cents above A=432 is past the B); the
        // cents stay.
        const auto cents = table.m_cents;
        ClickBox(Button(panel, "A=432Hz"));
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral("C(2) -47"));
        QCOMPARE(table.m_cents, cents);
    }

    void aRefusedTransformLeavesNoStaleTransformOnOffer() {
        CTempDir dir;
        const std::string bell = dir.File("bell.wav");
        WriteFileBytes(bell, BellWav(500.0, {{1.0, 5000, 1.0, "nominal"}}));
        // At 8000 samples a second nothing above 4000 Hz exists: the panel's 0 .. 5000 Hz
        // range is refused.
        const std::string low = dir.File("low.wav");
        WriteFileBytes(
            low, CWavBuilder::Pcm(1, 8000, 16,
                                  CWavBuilder::Samples16(std::vector<std::int16_t>(16000, 3000))));
        CScriptedUiServices ui;
        CScriptedDevices panelDevices;
        CMainDlg panel(ui, panelDevices.Services(), VersionStrings{});
        panel.show();
        ui.AnswerOpen(bell);
        {
            CModalAnswers answers;
            answers.Then([](QDialog&) {});
            Press(panel, "Analyse File");
        }
        QVERIFY(Button(panel, "Write Transform")->isEnabled());
        QVERIFY(Button(panel, "View Tr. / Get Part.")->isEnabled());

        ui.AnswerOpen(low);
        CModalAnswers none;
        Press(panel, "Analyse File");
        QCOMPARE(ui.LastMessage(), std::string("Bad transform parameters!"));
        QVERIFY(none.Titles().empty());
        const CTransformData& transforms = panel.Document().m_transforms;
        QVERIFY(!transforms.m_valid);
        for (const char* name : {"Write Transform", "View Tr. / Get Part.", "Find Decays"})
            QVERIFY2(!Button(panel, name)->isEnabled(), name);
        // What was made room for holds nothing of the earlier transform.
        for (std::int32_t j = 0; j <= transforms.m_steps; ++j)
            QCOMPARE(transforms.m_values[j], 0.0);
    }
};

QTEST_MAIN(AnalyseFileTest)
#include "AnalyseFileTest.moc"
