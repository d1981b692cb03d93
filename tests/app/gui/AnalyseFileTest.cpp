#include <QtTest>
#include <cmath>

#include "support/BellSound.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"

class AnalyseFileTest : public QObject {
    Q_OBJECT

  private:
    // Analyse File on the recording; the progress dialog runs to its end.
    static std::vector<QString> Analyse(CPanelHarness& h, const std::string& bytes) {
        WriteFileBytes(h.m_dir.File("bell.wav"), bytes);
        h.m_ui.AnswerOpen(h.m_dir.File("bell.wav"));
        CModalAnswers answers;
        answers.Then([](QDialog&) {});
        Press(h.m_panel, "Analyse File");
        return answers.Titles();
    }

  private slots:
    void aBellRecordingEndsWithNamedPartialsAndItsNominal() {
        CPanelHarness h;
        const std::vector<BellPartial> bell = ClassicBell();
        // No details on the way, and the transform view exactly once, at the end.
        QCOMPARE(Analyse(h, BellWav(500.0, bell)),
                 (std::vector<QString>{"Transforms", "Transforms and partials selection"}));
        QVERIFY2(h.m_ui.m_messages.empty(), h.m_ui.LastMessage().c_str());
        QVERIFY(!h.Doc().m_analysing);
        QVERIFY(std::abs(h.Doc().m_params.m_nominal - 500.0) <= 0.5);
        QCOMPARE(Field(h.m_panel, "Nominal note")->text(), QStringLiteral("B(1) +21"));
        const CPartialData& table = h.Doc().m_partials;
        for (const auto& p : bell) {
            int row = -1;
            for (int i = 0; i < table.m_count; ++i)
                if (std::abs(table.m_freq[i] - p.ratio * 500.0) <= 1.0)
                    row = i;
            QVERIFY2(row >= 0, p.name);
            QCOMPARE(QString::fromStdString(table.PartialName(row)), QString(p.name));
        }
        QVERIFY(Button(h.m_panel, "Write Partials")->isEnabled());
        QVERIFY(Button(h.m_panel, "Find Decays")->isEnabled());

        // The pitch reference renames the nominal (253 cents above A=432 is past the B); the
        // cents stay.
        const auto cents = table.m_cents;
        ClickBox(Button(h.m_panel, "A=432Hz"));
        QCOMPARE(Field(h.m_panel, "Nominal note")->text(), QStringLiteral("C(2) -47"));
        QCOMPARE(table.m_cents, cents);
    }

    void aRefusedTransformLeavesNoStaleTransformOnOffer() {
        CPanelHarness h;
        Analyse(h, BellWav(500.0, {{1.0, 5000, 1.0, "nominal"}}));
        QVERIFY(Button(h.m_panel, "View Tr. / Get Part.")->isEnabled());
        // At 8000 samples a second nothing above 4000 Hz exists: 0 .. 5000 Hz is refused.
        QVERIFY(Analyse(h, CWavBuilder::Pcm(
                               1, 8000, 16,
                               CWavBuilder::Samples16(std::vector<std::int16_t>(16000, 3000))))
                    .empty());
        QCOMPARE(h.m_ui.LastMessage(), std::string("Bad transform parameters!"));
        const CTransformData& transforms = h.Doc().m_transforms;
        QVERIFY(!transforms.m_valid);
        for (const char* name : {"Write Transform", "View Tr. / Get Part.", "Find Decays"})
            QVERIFY2(!Button(h.m_panel, name)->isEnabled(), name);
        // What was made room for holds nothing of the earlier transform.
        for (std::int32_t j = 0; j <= transforms.m_steps; ++j)
            QCOMPARE(transforms.m_values[j], 0.0);
    }
};

QTEST_MAIN(AnalyseFileTest)
#include "AnalyseFileTest.moc"
