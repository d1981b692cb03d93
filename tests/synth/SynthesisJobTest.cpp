#include "synth/SynthesisJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "wave/WaveData.h"

namespace {

// The synthesis written out step by step as it is defined, for samples of the job to be
// checked against to the bit.
struct Expected {
    std::vector<double> mix;
    std::vector<std::int16_t> samples;
};

Expected Synthesize(const CPartialData& p, int rate, int length, double g, int volume) {
    const int n = p.m_count;
    std::vector<double> gain(n), shape(n), prev(n), prevPrev(n), twoCos(n);
    for (int j = 0; j < n; ++j) {
        shape[j] = p.m_decay[j] != 0 ? 1 / p.m_decay[j] - 2 * p.m_attack[j] : 10000.0;
        gain[j] = (2 * p.m_attack[j] + shape[j]) * p.m_tailAmp[j];
        const double omega = 6.283185307179586 * p.m_freq[j] / rate;
        prev[j] = std::sin(omega);
        twoCos[j] = 2 * std::cos(omega);
    }
    const double noiseAttack = p.m_noiseAttack;
    const double noiseShape =
        p.m_noiseDecay != 0 ? 1 / p.m_noiseDecay - 2 * p.m_noiseAttack : 10000.0;
    const double noiseGain = (2 * p.m_noiseAttack + noiseShape) * p.m_noiseTailAmp;

    Expected e{std::vector<double>(length), std::vector<std::int16_t>(length)};
    int seed = 1;
    double peak = 0;
    for (int i = 1; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        double s = 0;
        for (int j = 0; j < n; ++j) {
            const double a = p.m_attack[j];
            const double env =
                t * gain[j] / (a * a + t * (t + shape[j])) + p.m_splashAmp[j] / (t * g + 1);
            const double y = twoCos[j] * prev[j] - prevPrev[j];
            prevPrev[j] = prev[j];
            prev[j] = y;
            s = s + env * y;
        }
        seed = 16807 * (seed % 127773) - 2836 * (seed / 127773);
        if (seed <= 0)
            seed = seed + 2147483647;
        const double en = t * noiseGain / (noiseAttack * noiseAttack + t * (t + noiseShape)) +
                          p.m_noiseSplashAmp / (t * g + 1);
        e.mix[i] = s + (seed - 1073741824) / 2147483647.0 * en * 2;
        if (std::fabs(e.mix[i]) > peak)
            peak = std::fabs(e.mix[i]);
    }
    // (A sample without a finite value has no defined 16-bit value: none is given here.)
    for (int i = 0; i < length; ++i)
        e.samples[i] = peak == 0 || !std::isfinite(e.mix[i])
                           ? 0
                           : static_cast<std::int16_t>(volume * 327.67 / peak * e.mix[i]);
    return e;
}

SynthesisSettings Settings(int choice, int length, double splashDecay = 10.0, int volume = 75) {
    SynthesisSettings s;
    s.m_createRateChoice = choice;
    s.m_createNumSamples = length;
    s.m_createSplashDecay = splashDecay;
    s.m_createVolume = volume;
    return s;
}

class SynthesisJobTest : public ::testing::Test {
  protected:
    CWaveData m_wave;
    CPartialData m_table;
    SynthesisJob m_job{m_wave, m_table};
    std::vector<double> m_mix;  // the job's unscaled samples, kept from its last run

    // Runs a synthesis to its end and finishes it; false when it would not start.
    bool Run(const SynthesisSettings& settings) {
        if (!m_job.Prepare(settings) || !m_job.Start({}))
            return false;
        while (!m_job.IsDone())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_mix.assign(m_job.m_mix.get(), m_job.m_mix.get() + m_job.m_length);
        m_job.Finish();
        return true;
    }

    std::vector<std::int16_t> Samples() const {
        return {m_wave.m_samples.get(), m_wave.m_samples.get() + m_wave.m_sampleCount};
    }

    int Loudest() const {
        int loudest = 0;
        for (const auto s : Samples())
            loudest = std::max(loudest, std::abs(static_cast<int>(s)));
        return loudest;
    }

