#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <thread>

#include "app/gui/MainDlg.h"
#include "audio/gui/PlayDlg.h"
#include "audio/gui/RecordDlg.h"
#include "support/ScriptedDevices.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"

namespace {

constexpr int kBuffer = CSoundIn::kBufferSamples;

// Samples that all differ, so a block from the wrong place shows.
std::vector<std::int16_t> Distinct(int count) {
    std::vector<std::int16_t> samples(count);
    for (int i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(i * 7 % 65536 - 32768);
    return samples;
}

void Fill(CWaveData& wave, const std::vector<std::int16_t>& samples, int rate) {
    wave.CreateEmpty(rate, static_cast<std::int32_t>(samples.size()), 16);
    std::copy(samples.begin(), samples.end(), wave.m_samples.get());
    wave.m_selStart = 10;
    wave.m_selEnd = 200;
    wave.m_fileName = "/bells/treble.wav";
    wave.m_state = CWaveData::kFromFile;
}

std::vector<std::int16_t> Stored(const CWaveData& wave) {
    return {wave.m_samples.get(), wave.m_samples.get() + wave.m_sampleCount};
}

std::vector<std::int16_t> Silence() {
    return std::vector<std::int16_t>(kBuffer, 0);
}

// A strike at index `at` of a buffer: loud at once, fading slowly.
std::vector<std::int16_t> Strike(int at) {
    std::vector<std::int16_t> samples(kBuffer, 0);
    for (int i = at; i < kBuffer; ++i)
        samples[i] = static_cast<std::int16_t>((i % 2 ? 1 : -1) * (20000 - (i - at) / 4));
    return samples;
}

}  // namespace

class SoundPanelTest : public QObject {
    Q_OBJECT

  private:
    CScriptedUiServices m_ui;
    std::unique_ptr<CScriptedDevices> m_devices;
    std::unique_ptr<CTempDir> m_dir;
    CWaveData m_wave;
    const std::vector<std::int16_t> m_loaded = Distinct(20000);

    CScriptedSoundOutput& Out() { return m_devices->m_soundOut; }
    CScriptedSoundInput& In() { return m_devices->m_soundIn; }

    // Delivers the reports the record dialog has been posted.
    static void Deliver(QObject& dialog) {
        QCoreApplication::sendPostedEvents(&dialog, QEvent::MetaCall);
    }

    void Capture(QObject& dialog, const std::vector<std::int16_t>& samples) {
        QCOMPARE(In().Capture(samples), samples.size());
        Deliver(dialog);
    }

    void ExpectStoreAsLoaded() {
        QCOMPARE(Stored(m_wave), m_loaded);
        QCOMPARE(m_wave.m_format.m_samplesPerSec, 8000u);
        QCOMPARE(m_wave.m_selStart, 10);
        QCOMPARE(m_wave.m_selEnd, 200);
        QCOMPARE(m_wave.m_fileName, std::string("/bells/treble.wav"));
        QCOMPARE(m_wave.m_state, CWaveData::kFromFile);
    }

    static QStringList Enabled(QDialog& record) {
        QStringList names;
        for (const char* name : {"Wait for trigger", "Start record", "Cancel record", "Exit"})
            if (Button(record, name)->isEnabled())
                names << name;
        return names;
    }

    // A record dialog shown and capturing.
    std::unique_ptr<CRecordDlg> ShowRecordDlg() {
        auto dialog = std::make_unique<CRecordDlg>(m_wave, In(), m_ui);
        dialog->show();
        [&] { QTRY_VERIFY(In().m_capturing); }();
        return dialog;
    }

  private slots:
    void init() {
        m_ui.m_messages.clear();
        m_devices = std::make_unique<CScriptedDevices>();
        m_dir = std::make_unique<CTempDir>();
        Fill(m_wave, m_loaded, 8000);
    }

    void playShowsProgressAndClosesOnTheTickAfterTheSoundHasEnded() {
        CPlayDlg play(m_wave, {{1000, 19000}, true, 20000}, Out(), m_ui);
        QVERIFY(Named<QLabel>(play, "Playing the waveform ...") != nullptr);
        CheckControlsAreNamedAndReachable(play);
        play.show();
        QTRY_COMPARE(Out().Queued(), 2u);
        QCOMPARE(Out().m_openFormat->m_samplesPerSec, 8000);
        QVERIFY(Out().CompleteNext());
        QTRY_COMPARE(Named<QProgressBar>(play, "Progress")->value(), 100);  // 18000 queued
        QVERIFY(play.isVisible());
        Out().CompleteAll();
        QElapsedTimer sinceEnd;
        sinceEnd.start();
        QTRY_VERIFY(!play.isVisible());
        QVERIFY(sinceEnd.elapsed() < 2 * CPlayDlg::kTickMs);
        QCOMPARE(play.result(), int(QDialog::Accepted));
        QCOMPARE(Out().m_played,
                 std::vector<std::int16_t>(m_loaded.begin() + 1000, m_loaded.begin() + 19000));
        QCOMPARE(Out().m_closeCount, 1);
        QVERIFY(m_ui.m_messages.empty());
    }

