#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QtTest>
#include <cstdlib>

#include "support/WavBuilder.h"
#include "support/gui/DialogTestTools.h"
#include "support/gui/ModalAnswer.h"
#include "support/gui/PanelHarness.h"
#include "synth/gui/CreateWaveDlg.h"

namespace {

// A bell on 880 Hz: hum, prime, tierce, quint, nominal, superquint and octave nominal.
void FillBell(CPartialData& table) {
    const double rows[][5] = {{220, 2, 30, 0, 3},  {440, 2, 20, 0, 2.5}, {528, 2, 25, 0, 2},
                              {660, 1, 5, 0, 1.5}, {880, 4, 40, 0, 1.5}, {1320, 2, 10, 0, 1},
                              {1760, 2, 8, 0, 0.8}};
    for (const auto& r : rows)
        table.AddPartial(r[0], r[1], r[2], r[3], r[4], CPartialData::kUnnamed);
    table.m_noiseSplashAmp = 0.5;
    table.m_noiseDecay = 0.2;
}

// The list of rates. A screen reader on Linux names a drop-down list by the label that
// points at it (its own name is the item shown), so that is how it is found here.
QComboBox* RateList(QDialog& d) {
    for (auto* label : d.findChildren<QLabel*>())
        if (label->text() == QStringLiteral("Sample rate (Hz)"))
            return qobject_cast<QComboBox*>(label->buddy());
    return nullptr;
}

// The stretch dialog's fields: measured, desired, cents and factor.
QStringList Fields(QDialog& d) {
    QStringList texts;
    for (const char* name :
         {"Measured freq. (Hz)", "Desired freq.(Hz)", "Desired stretch (cents)", "Stretch factor"})
        texts << FieldText(d, name);
    return texts;
}

int Loudest(const CWaveData& wave) {
    int loudest = 0;
    for (int i = 0; i < wave.m_sampleCount; ++i)
        loudest = std::max(loudest, std::abs(static_cast<int>(wave.m_samples[i])));
    return loudest;
}

}  // namespace

class SynthPanelTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CPanelHarness> m_harness;

    CAnalysisDoc& Doc() { return m_harness->Doc(); }
    CMainDlg& Panel() { return m_harness->m_panel; }
    CScriptedUiServices& Ui() { return m_harness->m_ui; }
    std::string FileIn(const char* name) const { return m_harness->m_dir.File(name); }
    QString PanelText(const char* name) { return Field(Panel(), name)->text(); }

    // The table filled, and the panel's buttons following it (the editor closed at once).
    void TypeBell() {
        FillBell(Doc().m_partials);
        CModalAnswers answers;
        Press(Panel(), "View / Edit Partials");
        QVERIFY(Button(Panel(), "Create Waveform")->isEnabled());
    }

    // Opens Create Waveform, lets answer act in it, and returns the titles of the dialogs.
    std::vector<QString> Create(CModalAnswers::Action answer) {
        CModalAnswers answers;
        answers.Then(std::move(answer));
        Ui().m_messages.clear();
        Press(Panel(), "Create Waveform");
        return answers.Titles();
    }

    // A waveform of the given length made with the default settings otherwise.
    void CreateOf(int samples) {
        Create([samples](QDialog& d) {
            Type(Field(d, "Number of samples"), QString::number(samples));
            Press(d, "Go");
        });
        QCOMPARE(Doc().m_wave.m_sampleCount, samples);
    }

    void Load(int samples) {
        std::vector<std::int16_t> ramp(samples);
        for (int i = 0; i < samples; ++i)
            ramp[i] = static_cast<std::int16_t>(i % 20000);
        const std::string path = FileIn("ramp.wav");
        WriteFileBytes(path, CWavBuilder::Pcm(1, 44100, 16, CWavBuilder::Samples16(ramp)));
        Ui().AnswerOpen(path);
        CModalAnswers answers;
        answers.Click("OK");
        Press(Panel(), "Read Waveform");
        QCOMPARE(PanelText("No. of Samples"), QString::number(samples));
    }

    // Opens Increase Freq. and lets answer act in the stretch dialog.
    void Stretch(CModalAnswers::Action answer) {
        CModalAnswers answers;
        answers.Then(std::move(answer));
        Ui().m_messages.clear();
        Press(Panel(), "Increase Freq.");
        QCOMPARE(answers.Titles(), std::vector<QString>{"Expand / Compress waveform"});
    }

  private slots:
    void init() { m_harness = std::make_unique<CPanelHarness>(); }
    void cleanup() { m_harness.reset(); }

    void goBuildsTheWaveformAndTheSettingsStay() {
        QVERIFY(!Button(Panel(), "Create Waveform")->isEnabled());
        TypeBell();
        const auto titles = Create([](QDialog& d) {
            CheckControlsAreNamedAndReachable(d);
            auto* rate = RateList(d);
            QVERIFY(rate != nullptr && (rate->focusPolicy() & Qt::TabFocus));
            QCOMPARE(rate->currentText(), QStringLiteral("44100"));
            QCOMPARE(FieldText(d, "Number of samples") + " " + FieldText(d, "Splash decay"),
                     QStringLiteral("200000 10"));
            QCOMPARE(Named<QSlider>(d, "Volume")->value(), 75);
            // The list and the slider set as an assistive tool does, by index and value.
            rate->setCurrentIndex(1);
            Named<QSlider>(d, "Volume")->setValue(100);
            Type(Field(d, "Number of samples"), "50000");
            Type(Field(d, "Splash decay"), "2.5");
            Press(d, "Go");
        });
        QCOMPARE(titles, std::vector<QString>{"Create Waveform"});
        QVERIFY(Ui().m_messages.empty());
        QCOMPARE(FieldTexts(Panel(), {"No. of Samples", "Sample Rate", "Start Sample", "End Sample",
                                      "Filename:", "Freq. incr. (%)"}),
                 QStringList({"50000", "22050", "0", "50000", "Modified", "100"}));
        QCOMPARE(Doc().m_wave.m_state, CWaveData::kMadeHere);
        QVERIFY(Loudest(Doc().m_wave) >= 32766);
        for (const char* name : {"Increase Freq.", "Write Waveform", "Play Waveform"})
            QVERIFY2(Button(Panel(), name)->isEnabled(), name);

        // The next opening shows what was entered; refused parameters keep the dialog open,
        // and Cancel then changes nothing.
        const std::int16_t* samples = Doc().m_wave.m_samples.get();
        std::vector<std::string> messages;
        Create([&](QDialog& d) {
            QCOMPARE(RateList(d)->currentText(), QStringLiteral("22050"));
            QCOMPARE(FieldText(d, "Number of samples") + " " + FieldText(d, "Splash decay"),
                     QStringLiteral("50000 2.5"));
            QCOMPARE(Named<QSlider>(d, "Volume")->value(), 100);
            const std::pair<const char*, const char*> refused[] = {{"0", "10"},
                                                                   {"-5", "10"},
                                                                   {"2000000000", "10"},
                                                                   {"67108865", "10"},
                                                                   {"1000", "-0.5"}};
            for (const auto& [count, decay] : refused) {
                Type(Field(d, "Number of samples"), count);
                Type(Field(d, "Splash decay"), decay);
                Press(d, "Go");
                QVERIFY2(d.isVisible() && Button(d, "Go")->isEnabled(), count);
            }
            // Not a number: prompted for, and Go goes on with the negative decay held.
            Type(Field(d, "Splash decay"), "x");
            Press(d, "Go");
            messages = Ui().m_messages;
            Named<QSlider>(d, "Volume")->setValue(5);
            Press(d, "Cancel");
        });
        std::vector<std::string> expected(5, "Bad parameters!");
        expected.insert(expected.end(), {"Please enter a number.", "Bad parameters!"});
        QCOMPARE(messages, expected);
        QCOMPARE(Doc().m_wave.m_samples.get(), samples);
        QCOMPARE(Doc().m_params.m_createVolume, 100);
        QCOMPARE(FieldTexts(Panel(), {"Filename:", "No. of Samples"}),
                 QStringList({"Modified", "50000"}));
    }

    void cancelLeavesNoWaveformBehind() {
        TypeBell();
        CreateOf(30000);
        // Two million samples take long enough for Cancel to land while they are computed.
        bool disabledWhileRunning = false;
        bool openAfterEscape = false;
        const auto titles = Create([&](QDialog& d) {
            Type(Field(d, "Number of samples"), "2000000");
            Press(d, "Go");
            disabledWhileRunning =
                !Button(d, "Go")->isEnabled() && !Field(d, "Number of samples")->isEnabled() &&
                !Named<QSlider>(d, "Volume")->isEnabled() && Button(d, "Cancel")->isEnabled();
            static_cast<CCreateWaveDlg&>(d).OnGo();  // refused: one job at a time
            QTest::keyClick(&d, Qt::Key_Escape);
            openAfterEscape = d.isVisible();
        });
        QCOMPARE(titles, std::vector<QString>{"Create Waveform"});
        QVERIFY(disabledWhileRunning);
        QVERIFY(openAfterEscape);
        QVERIFY(Ui().m_messages.empty());
        // Neither the created waveform before nor the cancelled one: nothing.
        QCOMPARE(FieldTexts(Panel(), {"No. of Samples", "Sample Rate", "Start Sample", "End Sample",
                                      "Filename:", "Freq. incr. (%)"}),
                 QStringList({"0", "0", "0", "0", "No file loaded", "100"}));
        QCOMPARE(Doc().m_wave.m_state, CWaveData::kNoWaveform);
        for (const char* name : {"Increase Freq.", "Write Waveform", "Play Waveform"})
            QVERIFY2(!Button(Panel(), name)->isEnabled(), name);
        QVERIFY(Button(Panel(), "Create Waveform")->isEnabled());
    }

    void aDialogClosedWhileItRunsLeavesNoWaveform() {
        CWaveData wave;
        QVERIFY(wave.CreateEmpty(44100, 1000, 16));
        wave.m_state = CWaveData::kFromFile;
        CPartialData table;
        FillBell(table);
        SynthesisSettings settings;
        settings.m_createNumSamples = 4000000;
        {
            CCreateWaveDlg dialog(wave, table, settings, Ui());
            dialog.show();
            dialog.OnGo();
            QVERIFY(dialog.IsRunning());
        }
        QCOMPARE(wave.m_state, CWaveData::kNoWaveform);
        QCOMPARE(wave.m_sampleCount, 0);
        QCOMPARE(wave.m_fileName, std::string("No file loaded"));
    }

    void increaseFreqStretchesTheWaveform() {
        Load(44100);
        Stretch([](QDialog& d) {
            CheckControlsAreNamedAndReachable(d);
            // Without a nominal both frequencies start at 440 Hz.
            QCOMPARE(Fields(d), QStringList({"440", "440", "0", "1"}));
            Press(d, "Go");
            QVERIFY(d.isVisible());
            Type(Field(d, "Measured freq. (Hz)"), "500");
            Type(Field(d, "Desired freq.(Hz)"), "510");
            Press(d, "Calc. from freq");
            QCOMPARE(Fields(d), QStringList({"500", "510", "34.2829826361251", "1.02"}));
            Press(d, "Go");
        });
        QCOMPARE(Ui().m_messages, std::vector<std::string>{"stretch factor is 1.0!"});
        QCOMPARE(FieldTexts(Panel(), {"No. of Samples", "End Sample", "Freq. incr. (%)",
                                      "Filename:", "Sample Rate"}),
                 QStringList({"43235", "43235", "102", "Stretched", "44100"}));
        QCOMPARE(Doc().m_params.m_fileTitle, std::string("Stretched"));
        QCOMPARE(Doc().m_wave.m_state, CWaveData::kMadeHere);

        // Every refusal keeps the dialog open; Cancel then leaves the waveform as it was.
        Doc().m_params.m_nominal = 500.0;
        std::vector<std::string> messages;
        Stretch([&](QDialog& d) {
            Type(Field(d, "Desired stretch (cents)"), "100");
            Press(d, "Calc. from cents");
            // A field shows every digit its value needs to read back as itself.
            QCOMPARE(Fields(d),
                     QStringList({"500", "529.7315471796477", "100", "1.0594630943592953"}));
            Type(Field(d, "Desired freq.(Hz)"), "0");
            Press(d, "Calc. from freq");
            Type(Field(d, "Measured freq. (Hz)"), "-1");
            Press(d, "Calc. from cents");
            for (const char* factor : {"1.501", "0.669"}) {
                Type(Field(d, "Stretch factor"), factor);
                Press(d, "Go");
            }
            QVERIFY(d.isVisible());
            messages = Ui().m_messages;
            Press(d, "Cancel");
        });
        const std::vector<std::string> expected = {"bad values entered!", "bad value entered!",
                                                   "Bad parameters!", "Bad parameters!"};
        QCOMPARE(messages, expected);
        QCOMPARE(PanelText("No. of Samples"), QStringLiteral("43235"));
        QCOMPARE(PanelText("Freq. incr. (%)"), QStringLiteral("102"));

        // Both ends of the range are allowed; the percentages multiply.
        Stretch([](QDialog& d) {
            Type(Field(d, "Stretch factor"), "1.5");
            Press(d, "Go");
        });
        QCOMPARE(PanelText("No. of Samples"), QStringLiteral("28823"));
        QCOMPARE(PanelText("Freq. incr. (%)"), QStringLiteral("153"));
    }

    void aCreatedBellIsNamedAgain() {
        TypeBell();
        const std::string par = FileIn("bell.par");
        const std::string wav = FileIn("bell.wav");
        Ui().AnswerSave(par);
        Press(Panel(), "Write Partials");
        Doc().m_partials.Clear();
        Ui().AnswerOpen(par);
        Press(Panel(), "Read Partials");
        QCOMPARE(Doc().m_partials.m_count, std::int16_t(7));

        Create([](QDialog& d) { Press(d, "Go"); });
        Ui().AnswerSave(wav);
        Press(Panel(), "Write Waveform");
        QVERIFY(Ui().m_messages.empty());

        Doc().m_partials.Clear();
        Ui().AnswerOpen(wav);
        CModalAnswers answers;
        answers.Then([](QDialog&) {});  // the transform runs to its end
        Press(Panel(), "Analyse File");
        QCOMPARE(answers.Titles(),
                 (std::vector<QString>{"Transforms", "Transforms and partials selection"}));
        QVERIFY2(Ui().m_messages.empty(), Ui().LastMessage().c_str());
        QVERIFY(std::abs(Doc().m_params.m_nominal - 880.0) <= Doc().m_params.m_interval);
    }
};

QTEST_MAIN(SynthPanelTest)
#include "SynthPanelTest.moc"
