#include <QAccessible>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "app/gui/MainDlg.h"
#include "app/gui/TonvaneApp.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "view/gui/WaveViewDlg.h"

class MainDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CScriptedUiServices> m_ui;
    std::unique_ptr<CMainDlg> m_panel;
    std::unique_ptr<CTempDir> m_dir;

    std::string WriteWav(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir->File(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    QList<QPushButton*> EnabledButtons() {
        QList<QPushButton*> enabled;
        for (auto* button : m_panel->findChildren<QPushButton*>())
            if (button->isEnabled())
                enabled << button;
        return enabled;
    }

    QStringList EnabledButtonTexts() {
        QStringList texts;
        for (auto* button : EnabledButtons())
            texts << button->text();
        texts.sort();
        return texts;
    }

  private slots:
    void init() {
        m_ui = std::make_unique<CScriptedUiServices>();
        m_dir = std::make_unique<CTempDir>();
        m_panel = std::make_unique<CMainDlg>(*m_ui, ReadVersionStrings(ProgramVersionRecord()));
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }

    void cleanup() {
        m_panel.reset();
        m_ui.reset();
        m_dir.reset();
    }

    void startsWithDefaultsAndOnlyTheAlwaysEnabledButtons() {
        QCOMPARE(m_panel->windowTitle(), QStringLiteral("Waveform Analysis"));
        QCOMPARE(m_panel->m_stepsEdit->text(), QStringLiteral("10000"));
        QCOMPARE(m_panel->m_freqIncreaseEdit->text(), QStringLiteral("100"));
        QCOMPARE(m_panel->m_fileNameEdit->text(), QStringLiteral("No file loaded"));
        QCOMPARE(m_panel->m_startFreqEdit->text(), QStringLiteral("0"));
        QCOMPARE(m_panel->m_endFreqEdit->text(), QStringLiteral("5000"));
        QCOMPARE(m_panel->m_intervalEdit->text(), QStringLiteral("0.5"));
        QVERIFY(m_panel->m_a440Radio->isChecked());
        QVERIFY(!m_panel->m_a435Radio->isChecked());
        QCOMPARE(m_panel->m_params.m_aRef, 440.0);
        QCOMPARE(EnabledButtonTexts(),
                 QStringList({"Analyse File", "EXIT", "Read Partials", "Read Transform",
                              "Read Waveform", "Record Waveform", "View / Edit Partials"}));
        QVERIFY(m_panel->m_stepsEdit->isReadOnly());
        QVERIFY(!m_panel->m_startSampleEdit->isReadOnly());
        QCOMPARE(m_panel->m_descriptionText->text().toStdString(),
                 ReadVersionStrings(ProgramVersionRecord()).description);
        QCOMPARE(m_panel->m_versionText->text(), QStringLiteral("0.1.0"));
    }

    void everyControlHasItsLabelAsNameAndTakesFocus() {
        const QStringList found = CheckControlsAreNamedAndReachable(*m_panel);
        for (const char* name :
             {"Filename:", "No. of Samples", "Sample Rate", "Start Sample", "End Sample",
              "Freq. incr. (%)", "Start Frequency", "End Frequency", "Interval (Hz)",
              "Steps (number)", "Nominal (Hz)", "Nominal note", "Analyse File", "EXIT",
              "German note names", "A=432Hz", "View Tr. / Get Part."})
            QVERIFY2(found.contains(name), name);
        QCOMPARE(AccessibleName(m_panel->m_startFreqEdit), QStringLiteral("Start Frequency"));
        for (auto* label : {m_panel->m_descriptionText, m_panel->m_companyText,
                            m_panel->m_copyrightText, m_panel->m_versionText})
            QVERIFY(!label->accessibleName().isEmpty());
    }

    void typingTheRangeKeepsStepsInStep() {
        Type(m_panel->m_endFreqEdit, "12500.125");
        Type(m_panel->m_intervalEdit, "0.125");
        QCOMPARE(m_panel->m_stepsEdit->text(), QStringLiteral("100001"));
        // Half-typed text stays as typed and raises no prompt.
        Type(m_panel->m_intervalEdit, "0.");
        QCOMPARE(m_panel->m_intervalEdit->text(), QStringLiteral("0."));
        QVERIFY(m_ui->m_messages.empty());
        Type(m_panel->m_intervalEdit, "1");
        QCOMPARE(m_panel->m_stepsEdit->text(), QStringLiteral("12500"));
        // An empty range or interval leaves steps alone.
        Type(m_panel->m_endFreqEdit, "0");
        QCOMPARE(m_panel->m_stepsEdit->text(), QStringLiteral("12500"));
        Type(m_panel->m_endFreqEdit, "5000");
        Type(m_panel->m_intervalEdit, "0");
        QCOMPARE(m_panel->m_stepsEdit->text(), QStringLiteral("5000"));
        QVERIFY(m_ui->m_messages.empty());
    }

    void aBadFieldStopsTheReadWithAPrompt() {
        m_panel->m_startSampleEdit->setText("12");
        m_panel->m_endSampleEdit->setText("abc");
        m_panel->m_intervalEdit->setText("2");
        QVERIFY(!m_panel->ReadPanel());
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter an integer."));
        QCOMPARE(m_panel->m_params.m_startSample, 12);  // read before the bad field
        QCOMPARE(m_panel->m_params.m_interval, 0.5);    // after it: not read

        m_panel->m_endSampleEdit->setText("40");
        m_panel->m_intervalEdit->setText("inf");
        QVERIFY(!m_panel->ReadPanel());
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number."));
        QCOMPARE(m_panel->m_params.m_endSample, 40);
        QCOMPARE(m_panel->m_params.m_interval, 0.5);

        // A start frequency out of range is taken as typed, then stops the read.
        m_panel->m_intervalEdit->setText("2");
        m_panel->m_startFreqEdit->setText("700000");
        m_panel->m_writeInCentsCheck->setChecked(true);
        QVERIFY(!m_panel->ReadPanel());
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number between 0 and 600000."));
        QCOMPARE(m_panel->m_params.m_startFreq, 700000.0);
        QCOMPARE(m_panel->m_params.m_writeInCents, 0);

        // A command goes on after the prompt with the values in force.
        m_panel->m_startFreqEdit->setText("-1");
        const auto promptsBefore = m_ui->m_messages.size();
        ClickBox(m_panel->m_germanNamesCheck);
        QCOMPARE(m_ui->m_messages.size(), promptsBefore + 1);
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number between 0 and 600000."));
        QCOMPARE(m_panel->m_params.m_germanNames, 0);  // after the bad field: not read
        // ...and the panel then shows the values in force, so the unread boxes go back.
        QVERIFY(!m_panel->m_germanNamesCheck->isChecked());
        QVERIFY(!m_panel->m_writeInCentsCheck->isChecked());
        QCOMPARE(m_panel->m_startFreqEdit->text(), QStringLiteral("-1"));
        m_panel->m_startFreqEdit->setText("0");
        ClickBox(m_panel->m_germanNamesCheck);
        QCOMPARE(m_panel->m_params.m_germanNames, 1);
        QCOMPARE(m_panel->m_params.m_startFreq, 0.0);
    }

    void readWaveformShowsDetailsThenTheFile() {
        std::vector<std::int16_t> stereo(2 * 50000, 0);
        stereo[2 * 30000] = 5000;  // the strike, past the first second
        stereo[2 * 30000 + 1] = 5000;
        stereo[2 * 2000] = 4000;
        stereo[2 * 2000 + 1] = 4000;
        m_ui->AnswerOpen(
            WriteWav("tenor.wav", CWavBuilder::Pcm(2, 44100, 16, CWavBuilder::Samples16(stereo))));
        CModalAnswers answers;
        QStringList details;
        answers.Then([&](QDialog& dialog) {
            for (const char* name : {"Format", "Channels", "Samples per sec", "Bytes per sec",
                                     "Block align", "Bits per sample", "No. of bytes"})
                details << FieldText(dialog, name);
            CheckControlsAreNamedAndReachable(dialog);
            CModalAnswers::ClickButton(dialog, "OK");
        });
        QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);
        QCOMPARE(answers.Titles(), std::vector<QString>{"Waveform details"});
        QCOMPARE(details,
                 QStringList({"Raw PCM", "stereo", "44100", "176400", "4", "16", "200000"}));
        QCOMPARE(m_panel->m_fileNameEdit->text(), QStringLiteral("tenor.wav"));
        QCOMPARE(m_panel->m_params.m_fileTitle, std::string("tenor"));
        QCOMPARE(m_panel->m_numSamplesEdit->text(), QStringLiteral("50000"));
        QCOMPARE(m_panel->m_sampleRateEdit->text(), QStringLiteral("44100"));
        QCOMPARE(m_panel->m_startSampleEdit->text(), QStringLiteral("2000"));
        QCOMPARE(m_panel->m_endSampleEdit->text(), QStringLiteral("50000"));
        QCOMPARE(m_panel->m_freqIncreaseEdit->text(), QStringLiteral("100"));
        QVERIFY(m_panel->m_writeWaveButton->isEnabled());
        QVERIFY(m_panel->m_doTransformButton->isEnabled());
        QVERIFY(m_panel->m_viewWaveButton->isEnabled());
        QVERIFY(!m_panel->m_writeTransformButton->isEnabled());
        QVERIFY(!m_panel->m_findDecaysButton->isEnabled());
        QVERIFY(m_ui->m_messages.empty());
    }

    void viewWaveformCarriesTheSelectionBack() {
        std::vector<std::int16_t> tone(60000);
        for (int i = 0; i < 60000; ++i)
            tone[i] = static_cast<std::int16_t>((i % 100) * 300 - 15000);
        m_ui->AnswerOpen(
            WriteWav("v.wav", CWavBuilder::Pcm(1, 44100, 16, CWavBuilder::Samples16(tone))));
        CModalAnswers answers;
        answers.Click("OK");
        QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);
        QCOMPARE(m_panel->m_startSampleEdit->text(), QStringLiteral("0"));

        QString start, end;
        answers.Then([&](QDialog& dialog) {
            auto& view = static_cast<CWaveViewDlg&>(dialog);
            const QRect frame = view.m_frame->geometry();
            QTest::mousePress(&view, Qt::LeftButton, {},
                              QPoint(frame.left() + 101, frame.center().y()));
            QTest::mouseMove(&view, QPoint(frame.left() + 301, frame.center().y()));
            QTest::mouseRelease(&view, Qt::LeftButton, {},
                                QPoint(frame.left() + 301, frame.center().y()));
            start = FieldText(view, "Seln. Start");
            end = FieldText(view, "Seln. End");
            view.close();  // the close box keeps the selection too
        });
        QTest::mouseClick(m_panel->m_viewWaveButton, Qt::LeftButton);
        QCOMPARE(answers.Titles().back(), QStringLiteral("Waveform - use mouse to select region"));
        QVERIFY(start.toInt() > 0);
        QVERIFY(end.toInt() > start.toInt());
        QCOMPARE(m_panel->m_startSampleEdit->text(), start);
        QCOMPARE(m_panel->m_endSampleEdit->text(), end);
        QCOMPARE(m_panel->m_wave.m_selStart, start.toInt());
        QCOMPARE(m_panel->m_wave.m_selEnd, end.toInt());
    }

    void readWaveformFailuresShowTheirTextAndEmptyTheStore() {
        const struct {
            std::optional<std::string> path;
            const char* text;
        } cases[] = {
            {std::nullopt, "No file selected!"},
            {m_dir->File("missing.wav"), "Failed to open file!"},
            {WriteWav("junk.wav", "not a wave file at all"), "Not a valid .wav file!"},
            {WriteWav("empty.wav", CWavBuilder::Pcm(1, 8000, 16, "")), "No data in file!"},
            {WriteWav("deep.wav", CWavBuilder::Pcm(1, 8000, 24, "abcdef")),
             "Format not supported!"},
        };
        const std::string good =
            WriteWav("good.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({1, 2, 3})));
        for (const auto& c : cases) {
            CModalAnswers answers;
            answers.Click("OK");
            m_ui->AnswerOpen(good);
            QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);
            QVERIFY(m_panel->m_doTransformButton->isEnabled());

            m_ui->AnswerOpen(c.path);
            QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);
            QCOMPARE(m_ui->LastMessage(), std::string(c.text));
            QCOMPARE(answers.Titles().size(), std::size_t(1));  // no details after a failure
            QCOMPARE(m_panel->m_doTransformButton->isEnabled(), !c.path.has_value());
        }
    }

    void writeWaveformCancelWritesNothingAndFailureSaysSo() {
        m_ui->AnswerOpen(
            WriteWav("a.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({7, 8}))));
        CModalAnswers answers;
        answers.Click("OK");
        QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);

        m_ui->AnswerSave(std::nullopt);
        QTest::mouseClick(m_panel->m_writeWaveButton, Qt::LeftButton);
        QVERIFY(m_ui->m_messages.empty());
        QCOMPARE(QDir(QString::fromStdString(m_dir->Path())).entryList(QDir::Files).size(), 1);

        m_ui->AnswerSave(m_dir->File("nowhere/b.wav"));
        QTest::mouseClick(m_panel->m_writeWaveButton, Qt::LeftButton);
        QCOMPARE(m_ui->LastMessage(), std::string("Error writing file!"));

        m_ui->AnswerSave(m_dir->File("b.wav"));
        QTest::mouseClick(m_panel->m_writeWaveButton, Qt::LeftButton);
        QCOMPARE(ReadFileBytes(m_dir->File("b.wav")).size(), std::size_t(48 + 4));
    }

    void analyseFileSkipsTheDetails() {
        m_ui->AnswerOpen(std::nullopt);
        QTest::mouseClick(m_panel->m_analyseButton, Qt::LeftButton);
        QCOMPARE(m_ui->LastMessage(), std::string("No file selected!"));
        QVERIFY(!m_panel->m_doTransformButton->isEnabled());
        QVERIFY(!m_panel->m_analysing);

        CModalAnswers answers;
        m_ui->AnswerOpen(
            WriteWav("c.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({1, 2}))));
        QTest::mouseClick(m_panel->m_analyseButton, Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(answers.Titles().empty());
        QCOMPARE(m_panel->m_fileNameEdit->text(), QStringLiteral("c.wav"));
        QVERIFY(!m_panel->m_analysing);
    }

    void exitAsksAndCancelKeepsEverything() {
        m_panel->m_startSampleEdit->setText("123");
        CModalAnswers answers;
        QStringList lines;
        answers.Then([&](QDialog& dialog) {
            for (auto* label : dialog.findChildren<QLabel*>())
                lines << label->text();
            CModalAnswers::ClickButton(dialog, "Cancel and return");
        });
        QTest::mouseClick(m_panel->m_exitButton, Qt::LeftButton);
        QCOMPARE(answers.Titles(), std::vector<QString>{"Exiting Tonvane"});
        QCOMPARE(lines, QStringList({"About to exit Tonvane.", "Unsaved data will be lost!"}));
        QVERIFY(m_panel->isVisible());
        QCOMPARE(m_panel->m_startSampleEdit->text(), QStringLiteral("123"));

        answers.Click("OK");
        QTest::mouseClick(m_panel->m_exitButton, Qt::LeftButton);
        QVERIFY(!m_panel->isVisible());
        QCOMPARE(m_panel->result(), int(QDialog::Accepted));
    }

    void theCloseBoxAsksTheSame() {
        CModalAnswers answers;
        answers.Click("Cancel and return");
        QVERIFY(!m_panel->close());
        QVERIFY(m_panel->isVisible());
        answers.Click("OK");
        QVERIFY(m_panel->close());
        QVERIFY(!m_panel->isVisible());
        QCOMPARE(answers.Titles(), (std::vector<QString>{"Exiting Tonvane", "Exiting Tonvane"}));
    }

    void enterDoesNothingAndEscapeEndsAtOnce() {
        CModalAnswers answers;
        m_panel->m_readWaveButton->setFocus();
        QTest::keyClick(m_panel->m_readWaveButton, Qt::Key_Return);
        QTest::keyClick(m_panel->m_startSampleEdit, Qt::Key_Enter);
        QTest::qWait(50);
        QVERIFY(m_panel->isVisible());
        QVERIFY(m_ui->m_fileDialogs.empty());
        QTest::keyClick(m_panel.get(), Qt::Key_Escape);
        QVERIFY(!m_panel->isVisible());
        QVERIFY(answers.Titles().empty());
    }

    void aboutShowsTheVersionStrings() {
        CModalAnswers answers;
        QString version, legal;
        answers.Then([&](QDialog& dialog) {
            CheckControlsAreNamedAndReachable(dialog);
            version = FieldText(dialog, "Version:");
            legal = FieldText(dialog, "Legal notice");
            CModalAnswers::ClickButton(dialog, "OK");
        });
        QAction* about = nullptr;
        for (auto* action : m_panel->findChild<QMenuBar*>()->actions().first()->menu()->actions())
            if (action->text() == "About Tonvane . . .")
                about = action;
        QVERIFY(about != nullptr);
        about->trigger();
        QCOMPARE(answers.Titles(), std::vector<QString>{"About Tonvane"});
        QCOMPARE(version, QStringLiteral("0.1.0"));
        QVERIFY(legal.contains("Copyright"));
    }

    void pitchRadiosSetTheReference() {
        m_panel->m_startSampleEdit->setText("99");  // typed, not read: replaced on show
        ClickBox(m_panel->m_a432Radio);
        QCOMPARE(m_panel->m_params.m_aRef, 432.0);
        QCOMPARE(m_panel->m_startSampleEdit->text(), QStringLiteral("0"));
        ClickBox(m_panel->m_a435Radio);
        QCOMPARE(m_panel->m_params.m_aRef, 435.0);
        QVERIFY(!m_panel->m_a432Radio->isChecked());
    }

    void theApplicationStartsWithAndWithoutAVersionRecord() {
        CTonvaneApp withRecord(ProgramVersionRecord());
        withRecord.InitInstance();
        QCOMPARE(withRecord.m_productVersion, std::string("0.1.0"));
        QCOMPARE(withRecord.CreatePanel().m_versionText->text(), QStringLiteral("0.1.0"));

        CTonvaneApp bare(nullptr);
        bare.InitInstance();
        CMainDlg& panel = bare.CreatePanel();
        for (auto* label : {panel.m_descriptionText, panel.m_companyText, panel.m_copyrightText,
                            panel.m_versionText})
            QVERIFY(label->text().isEmpty());
        QCOMPARE(panel.m_stepsEdit->text(), QStringLiteral("10000"));
        QVERIFY(!panel.windowIcon().isNull());
    }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
