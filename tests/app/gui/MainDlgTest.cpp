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

    QString Text(const char* name) { return Field(*m_panel, name)->text(); }
    const AnalysisParams& Params() { return m_panel->Document().m_params; }

    std::string WriteWav(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir->File(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    static std::string Mono(std::vector<std::int16_t> samples, int rate = 8000) {
        return CWavBuilder::Pcm(1, rate, 16, CWavBuilder::Samples16(samples));
    }

    // Read Waveform on the file, its details closed with OK.
    void Load(const std::string& name, const std::string& bytes) {
        m_ui->AnswerOpen(WriteWav(name, bytes));
        CModalAnswers answers;
        answers.Click("OK");
        Press(*m_panel, "Read Waveform");
    }

    // Presses Read Waveform and closes every dialog it shows with OK: gives their titles, then
    // the fields of the waveform details.
    QStringList ReadWaveformDetails() {
        CModalAnswers answers;
        QStringList details;
        answers.Then([&](QDialog& dialog) {
            details = FieldTexts(dialog, {"Format", "Channels", "Samples per sec", "Bytes per sec",
                                          "Block align", "Bits per sample", "No. of bytes"});
            CheckControlsAreNamedAndReachable(dialog);
            CModalAnswers::ClickButton(dialog, "OK");
        });
        Press(*m_panel, "Read Waveform");
        QStringList shown(answers.Titles().begin(), answers.Titles().end());
        return shown + details;
    }

    QStringList EnabledButtonTexts() {
        QStringList texts;
        for (auto* button : m_panel->findChildren<QPushButton*>())
            if (button->isEnabled())
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
        QCOMPARE(FieldTexts(*m_panel, {"Steps (number)", "Freq. incr. (%)", "Filename:",
                                       "Start Frequency", "End Frequency", "Interval (Hz)"}),
                 QStringList({"10000", "100", "No file loaded", "0", "5000", "0.5"}));
        QVERIFY(Button(*m_panel, "A=440Hz")->isChecked());
        QCOMPARE(EnabledButtonTexts(),
                 QStringList({"Analyse File", "EXIT", "Read Partials", "Read Transform",
                              "Read Waveform", "Record Waveform", "View / Edit Partials"}));
        QVERIFY(Field(*m_panel, "Steps (number)")->isReadOnly());
        QVERIFY(!Field(*m_panel, "Start Sample")->isReadOnly());
        QCOMPARE(Named<QLabel>(*m_panel, "Description")->text().toStdString(),
                 ReadVersionStrings(ProgramVersionRecord()).description);
        CheckControlsAreNamedAndReachable(*m_panel);

        // A pitch radio applies the reference without reading the fields: typing is replaced.
        Field(*m_panel, "Start Sample")->setText("99");
        ClickBox(Button(*m_panel, "A=432Hz"));
        QCOMPARE(Params().m_aRef, 432.0);
        QCOMPARE(Text("Start Sample"), QStringLiteral("0"));
    }

    // Steps follow what is typed, but half-typed or emptied text is left as it is, with no
    // prompt; an empty range or interval leaves steps alone.
    void typingTheRangeKeepsStepsInStep() {
        const struct {
            const char *field, *typed, *steps;
        } rows[] = {{"Interval (Hz)", "0.125", "40000"}, {"End Frequency", "12500.125", "100001"},
                    {"Interval (Hz)", "0.", "100001"},   {"Interval (Hz)", "1", "12500"},
                    {"End Frequency", "0", "12500"},     {"End Frequency", "5000", "5000"},
                    {"Interval (Hz)", "0", "5000"},      {"End Frequency", "", "5000"}};
        for (const auto& r : rows) {
            Type(Field(*m_panel, r.field), r.typed);
            QCOMPARE(Text(r.field), QString(r.typed));
            QCOMPARE(Text("Steps (number)"), QString(r.steps));
        }
        QVERIFY(m_ui->m_messages.empty());
    }

    void aBadFieldStopsTheReadWithAPrompt() {
        CModalAnswers answers;  // the editor View / Edit Partials opens, closed unused
        const AnalysisParams& params = Params();
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

        // The German names box goes on after the prompt with the values in force, and the
        // panel then shows them, so the unread boxes go back.
        Field(*m_panel, "Start Frequency")->setText("-1");
        const auto promptsBefore = m_ui->m_messages.size();
        ClickBox(Button(*m_panel, "German note names"));
        QCOMPARE(m_ui->m_messages.size(), promptsBefore + 1);
        QVERIFY(!params.m_germanNames);
        QVERIFY(!Button(*m_panel, "German note names")->isChecked());
        QVERIFY(!Button(*m_panel, "Write Transform in cents, not Hz")->isChecked());
        QCOMPARE(Text("Start Frequency"), QStringLiteral("-1"));
        Field(*m_panel, "Start Frequency")->setText("0");
        ClickBox(Button(*m_panel, "German note names"));
        QVERIFY(params.m_germanNames);
        QCOMPARE(params.m_startFreq, 0.0);
    }

    void readWaveformShowsTheDetailsThenTheFile() {
        // 100 frames of 417 bytes: 44100 Hz, 128 kbit/s, joint stereo; 2.612 s.
        m_devices.m_decoder = CScriptedDecoder();
        m_devices.m_decoder.m_channels = 2;
        m_devices.m_decoder.m_samplesPerSec = 44100;
        m_devices.m_decoder.m_samples.assign(2 * 3000, 100);
        m_ui->AnswerOpen(
            WriteWav("tenor.mp3", mp3::Frames(mp3::Header(0xFB, 0x90, 0x40), 417, 100)));
        QCOMPARE(ReadWaveformDetails(), QStringList({"Waveform details", "MPEG layer 3", "stereo",
                                                     "44100", "15963", "1", "0", "41700"}));
        QCOMPARE(Text("Filename:"), QStringLiteral("tenor.mp3"));
        QCOMPARE(Text("No. of Samples"), QStringLiteral("3000"));
        m_devices.m_decoder = CScriptedDecoder();

        std::vector<std::int16_t> stereo(2 * 50000, 0);
        stereo[2 * 30000] = stereo[2 * 30000 + 1] = 5000;  // the strike, past the first second
        stereo[2 * 2000] = stereo[2 * 2000 + 1] = 4000;
        m_ui->AnswerOpen(
            WriteWav("tenor.wav", CWavBuilder::Pcm(2, 44100, 16, CWavBuilder::Samples16(stereo))));
        QCOMPARE(ReadWaveformDetails(), QStringList({"Waveform details", "Raw PCM", "stereo",
                                                     "44100", "176400", "4", "16", "200000"}));
        QCOMPARE(FieldTexts(*m_panel, {"Filename:", "No. of Samples", "Sample Rate", "Start Sample",
                                       "End Sample", "Freq. incr. (%)"}),
                 QStringList({"tenor.wav", "50000", "44100", "2000", "50000", "100"}));
        QCOMPARE(Params().m_fileTitle, std::string("tenor"));
        for (const char* name : {"Write Waveform", "Do Transform", "View Waveform"})
            QVERIFY2(Button(*m_panel, name)->isEnabled(), name);
        for (const char* name : {"Write Transform", "Find Decays"})
            QVERIFY2(!Button(*m_panel, name)->isEnabled(), name);
        QVERIFY(m_ui->m_messages.empty());
    }

    void viewWaveformCarriesTheSelectionBack() {
        std::vector<std::int16_t> tone(60000);
        for (int i = 0; i < 60000; ++i)
            tone[i] = static_cast<std::int16_t>((i % 100) * 300 - 15000);
        Load("v.wav", Mono(tone, 44100));
        QString start, end;
        CModalAnswers answers;
        answers.Then([&](QDialog& dialog) {
            auto& view = static_cast<CWaveViewDlg&>(dialog);
            const QRect frame = view.m_frame->geometry();
            const int y = frame.center().y();
            QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(frame.left() + 101, y));
            QTest::mouseMove(&view, QPoint(frame.left() + 301, y));
            QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(frame.left() + 301, y));
            start = FieldText(view, "Seln. Start");
            end = FieldText(view, "Seln. End");
            view.close();  // the close box keeps the selection too
        });
        Press(*m_panel, "View Waveform");
        QCOMPARE(answers.Titles().back(), QStringLiteral("Waveform - use mouse to select region"));
        QVERIFY(start.toInt() > 0 && end.toInt() > start.toInt());
        QCOMPARE(Text("Start Sample") + "-" + Text("End Sample"), start + "-" + end);
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
        for (const auto& c : cases) {
            Load("good.wav", Mono({1, 2, 3}));
            QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
            CModalAnswers answers;
            m_ui->AnswerOpen(c.path);
            Press(*m_panel, "Read Waveform");
            QCOMPARE(m_ui->LastMessage(), std::string(c.text));
            QVERIFY(answers.Titles().empty());  // no details after a failure
            QCOMPARE(Button(*m_panel, "Do Transform")->isEnabled(), !c.path.has_value());
        }
    }

    void writeWaveformCancelWritesNothingAndFailureSaysSo() {
        Load("a.wav", Mono({7, 8}));
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

    // A cancelled Analyse File must not cost the waveform already loaded; a file it reads
    // shows no details.
    void analyseFileKeepsTheWaveformOnCancelAndSkipsTheDetails() {
        Load("kept.wav", Mono(std::vector<std::int16_t>(3000, 3000)));
        CModalAnswers answers;
        m_ui->AnswerOpen(std::nullopt);
        Press(*m_panel, "Analyse File");
        QCOMPARE(m_ui->LastMessage(), std::string("No file selected!"));
        const CWaveData& wave = m_panel->Document().m_wave;
        QCOMPARE(wave.m_state, CWaveData::kFromFile);
        QCOMPARE(wave.m_sampleCount, 3000);
        QCOMPARE(Text("Filename:"), QStringLiteral("kept.wav"));
        QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
        QVERIFY(Button(*m_panel, "Write Waveform")->isEnabled());
        QVERIFY(!m_panel->Document().m_analysing);

        m_ui->AnswerOpen(WriteWav("c.wav", Mono({1, 2})));
        Press(*m_panel, "Analyse File");
        QTest::qWait(50);
        QVERIFY(answers.Titles().empty());
        QCOMPARE(Text("Filename:"), QStringLiteral("c.wav"));
        QVERIFY(!m_panel->Document().m_analysing);
    }

    // EXIT, the close box and Escape all ask first: one Escape too many after a message must
    // not lose the user's work. Enter does nothing.
    void everyWayOutAsksAndCancelKeepsEverything() {
        CModalAnswers none;
        Button(*m_panel, "Read Waveform")->setFocus();
        QTest::keyClick(Button(*m_panel, "Read Waveform"), Qt::Key_Return);
        QTest::keyClick(Field(*m_panel, "Start Sample"), Qt::Key_Enter);
        QTest::qWait(50);
        QVERIFY(m_ui->m_fileDialogs.empty() && none.Titles().empty());

        Field(*m_panel, "Start Sample")->setText("123");
        const std::pair<const char*, std::function<void()>> ways[] = {
            {"EXIT", [&] { Press(*m_panel, "EXIT"); }},
            {"close box", [&] { m_panel->close(); }},
            {"Escape", [&] { QTest::keyClick(m_panel.get(), Qt::Key_Escape); }}};
        for (const auto& [way, leave] : ways) {
            CModalAnswers answers;
            QStringList lines;
            answers.Then([&](QDialog& dialog) {
                for (auto* label : dialog.findChildren<QLabel*>())
                    lines << label->text();
                CModalAnswers::ClickButton(dialog, "Cancel and return");
            });
            answers.Click("OK");
            leave();
            QVERIFY2(m_panel->isVisible(), way);
            QCOMPARE(lines, QStringList({"About to exit Tonvane.", "Unsaved data will be lost!"}));
            QCOMPARE(Text("Start Sample"), QStringLiteral("123"));
            leave();
            QVERIFY2(!m_panel->isVisible(), way);
            QCOMPARE(answers.Titles(),
                     (std::vector<QString>{"Exiting Tonvane", "Exiting Tonvane"}));
            if (std::string(way) == "EXIT")
                QCOMPARE(m_panel->result(), int(QDialog::Accepted));
            m_panel->show();
        }
    }

    void assistiveToolsActLikeTheMouseAndKeyboard() {
        // A screen reader toggles through the control's Toggle action, which sets the state
        // without a click; and it sets a field's text without typing.
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
        QCOMPARE(Text("Nominal note"), QStringLiteral("B(1) +21"));

        toggle(Button(*m_panel, "A=432Hz"));
        QVERIFY(Button(*m_panel, "A=432Hz")->isChecked());
        QCOMPARE(doc.m_params.m_aRef, 432.0);
        QCOMPARE(doc.m_partials.m_aRef, 432.0);
        QCOMPARE(Text("Nominal note"), QStringLiteral("C(2) -47"));
        toggle(Button(*m_panel, "German note names"));
        QVERIFY(doc.m_params.m_germanNames && doc.m_partials.m_germanNames);
        toggle(Button(*m_panel, "A=440Hz"));
        QCOMPARE(Text("Nominal note"), QStringLiteral("H(1) +21"));
        toggle(Button(*m_panel, "German note names"));
        QVERIFY(!doc.m_partials.m_germanNames);

        setText(Field(*m_panel, "End Frequency"), "12500.125");
        setText(Field(*m_panel, "Interval (Hz)"), "0.125");
        QCOMPARE(Text("Steps (number)"), QStringLiteral("100001"));
        QCOMPARE(doc.m_params.m_steps, 100001);
        // A paste replaces the text at once.
        Field(*m_panel, "Start Frequency")->selectAll();
        QApplication::clipboard()->setText("500.125");
        Field(*m_panel, "Start Frequency")->paste();
        QCOMPARE(Text("Steps (number)"), QStringLiteral("96000"));
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
        for (auto* action : m_panel->findChild<QMenuBar*>()->actions().first()->menu()->actions())
            if (action->text() == "About Tonvane . . .")
                action->trigger();
        QCOMPARE(answers.Titles(), std::vector<QString>{"About Tonvane"});
        QCOMPARE(version, QStringLiteral("0.1.0"));
        QVERIFY(legal.contains("Copyright"));
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
