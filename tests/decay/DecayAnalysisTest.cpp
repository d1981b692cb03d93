#include "decay/DecayAnalysis.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

#include "partials/PartialData.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct Tone {
    double frequency;
    double amplitude;
    double decaySeconds;  // infinite for a steady tone
};

// Silence up to `onset`, then the tones, each dying away from the onset on.
std::vector<std::int16_t> Sound(std::int32_t rate, std::int32_t count, std::int32_t onset,
                                const std::vector<Tone>& tones) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count), 0);
    for (std::int32_t n = onset; n < count; ++n) {
        const double t = double(n - onset) / rate;
        double s = 0.0;
        for (const Tone& tone : tones)
            s += tone.amplitude * std::exp(-t / tone.decaySeconds) *
                 std::sin(2 * kPi * tone.frequency * t);
        samples[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(std::lround(s));
    }
    return samples;
}

CPartialData Table(const std::vector<double>& frequencies) {
    CPartialData table;
    for (double f : frequencies)
        table.AddPartial(f, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
    table.m_hasData = true;
    return table;
}

DecayWaveform Wave(const std::vector<std::int16_t>& samples, std::int32_t rate) {
    return {samples.data(), static_cast<std::int32_t>(samples.size()), rate};
}

// What the dialog does, without a window: each run started, waited for, finished and
// evaluated before the next.
void RunAll(CDecayAnalysis& analysis) {
    for (int run = 0; run < kDecayRuns; ++run) {
        ASSERT_EQ(analysis.CurrentRun(), run);
        ASSERT_TRUE(analysis.Start({})) << run;
        while (!analysis.IsDone())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        analysis.Finish();
        ASSERT_FALSE(analysis.Failed());
        ASSERT_TRUE(analysis.EvaluateRun()) << run;
        ASSERT_FALSE(analysis.EvaluateRun()) << "a run counts once";
    }
    ASSERT_TRUE(analysis.IsComplete());
}

// The peak the transform gives a tone that lies on a bin: the Hamming-weighted mean of its
// envelope over the 1 / interval seconds a run analyses, times amplitude / 128.
double PredictedPeak(const Tone& tone, std::int32_t rate, double interval) {
    const double e = rate / interval;
    double f = 1.0;
    while (f < e)
        f *= 2.0;
    const double step = e / f;
    const auto n = static_cast<std::int32_t>(f);
    double weighted = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double w = 0.54 - 0.46 * std::cos(2 * kPi * i / n);
        weighted += w * std::exp(-(i * step / rate) / tone.decaySeconds);
    }
    return tone.amplitude / 128.0 * weighted / (0.54 * n);
}

}  // namespace

TEST(DecaySettings, DefaultsFollowTheSampleRate) {
    const DecaySettings s = DefaultDecaySettings(1000, 44100, 1000000);
    EXPECT_EQ(s.m_startSample, 1000);
    EXPECT_EQ(s.m_endSample, 1000 + 5 * 44100);
    EXPECT_EQ(s.m_splashLength, 1102);
    EXPECT_EQ(s.m_tailLength, 8820);
    EXPECT_EQ(s.m_tailStep, 8820);
    // Fewer than five seconds after the start: up to the last sample.
    EXPECT_EQ(DefaultDecaySettings(1000, 44100, 221500).m_endSample, 221500);
    EXPECT_EQ(DefaultDecaySettings(1000, 44100, 221499).m_endSample, 221499);
    // A rate whose five seconds do not fit 32 bits still gives the count.
    EXPECT_EQ(
        DefaultDecaySettings(std::numeric_limits<std::int32_t>::max() - 5, 1 << 30, 7).m_endSample,
        7);
}

