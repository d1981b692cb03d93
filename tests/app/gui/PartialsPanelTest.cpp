#include <QtTest>

#include "platform/NumberText.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"

class PartialsPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void partialsGoOutAndComeBackAndAFailedReadLeavesNoneOnOffer() {
        CPanelHarness first;
        const std::string good = first.m_dir.File("bell.par");
        QVERIFY(!Button(first.m_panel, "Write Partials")->isEnabled());
        first.Doc().m_partials.AddPartial(250, 0, 10, 0, 0, CPartialData::kPrime);
        first.Doc().m_partials.AddPartial(500, 0, 20, 0, 0, CPartialData::kNominal);
        first.Doc().m_partials.m_nominal = 500;
        {
            CModalAnswers answers;  // the editor, closed at once: the buttons follow the table
            Press(first.m_panel, "View / Edit Partials");
        }
        QVERIFY(Button(first.m_panel, "Write Partials")->isEnabled());
        QVERIFY(Button(first.m_panel, "Create Waveform")->isEnabled());
        QVERIFY(!Button(first.m_panel, "Find Decays")->isEnabled());  // needs a waveform too
        first.m_ui.AnswerSave(first.m_dir.File("nowhere/bell.par"));
        Press(first.m_panel, "Write Partials");
        QCOMPARE(first.m_ui.LastMessage(), std::string("Error writing file!"));
        first.m_ui.AnswerSave(good);
        first.m_ui.m_messages.clear();
        Press(first.m_panel, "Write Partials");
        QVERIFY(first.m_ui.m_messages.empty());
        QCOMPARE(first.m_ui.m_fileDialogs.back().proposedName, std::string("No file loaded"));

        CPanelHarness other;
        CMainDlg& panel = other.m_panel;
        const CPartialData& read = other.Doc().m_partials;
        const auto readGood = [&] {
            other.m_ui.AnswerOpen(good);
            Press(panel, "Read Partials");
            QCOMPARE(Field(panel, "Nominal (Hz)")->text(), QStringLiteral("500"));
            QVERIFY(Button(panel, "Write Partials")->isEnabled());
        };
        readGood();
        QVERIFY2(other.m_ui.m_messages.empty(), other.m_ui.LastMessage().c_str());
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral("B(1) +21"));
        QCOMPARE(read.m_count, std::int16_t(2));

        // Note names follow the panel's choices at once; the cents do not move.
        const auto cents = read.m_cents;
        ClickBox(Button(panel, "German note names"));
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral("H(1) +21"));
        ClickBox(Button(panel, "A=435Hz"));
        QCOMPARE(read.m_aRef, 435.0);
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral("H(1) +41"));
        QCOMPARE(QString::fromStdString(read.m_note[1]), QStringLiteral("H(1) +41"));
        QCOMPARE(read.m_cents, cents);

        // Cancelling or a file that cannot be opened leave the table and the panel alone.
        for (const std::optional<std::string>& path :
             {std::optional<std::string>(), std::optional(other.m_dir.File("missing.par"))}) {
            other.m_ui.AnswerOpen(path);
            Press(panel, "Read Partials");
            QCOMPARE(read.m_count, std::int16_t(2));
            QCOMPARE(Field(panel, "Nominal (Hz)")->text(), QStringLiteral("500"));
            QVERIFY(Button(panel, "Write Partials")->isEnabled());
        }
        // A file that was read but refused has emptied the table: the panel says so.
        const std::pair<const char*, const char*> refused[] = {
            {"Something else\r\n", "Not a partials file!"},
            {"Partials\r\nwave file is x, nominal: 440.000000, A=440.0, \r\n"
             "Freq., Splash Amp., Tail Amp., Attack, Decay, Cents, Partial, Note\r\n",
             "File format error!"},
            {"Partials\r\nFile is: x\r\nNo nominal here\r\n", "No nominal in file!"}};
        for (const auto& [bytes, text] : refused) {
            readGood();
            WriteFileBytes(other.m_dir.File("bad.par"), bytes);
            other.m_ui.AnswerOpen(other.m_dir.File("bad.par"));
            Press(panel, "Read Partials");
            QCOMPARE(other.m_ui.LastMessage(), std::string(text));
            QVERIFY(!read.m_hasData);
            QCOMPARE(Field(panel, "Nominal (Hz)")->text(),
                     QString::fromStdString(FormatDoubleField(read.m_nominal)));
            QVERIFY2(!Button(panel, "Write Partials")->isEnabled(), text);
            QVERIFY2(!Button(panel, "Create Waveform")->isEnabled(), text);
        }

        // The editor works on the panel's own table; what it leaves comes back to the panel.
        readGood();
        CModalAnswers answers;
        answers.Then([](QDialog& editor) {
            CModalAnswers::ClickButton(editor, "Clear");
            QTest::keyClick(&editor, Qt::Key_Escape);
        });
        Press(panel, "View / Edit Partials");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Edit Partials"});
        QCOMPARE(Field(panel, "Nominal (Hz)")->text(), QStringLiteral("0"));
        QCOMPARE(Field(panel, "Nominal note")->text(), QStringLiteral(" "));
        QVERIFY(!Button(panel, "Write Partials")->isEnabled());
    }
};

QTEST_MAIN(PartialsPanelTest)
#include "PartialsPanelTest.moc"
