#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "app/gui/MainDlg.h"
#include "app/gui/TonvaneApp.h"
#include "support/Mp3Builder.h"
#include "support/ScriptedDevices.h"
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
    CScriptedDevices m_devices;
    std::unique_ptr<CMainDlg> m_panel;
    std::unique_ptr<CTempDir> m_dir;

    std::string WriteWav(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir->File(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    // Presses Read Waveform and closes every dialog it shows with OK: gives their titles, then
    // the fields of the waveform details.
    QStringList ReadWaveformDetails() {
        CModalAnswers answers;
        QStringList details;
        answers.Then([&](QDialog& dialog) {
            for (const char* name : {"Format", "Channels", "Samples per sec", "Bytes per sec",
                                     "Block align", "Bits per sample", "No. of bytes"})
                details << FieldText(dialog, name);
            CheckControlsAreNamedAndReachable(dialog);
            CModalAnswers::ClickButton(dialog, "OK");
        });
        Press(*m_panel, "Read Waveform");
        QStringList shown;
        for (const QString& title : answers.Titles())
            shown << title;
        return shown + details;
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
        m_panel = std::make_unique<CMainDlg>(*m_ui, m_devices.Services(),
                                             ReadVersionStrings(ProgramVersionRecord()));
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
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("10000"));
        QCOMPARE(Field(*m_panel, "Freq. incr. (%)")->text(), QStringLiteral("100"));
        QCOMPARE(Field(*m_panel, "Filename:")->text(), QStringLiteral("No file loaded"));
        QCOMPARE(Field(*m_panel, "Start Frequency")->text(), QStringLiteral("0"));
        QCOMPARE(Field(*m_panel, "End Frequency")->text(), QStringLiteral("5000"));
        QCOMPARE(Field(*m_panel, "Interval (Hz)")->text(), QStringLiteral("0.5"));
        QVERIFY(Button(*m_panel, "A=440Hz")->isChecked());
        QVERIFY(!Button(*m_panel, "A=435Hz")->isChecked());
        QCOMPARE(m_panel->Document().m_params.m_aRef, 440.0);
        QCOMPARE(EnabledButtonTexts(),
                 QStringList({"Analyse File", "EXIT", "Read Partials", "Read Transform",
                              "Read Waveform", "Record Waveform", "View / Edit Partials"}));
        QVERIFY(Field(*m_panel, "Steps (number)")->isReadOnly());
        QVERIFY(!Field(*m_panel, "Start Sample")->isReadOnly());
        QCOMPARE(Named<QLabel>(*m_panel, "Description")->text().toStdString(),
                 ReadVersionStrings(ProgramVersionRecord()).description);
        QCOMPARE(Named<QLabel>(*m_panel, "Product version")->text(), QStringLiteral("0.1.0"));
    }

    void everyControlHasItsLabelAsNameAndTakesFocus() {
        const QStringList found = CheckControlsAreNamedAndReachable(*m_panel);
        for (const char* name :
             {"Filename:", "No. of Samples", "Sample Rate", "Start Sample", "End Sample",
              "Freq. incr. (%)", "Start Frequency", "End Frequency", "Interval (Hz)",
              "Steps (number)", "Nominal (Hz)", "Nominal note", "Analyse File", "EXIT",
              "German note names", "A=432Hz", "View Tr. / Get Part."})
            QVERIFY2(found.contains(name), name);
        for (const char* name : {"Description", "Company", "Legal notice", "Product version"})
            QVERIFY(Named<QLabel>(*m_panel, name) != nullptr);
    }

    void typingTheRangeKeepsStepsInStep() {
        Type(Field(*m_panel, "End Frequency"), "12500.125");
        Type(Field(*m_panel, "Interval (Hz)"), "0.125");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("100001"));
        // Half-typed text stays as typed and raises no prompt.
        Type(Field(*m_panel, "Interval (Hz)"), "0.");
        QCOMPARE(Field(*m_panel, "Interval (Hz)")->text(), QStringLiteral("0."));
        QVERIFY(m_ui->m_messages.empty());
        Type(Field(*m_panel, "Interval (Hz)"), "1");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("12500"));
        // An empty range or interval leaves steps alone.
        Type(Field(*m_panel, "End Frequency"), "0");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("12500"));
        Type(Field(*m_panel, "End Frequency"), "5000");
        Type(Field(*m_panel, "Interval (Hz)"), "0");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("5000"));
        // A field emptied to be typed afresh stays empty meanwhile.
        Field(*m_panel, "End Frequency")->clear();
        QCOMPARE(Field(*m_panel, "End Frequency")->text(), QString());
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("5000"));
        QVERIFY(m_ui->m_messages.empty());
    }

    void aBadFieldStopsTheReadWithAPrompt() {
        // View / Edit Partials reads the panel first; the editor it opens is closed unused.
        CModalAnswers answers;
        const AnalysisParams& params = m_panel->Document().m_params;
        Field(*m_panel, "Start Sample")->setText("12");
        Field(*m_panel, "End Sample")->setText("abc");
        Field(*m_panel, "Interval (Hz)")->setText("2");
        Press(*m_panel, "View / Edit Partials");
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter an integer."));
        QCOMPARE(params.m_startSample, 12);  // read before the bad field
        QCOMPARE(params.m_interval, 0.5);    // after it: not read

        Field(*m_panel, "End Sample")->setText("40");
        Field(*m_panel, "Interval (Hz)")->setText("inf");
        Press(*m_panel, "View / Edit Partials");
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number."));
        QCOMPARE(params.m_endSample, 40);
        QCOMPARE(params.m_interval, 0.5);

        // A start frequency out of range is taken as typed, then stops the read.
        Field(*m_panel, "Interval (Hz)")->setText("2");
        Field(*m_panel, "Start Frequency")->setText("700000");
        Button(*m_panel, "Write Transform in cents, not Hz")->setChecked(true);
        Press(*m_panel, "View / Edit Partials");
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number between 0 and 600000."));
        QCOMPARE(params.m_startFreq, 700000.0);
        QVERIFY(!params.m_writeInCents);
        QCOMPARE(answers.Titles().size(), std::size_t(3));  // the command went on each time

        // The German names box goes on after the prompt with the values in force...
        Field(*m_panel, "Start Frequency")->setText("-1");
        const auto promptsBefore = m_ui->m_messages.size();
        ClickBox(Button(*m_panel, "German note names"));
        QCOMPARE(m_ui->m_messages.size(), promptsBefore + 1);
        QCOMPARE(m_ui->LastMessage(), std::string("Please enter a number between 0 and 600000."));
        QVERIFY(!params.m_germanNames);  // after the bad field: not read
        // ...and the panel then shows the values in force, so the unread boxes go back.
        QVERIFY(!Button(*m_panel, "German note names")->isChecked());
        QVERIFY(!Button(*m_panel, "Write Transform in cents, not Hz")->isChecked());
        QCOMPARE(Field(*m_panel, "Start Frequency")->text(), QStringLiteral("-1"));
        Field(*m_panel, "Start Frequency")->setText("0");
        ClickBox(Button(*m_panel, "German note names"));
        QVERIFY(params.m_germanNames);
        QCOMPARE(params.m_startFreq, 0.0);
    }

    void readMp3ShowsItsFramesInTheDetails() {
        // 100 frames of 417 bytes: 44100 Hz, 128 kbit/s, joint stereo; 2.612 s.
        const std::string file = mp3::Frames(mp3::Header(0xFB, 0x90, 0x40), 417, 100);
        m_devices.m_decoder = CScriptedDecoder();
        m_devices.m_decoder.m_channels = 2;
        m_devices.m_decoder.m_samplesPerSec = 44100;
        m_devices.m_decoder.m_samples.assign(2 * 3000, 100);
        m_ui->AnswerOpen(WriteWav("tenor.mp3", file));
        QCOMPARE(ReadWaveformDetails(), QStringList({"Waveform details", "MPEG layer 3", "stereo",
                                                     "44100", "15963", "1", "0", "41700"}));
        QCOMPARE(Field(*m_panel, "Filename:")->text(), QStringLiteral("tenor.mp3"));
        QCOMPARE(Field(*m_panel, "No. of Samples")->text(), QStringLiteral("3000"));
        QCOMPARE(Field(*m_panel, "Sample Rate")->text(), QStringLiteral("44100"));
        QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
        m_devices.m_decoder = CScriptedDecoder();
    }

    void readWaveformShowsDetailsThenTheFile() {
        std::vector<std::int16_t> stereo(2 * 50000, 0);
        stereo[2 * 30000] = 5000;  // the strike, past the first second
        stereo[2 * 30000 + 1] = 5000;
        stereo[2 * 2000] = 4000;
        stereo[2 * 2000 + 1] = 4000;
        m_ui->AnswerOpen(
            WriteWav("tenor.wav", CWavBuilder::Pcm(2, 44100, 16, CWavBuilder::Samples16(stereo))));
        QCOMPARE(ReadWaveformDetails(), QStringList({"Waveform details", "Raw PCM", "stereo",
                                                     "44100", "176400", "4", "16", "200000"}));
        QCOMPARE(Field(*m_panel, "Filename:")->text(), QStringLiteral("tenor.wav"));
        QCOMPARE(m_panel->Document().m_params.m_fileTitle, std::string("tenor"));
        QCOMPARE(Field(*m_panel, "No. of Samples")->text(), QStringLiteral("50000"));
        QCOMPARE(Field(*m_panel, "Sample Rate")->text(), QStringLiteral("44100"));
        QCOMPARE(Field(*m_panel, "Start Sample")->text(), QStringLiteral("2000"));
        QCOMPARE(Field(*m_panel, "End Sample")->text(), QStringLiteral("50000"));
        QCOMPARE(Field(*m_panel, "Freq. incr. (%)")->text(), QStringLiteral("100"));
        QVERIFY(Button(*m_panel, "Write Waveform")->isEnabled());
        QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
        QVERIFY(Button(*m_panel, "View Waveform")->isEnabled());
        QVERIFY(!Button(*m_panel, "Write Transform")->isEnabled());
        QVERIFY(!Button(*m_panel, "Find Decays")->isEnabled());
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
        Press(*m_panel, "Read Waveform");
        QCOMPARE(Field(*m_panel, "Start Sample")->text(), QStringLiteral("0"));

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
        Press(*m_panel, "View Waveform");
        QCOMPARE(answers.Titles().back(), QStringLiteral("Waveform - use mouse to select region"));
        QVERIFY(start.toInt() > 0);
        QVERIFY(end.toInt() > start.toInt());
        QCOMPARE(Field(*m_panel, "Start Sample")->text(), start);
        QCOMPARE(Field(*m_panel, "End Sample")->text(), end);
        QCOMPARE(m_panel->Document().m_wave.m_selStart, start.toInt());
        QCOMPARE(m_panel->Document().m_wave.m_selEnd, end.toInt());
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
            Press(*m_panel, "Read Waveform");
            QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());

            m_ui->AnswerOpen(c.path);
            Press(*m_panel, "Read Waveform");
            QCOMPARE(m_ui->LastMessage(), std::string(c.text));
            QCOMPARE(answers.Titles().size(), std::size_t(1));  // no details after a failure
            QCOMPARE(Button(*m_panel, "Do Transform")->isEnabled(), !c.path.has_value());
        }
    }

    void writeWaveformCancelWritesNothingAndFailureSaysSo() {
        m_ui->AnswerOpen(
            WriteWav("a.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({7, 8}))));
        CModalAnswers answers;
        answers.Click("OK");
        Press(*m_panel, "Read Waveform");

        m_ui->AnswerSave(std::nullopt);
        Press(*m_panel, "Write Waveform");
        QVERIFY(m_ui->m_messages.empty());
        QCOMPARE(QDir(QString::fromStdString(m_dir->Path())).entryList(QDir::Files).size(), 1);

        m_ui->AnswerSave(m_dir->File("nowhere/b.wav"));
        Press(*m_panel, "Write Waveform");
        QCOMPARE(m_ui->LastMessage(), std::string("Error writing file!"));

        m_ui->AnswerSave(m_dir->File("b.wav"));
        Press(*m_panel, "Write Waveform");
        QCOMPARE(ReadFileBytes(m_dir->File("b.wav")).size(), std::size_t(48 + 4));
    }

    void analyseFileSkipsTheDetails() {
        m_ui->AnswerOpen(std::nullopt);
        Press(*m_panel, "Analyse File");
        QCOMPARE(m_ui->LastMessage(), std::string("No file selected!"));
        QVERIFY(!Button(*m_panel, "Do Transform")->isEnabled());
        QVERIFY(!m_panel->Document().m_analysing);

        CModalAnswers answers;
        m_ui->AnswerOpen(
            WriteWav("c.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({1, 2}))));
        Press(*m_panel, "Analyse File");
        QTest::qWait(50);
        QVERIFY(answers.Titles().empty());
        QCOMPARE(Field(*m_panel, "Filename:")->text(), QStringLiteral("c.wav"));
        QVERIFY(!m_panel->Document().m_analysing);
    }

    void cancellingAnalyseFilesDialogKeepsTheWaveformLoaded() {
        std::vector<std::int16_t> tone(3000, 3000);
        m_ui->AnswerOpen(
            WriteWav("kept.wav", CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16(tone))));
        CModalAnswers answers;
        answers.Click("OK");
        Press(*m_panel, "Read Waveform");
        const CWaveData& wave = m_panel->Document().m_wave;
        QCOMPARE(wave.m_state, CWaveData::kFromFile);

        m_ui->AnswerOpen(std::nullopt);
        Press(*m_panel, "Analyse File");
        QCOMPARE(m_ui->LastMessage(), std::string("No file selected!"));
        QCOMPARE(wave.m_state, CWaveData::kFromFile);
        QCOMPARE(wave.m_sampleCount, 3000);
        QCOMPARE(Field(*m_panel, "Filename:")->text(), QStringLiteral("kept.wav"));
        QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
        QVERIFY(Button(*m_panel, "Write Waveform")->isEnabled());
        QCOMPARE(answers.Titles().size(), std::size_t(1));  // only the first read's details
    }

    void exitAsksAndCancelKeepsEverything() {
        Field(*m_panel, "Start Sample")->setText("123");
        CModalAnswers answers;
        QStringList lines;
        answers.Then([&](QDialog& dialog) {
            for (auto* label : dialog.findChildren<QLabel*>())
                lines << label->text();
            CModalAnswers::ClickButton(dialog, "Cancel and return");
        });
        Press(*m_panel, "EXIT");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Exiting Tonvane"});
        QCOMPARE(lines, QStringList({"About to exit Tonvane.", "Unsaved data will be lost!"}));
        QVERIFY(m_panel->isVisible());
        QCOMPARE(Field(*m_panel, "Start Sample")->text(), QStringLiteral("123"));

        answers.Click("OK");
        Press(*m_panel, "EXIT");
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

    void enterDoesNothingAndEscapeAsksLikeExit() {
        CModalAnswers answers;
        Button(*m_panel, "Read Waveform")->setFocus();
        QTest::keyClick(Button(*m_panel, "Read Waveform"), Qt::Key_Return);
        QTest::keyClick(Field(*m_panel, "Start Sample"), Qt::Key_Enter);
        QTest::qWait(50);
        QVERIFY(m_panel->isVisible());
        QVERIFY(m_ui->m_fileDialogs.empty());
        QVERIFY(answers.Titles().empty());

        // One Escape too many after a message must not lose the user's work.
        answers.Click("Cancel and return");
        QTest::keyClick(m_panel.get(), Qt::Key_Escape);
        QCOMPARE(answers.Titles(), std::vector<QString>{"Exiting Tonvane"});
        QVERIFY(m_panel->isVisible());
        answers.Click("OK");
        QTest::keyClick(m_panel.get(), Qt::Key_Escape);
        QVERIFY(!m_panel->isVisible());
    }

    void assistiveToolsActLikeTheMouseAndKeyboard() {
        // A screen reader toggles through the control's Toggle action, which sets the
        // state without a click; and it sets a field's text without typing.
        const auto toggle = [](QAbstractButton* control) {
            QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(
                QAccessibleActionInterface::toggleAction());
        };
        const auto setText = [](QLineEdit* edit, const QString& text) {
            QAccessible::queryAccessibleInterface(edit)->setText(QAccessible::Value, text);
        };
        CModalAnswers answers;
        CAnalysisDoc& doc = m_panel->Document();
        doc.m_partials.AddPartial(500.0, 0.0, 1.0, 0.0, 0.0, CPartialData::kNominal);
        doc.m_partials.m_nominal = 500.0;
        Press(*m_panel, "View / Edit Partials");  // closed at once: the panel takes the nominal
        QCOMPARE(Field(*m_panel, "Nominal note")->text(), QStringLiteral("B(1) +21"));

        toggle(Button(*m_panel, "A=432Hz"));
        QVERIFY(Button(*m_panel, "A=432Hz")->isChecked());
        QCOMPARE(doc.m_params.m_aRef, 432.0);
        QCOMPARE(doc.m_partials.m_aRef, 432.0);
        QCOMPARE(Field(*m_panel, "Nominal note")->text(), QStringLiteral("C(2) -47"));

        toggle(Button(*m_panel, "German note names"));
        QVERIFY(doc.m_params.m_germanNames);
        QVERIFY(doc.m_partials.m_germanNames);
        QCOMPARE(QString::fromStdString(doc.m_partials.m_note[0]), QStringLiteral("C(2) -47"));
        toggle(Button(*m_panel, "A=440Hz"));
        QCOMPARE(Field(*m_panel, "Nominal note")->text(), QStringLiteral("H(1) +21"));
        toggle(Button(*m_panel, "German note names"));
        QVERIFY(!doc.m_partials.m_germanNames);

        setText(Field(*m_panel, "End Frequency"), "12500.125");
        setText(Field(*m_panel, "Interval (Hz)"), "0.125");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("100001"));
        QCOMPARE(doc.m_params.m_steps, 100001);
        // A paste replaces the text at once.
        Field(*m_panel, "Start Frequency")->selectAll();
        QApplication::clipboard()->setText("500.125");
        Field(*m_panel, "Start Frequency")->paste();
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("96000"));
        QVERIFY(m_ui->m_messages.empty());
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
        Field(*m_panel, "Start Sample")->setText("99");  // typed, not read: replaced on show
        ClickBox(Button(*m_panel, "A=432Hz"));
        QCOMPARE(m_panel->Document().m_params.m_aRef, 432.0);
        QCOMPARE(Field(*m_panel, "Start Sample")->text(), QStringLiteral("0"));
        ClickBox(Button(*m_panel, "A=435Hz"));
        QCOMPARE(m_panel->Document().m_params.m_aRef, 435.0);
        QVERIFY(!Button(*m_panel, "A=432Hz")->isChecked());
    }

    void theApplicationStartsWithAndWithoutAVersionRecord() {
        CTonvaneApp withRecord(m_devices.Services(), ProgramVersionRecord());
        withRecord.InitInstance();
        QCOMPARE(withRecord.m_productVersion, std::string("0.1.0"));
        QCOMPARE(Named<QLabel>(withRecord.CreatePanel(), "Product version")->text(),
                 QStringLiteral("0.1.0"));

        CTonvaneApp bare(m_devices.Services(), nullptr);
        bare.InitInstance();
        CMainDlg& panel = bare.CreatePanel();
        for (const char* name : {"Description", "Company", "Legal notice", "Product version"})
            QVERIFY(Named<QLabel>(panel, name)->text().isEmpty());
        QCOMPARE(Field(panel, "Steps (number)")->text(), QStringLiteral("10000"));
        QVERIFY(!panel.windowIcon().isNull());
    }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