    // A waveform as if read from a file, to see what a refused synthesis leaves of it.
    void HoldFileWaveform() {
        ASSERT_TRUE(m_wave.CreateEmpty(8000, 500, 16));
        m_wave.m_samples[7] = 1234;
        m_wave.m_fileName = "/bells/tenor.wav";
        m_wave.m_selStart = 10;
        m_wave.m_state = CWaveData::kFromFile;
    }
};

TEST_F(SynthesisJobTest, EverySampleIsTheDefinedArithmeticToTheBit) {
    m_table.AddPartial(220.5, 0.3, 1.0, 0.0, 2.5, CPartialData::kHum);
    m_table.AddPartial(441.25, 0.0, 0.7, 0.05, 0.0, CPartialData::kPrime);
    m_table.AddPartial(1234.5, 1.5, 0.4, 0.2, 0.8, CPartialData::kNominal);
    m_table.m_noiseSplashAmp = 0.05;
    m_table.m_noiseTailAmp = 0.02;
    m_table.m_noiseAttack = 0.01;
    m_table.m_noiseDecay = 0.5;
    // Choice 7 is out of range: the lowest rate. The same table gives the same waveform every
    // time, the noise starting afresh, so choice 2 twice gives the same samples too.
    for (const auto& [choice, rate] :
         {std::pair{0, 11025}, {1, 22050}, {2, 44100}, {7, 11025}, {2, 44100}}) {
        SCOPED_TRACE(choice);
        ASSERT_TRUE(Run(Settings(choice, 6000, 7.5, 63)));
        const Expected e = Synthesize(m_table, rate, 6000, 7.5, 63);
        EXPECT_EQ(m_mix, e.mix);
        EXPECT_EQ(Samples(), e.samples);
        EXPECT_EQ(m_wave.m_format.m_samplesPerSec, static_cast<std::uint32_t>(rate));
    }
    EXPECT_EQ(std::tuple(m_wave.m_state, m_wave.m_fileName, m_wave.m_selStart, m_wave.m_selEnd),
              std::tuple(CWaveData::kMadeHere, "Modified", 0, 6000));

    // Splash only, held by a splash decay of 0: the mix is the minimal standard generator.
    m_table = CPartialData();
    m_table.m_noiseSplashAmp = 1.0;
    ASSERT_TRUE(Run(Settings(0, 4, 0.0)));
    const double sequence[] = {16807, 282475249, 1622650073};
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(m_mix[i], (sequence[i - 1] - 1073741824) / 2147483647.0 * 1.0 * 2);
}

TEST_F(SynthesisJobTest, EnvelopesHaveTheirShape) {
    // A partial at a quarter of the rate is +-1 at every other sample, so the mix shows its
    // envelope there: sample i is at t = i / 44100 and sounds sin((i + 1) pi / 2).
    const auto envelopeAt = [this](double t) {
        const int i = static_cast<int>(std::lround(t * 44100));
        EXPECT_EQ(i % 2, 0) << "t " << t;
        return std::fabs(m_mix[i]);
    };
    m_table.AddPartial(11025.0, 0.0, 2.0, 0.5, 2.0, CPartialData::kNominal);
    ASSERT_TRUE(Run(Settings(2, 3 * 44100 + 2)));
    EXPECT_NEAR(envelopeAt(0.5), 2.0, 1e-9);  // the tail amplitude at the attack time
    EXPECT_LT(envelopeAt(0.1), 0.5);
    EXPECT_NEAR(envelopeAt(3.0) / 2.0, 1.5 / (6.25 + 1.5), 1e-9);  // about a fifth

    // Without a decay the tail holds near its amplitude from the first milliseconds on.
    m_table.m_decay[0] = 0.0;
    ASSERT_TRUE(Run(Settings(2, 18 * 44100 + 2)));
    EXPECT_GT(envelopeAt(0.02) / 2.0, 0.95);
    EXPECT_NEAR(envelopeAt(18.0) / 2.0, 0.998, 0.001);

    // A splash decay of 0 holds the splash; 10 halves it after a tenth of a second.
    m_table.m_tailAmp[0] = 0.0;
    m_table.m_splashAmp[0] = 3.0;
    ASSERT_TRUE(Run(Settings(2, 44100 + 2, 0.0)));
    EXPECT_NEAR(envelopeAt(1.0), 3.0, 1e-9);
    ASSERT_TRUE(Run(Settings(2, 44100 + 2, 10.0)));
    EXPECT_NEAR(envelopeAt(0.1), 1.5, 1e-9);
}

TEST_F(SynthesisJobTest, UnusableSettingsLeaveTheWaveformAlone) {
    HoldFileWaveform();
    const std::int16_t* samples = m_wave.m_samples.get();
    // 2 000 000 000 samples would ask for 16 GB of mix buffer: refused before allocating.
    const SynthesisSettings refused[] = {Settings(2, 0), Settings(2, -5),
                                         Settings(2, SynthesisJob::kMaxLength + 1),
                                         Settings(2, 2000000000), Settings(2, 1000, -0.001)};
    for (const auto& settings : refused) {
        EXPECT_FALSE(m_job.Prepare(settings));
        EXPECT_EQ(m_job.GetFailure(), SynthesisJob::Failure::kBadParams);
    }
    m_job.m_allocateBuffer = [](std::size_t) { return std::unique_ptr<double[]>(); };
    EXPECT_FALSE(m_job.Prepare(Settings(2, 1000)));
    EXPECT_EQ(m_job.GetFailure(), SynthesisJob::Failure::kNoMemory);
    m_job.Finish();

    EXPECT_EQ(std::tuple(m_wave.m_samples.get(), m_wave.m_samples[7], m_wave.m_sampleCount,
                         m_wave.m_selStart, m_wave.m_fileName, m_wave.m_state,
                         m_wave.m_format.m_samplesPerSec),
              std::tuple(samples, 1234, 500, 10, "/bells/tenor.wav", CWaveData::kFromFile, 8000u));
}

TEST_F(SynthesisJobTest, CancelOrAbandonLeavesNoWaveform) {
    for (int i = 0; i < CPartialData::kMaxPartials; ++i)
        m_table.AddPartial(100.0 + 37.0 * i, 0.1, 1.0, 0.01, 1.0, CPartialData::kUnnamed);
    for (const bool cancel : {true, false}) {
        HoldFileWaveform();
        ASSERT_TRUE(m_job.Prepare(Settings(2, 4000000)));
        EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);  // while the job runs
        ASSERT_TRUE(m_job.Start({}));
        if (cancel) {
            m_job.RequestCancel();
            while (!m_job.IsDone())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_LT(m_job.PercentDone(), 100);
        }
        m_job.Finish();  // without cancel: given up while running
        EXPECT_FALSE(m_job.IsRunning());
        EXPECT_EQ(std::tuple(m_wave.m_state, m_wave.m_sampleCount, m_wave.m_selStart,
                             m_wave.m_selEnd, m_wave.m_fileName, m_wave.m_format.m_samplesPerSec),
                  std::tuple(CWaveData::kNoWaveform, 0, 0, 0, "No file loaded", 0u));
    }
}

