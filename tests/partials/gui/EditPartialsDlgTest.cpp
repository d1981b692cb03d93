#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "partials/gui/EditPartialsDlg.h"
#include "support/ScriptedUiServices.h"
#include "support/gui/DialogTestTools.h"

using Dlg = CEditPartialsDlg;

class EditPartialsDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CScriptedUiServices> m_ui;
    std::unique_ptr<CPartialData> m_table;
    std::unique_ptr<Dlg> m_dlg;

    Dlg& Open() {
        m_dlg = std::make_unique<Dlg>(*m_table, *m_ui);
        m_dlg->show();
        m_dlg->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(m_dlg.get())); }();
        return *m_dlg;
    }
    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    QList<double> Freqs(int rows) {
        return {m_table->m_freq.begin(), m_table->m_freq.begin() + rows};
    }
    QString Cell(int row, int column) { return m_dlg->m_cells[row][column]->text(); }
    QStringList Names() {
        QStringList names;
        for (int row = 0; row < 5; ++row)
            names << Cell(row, Dlg::kPartial);
        return names;
    }

  private slots:
    void init() {
        m_dlg.reset();  // before what it refers to
        m_ui = std::make_unique<CScriptedUiServices>();
        m_table = std::make_unique<CPartialData>();
        // A bell's lower partials: hum, prime, tierce, quint and nominal of a 500 Hz nominal.
        const double freq[] = {125, 250, 300, 375, 500}, tail[] = {1, 2, 3, 1, 5};
        for (int i = 0; i < 5; ++i)
            m_table->AddPartial(freq[i], 0, tail[i], 0, 0, CPartialData::kUnnamed);
        m_table->m_nominal = m_table->Classify(false, 0, 0);
        m_table->UpdateCentsAndNotes();
    }

    void showsTheTableWithItsNamesNotesAndReference() {
        Dlg& dlg = Open();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit Partials"));
        QCOMPARE(Names(), QStringList({"hum", "prime", "tierce", "quint", "nominal"}));
        QCOMPARE((QStringList{dlg.m_nominalEdit->text(), dlg.m_nominalNoteEdit->text(),
                              Cell(2, Dlg::kFreq), Cell(2, Dlg::kTail), Cell(2, Dlg::kCents),
                              Cell(4, Dlg::kNote), Cell(5, Dlg::kFreq), Cell(5, Dlg::kPartial),
                              dlg.m_pitchEdit->text(), dlg.m_namesEdit->text()}),
                 (QStringList{"500", "B(1) +21", "300", "3", "-884.3", "B(1) +21", "0", "",
                              "A=440.0Hz", ""}));
        for (int c = Dlg::kCents; c <= Dlg::kNote; ++c)
            QVERIFY(dlg.m_cells[0][c]->isReadOnly());
        QVERIFY(!dlg.m_cells[0][Dlg::kDecay]->isReadOnly());

        m_table->m_aRef = 432.0;
        m_table->m_germanNames = true;
        m_table->UpdateNotes();
        Open();
        QCOMPARE((QStringList{m_dlg->m_pitchEdit->text(), m_dlg->m_namesEdit->text(),
                              m_dlg->m_nominalNoteEdit->text()}),
                 (QStringList{"A=432.0Hz", "German names", "C(2) -47"}));
    }

    void recalcIgnoresRowsBeyondThoseInUseOkSortsThemInAndDropsGaps() {
        Dlg& dlg = Open();
        Type(dlg.m_cells[10][Dlg::kFreq], "400");
        Type(dlg.m_cells[10][Dlg::kTail], "9");
        Click(dlg.m_recalcButton);
        QCOMPARE(Names(), QStringList({"hum", "prime", "tierce", "quint", "nominal"}));
        QCOMPARE(Cell(10, Dlg::kPartial), QString());
        QCOMPARE(m_table->m_count, 5);

        Click(dlg.m_okButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(m_table->m_count, 6);
        QCOMPARE(Freqs(11), QList<double>({125, 250, 300, 375, 400, 500, 0, 0, 0, 0, 0}));
        QCOMPARE(m_table->m_tailAmp[4], 9.0);
        QCOMPARE(m_table->PartialName(5), std::string("nominal"));
        QCOMPARE(Cell(4, Dlg::kFreq), QStringLiteral("400"));

        // OK drops zero and repeated rows and closes the gaps.
        init();
        Open();
        Type(m_dlg->m_cells[1][Dlg::kFreq], "0");
        Type(m_dlg->m_cells[3][Dlg::kFreq], "300");
        Type(m_dlg->m_cells[3][Dlg::kSplash], "7");
        Click(m_dlg->m_okButton);
        QCOMPARE(m_table->m_count, 3);
        QCOMPARE(Freqs(4), QList<double>({125, 300, 500, 0}));
        QCOMPARE(m_table->m_tailAmp[1], 3.0);  // the first of the two 300 Hz rows
        QCOMPARE(m_table->m_splashAmp[1], 0.0);
    }

    // Cents follow the typed nominal, which is kept as typed; the partials are named only
    // when it lies within 1 Hz of one. Nominal 0 leaves the cents as they were.
    void recalcLooksForTheNominalWithinOneHertzOfTheTypedOne() {
        const struct {
            const char *typed, *cents, *note;
            bool named;
        } rows[] = {{"502", "-6.9", "B(1) +28", false},
                    {"500.5", "-1.7", nullptr, true},
                    {"0", "-1.7", " ", false}};
        Dlg& dlg = Open();
        for (const auto& r : rows) {
            Type(dlg.m_nominalEdit, r.typed);
            Click(dlg.m_recalcButton);
            QCOMPARE(Names(), r.named ? QStringList({"hum", "prime", "tierce", "quint", "nominal"})
                                      : QStringList({"", "", "", "", ""}));
            QCOMPARE(Cell(4, Dlg::kCents), QString(r.cents));
            QCOMPARE(m_table->m_nominal, QString(r.typed).toDouble());
            if (r.note)
                QCOMPARE(dlg.m_nominalNoteEdit->text(), QString(r.note));
        }
    }

    void noiseAloneIsEnoughToSynthesiseFrom() {
        for (const int field : {0, 1, 2, 3}) {  // splash and tail amplitudes count
            m_table = std::make_unique<CPartialData>();
            Dlg& dlg = Open();
            Type(dlg.m_noiseEdits[field], "0.5");
            Click(dlg.m_okButton);
            QCOMPARE(m_table->m_hasData, field < 2);
            QCOMPARE(m_table->m_count, 0);
        }
        QCOMPARE(m_table->m_noiseDecay, 0.5);
    }

    void aBadFieldIsPromptedAndNothingTypedIsLost() {
        Dlg& dlg = Open();
        Type(dlg.m_nominalEdit, "502");             // read before the bad field
        Type(dlg.m_cells[0][Dlg::kFreq], "120");    // read before the bad field
        Type(dlg.m_cells[2][Dlg::kSplash], "1,5");  // not a number
        Type(dlg.m_cells[4][Dlg::kTail], "8");      // after it: not read
        Click(dlg.m_recalcButton);
        QCOMPARE(m_ui->m_messages, std::vector<std::string>{"Please enter a number."});
        // Recalc ran with the values read: the nominal 2 Hz from every partial.
        QCOMPARE(Names(), QStringList({"", "", "", "", ""}));
        QCOMPARE(m_table->m_freq[0], 120.0);
        QCOMPARE(m_table->m_splashAmp[2], 0.0);
        QCOMPARE(m_table->m_tailAmp[4], 5.0);
        QCOMPARE(Cell(2, Dlg::kSplash), QStringLiteral("1,5"));
        QCOMPARE(Cell(4, Dlg::kTail), QStringLiteral("8"));
        QCOMPARE(QApplication::focusWidget(), dlg.m_cells[2][Dlg::kSplash]);

        // OK on a bad field keeps the dialog open so the typing after it is not lost.
        Click(dlg.m_okButton);
        QCOMPARE(m_ui->m_messages.size(), size_t(2));
        QVERIFY(dlg.isVisible());
        Type(dlg.m_cells[2][Dlg::kSplash], "1.5");
        Click(dlg.m_okButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(m_ui->m_messages.size(), size_t(2));
        QCOMPARE(m_table->m_splashAmp[2], 1.5);
        QCOMPARE(m_table->m_tailAmp[4], 8.0);
        QCOMPARE(m_table->m_freq[0], 120.0);
    }

    void escapeAndTheCloseBoxDiscardWhatWasTypedSinceTheLastButtonOrClear() {
        const CPartialData before = *m_table;
        for (bool closeBox : {false, true}) {
            Dlg& dlg = Open();
            Type(dlg.m_cells[0][Dlg::kFreq], "130");
            Type(dlg.m_nominalEdit, "400");
            Type(dlg.m_noiseEdits[1], "1");
            if (closeBox)
                QVERIFY(dlg.close());
            else
                QTest::keyClick(dlg.m_cells[0][Dlg::kFreq], Qt::Key_Escape);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QVERIFY(m_table->m_freq == before.m_freq);
            QCOMPARE(m_table->m_nominal, 500.0);
            QCOMPARE(m_table->m_noiseTailAmp, 0.0);
        }
        // What Recalc took stays, put in frequency order; what came after it is lost.
        Dlg& dlg = Open();
        Type(dlg.m_cells[10][Dlg::kFreq], "400");
        Click(dlg.m_recalcButton);
        Type(dlg.m_cells[0][Dlg::kFreq], "130");
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QCOMPARE(m_table->m_count, 6);
        QCOMPARE(Freqs(11), QList<double>({125, 250, 300, 375, 400, 500, 0, 0, 0, 0, 0}));

        // Clear is a button too: closing keeps the table empty, with its reference and names.
        m_table->m_aRef = 435.0;
        m_table->m_germanNames = true;
        Open();
        Type(m_dlg->m_cells[0][Dlg::kFreq], "130");
        Click(m_dlg->m_clearButton);
        QCOMPARE(Cell(0, Dlg::kFreq), QStringLiteral("0"));
        QCOMPARE(Cell(0, Dlg::kPartial), QString());
        QCOMPARE(Cell(4, Dlg::kCents), QStringLiteral("0"));
        QCOMPARE(m_dlg->m_nominalEdit->text(), QStringLiteral("0"));
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QCOMPARE(m_table->m_count, 0);
        QCOMPARE(m_table->m_freq[0], 0.0);
        QCOMPARE(m_table->m_nominal, 0.0);
        QVERIFY(!m_table->m_hasData);
        QCOMPARE(m_table->m_aRef, 435.0);
        QVERIFY(m_table->m_germanNames);
    }

    void everyControlIsNamedAndReachableByKeyboard() {
        Dlg& dlg = Open();
        QCOMPARE(AccessibleName(dlg.m_cells[2][Dlg::kFreq]), QStringLiteral("Freq. (Hz) row 3"));
        QCOMPARE(AccessibleName(dlg.m_cells[24][Dlg::kNote]), QStringLiteral("Note row 25"));
        QCOMPARE(AccessibleName(dlg.m_noiseEdits[1]), QStringLiteral("Noise Tail Amp"));
        CheckControlsAreNamedAndReachable(dlg);
        QStringList buttons;
        for (auto* button : dlg.findChildren<QPushButton*>())
            buttons << button->text();
        QCOMPARE(buttons, QStringList({"OK", "Recalc", "Clear"}));

        // Tab visits every control once, the nominal first, then the grid row by row.
        QList<QWidget*> visited{dlg.m_nominalEdit};
        dlg.m_nominalEdit->setFocus();
        const int controls = int(dlg.findChildren<QLineEdit*>().size() + buttons.size());
        for (int i = 1; i < controls; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(!visited.contains(focus), qPrintable(AccessibleName(focus)));
            visited << focus;
        }
        QCOMPARE(visited[2], dlg.m_cells[0][Dlg::kFreq]);
        QCOMPARE(visited[10], dlg.m_cells[1][Dlg::kFreq]);

        // Up and down stay in a column, from the grid into the noise row and back; the
        // focused row is scrolled into view.
        QTest::keyClick(dlg.m_cells[23][Dlg::kTail], Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), dlg.m_cells[24][Dlg::kTail]);
        QVERIFY(!dlg.m_cells[24][Dlg::kTail]->visibleRegion().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), dlg.m_noiseEdits[1]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), dlg.m_cells[24][Dlg::kTail]);
        dlg.m_cells[0][Dlg::kFreq]->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), dlg.m_cells[0][Dlg::kFreq]);
        QVERIFY(!dlg.m_cells[0][Dlg::kFreq]->visibleRegion().isEmpty());

        QVERIFY(dlg.height() <= dlg.screen()->availableGeometry().height());
        QVERIFY(dlg.width() <= 1280);
        // Enter is OK.
        QTest::keyClick(dlg.m_cells[0][Dlg::kFreq], Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(EditPartialsDlgTest)
#include "EditPartialsDlgTest.moc"