TEST(DecaySettings, ChecksAtTheirBoundaries) {
    const auto accepted = [](std::int32_t s, std::int32_t e, std::int32_t p, std::int32_t l,
                             std::int32_t t, std::int32_t count) {
        return CheckDecaySettings({s, e, p, l, t}, count);
    };
    EXPECT_TRUE(accepted(0, 100, 5, 10, 30, 100));   // (100 - 0 - 10) / 30 = 3, E = N
    EXPECT_FALSE(accepted(0, 101, 5, 10, 30, 100));  // E beyond N
    EXPECT_FALSE(accepted(0, 99, 5, 10, 30, 100));   // 89 / 30 = 2
    EXPECT_FALSE(accepted(-1, 100, 5, 10, 29, 100));
    EXPECT_FALSE(accepted(0, -1, 5, 10, 30, 100));
    EXPECT_FALSE(accepted(0, 100, 10, 10, 30, 100));  // splash = tail
    EXPECT_TRUE(accepted(0, 100, 9, 10, 30, 100));
    EXPECT_FALSE(accepted(0, 100, -1, 10, 30, 100));
    EXPECT_FALSE(accepted(0, 100, -2, -1, 30, 100));
    EXPECT_FALSE(accepted(0, 100, 5, 10, 0, 100));  // tail step 0
    EXPECT_FALSE(accepted(0, 100, 5, 10, -30, 100));
    EXPECT_FALSE(accepted(50, 10, 5, 10, 1, 100));  // a start after the end
    // No difference overflows.
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_TRUE(accepted(0, big, 0, big - 3, 1, big));
    EXPECT_FALSE(accepted(0, big, 0, big - 2, 1, big));

    // The defaults pass only with four tail lengths of samples after the start.
    const std::int32_t rate = 44100;
    const std::int32_t start = 500;
    const std::int32_t fourTails = 4 * 8820;
    EXPECT_TRUE(CheckDecaySettings(DefaultDecaySettings(start, rate, start + fourTails),
                                   start + fourTails));
    EXPECT_FALSE(CheckDecaySettings(DefaultDecaySettings(start, rate, start + fourTails - 1),
                                    start + fourTails - 1));
}

TEST(DecayBand, HoldsMPlusOneValuesBelowTheBaseAndMAbove) {
    // At 20 Hz, m = 1: a partial at 501 Hz has base index 25, band 23 .. 26. At 1 Hz, m = 20:
    // base 500, band 479 .. 520.
    for (auto [interval, first, last] : {std::tuple{20.0, 23, 26}, {1.0, 479, 520}}) {
        const std::int32_t steps = 600;
        std::vector<double> values(steps + 1, 0.0);
        int counted = 0;
        for (std::int32_t k = 0; k <= steps; ++k) {
            values[static_cast<std::size_t>(k)] = 1.0 + k;
            const double peak = BandPeak(values.data(), steps, 501.0, interval);
            values[static_cast<std::size_t>(k)] = 0.0;
            const bool inBand = k >= first && k <= last;
            EXPECT_EQ(peak, inBand ? 1.0 + k : 0.0) << interval << " " << k;
            counted += inBand;
        }
        EXPECT_EQ(counted, last - first + 1);
    }
}

