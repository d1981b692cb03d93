#include "decay/DecayAnalysis.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <thread>
#include <tuple>
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

TEST(DecaySettings, DefaultsFromTheRateAndChecksAtTheirBoundaries) {
    // The default end stops at the waveform's end.
    EXPECT_EQ(DefaultDecaySettings(1000, 44100, 221499).m_endSample, 221499);
    // start, end, splash, tail, step against 100 samples
    for (auto [s, e, p, l, t, ok] : {std::tuple{0, 100, 5, 10, 30, true},  // 90 / 30 = 3, E = N
                                     {0, 101, 5, 10, 30, false},           // E beyond N
                                     {0, 99, 5, 10, 30, false},            // 89 / 30 = 2
                                     {-1, 100, 5, 10, 29, false},
                                     {0, -1, 5, 10, 30, false},
                                     {0, 100, 10, 10, 30, false},  // splash = tail
                                     {0, 100, -1, 10, 30, false},
                                     {0, 100, 5, 10, 0, false},  // tail step 0
                                     {50, 10, 5, 10, 1, false}})
        EXPECT_EQ(CheckDecaySettings({s, e, p, l, t}, 100), ok) << s << " " << e << " " << t;
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();  // no overflow
    EXPECT_TRUE(CheckDecaySettings({0, big, 0, big - 3, 1}, big));
    EXPECT_FALSE(CheckDecaySettings({0, big, 0, big - 2, 1}, big));
}

TEST(DecayBand, HoldsTheBandAroundThePartialThatExists) {
    // At 20 Hz, m = 1: a partial at 501 Hz has base index 25, band 23 .. 26 (4 values). At
    // 1 Hz, m = 20: base 500, band 479 .. 520 (42 values).
    for (auto [interval, first, last] : {std::tuple{20.0, 23, 26}, {1.0, 479, 520}}) {
        std::vector<double> values(601, 0.0);
        for (std::int32_t k = 0; k <= 600; ++k) {
            values[static_cast<std::size_t>(k)] = 1.0 + k;
            const bool inBand = k >= first && k <= last;
            EXPECT_EQ(BandPeak(values.data(), 600, 501.0, interval), inBand ? 1.0 + k : 0.0)
                << interval << " " << k;
            values[static_cast<std::size_t>(k)] = 0.0;
        }
    }
    std::vector<double> values(41, 0.0);
    values[0] = 3.0;
    values[25] = 9.0;
    // 5 Hz at 1 Hz: band -17 .. 24, of which 0 .. 24 exists; 39 Hz: 17 .. 58, of which 17 .. 40.
    EXPECT_EQ(BandPeak(values.data(), 40, 5.0, 1.0), 3.0);
    EXPECT_EQ(BandPeak(values.data(), 40, 39.0, 1.0), 9.0);
    // Partials at 41 and 61 Hz, at 20 Hz: bands 0 .. 3 and 1 .. 4 share their strongest value.
    values[2] = 5.0;
    EXPECT_EQ(BandPeak(values.data(), 40, 41.0, 20.0), 5.0);
    EXPECT_EQ(BandPeak(values.data(), 40, 61.0, 20.0), 5.0);
    // Partials off the grid read nothing.
    for (double f : {500.0, -500.0, 1e300, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(BandPeak(values.data(), 40, f, 1.0), 0.0) << f;
}

TEST(DecayAnalysis, RefusesWhatTheWaveformCannotGive) {
    const std::int32_t rate = 11025;
    const std::vector<std::int16_t> samples(2 * rate, 100);
    const DecayWaveform wave = Wave(samples, rate);
    const CPartialData table = Table({200.0, 400.0});
    const SampleRange whole{0, 2 * rate};
    CDecayAnalysis analysis;
    EXPECT_TRUE(analysis.Prepare(wave, whole, table));
    EXPECT_DOUBLE_EQ(analysis.TopFrequency(), 420.0);  // 20 Hz above the highest partial

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
    const TransformRequest first = analysis.RunRequest(0);
    EXPECT_EQ(std::tuple(first.m_startFreq, first.m_endFreq, first.m_steps, first.m_startSample,
                         first.m_endSample),
              std::tuple(1.0, 740.0, 37, onset, onset + 2 * rate));
    EXPECT_EQ(analysis.PercentDone(), 0);
    RunAll(analysis);
    // FFT stages against 17 times the 10 of the first run; the finer runs have up to 14, so
    // the figure ends past 100: the 14 of the last run and 186 of the runs after the first.
    EXPECT_EQ(analysis.PercentDone(), 117);
    EXPECT_FALSE(analysis.Start({})) << "seventeen runs only";

    double previous = std::numeric_limits<double>::infinity();
    for (int run = 0; run < kDecayRuns; ++run) {
        const double interval = kDecayIntervals[static_cast<std::size_t>(run)];
        const double steadyPeak = analysis.Peak(0, run), dyingPeak = analysis.Peak(1, run);
        if (std::fmod(360.0, interval) == 0.0) {
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