TEST_F(SynthesisJobTest, SilenceAndSamplesWithoutAValueDoNotSpoilTheScaling) {
    // No rows and no noise: silence, still a waveform.
    ASSERT_TRUE(Run(Settings(2, 1000)));
    EXPECT_EQ(std::pair(Loudest(), m_wave.m_state), std::pair(0, CWaveData::kMadeHere));

    // A negative decay puts a pole in the tail: 1 / -0.5 - 0 gives the shape -2, so the
    // denominator t (t - 2) is 0 at t = 2 s, sample 22050 at 11025 per second.
    m_table.AddPartial(440.0, 0.0, 1.0, 0.0, 1.0, CPartialData::kPrime);
    m_table.AddPartial(1000.0, 0.0, 1.0, 0.0, 0.5, CPartialData::kNominal);
    m_table.m_decay[1] = -0.5;  // as typed in Edit Partials or read from a file
    ASSERT_TRUE(Run(Settings(0, 30000, 10.0, 100)));
    EXPECT_FALSE(std::isfinite(Synthesize(m_table, 11025, 30000, 10.0, 100).mix[22050]));
    EXPECT_EQ(m_mix[22050], 0.0);
    EXPECT_EQ(Samples()[22050], 0);
    EXPECT_GE(Loudest(), 32766);  // the finite samples are still normalised

    // Amplitudes so small that the scaling overflows: the loudest samples stay in range.
    CPartialData tiny;
    tiny.AddPartial(440.0, 0.0, 1e-320, 0.0, 0.0, CPartialData::kNominal);
    m_table = tiny;
    ASSERT_TRUE(Run(Settings(2, 1000, 10.0, 100)));
    EXPECT_EQ(Samples()[0], 0);
    EXPECT_GE(Loudest(), 32766);
}

}  // namespace