TEST(DecayBand, UsesThePartOfTheBandThatExists) {
    std::vector<double> values(41, 0.0);
    const std::int32_t steps = 40;
    // 5 Hz at 1 Hz: base 4, band -17 .. 24, of which 0 .. 24 exists.
    values[0] = 3.0;
    values[24] = 2.0;
    values[25] = 9.0;
    EXPECT_EQ(BandPeak(values.data(), steps, 5.0, 1.0), 3.0);
    values[0] = 0.0;
    EXPECT_EQ(BandPeak(values.data(), steps, 5.0, 1.0), 2.0);
    // Near the top: base 38, band 17 .. 58, of which 17 .. 40 exists.
    values[40] = 7.0;
    EXPECT_EQ(BandPeak(values.data(), steps, 39.0, 1.0), 9.0);
    // A band of zeros, and partials wholly off the grid, read 0.
    std::vector<double> zeros(41, 0.0);
    EXPECT_EQ(BandPeak(zeros.data(), steps, 20.0, 1.0), 0.0);
    for (double f : {500.0, -500.0, 1e300, -1e300, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(BandPeak(values.data(), steps, f, 1.0), 0.0) << f;
}

TEST(DecayAnalysis, RefusesWhatTheWaveformCannotGive) {
    const std::int32_t rate = 11025;
    const std::vector<std::int16_t> samples(2 * rate, 100);
    const DecayWaveform wave = Wave(samples, rate);
    const CPartialData table = Table({200.0, 400.0});
    const SampleRange whole{0, 2 * rate};
    CDecayAnalysis analysis;
    EXPECT_TRUE(analysis.Prepare(wave, whole, table));
    EXPECT_DOUBLE_EQ(analysis.TopFrequency(), 420.0);

    // The selection must lie within the waveform's own samples.
    for (SampleRange bad : {SampleRange{0, 2 * rate + 1}, SampleRange{-1, 100},
                            SampleRange{100, 100}, SampleRange{200, 100}})
        EXPECT_FALSE(CDecayAnalysis().Prepare(wave, bad, table))
            << bad.m_startSample << " " << bad.m_endSample;

    // Only noise values held: no partial to look for.
    CPartialData noiseOnly;
    noiseOnly.m_hasData = true;
    noiseOnly.m_noiseTailAmp = 3.0;
    EXPECT_FALSE(CDecayAnalysis().Prepare(wave, whole, noiseOnly));

    // The top must stay within half the rate (5512 Hz here, as the panel counts it).
    EXPECT_TRUE(CDecayAnalysis().Prepare(wave, whole, Table({200.0, 5492.0})));
    EXPECT_FALSE(CDecayAnalysis().Prepare(wave, whole, Table({200.0, 5492.5})));
    EXPECT_FALSE(CDecayAnalysis().Prepare(wave, whole, Table({200.0, 20000.0})));

    // At a very high rate the 1 Hz run would have more steps than a transform may.
    const std::int32_t highRate = 400000;
    const std::vector<std::int16_t> high(1000, 0);
    EXPECT_TRUE(CDecayAnalysis().Prepare(Wave(high, highRate), {0, 1000}, Table({99980.0})));
    EXPECT_FALSE(CDecayAnalysis().Prepare(Wave(high, highRate), {0, 1000}, Table({99982.0})));

    // A refused preparation leaves the one before in place.
    EXPECT_FALSE(analysis.Prepare(wave, whole, noiseOnly));
    EXPECT_EQ(analysis.PartialCount(), 2);
}

TEST(DecayAnalysis, RunsTheSeventeenIntervalsOverTheSelection) {
    const std::int32_t rate = 8000;
    const std::vector<std::int16_t> samples(3 * rate, 0);
    CDecayAnalysis analysis;
    ASSERT_TRUE(analysis.Prepare(Wave(samples, rate), {1000, 9000}, Table({250.0, 990.0})));
    for (int run = 0; run < kDecayRuns; ++run) {
        const TransformRequest r = analysis.RunRequest(run);
        EXPECT_EQ(r.m_startFreq, 1.0);
        EXPECT_EQ(r.m_endFreq, 1010.0);
        EXPECT_EQ(r.m_interval, kDecayIntervals[static_cast<std::size_t>(run)]);
        EXPECT_EQ(r.m_steps, static_cast<std::int32_t>(1010.0 / r.m_interval));
        EXPECT_EQ(r.m_startSample, 1000);
        EXPECT_EQ(r.m_endSample, 9000);
        EXPECT_EQ(r.m_sampleRate, rate);
    }
    EXPECT_EQ(analysis.RunRequest(0).m_steps, 50);
    EXPECT_EQ(analysis.RunRequest(1).m_steps, 59);
    EXPECT_EQ(analysis.RunRequest(16).m_steps, 1010);

    // The progress counts FFT stages against 17 times those of the first run (e = 400, 9
    // stages); the finer runs have up to 13, so the figure ends past 100: the 13 of the last
    // run and 170 of the runs after the first, against 153.
    EXPECT_EQ(analysis.PercentDone(), 0);
    RunAll(analysis);
    EXPECT_EQ(analysis.PercentDone(), 119);

    // Silence everywhere: every peak is 0.
    for (int p = 0; p < analysis.PartialCount(); ++p)
        for (int run = 0; run < kDecayRuns; ++run)
            EXPECT_EQ(analysis.Peak(p, run), 0.0);
    EXPECT_FALSE(analysis.Start({})) << "seventeen runs only";
}

TEST(DecayAnalysis, PeaksFollowEachPartialsEnvelopeAsTheWindowLengthens) {
    // 360 and 720 Hz lie on a bin of every interval but 17, 14, 13, 11 and 7 Hz. The steady
    // tone reads amplitude / 128 in every such run; the dying one reads the weighted mean
    // of its envelope over the 1 / interval seconds the run analyses, less and less.
    const std::int32_t rate = 16000;
    const std::int32_t onset = 800;
    const Tone steady{360.0, 8000.0, std::numeric_limits<double>::infinity()};
    const Tone dying{720.0, 12000.0, 0.25};
    const auto samples = Sound(rate, onset + 2 * rate, onset, {steady, dying});
    CDecayAnalysis analysis;
    ASSERT_TRUE(analysis.Prepare(Wave(samples, rate), {onset, onset + 2 * rate},
                                 Table({steady.frequency, dying.frequency})));
    RunAll(analysis);

    double previous = std::numeric_limits<double>::infinity();
    for (int run = 0; run < kDecayRuns; ++run) {
        const double interval = kDecayIntervals[static_cast<std::size_t>(run)];
        const bool onBin = std::fmod(360.0, interval) == 0.0;
        const double steadyPeak = analysis.Peak(0, run);
        const double dyingPeak = analysis.Peak(1, run);
        if (onBin) {
            EXPECT_NEAR(steadyPeak, PredictedPeak(steady, rate, interval),
                        0.01 * steady.amplitude / 128)
                << interval;
            const double predicted = PredictedPeak(dying, rate, interval);
            EXPECT_NEAR(dyingPeak, predicted, 0.02 * predicted) << interval;
            EXPECT_LT(dyingPeak, previous) << interval;
            previous = dyingPeak;
        } else {
            // Between two bins the window loses at most 1.75 dB.
            EXPECT_GT(steadyPeak, 0.8 * steady.amplitude / 128) << interval;
            EXPECT_LT(steadyPeak, 1.01 * steady.amplitude / 128) << interval;
        }
    }
    EXPECT_LT(analysis.Peak(1, 16), 0.3 * analysis.Peak(1, 0));
}

TEST(DecayAnalysis, ClosePartialsMayShareOnePeak) {
    // 500 and 510 Hz are within each other's band: at 20 Hz their bands hold the bins of 440
    // .. 500 and 460 .. 520 Hz, and the one tone at 500 Hz is the peak of both.
    const std::int32_t rate = 8000;
    const auto samples = Sound(rate, rate, 0, {{500.0, 10000.0, 1e9}});
    CDecayAnalysis analysis;
    ASSERT_TRUE(analysis.Prepare(Wave(samples, rate), {0, rate}, Table({500.0, 510.0})));
    RunAll(analysis);
    EXPECT_EQ(analysis.Peak(0, 0), analysis.Peak(1, 0));
    EXPECT_GT(analysis.Peak(0, 0), 70.0);
}

TEST(DecayAnalysis, CancelAndFailureLeaveNoRunToEvaluate) {
    const std::int32_t rate = 44100;
    const std::vector<std::int16_t> samples(5 * rate, 1000);
    const CPartialData table = Table({400.0, 5000.0});
    {
        CDecayAnalysis analysis;
        ASSERT_TRUE(analysis.Prepare(Wave(samples, rate), {0, 5 * rate}, table));
        ASSERT_TRUE(analysis.Start({}));
        analysis.RequestCancel();
        while (!analysis.IsDone())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        analysis.Finish();
        EXPECT_TRUE(analysis.CancelRequested());
        EXPECT_FALSE(analysis.EvaluateRun());
        EXPECT_EQ(analysis.CurrentRun(), 0);
        EXPECT_FALSE(analysis.IsComplete());
    }
    {
        // The memory for a run's FFT is lacking: done at once, failed, nothing to evaluate.
        CDecayAnalysis analysis;
        ASSERT_TRUE(analysis.Prepare(Wave(samples, rate), {0, 5 * rate}, table));
        analysis.Spectrum().m_job.m_allocateBuffer = [](std::size_t) {
            return std::unique_ptr<double[]>();
        };
        EXPECT_FALSE(analysis.Start({}));
        EXPECT_TRUE(analysis.IsDone());
        EXPECT_TRUE(analysis.Failed());
        analysis.Finish();
        EXPECT_FALSE(analysis.EvaluateRun());
        EXPECT_FALSE(analysis.IsComplete());
    }
    {
        // Nothing prepared: nothing to start.
        CDecayAnalysis analysis;
        EXPECT_FALSE(analysis.Start({}));
        EXPECT_TRUE(analysis.Failed());
        EXPECT_FALSE(analysis.EvaluateRun());
    }
}
