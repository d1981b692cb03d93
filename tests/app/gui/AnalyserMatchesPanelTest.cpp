#include <QtTest>

#include "app/BatchAnalysis.h"
#include "platform/SoundDecoder.h"
#include "support/BellSound.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"

// The analyser of whole folders and the panel run the same Analyse File: for the same
// recording and settings, the analyser's files hold the bytes the panel's Write Partials and
// Write Transform give.
class AnalyserMatchesPanelTest : public QObject {
    Q_OBJECT

  private:
    // Analyse File on a fresh panel, with the settings setUp makes first, then Write Partials
    // and, when a file is given for it, Write Transform in cents.
    static void RunPanel(const std::string& recording, const std::function<void(CMainDlg&)>& setUp,
                         const std::string& partials, const std::string& centsTransform) {
        CPanelHarness h;
        CScriptedUiServices& ui = h.m_ui;
        CMainDlg& panel = h.m_panel;
        setUp(panel);
        ui.AnswerOpen(recording);
        {
            CModalAnswers answers;
            answers.Then([](QDialog&) {});  // the progress dialog runs to its end
            Press(panel, "Analyse File");   // and the transform view is closed as it opened
            QCOMPARE(answers.Titles().size(), std::size_t{2});
        }
        ui.AnswerSave(partials);
        Press(panel, "Write Partials");
        if (!centsTransform.empty()) {
            ClickBox(Button(panel, "Write Transform in cents, not Hz"));
            ui.AnswerSave(centsTransform);
            Press(panel, "Write Transform");
        }
        QVERIFY2(ui.m_messages.empty(), ui.LastMessage().c_str());
    }

    static RecordingReport RunAnalyser(const std::string& recording,
                                       const std::vector<std::string>& options,
                                       const std::string& folder) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-o", folder, recording});
        const BatchCommand command = ParseBatchCommand(args, 1);
        CNoSoundDecoder decoder;
        return AnalyseRecording(recording, OutputFor(recording, command.m_settings),
                                command.m_settings, decoder);
    }

  private slots:
    void withThePanelsDefaults() {
        CTempDir dir;
        const std::string bell = dir.File("treble.wav");
        WriteFileBytes(bell, BellWav(523.0, ClassicBell()));
        RunPanel(
            bell, [](CMainDlg&) {}, dir.File("panel.par"), "");
        const RecordingReport report = RunAnalyser(bell, {}, dir.Path());
        QVERIFY2(report.Analysed(), report.m_failure.c_str());
        QCOMPARE(report.m_output.m_partialsPath, dir.File("treble.par"));
        const std::string panel = ReadFileBytes(dir.File("panel.par"));
        QVERIFY(panel.find("wave file is treble, nominal: 523.000000") != std::string::npos);
        QCOMPARE(ReadFileBytes(report.m_output.m_partialsPath), panel);
    }

    void withAnotherGridPitchNamesAndCents() {
        CTempDir dir;
        const std::string bell = dir.File("tenor.wav");
        WriteFileBytes(bell, BellWav(311.0, ClassicBell()));
        RunPanel(
            bell,
            [](CMainDlg& panel) {
                Type(Field(panel, "Start Frequency"), "60");
                Type(Field(panel, "End Frequency"), "1900.5");
                Type(Field(panel, "Interval (Hz)"), "0.25");
                ClickBox(Button(panel, "A=435Hz"));
                ClickBox(Button(panel, "German note names"));
            },
            dir.File("panel.par"), dir.File("panel.csv"));
        const RecordingReport report =
            RunAnalyser(bell,
                        {"--start-freq", "60", "--end-freq", "1900.5", "--interval", "0.25",
                         "--pitch", "435", "--german", "--cents"},
                        dir.Path());
        QVERIFY2(report.Analysed(), report.m_failure.c_str());
        QVERIFY(report.m_wroteTransform);
        const std::string panel = ReadFileBytes(dir.File("panel.par"));
        QVERIFY(panel.find("A=435.0, German names") != std::string::npos);
        QCOMPARE(ReadFileBytes(report.m_output.m_partialsPath), panel);
        const std::string transform = ReadFileBytes(dir.File("panel.csv"));
        QVERIFY(transform.starts_with("Relative Transforms\r\n"));
        QVERIFY(transform.size() > 7362 * 10);  // every step of the grid
        QCOMPARE(ReadFileBytes(report.m_output.m_transformPath), transform);
    }
};

QTEST_MAIN(AnalyserMatchesPanelTest)
#include "AnalyserMatchesPanelTest.moc"
