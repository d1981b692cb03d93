#include <QtTest>

#include "app/gui/MainDlg.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

class PartialsPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void partialsGoOutAndComeBackWithTheirNominal() {
        CTempDir dir;
        CScriptedUiServices ui;
        CMainDlg panel(ui, VersionStrings{});
        panel.show();
        QVERIFY(!panel.m_writePartialsButton->isEnabled());

        CPartialData& table = panel.m_partials;
        table.AddPartial(250, 0, 10, 0, 0, CPartialData::kPrime);
        table.AddPartial(500, 0, 20, 0, 0, CPartialData::kNominal);
        table.m_nominal = 500;
        panel.RefreshButtons();
        QVERIFY(panel.m_writePartialsButton->isEnabled());
        QVERIFY(panel.m_createWaveButton->isEnabled());
        QVERIFY(!panel.m_findDecaysButton->isEnabled());  // needs a waveform and transforms too

        ui.AnswerSave(dir.File("nowhere/bell.par"));
        QTest::mouseClick(panel.m_writePartialsButton, Qt::LeftButton);
        QCOMPARE(ui.LastMessage(), std::string("Error writing file!"));
        ui.AnswerSave(dir.File("bell.par"));
        ui.m_messages.clear();
        QTest::mouseClick(panel.m_writePartialsButton, Qt::LeftButton);
        QVERIFY(ui.m_messages.empty());
        QCOMPARE(ui.m_fileDialogs.back().proposedName, std::string("No file loaded"));

        CScriptedUiServices ui2;
        CMainDlg other(ui2, VersionStrings{});
        other.show();
        ui2.AnswerOpen(dir.File("bell.par"));
        QTest::mouseClick(other.m_readPartialsButton, Qt::LeftButton);
        QVERIFY2(ui2.m_messages.empty(), ui2.LastMessage().c_str());
        QCOMPARE(other.m_nominalEdit->text(), QStringLiteral("500"));
        QCOMPARE(other.m_nominalNoteEdit->text(), QStringLiteral("B(1) +21"));
        QCOMPARE(other.m_partials.m_count, std::int16_t(2));
        QVERIFY(other.m_writePartialsButton->isEnabled());

        // Note names follow the panel's choices at once; the cents do not move.
        const auto cents = other.m_partials.m_cents;
        ClickBox(other.m_germanNamesCheck);
        QCOMPARE(other.m_nominalNoteEdit->text(), QStringLiteral("H(1) +21"));
        QCOMPARE(other.m_partials.m_germanNames, 1);
        ClickBox(other.m_a435Radio);
        QCOMPARE(other.m_partials.m_aRef, 435.0);
        QCOMPARE(other.m_nominalNoteEdit->text(), QStringLiteral("H(1) +41"));
        QCOMPARE(QString::fromStdString(other.m_partials.m_note[1]), QStringLiteral("H(1) +41"));
        QCOMPARE(other.m_partials.m_cents, cents);

        WriteFileBytes(dir.File("junk.par"), "Something else\r\n");
        ui2.AnswerOpen(dir.File("junk.par"));
        QTest::mouseClick(other.m_readPartialsButton, Qt::LeftButton);
        QCOMPARE(ui2.LastMessage(), std::string("Not a partials file!"));
        ui2.AnswerOpen(std::nullopt);
        QTest::mouseClick(other.m_readPartialsButton, Qt::LeftButton);
        QCOMPARE(ui2.LastMessage(), std::string("No file selected!"));
        QCOMPARE(other.m_nominalEdit->text(), QStringLiteral("500"));

        // The editor works on the panel's own table; what it leaves comes back to the panel.
        CModalAnswers answers;
        answers.Then([](QDialog& editor) {
            CModalAnswers::ClickButton(editor, "Clear");
            QTest::keyClick(&editor, Qt::Key_Escape);
        });
        QTest::mouseClick(other.m_editPartialsButton, Qt::LeftButton);
        QCOMPARE(answers.Titles(), std::vector<QString>{"Edit Partials"});
        QCOMPARE(other.m_nominalEdit->text(), QStringLiteral("0"));
        QCOMPARE(other.m_nominalNoteEdit->text(), QStringLiteral(" "));
        QVERIFY(!other.m_writePartialsButton->isEnabled());
    }
};

QTEST_MAIN(PartialsPanelTest)
#include "PartialsPanelTest.moc"
