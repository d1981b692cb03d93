#include <QProgressBar>
#include <QtTest>
#include <cmath>

#include "app/gui/MainDlg.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "support/gui/ModalAnswer.h"
#include "transform/gui/TransformProgressDlg.h"

namespace {

// A 440 Hz tone of the given length at 44100 Hz, as a 16-bit mono file.
std::string ToneWav(int samples) {
    std::vector<std::int16_t> tone(samples);
    for (int i = 0; i < samples; ++i)
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / 44100.0));
    return CWavBuilder::Pcm(1, 44100, 16, CWavBuilder::Samples16(tone));
}

}  // namespace

class TransformPanelTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CScriptedUiServices> m_ui;
    std::unique_ptr<CMainDlg> m_panel;
    std::unique_ptr<CTempDir> m_dir;

    void Load(int samples = 44100) {
        const std::string path = m_dir->File("tone.wav");
        WriteFileBytes(path, ToneWav(samples));
        m_ui->AnswerOpen(path);
        CModalAnswers answers;
        answers.Click("OK");
        QTest::mouseClick(m_panel->m_readWaveButton, Qt::LeftButton);
        QVERIFY(m_panel->m_doTransformButton->isEnabled());
    }

    void SetRange(const char* start, const char* end, const char* interval) {
        m_panel->m_startFreqEdit->setText(start);
        m_panel->m_endFreqEdit->setText(end);
        m_panel->m_intervalEdit->setText(interval);
        m_panel->ReadPanel();
        m_panel->m_params.RecomputeSteps();
        m_panel->ShowPanel();
    }

    // Presses Do Transform and lets the progress dialog run to its end.
    std::vector<QString> DoTransform(bool cancel = false) {
        CModalAnswers answers;
        if (cancel)
            answers.Click("Cancel");
        else
            answers.Then([](QDialog&) {});
        m_ui->m_messages.clear();
        QTest::mouseClick(m_panel->m_doTransformButton, Qt::LeftButton);
        return answers.Titles();
    }

  private slots:
    void init() {
        m_ui = std::make_unique<CScriptedUiServices>();
        m_dir = std::make_unique<CTempDir>();
        m_panel = std::make_unique<CMainDlg>(*m_ui, VersionStrings{});
        m_panel->show();
    }

    void cleanup() {
        m_panel.reset();
        m_ui.reset();
        m_dir.reset();
    }

    void aCompletedTransformEnablesItsButtons() {
        Load();
        // A completed transform opens the transform view at once.
        QCOMPARE(DoTransform(),
                 (std::vector<QString>{"Transforms", "Transforms and partials selection"}));
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(m_panel->m_transforms.m_valid);
        QVERIFY(m_panel->m_transforms.m_smoothedValid);
        QVERIFY(m_panel->m_writeTransformButton->isEnabled());
        QVERIFY(m_panel->m_viewTransformButton->isEnabled());
        // The tone's bin: 440 Hz at 0.5 Hz a step.
        const auto& t = m_panel->m_transforms;
        int peak = 0;
        for (int j = 0; j <= t.m_steps; ++j)
            if (t.m_values[j] > t.m_values[peak])
                peak = j;
        QCOMPARE(peak, 880);
        QCOMPARE(t.m_maxValue, t.m_values[peak]);

        // A transform file read from another recording leaves its rate on the panel; the
        // waveform's samples are still transformed at the waveform's own rate.
        m_panel->m_sampleRateEdit->setText("22050");
        DoTransform();
        QCOMPARE(m_panel->m_sampleRateEdit->text(), QStringLiteral("44100"));
        peak = 0;
        for (int j = 0; j <= t.m_steps; ++j)
            if (t.m_values[j] > t.m_values[peak])
                peak = j;
        QCOMPARE(peak, 880);
    }

    void cancelGivesItsMessageAndDisablesTheButtons() {
        Load();
        DoTransform();
        QVERIFY(m_panel->m_writeTransformButton->isEnabled());
        QCOMPARE(DoTransform(true), std::vector<QString>{"Transforms"});
        QCOMPARE(m_ui->LastMessage(), std::string("Transforms cancelled"));
        QVERIFY(!m_panel->m_transforms.m_valid);
        QVERIFY(!m_panel->m_writeTransformButton->isEnabled());
        QVERIFY(!m_panel->m_viewTransformButton->isEnabled());
    }

    void escapeOnlyAsksTheJobToStop() {
        Load();
        CTransformData transforms;
        m_panel->ReadPanel();
        QVERIFY(transforms.Allocate(m_panel->m_params.m_steps, 0, 5000, 0.5));
        CTransformProgressDlg dialog(transforms, m_panel->m_params, m_panel->m_wave.m_samples.get(),
                                     m_panel->m_wave.m_sampleCount);
        CModalAnswers answers;
        bool stillOpen = false;
        answers.Then([&](QDialog& d) {
            QTest::keyClick(&d, Qt::Key_Escape);
            stillOpen = d.isVisible();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(stillOpen);
        QVERIFY(!dialog.JobFailed());
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
            {"0", "12500.125", "0.125", 0, 44100, true},     // 100001 steps
            {"0", "12500.25", "0.125", 0, 44100, false},     // 100002 steps
            {"0", "5000", "0.5", -1, 44100, false},          // before the first sample
            {"4999.99", "5000", "0.0001", 0, 44100, false},  // a gigabyte FFT
        };
        for (const auto& c : cases) {
            SetRange(c.start, c.end, c.interval);
            m_panel->m_startSampleEdit->setText(QString::number(c.startSample));
            m_panel->m_endSampleEdit->setText(QString::number(c.endSample));
            const auto titles = DoTransform();
            const QString what = QStringLiteral("%1..%2 by %3, samples %4..%5")
                                     .arg(c.start, c.end, c.interval)
                                     .arg(c.startSample)
                                     .arg(c.endSample);
            if (c.accepted) {
                QVERIFY2(m_ui->m_messages.empty(), qPrintable(what));
                QVERIFY2(m_panel->m_transforms.m_valid, qPrintable(what));
            } else {
                QVERIFY2(titles.empty(), qPrintable(what));
                QCOMPARE(m_ui->LastMessage(), std::string("Bad transform parameters!"));
            }
        }
        // The end sample may be the sample count itself.
        SetRange("0", "5000", "0.5");
        m_panel->m_startSampleEdit->setText("0");
        m_panel->m_endSampleEdit->setText("44100");
        DoTransform();
        QVERIFY(m_ui->m_messages.empty());
    }

    void lackOfMemoryIsABadParameterNotACrash() {
        Load();
        m_panel->m_transforms.m_job.m_allocateBuffer = [](std::size_t) {
            return std::unique_ptr<double[]>();
        };
        DoTransform();
        QCOMPARE(m_ui->LastMessage(), std::string("Bad transform parameters!"));
        QVERIFY(!m_panel->m_transforms.m_valid);
        QVERIFY(!m_panel->m_writeTransformButton->isEnabled());
    }

    void writeAndReadBack() {
        Load(30000);
        m_panel->m_startSampleEdit->setText("1000");
        QTest::mouseClick(m_panel->m_writeTransformButton, Qt::LeftButton);  // disabled: nothing
        QVERIFY(m_ui->m_messages.empty());
        m_panel->OnWriteTransform();
        QCOMPARE(m_ui->LastMessage(), std::string("no transforms yet loaded"));
        DoTransform();

        m_panel->m_writeInCentsCheck->setChecked(true);
        QTest::mouseClick(m_panel->m_writeTransformButton, Qt::LeftButton);
        QCOMPARE(m_ui->LastMessage(), std::string("Write in cents requested - nominal not set"));
        QVERIFY(m_ui->m_fileDialogs.size() == 1);  // only the read's

        m_panel->m_writeInCentsCheck->setChecked(false);
        m_ui->AnswerSave(m_dir->File("nowhere/t.csv"));
        QTest::mouseClick(m_panel->m_writeTransformButton, Qt::LeftButton);
        QCOMPARE(m_ui->LastMessage(), std::string("Error writing transforms!"));

        const std::string csv = m_dir->File("t.csv");
        m_ui->AnswerSave(csv);
        m_ui->m_messages.clear();
        QTest::mouseClick(m_panel->m_writeTransformButton, Qt::LeftButton);
        QVERIFY(m_ui->m_messages.empty());
        QVERIFY(ReadFileBytes(csv).starts_with("Transforms\r\n"));

        // A fresh panel takes the range and the selection from the file.
        CScriptedUiServices ui;
        CMainDlg panel(ui, VersionStrings{});
        ui.AnswerOpen(csv);
        QTest::mouseClick(panel.m_readTransformButton, Qt::LeftButton);
        QVERIFY(ui.m_messages.empty());
        QCOMPARE(panel.m_startFreqEdit->text(), QStringLiteral("0"));
        QCOMPARE(panel.m_endFreqEdit->text(), QStringLiteral("5000"));
        QCOMPARE(panel.m_intervalEdit->text(), QStringLiteral("0.5"));
        QCOMPARE(panel.m_stepsEdit->text(), QStringLiteral("10000"));
        QCOMPARE(panel.m_sampleRateEdit->text(), QStringLiteral("44100"));
        QCOMPARE(panel.m_startSampleEdit->text(), QStringLiteral("1000"));
        QCOMPARE(panel.m_endSampleEdit->text(), QStringLiteral("30000"));
        QCOMPARE(panel.m_numSamplesEdit->text(), QStringLiteral("29000"));
        QVERIFY(panel.m_writeTransformButton->isEnabled());
        QVERIFY(!panel.m_doTransformButton->isEnabled());  // still no waveform

        WriteFileBytes(m_dir->File("other.csv"), "Partials\r\n");
        ui.AnswerOpen(m_dir->File("other.csv"));
        QTest::mouseClick(panel.m_readTransformButton, Qt::LeftButton);
        QCOMPARE(ui.LastMessage(), std::string("Not a transform file!"));
    }
};

QTEST_MAIN(TransformPanelTest)
#include "TransformPanelTest.moc"
