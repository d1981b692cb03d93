#include <QtTest>

#include "app/gui/MainDlg.h"
#include "platform/NumberText.h"
#include "support/ScriptedDevices.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

class PartialsPanelTest : public QObject {
    Q_OBJECT

  private:
    static std::string WriteTwoPartials(const CTempDir& dir) {
        CScriptedUiServices ui;
        CScriptedDevices panelDevices;
        CMainDlg panel(ui, panelDevices.Services(), VersionStrings{});
        CPartialData& table = panel.Document().m_partials;
        table.AddPartial(250, 0, 10, 0, 0, CPartialData::kPrime);
        table.AddPartial(500, 0, 20, 0, 0, CPartialData::kNominal);
        table.m_nominal = 500;
        ui.AnswerSave(dir.File("bell.par"));
        CModalAnswers answers;  // the editor, closed at once: the buttons follow the table
        Press(panel, "View / Edit Partials");
        Press(panel, "Write Partials");
        return dir.File("bell.par");
    }

  private slots:
    void partialsGoOutAndComeBackWithTheirNominal() {
        CTempDir dir;
        CScriptedUiServices ui;
        CScriptedDevices panelDevices;
        CMainDlg panel(ui, panelDevices.Services(), VersionStrings{});
        panel.show();
        QVERIFY(!Button(panel, "Write Partials")->isEnabled());

        CPartialData& table = panel.Document().m_partials;
        table.AddPartial(250, 0, 10, 0, 0, CPartialData::kPrime);
        table.AddPartial(500, 0, 20, 0, 0, CPartialData::kNominal);
        table.m_nominal = 500;
        {
            CModalAnswers answers;
            Press(panel, "View / Edit Partials");
        }
        QVERIFY(Button(panel, "Write Partials")->isEnabled());
        QVERIFY(Button(panel, "Create Waveform")->isEnabled());
        QVERIFY(!Button(panel, "Find Decays")->isEnabled());  // needs a waveform and transforms

        ui.AnswerSave(dir.File("nowhere/bell.par"));
        Press(panel, "Write Partials");
        QCOMPARE(ui.LastMessage(), std::string("Error writing file!"));
        ui.AnswerSave(dir.File("bell.par"));
        ui.m_messages.clear();
        Press(panel, "Write Partials");
        QVERIFY(ui.m_messages.empty());
        QCOMPARE(ui.m_fileDialogs.back().proposedName, std::string("No file loaded"));

        CScriptedUiServices ui2;
        CScriptedDevices otherDevices;
        CMainDlg other(ui2, otherDevices.Services(), VersionStrings{});
        other.show();
        ui2.AnswerOpen(dir.File("bell.par"));
        Press(other, "Read Partials");
        QVERIFY2(ui2.m_messages.empty(), ui2.LastMessage().c_str());
        QCOMPARE(Field(other, "Nominal (Hz)")->text(), QStringLiteral("500"));
        QCOMPARE(Field(other, "Nominal note")->text(), QStringLiteral("B(1) +21"));
        const CPartialData& read = other.Document().m_partials;
        QCOMPARE(read.m_count, std::int16_t(2));
        QVERIFY(Button(other, "Write Partials")->isEnabled());

        // Note names follow the panel's choices at once; the cents do not move.
        const auto cents = read.m_cents;
        ClickBox(Button(other, "German note names"));
        QCOMPARE(Field(other, "Nominal note")->text(), QStringLiteral("H(1) +21"));
        QVERIFY(read.m_germanNames);
        ClickBox(Button(other, "A=435Hz"));
        QCOMPARE(read.m_aRef, 435.0);
        QCOMPARE(Field(other, "Nominal note")->text(), QStringLiteral("H(1) +41"));
        QCOMPARE(QString::fromStdString(read.m_note[1]), QStringLiteral("H(1) +41"));
        QCOMPARE(read.m_cents, cents);

        // The editor works on the panel's own table; what it leaves comes back to the panel.
        CModalAnswers answers;
        answers.Then([](QDialog& editor) {
            CModalAnswers::ClickButton(editor, "Clear");
            QTest::keyClick(&editor, Qt::Key_Escape);
        });
        Press(other, "View / Edit Partials");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Edit Partials"});
        QCOMPARE(Field(other, "Nominal (Hz)")->text(), QStringLiteral("0"));
        QCOMPARE(Field(other, "Nominal note")->text(), QStringLiteral(" "));
        QVERIFY(!Button(other, "Write Partials")->isEnabled());
    }

    void aFailedReadLeavesNoStalePartialsOnOffer() {
        CTempDir dir;
        const std::string good = WriteTwoPartials(dir);
        WriteFileBytes(dir.File("junk.par"), "Something else\r\n");
        WriteFileBytes(dir.File("empty.par"),
                       "Partials\r\nwave file is x, nominal: 440.000000, A=440.0, \r\n"
                       "Freq., Splash Amp., Tail Amp., Attack, Decay, Cents, Partial, Note\r\n");
        WriteFileBytes(dir.File("short.par"), "Partials\r\nFile is: x\r\nNo nominal here\r\n");

        CScriptedUiServices ui;
        CScriptedDevices panelDevices;
        CMainDlg panel(ui, panelDevices.Services(), VersionStrings{});
        const auto readGood = [&] {
            ui.AnswerOpen(good);
            Press(panel, "Read Partials");
            QCOMPARE(Field(panel, "Nominal (Hz)")->text(), QStringLiteral("500"));
            QVERIFY(Button(panel, "Write Partials")->isEnabled());
        };
        // Cancelling or a file that cannot be opened leave the table and the panel alone.
        for (const std::optional<std::string>& path :
             {std::optional<std::string>(), std::optional(dir.File("missing.par"))}) {
            readGood();
            ui.AnswerOpen(path);
            Press(panel, "Read Partials");
            QCOMPARE(panel.Document().m_partials.m_count, std::int16_t(2));
            QCOMPARE(Field(panel, "Nominal (Hz)")->text(), QStringLiteral("500"));
            QVERIFY(Button(panel, "Write Partials")->isEnabled());
        }
        // A file that was read but refused has emptied the table: the panel says so.
        const std::pair<const char*, const char*> refused[] = {
            {"junk.par", "Not a partials file!"},
            {"empty.par", "File format error!"},
            {"short.par", "No nominal in file!"}};
        for (const auto& [name, text] : refused) {
            readGood();
            ui.AnswerOpen(dir.File(name));
            Press(panel, "Read Partials");
            QCOMPARE(ui.LastMessage(), std::string(text));
            QCOMPARE(panel.Document().m_partials.m_hasData, false);
            QCOMPARE(
                Field(panel, "Nominal (Hz)")->text(),
                QString::fromStdString(FormatDoubleField(panel.Document().m_partials.m_nominal)));
            QVERIFY2(!Button(panel, "Write Partials")->isEnabled(), name);
            QVERIFY2(!Button(panel, "Create Waveform")->isEnabled(), name);
        }
    }
};

QTEST_MAIN(PartialsPanelTest)
#include "PartialsPanelTest.moc"