    void cancelOnlyAsksAndTheNextTickSilencesTheDevice() {
        Fill(m_wave, Distinct(200000), 44100);
        for (const bool escape : {false, true}) {
            CScriptedSoundOutput output;
            CPlayDlg play(m_wave, {{0, 0}, false, 200000}, output, m_ui);
            play.show();
            QTRY_COMPARE(output.Queued(), 2u);
            QVERIFY(output.CompleteNext());
            QElapsedTimer sinceCancel;
            sinceCancel.start();
            if (escape)
                QTest::keyClick(&play, Qt::Key_Escape);
            else
                Press(play, "Cancel");
            QVERIFY(play.isVisible());
            QCOMPARE(output.m_resetCount, 0);
            QTRY_VERIFY(!play.isVisible());
            QVERIFY(sinceCancel.elapsed() < 2 * CPlayDlg::kTickMs);
            QCOMPARE(output.m_resetCount, 1);
            QCOMPARE(output.m_closeCount, 1);
            QCOMPARE(output.Queued(), 0u);
            QCOMPARE(output.m_played.size(), std::size_t(kBuffer));
        }
    }

    void aPlayOrRecordingThatCannotStartIsReportedAndTheStoreIsUntouched() {
        struct Case {
            PlayRequest request;
            bool formatSupported;
            const char* message;
        };
        for (const Case& c : {Case{{{50, 50}, true, 20000}, true, "Play length zero!"},
                              Case{{{0, 0}, false, 20000}, false, "Sound format not supported!"}}) {
            m_ui.m_messages.clear();
            Out().m_formatSupported = c.formatSupported;
            CPlayDlg play(m_wave, c.request, Out(), m_ui);
            QElapsedTimer shown;
            shown.start();
            play.show();
            QTRY_VERIFY(!play.isVisible());
            QVERIFY(shown.elapsed() < CPlayDlg::kTickMs);
            QCOMPARE(m_ui.m_messages, std::vector<std::string>{c.message});
            QVERIFY(!Out().m_openFormat);
        }
        m_ui.m_messages.clear();
        In().m_openSucceeds = false;
        CRecordDlg record(m_wave, In(), m_ui);
        record.show();
        QTRY_VERIFY(!record.isVisible());
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"Failed to open sound device!"});
        ExpectStoreAsLoaded();
    }

    void recordOpensWithItsDefaultsAndFollowsTheLevel() {
        auto dialog = ShowRecordDlg();
        CRecordDlg& record = *dialog;
        CheckControlsAreNamedAndReachable(record);
        QVERIFY(Button(record, "Wait for trigger")->isChecked());
        QVERIFY(!Button(record, "Overload")->isChecked());
        QCOMPARE(Named<QSlider>(record, "Trigger threshold")->value(), 25);
        QCOMPARE(Named<QSlider>(record, "Trigger threshold")->maximum(), 100);
        QCOMPARE(Named<QProgressBar>(record, "Volume")->value(), 0);
        QCOMPARE(FieldText(record, "Length (s)") + FieldText(record, "Status") +
                     FieldText(record, "Samples"),
                 QStringLiteral("10stopped0"));
        QCOMPARE(Enabled(record), QStringList({"Wait for trigger", "Start record", "Exit"}));
        QVERIFY(qobject_cast<QPushButton*>(Button(record, "Exit"))->isDefault());

        // The meter, the overload and the threshold follow the level updates.
        auto* overload = Button(record, "Overload");
        Capture(record, Strike(0));
        QCOMPARE(Named<QProgressBar>(record, "Volume")->value(), 61);
        Capture(record, std::vector<std::int16_t>(kBuffer, 29492));
        QVERIFY(overload->isChecked());
        for (int update = 0; update < 10; ++update)  // how long it holds is the model's
            Capture(record, Silence());
        QVERIFY(!overload->isChecked());
        QCOMPARE(Named<QProgressBar>(record, "Volume")->value(), 0);
        // The indicator is only shown: the user cannot tick it.
        ClickBox(overload);
        overload->click();
        QVERIFY(!overload->isChecked());

        // The threshold counts from the next level update on, also while waiting.
        Press(record, "Start record");
        Named<QSlider>(record, "Trigger threshold")->setValue(50);  // level 16350
        Capture(record, Silence());
        Capture(record, std::vector<std::int16_t>(kBuffer, 16350));
        QCOMPARE(Field(record, "Status")->text(), QStringLiteral("wait for trigger"));
        Capture(record, std::vector<std::int16_t>(kBuffer, 16351));
        QCOMPARE(Field(record, "Status")->text(), QStringLiteral("recording..."));
    }

    void lengthsOutsideTheRangeAreRefusedAndTheStoreCountsAsEmpty() {
        auto dialog = ShowRecordDlg();
        CRecordDlg& record = *dialog;
        // Not a number: the prompt, and the length in force (10 s) is used.
        Type(Field(record, "Length (s)"), "ten");
        Press(record, "Start record");
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{CFieldExchange::DoublePrompt()});
        QCOMPARE(m_wave.m_sampleCount, 441000);
        Press(record, "Cancel record");
        for (const char* length : {"0", "20.01", "-3"}) {
            m_ui.m_messages.clear();
            m_wave.m_state = CWaveData::kFromFile;
            Type(Field(record, "Length (s)"), length);
            Press(record, "Start record");
            QCOMPARE(m_ui.m_messages, std::vector<std::string>{"Bad recording parameters!"});
            QCOMPARE(m_wave.m_state, CWaveData::kNoWaveform);
            QCOMPARE(m_wave.m_sampleCount, 441000);  // nothing new was started
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("stopped"));
        }
        Type(Field(record, "Length (s)"), "20");
        Press(record, "Start record");
        QCOMPARE(m_wave.m_sampleCount, 882000);
        // Less than one sample period: a recording of no samples, made by the next buffer.
        Press(record, "Cancel record");
        Button(record, "Wait for trigger")->setChecked(false);
        Type(Field(record, "Length (s)"), "0.00001");
        Press(record, "Start record");
        QCOMPARE(Field(record, "Status")->text(), QStringLiteral("recording..."));
        Capture(record, Silence());
        QCOMPARE(Field(record, "Status")->text(), QStringLiteral("stopped"));
        QCOMPARE(m_wave.m_sampleCount, 0);
        QCOMPARE(m_wave.m_state, CWaveData::kMadeHere);
    }

    void cancelRecordEscapeAndTheCloseBoxAbandonTheRecordingButKeepTheDialog() {
        auto dialog = ShowRecordDlg();
        CRecordDlg& record = *dialog;
        Type(Field(record, "Length (s)"), "1");
        ClickBox(Button(record, "Wait for trigger"));
        for (int way = 0; way < 3; ++way) {
            Press(record, "Start record");
            Capture(record, Distinct(kBuffer));
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("recording..."));
            if (way == 0)
                Press(record, "Cancel record");
            else if (way == 1)
                QTest::keyClick(Field(record, "Status"), Qt::Key_Escape);
            else
                record.close();
            QVERIFY(record.isVisible());
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("stopped"));
            QCOMPARE(m_wave.m_state, CWaveData::kNoWaveform);
            QVERIFY(Button(record, "Exit")->isEnabled());
        }
    }

    void exitLeavesTheStoreAsItWasAndDropsTheReportsOnTheirWay() {
        auto dialog = ShowRecordDlg();
        CRecordDlg& record = *dialog;
        Capture(record, Strike(0));
        QCOMPARE(In().Capture(Silence()), std::size_t(kBuffer));  // posted, not delivered
        Press(record, "Exit");
        QVERIFY(!record.isVisible());
        QCOMPARE(record.result(), int(QDialog::Accepted));
        QCOMPARE(In().m_closeCount, 1);
        QVERIFY(!In().m_openFormat);
        Deliver(record);
        QCOMPARE(Named<QProgressBar>(record, "Volume")->value(), 61);
        ExpectStoreAsLoaded();
    }

    void reportsStillQueuedWhenTheDialogGoesAreDropped() {
        auto dialog = ShowRecordDlg();
        ClickBox(Button(*dialog, "Wait for trigger"));
        Type(Field(*dialog, "Length (s)"), "0.1");
        Press(*dialog, "Start record");
        QCOMPARE(In().Capture(Distinct(kBuffer)), std::size_t(kBuffer));  // complete, queued
        dialog.reset();
        QCoreApplication::processEvents();
        QCOMPARE(In().m_closeCount, 1);
        QCOMPARE(m_wave.m_state, CWaveData::kNoWaveform);  // never marked recorded
    }

    void reportsFromTheDevicesThreadArriveOnTheDialogsThreadInOrder() {
        auto dialog = ShowRecordDlg();
        CRecordDlg& record = *dialog;
        ClickBox(Button(record, "Wait for trigger"));
        Type(Field(record, "Length (s)"), "0.5");
        Press(record, "Start record");
        const auto sound = Distinct(6 * kBuffer);
        std::thread device([&] { In().Capture(sound); });
        QTRY_COMPARE(Field(record, "Status")->text(), QStringLiteral("stopped"));
        device.join();
        Deliver(record);
        QCOMPARE(Field(record, "Samples")->text(), QStringLiteral("22050"));
        QCOMPARE(Stored(m_wave), std::vector<std::int16_t>(sound.begin(), sound.begin() + 22050));
        QCOMPARE(m_wave.m_fileName, std::string("Recorded"));
    }

    // The panel, with the file of m_loaded read into its document.
    std::unique_ptr<CMainDlg> ShowPanelWithWaveform() {
        auto panel = std::make_unique<CMainDlg>(m_ui, m_devices->Services(), VersionStrings{});
        panel->show();
        const std::string path = m_dir->File("bell.wav");
        WriteFileBytes(path, CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16(m_loaded)));
        m_ui.AnswerOpen(path);
        CModalAnswers answers;
        answers.Click("OK");
        Press(*panel, "Read Waveform");
        return panel;
    }

    static QStringList PanelFields(CMainDlg& panel) {
        return FieldTexts(
            panel, {"Filename:", "No. of Samples", "Sample Rate", "Start Sample", "End Sample"});
    }

    void playWaveformPlaysThePanelsTypedSelectionAfterTheSync() {
        auto panel = ShowPanelWithWaveform();
        Type(Field(*panel, "Start Sample"), "1000");
        Type(Field(*panel, "End Sample"), "5000");
        ClickBox(Button(*panel, "Play selected portion only"));
        {
            CModalAnswers answers;
            answers.Then([&](QDialog&) {
                QTRY_COMPARE(Out().Queued(), 1u);
                Out().CompleteAll();
            });
            Press(*panel, "Play Waveform");
            QCOMPARE(answers.Titles(), std::vector<QString>{"Play Waveform"});
        }
        QCOMPARE(Out().m_played,
                 std::vector<std::int16_t>(m_loaded.begin() + 1000, m_loaded.begin() + 5000));
        // The panel's selection went to the waveform first.
        QCOMPARE(panel->Document().m_wave.m_selStart, 1000);
        Type(Field(*panel, "End Sample"), "1000");
        Press(*panel, "Play Waveform");
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"Play length zero!"});
    }

    // Leaving the record dialog without a recording, or a device that cannot record, must not
    // cost the panel its waveform; a recording replaces it.
    void recordWaveformPutsOnlyARecordingOnThePanel() {
        auto panel = ShowPanelWithWaveform();
        const QStringList before = PanelFields(*panel);
        QCOMPARE(before.first(), QStringLiteral("bell.wav"));
        {
            CModalAnswers answers;
            answers.Then([&](QDialog& record) {
                QTRY_VERIFY(In().m_capturing);
                Capture(record, Strike(0));
                Press(record, "Exit");
            });
            Press(*panel, "Record Waveform");
        }
        QCOMPARE(PanelFields(*panel), before);
        QVERIFY(m_ui.m_messages.empty());
        In().m_formatSupported = false;
        Press(*panel, "Record Waveform");
        QCOMPARE(m_ui.m_messages, std::vector<std::string>{"Sound format not supported!"});
        QCOMPARE(PanelFields(*panel), before);
        QCOMPARE(Stored(panel->Document().m_wave), m_loaded);
        QVERIFY(Button(*panel, "Play Waveform")->isEnabled());

        In().m_formatSupported = true;
        CModalAnswers answers;
        answers.Then([&](QDialog& record) {
            QTRY_VERIFY(In().m_capturing);
            Type(Field(record, "Length (s)"), "0.3");  // 13230 samples
            Press(record, "Start record");
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("wait for trigger"));
            QCOMPARE(Enabled(record), QStringList({"Cancel record"}));
            Capture(record, Silence());
            Capture(record, Strike(500));
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("recording..."));
            QCOMPARE(Named<QProgressBar>(record, "Volume")->value(), 61);  // 20000 of 32768
            Capture(record, Distinct(kBuffer));
            QCOMPARE(Field(record, "Status")->text(), QStringLiteral("stopped"));
            QCOMPARE(Field(record, "Samples")->text(), QStringLiteral("13230"));
            QCOMPARE(Enabled(record), QStringList({"Wait for trigger", "Start record", "Exit"}));
            Press(record, "Exit");
        });
        Press(*panel, "Record Waveform");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Recording . . ."});
        QCOMPARE(PanelFields(*panel), QStringList({"Recorded", "13230", "44100", "500", "13230"}));
    }
};

QTEST_MAIN(SoundPanelTest)
#include "SoundPanelTest.moc"
