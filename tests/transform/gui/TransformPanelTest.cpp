#include <QProgressBar>
#include <QtTest>
#include <cmath>

#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"
#include "transform/gui/TransformProgressDlg.h"

namespace {

// A 440 Hz tone of the given length at the given rate, as a 16-bit mono file.
std::string ToneWav(int samples, int rate = 44100) {
    std::vector<std::int16_t> tone(samples);
    for (int i = 0; i < samples; ++i)
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
    return CWavBuilder::Pcm(1, rate, 16, CWavBuilder::Samples16(tone));
}

int PeakIndex(const CTransformData& t) {
    int peak = 0;
    for (int j = 0; j <= t.m_steps; ++j)
        if (t.m_values[j] > t.m_values[peak])
            peak = j;
    return peak;
}

}  // namespace

class TransformPanelTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CPanelHarness> m_harness;
    CScriptedUiServices* m_ui = nullptr;
    CMainDlg* m_panel = nullptr;
    CTempDir* m_dir = nullptr;

    const CTransformData& Transforms() const { return m_panel->Document().m_transforms; }

    void Load(int samples = 44100, int rate = 44100) {
        const std::string path = m_dir->File("tone.wav");
        WriteFileBytes(path, ToneWav(samples, rate));
        m_ui->AnswerOpen(path);
        CModalAnswers answers;
        answers.Click("OK");
        Press(*m_panel, "Read Waveform");
        QVERIFY(Button(*m_panel, "Do Transform")->isEnabled());
    }

    // A fresh panel that has read the transform file.
    static std::unique_ptr<CPanelHarness> ReadBack(const std::string& csv) {
        auto fresh = std::make_unique<CPanelHarness>();
        fresh->m_ui.AnswerOpen(csv);
        Press(fresh->m_panel, "Read Transform");
        return fresh;
    }

    void SetRange(const char* start, const char* end, const char* interval) {
        Type(Field(*m_panel, "Start Frequency"), start);
        Type(Field(*m_panel, "End Frequency"), end);
        Type(Field(*m_panel, "Interval (Hz)"), interval);
    }

    void SetSelection(int start, int end) {
        Field(*m_panel, "Start Sample")->setText(QString::number(start));
        Field(*m_panel, "End Sample")->setText(QString::number(end));
    }

    // A transform with the longest FFT there is (2^24 points): it runs for seconds, so a
    // Cancel pressed as the dialog opens lands while it still runs.
    void SetLongTransform() {
        SetRange("1000", "1200", "0.003");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("66666"));
    }

    // Presses Do Transform and lets the progress dialog run to its end.
    std::vector<QString> DoTransform(bool cancel = false) {
        CModalAnswers answers;
        if (cancel)
            answers.Click("Cancel");
        else
            answers.Then([](QDialog&) {});
        m_ui->m_messages.clear();
        Press(*m_panel, "Do Transform");
        return answers.Titles();
    }

  private slots:
    void init() {
        m_harness = std::make_unique<CPanelHarness>();
        m_ui = &m_harness->m_ui;
        m_panel = &m_harness->m_panel;
        m_dir = &m_harness->m_dir;
    }
    void cleanup() { m_harness.reset(); }

    void aCompletedTransformEnablesItsButtons() {
        Load();
        // A completed transform opens the transform view at once.
        QCOMPARE(DoTransform(),
                 (std::vector<QString>{"Transforms", "Transforms and partials selection"}));
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(Transforms().m_valid);
        QVERIFY(Transforms().m_smoothedValid);
        QVERIFY(Button(*m_panel, "Write Transform")->isEnabled());
        QVERIFY(Button(*m_panel, "View Tr. / Get Part.")->isEnabled());
        // The tone's bin: 440 Hz at 0.5 Hz a step.
        QCOMPARE(PeakIndex(Transforms()), 880);
        QCOMPARE(Transforms().m_maxValue, Transforms().m_values[880]);

        // A transform file read from another recording leaves its rate on the panel; the
        // waveform's samples are still transformed at the waveform's own rate.
        Field(*m_panel, "Sample Rate")->setText("22050");
        DoTransform();
        QCOMPARE(Field(*m_panel, "Sample Rate")->text(), QStringLiteral("44100"));
        QCOMPARE(PeakIndex(Transforms()), 880);
    }

    // A cancelled transform, or one without memory (a bad parameter, not a crash), takes the
    // earlier transform off offer.
    void aTransformThatDoesNotEndDisablesItsButtons() {
        Load();
        for (const bool cancel : {true, false}) {
            SetRange("0", "5000", "0.5");
            DoTransform();
            QVERIFY(Button(*m_panel, "Write Transform")->isEnabled());
            if (cancel) {
                SetLongTransform();
                QCOMPARE(DoTransform(true), std::vector<QString>{"Transforms"});
            } else {
                m_panel->Document().m_transforms.m_job.m_allocateBuffer = [](std::size_t) {
                    return std::unique_ptr<double[]>();
                };
                DoTransform();
            }
            QCOMPARE(m_ui->LastMessage(),
                     std::string(cancel ? "Transforms cancelled" : "Bad transform parameters!"));
            QVERIFY(!Transforms().m_valid);
            QVERIFY(!Button(*m_panel, "Write Transform")->isEnabled());
            QVERIFY(!Button(*m_panel, "View Tr. / Get Part.")->isEnabled());
        }
    }

    void escapeOnlyAsksTheJobToStop() {
        Load();
        SetLongTransform();
        CTransformData transforms;
        const CAnalysisDoc& doc = m_panel->Document();
        const AnalysisParams& p = doc.m_params;
        QVERIFY(transforms.Allocate(p.m_steps, p.m_startFreq, p.m_endFreq, p.m_interval));
        CTransformProgressDlg dialog(transforms, doc.m_params, doc.m_wave.m_samples.get(),
                                     doc.m_wave.m_sampleCount);
        CModalAnswers answers;
        bool stillOpen = false;
        answers.Then([&](QDialog& d) {
            QTest::keyClick(&d, Qt::Key_Escape);
            stillOpen = d.isVisible();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(stillOpen);
        QVERIFY(!dialog.JobFailed());
        QVERIFY(!transforms.m_valid);
    }

    void theChecksRejectWhatCannotBeComputed() {
        Load(44100);
        struct Case {
            const char *start, *end, *interval;
            int startSample, endSample;
            bool accepted;
        };
        // The boundaries themselves are the model's tests; here: the panel's answers.
        const Case cases[] = {
            {"0", "12500.25", "0.125", 0, 44100, false},     // 100002 steps
            {"0", "5000", "0.5", -1, 44100, false},          // before the first sample
            {"4999.99", "5000", "0.0001", 0, 44100, false},  // a gigabyte FFT
            {"0", "5000", "0.5", 0, 44100, true},            // the end sample may be the count
        };
        for (const auto& c : cases) {
            SetRange(c.start, c.end, c.interval);
            SetSelection(c.startSample, c.endSample);
            const auto titles = DoTransform();
            const QString what = QStringLiteral("%1..%2 by %3 from %4")
                                     .arg(c.start, c.end, c.interval)
                                     .arg(c.startSample);
            if (c.accepted) {
                QVERIFY2(m_ui->m_messages.empty(), qPrintable(what));
                QVERIFY2(Transforms().m_valid, qPrintable(what));
            } else {
                QVERIFY2(titles.empty(), qPrintable(what));
                QCOMPARE(m_ui->LastMessage(), std::string("Bad transform parameters!"));
            }
        }
    }

    void writeAndReadBack() {
        Load(30000);
        Field(*m_panel, "Start Sample")->setText("1000");
        Press(*m_panel, "Write Transform");  // disabled: nothing happens
        QVERIFY(m_ui->m_messages.empty());
        DoTransform();

        // Cents need a nominal: none, or a negative one, is "not set", and nothing is asked.
        Button(*m_panel, "Write Transform in cents, not Hz")->setChecked(true);
        for (const double nominal : {0.0, -500.0}) {
            m_panel->Document().m_partials.m_nominal = nominal;
            Press(*m_panel, "Write Transform");
            QCOMPARE(m_ui->LastMessage(),
                     std::string("Write in cents requested - nominal not set"));
            QCOMPARE(m_ui->m_fileDialogs.size(), std::size_t(1));  // only the read's
        }
        m_panel->Document().m_partials.m_nominal = 440.0;
        const std::string cents = m_dir->File("cents.csv");
        m_ui->AnswerSave(cents);
        m_ui->m_messages.clear();
        Press(*m_panel, "Write Transform");
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(ReadFileBytes(cents).starts_with("Relative Transforms\r\n"));

        Button(*m_panel, "Write Transform in cents, not Hz")->setChecked(false);
        m_ui->AnswerSave(m_dir->File("nowhere/t.csv"));
        Press(*m_panel, "Write Transform");
        QCOMPARE(m_ui->LastMessage(), std::string("Error writing transforms!"));

        const std::string csv = m_dir->File("t.csv");
        m_ui->AnswerSave(csv);
        m_ui->m_messages.clear();
        Press(*m_panel, "Write Transform");
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(ReadFileBytes(csv).starts_with("Transforms\r\n"));

        // A fresh panel takes the range and the selection from the file.
        const auto fresh = ReadBack(csv);
        CMainDlg& panel = fresh->m_panel;
        CScriptedUiServices& ui = fresh->m_ui;
        QVERIFY(ui.m_messages.empty());
        QCOMPARE(FieldTexts(panel,
                            {"Start Frequency", "End Frequency", "Interval (Hz)", "Steps (number)",
                             "Sample Rate", "Start Sample", "End Sample", "No. of Samples"}),
                 QStringList({"0", "5000", "0.5", "10000", "44100", "1000", "30000", "29000"}));
        QVERIFY(Button(panel, "Write Transform")->isEnabled());
        QVERIFY(!Button(panel, "Do Transform")->isEnabled());  // still no waveform

        // A file that cannot be read leaves the transform held, and its buttons, as they were.
        const auto values =
            std::vector<double>(panel.Document().m_transforms.m_values.get(),
                                panel.Document().m_transforms.m_values.get() + 10001);
        WriteFileBytes(m_dir->File("other.csv"), "Partials\r\n");
        std::string broken = ReadFileBytes(csv);
        broken.resize(broken.size() / 2);
        WriteFileBytes(m_dir->File("broken.csv"), broken);
        for (const char* name : {"other.csv", "broken.csv"}) {
            ui.AnswerOpen(m_dir->File(name));
            Press(panel, "Read Transform");
            QVERIFY(ui.LastMessage() == "Not a transform file!" ||
                    ui.LastMessage() == "Not enough data in file!");
            QVERIFY(panel.Document().m_transforms.m_valid);
            QVERIFY(Button(panel, "Write Transform")->isEnabled());
            QVERIFY(Button(panel, "View Tr. / Get Part.")->isEnabled());
            QCOMPARE(panel.Document().m_transforms.m_values[880], values[880]);
        }
    }

    void aRecordingAtAnyRateReadsBackItsTransformFile() {
        Load(24000, 48000);
        SetRange("0", "5000", "0.7");
        QCOMPARE(Field(*m_panel, "Steps (number)")->text(), QStringLiteral("7142"));
        DoTransform();
        QVERIFY(Transforms().m_valid);
        const std::string csv = m_dir->File("t48.csv");  // any positive rate reads back
        m_ui->AnswerSave(csv);
        Press(*m_panel, "Write Transform");
        QVERIFY(m_ui->m_messages.empty());

        const auto fresh = ReadBack(csv);
        QVERIFY2(fresh->m_ui.m_messages.empty(), fresh->m_ui.LastMessage().c_str());
        QCOMPARE(FieldTexts(fresh->m_panel, {"Sample Rate", "Interval (Hz)", "Steps (number)"}),
                 QStringList({"48000", "0.7", "7142"}));
        QCOMPARE(PeakIndex(fresh->Doc().m_transforms), PeakIndex(Transforms()));
    }
};

QTEST_MAIN(TransformPanelTest)
#include "TransformPanelTest.moc"
