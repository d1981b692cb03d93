#include "transform/TransformData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

TransformRequest Grid(std::int32_t rate, double start, double end, double interval,
                      std::int32_t startSample, std::int32_t endSample) {
    TransformRequest p;
    p.m_sampleRate = rate;
    p.m_startFreq = start;
    p.m_endFreq = end;
    p.m_interval = interval;
    p.RecomputeSteps();
    p.m_startSample = startSample;
    p.m_endSample = endSample;
    return p;
}

std::vector<std::int16_t> Sine(std::int32_t rate, double frequency, double amplitude,
                               std::int32_t count) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        s[i] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * kPi * frequency * i / rate)));
    return s;
}

std::vector<std::int16_t> Noise(std::int32_t count, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> dist(-20000, 20000);
    std::vector<std::int16_t> s(static_cast<std::size_t>(count));
    for (auto& v : s)
        v = static_cast<std::int16_t>(dist(gen));
    return s;
}

bool WaitDone(const CTransformJob& job) {
    for (int ms = 0; ms < 60000 && !job.IsDone(); ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return job.IsDone();
}

bool AllocateFor(CTransformData& data, const TransformRequest& p) {
    return data.Allocate(p.m_steps, p.m_startFreq, p.m_endFreq, p.m_interval);
}

// What the panel and the progress dialog do: allocate, run, wait, finish, maximum, smooth.
void Compute(CTransformData& data, const TransformRequest& p,
             const std::vector<std::int16_t>& samples) {
    ASSERT_TRUE(AllocateFor(data, p));
    ASSERT_TRUE(data.m_job.Start(p, samples.data(), static_cast<std::int32_t>(samples.size())));
    ASSERT_TRUE(WaitDone(data.m_job));
    data.m_job.Finish();
    ASSERT_FALSE(data.m_job.CancelRequested());
    ASSERT_FALSE(data.m_job.Failed());
    data.FindMaximum();
    data.m_smoothedValid = data.Smooth(p.m_sampleRate, p.m_endSample - p.m_startSample);
    data.m_valid = true;
}

// Bin k of the windowed points by the transform's definition: exp(+2 pi i j k / f), Hamming
// window of period N, scale 1 / (N * 0.54 * 64).
double DirectBin(const std::vector<double>& points, std::int32_t f, std::int32_t k) {
    const auto n = static_cast<std::int32_t>(points.size());
    std::complex<double> sum = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double w = 0.54 - 0.46 * std::cos(2 * kPi * i / n);
        sum += points[i] * w * std::polar(1.0, 2 * kPi * double(i) * k / f);
    }
    return std::abs(sum) / (n * 0.54 * 64);
}

// A decaying mix of sawtooth partials with a little noise, made with integers only so that
// the input is the same on every machine.
std::vector<std::int16_t> Partials(std::int32_t count) {
    const std::int32_t periods[] = {401, 200, 167, 133, 100, 67, 50, 29};
    std::vector<std::int16_t> s(static_cast<std::size_t>(count));
    std::uint32_t noise = 12345;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t v = 0;
        for (std::int32_t p : periods) {
            const std::int32_t amplitude = 3000 >> std::min(12, i / (40000 + 300 * p));
            v += amplitude * (2 * (i % p) - p) / p;
        }
        noise = noise * 1664525u + 1013904223u;
        v += static_cast<std::int32_t>(noise >> 24) - 128;
        s[i] = static_cast<std::int16_t>(v);
    }
    return s;
}

// FNV-1a over the bit patterns of the values, the smoothed copy and both maxima.
std::uint64_t Checksum(const CTransformData& data) {
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&hash](double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (bits >> (8 * byte)) & 0xff;
            hash *= 1099511628211ull;
        }
    };
    for (std::int32_t j = 0; j <= data.m_steps; ++j)
        add(data.m_values[j]);
    for (std::int32_t j = 0; data.m_smoothedValid && j <= data.m_steps; ++j)
        add(data.m_smoothed[j]);
    add(data.m_maxValue);
    add(data.m_maxSmoothed);
    return hash;
}

}  // namespace

TEST(TransformGeometry, BinWidthEqualsTheInterval) {
    // rate, interval, selection -> f, log2 f, step e / f, points N
    for (auto [rate, interval, first, last, size, stages, step, points] :
         {std::tuple{44100, 1.0, 0, 100000, 65536, 16, 0.67291259765625, 65536},  // first e only
          {44100, 0.5, 0, 50000, 131072, 17, 0.67291259765625, 74303},  // the rest zero padding
          {16384, 1.0, 10, 1010, 16384, 14, 1.0, 1000}}) {              // e a power of two
        const auto g = ComputeFftGeometry(rate, interval, first, last);
        ASSERT_TRUE(g) << rate << " " << interval;
        EXPECT_EQ(g->m_fftSize, size);
        EXPECT_EQ(g->m_fftStages, stages);
        EXPECT_DOUBLE_EQ(g->m_step, step);
        EXPECT_EQ(g->m_points, points);
    }
    EXPECT_TRUE(ComputeFftGeometry(44100, 44100.0 / (1 << 24), 0, 10));  // f = 2^24
    EXPECT_FALSE(ComputeFftGeometry(44100, 44100.0 / (1 << 24) * 0.999, 0, 10));
    EXPECT_FALSE(ComputeFftGeometry(44100, 1e-300, 0, 10));
    EXPECT_FALSE(ComputeFftGeometry(44100, 0.0, 0, 10));
    EXPECT_FALSE(ComputeFftGeometry(0, 1.0, 0, 10));
    EXPECT_FALSE(ComputeFftGeometry(44100, 1.0, 10, 10));
}

TEST(TransformEngine, MatchesTheDirectTransformOfTheWindowedSamples) {
    // e = 64 is a power of two: step 1, the samples are taken unchanged.
    const auto noise = Noise(64, 1);
    CTransformData plain;
    Compute(plain, Grid(64, 0.0, 32.0, 1.0, 0, 64), noise);
    for (std::int32_t k = 0; k <= 32; ++k)
        EXPECT_NEAR(plain.m_values[k], DirectBin({noise.begin(), noise.end()}, 64, k), 1e-9) << k;

    // Resampled by linear interpolation: e = 100, f = 128, every 0.78125 samples, 128 points
    // of a 300-sample selection that starts at sample 50; value j is bin 10 + j.
    const auto samples = Noise(400, 2);
    CTransformData data;
    Compute(data, Grid(100, 10.0, 50.0, 1.0, 50, 350), samples);
    std::vector<double> points(128);
    for (int i = 0; i < 128; ++i) {
        const double x = i * 0.78125;
        const int k = static_cast<int>(x);
        points[i] = samples[50 + k] + (samples[51 + k] - samples[50 + k]) * (x - k);
    }
    for (std::int32_t j = 0; j <= 40; ++j)
        EXPECT_NEAR(data.m_values[j], DirectBin(points, 128, 10 + j), 1e-9) << "value " << j;
}

TEST(TransformEngine, ValuesStayExactlyAsComputed) {
    // Bit for bit as the program has always computed them: any change to the resampling,
    // window, FFT or smoothing arithmetic shows here.
    const struct {
        std::int32_t rate;
        double start, end, interval;
        std::int32_t first, last;
        std::uint64_t checksum;
    } grids[] = {
        // 2^17, the panel's defaults; 2^19 and 2^20 with 100001 steps
        {44100, 0.0, 5000.0, 0.5, 0, 220500, 0xf4158c5895dbf0fe},
        {44100, 0.0, 12500.125, 0.125, 1000, 442000, 0x6aeea4040ec7f6c4},
        {44100, 0.0, 5000.05, 0.05, 0, 900000, 0xede1d89d5390d5c4},
        // 2^17 from a start off the grid, zero padded
        {48000, 1000.3, 3000.0, 0.7, 12345, 108345, 0x2a29057011593b32},
        // 2^15 with step 1 up to the store's end
        {32768, 0.0, 2000.0, 1.0, 907232, 940000, 0xcad00833282a0bb3},
        // 2^14; 2^8 with too few steps to smooth
        {22050, 100.0, 4000.0, 2.5, 5000, 9000, 0x2b9c4152e657d7b4},
        {8000, 50.0, 150.0, 50.0, 0, 160, 0x0c2022e0227e362e},
    };
    const auto samples = Partials(940000);
    for (const auto& g : grids) {
        CTransformData data;
        Compute(data, Grid(g.rate, g.start, g.end, g.interval, g.first, g.last),
                std::vector<std::int16_t>(samples.begin(), samples.begin() + g.last));
        EXPECT_EQ(Checksum(data), g.checksum)
            << std::hex << "0x" << Checksum(data) << std::dec << " for " << g.start << "-" << g.end
            << " at " << g.interval << " Hz";
    }
}

TEST(TransformEngine, SelectionEndingAtTheStoreEndReadsNothingBeyondIt) {
    // With step 1 the last point asks for the sample at the end index; the store has exactly
    // 1000 samples, so a read beyond them is caught by the address sanitizer.
    const auto samples = Noise(1000, 3);
    CTransformData data, resampled;
    Compute(data, Grid(16384, 0.0, 8000.0, 1.0, 0, 1000), samples);
    // The same with a resampling step below 1 and the whole store.
    Compute(resampled, Grid(11025, 0.0, 5000.0, 1.0, 0, 1000), samples);
    EXPECT_TRUE(std::isfinite(resampled.m_maxValue));
    EXPECT_GT(resampled.m_maxValue, 0.0);
}

TEST(TransformSmooth, NeedsTwoHundredStepsAndAUsableSelection) {
    CTransformData data;
    EXPECT_FALSE(data.Smooth(44100, 1000));  // nothing allocated
    for (std::int32_t steps : {199, 200}) {
        ASSERT_TRUE(data.Allocate(steps, 0.0, steps, 1.0));
        std::fill(data.m_values.get(), data.m_values.get() + steps + 1, 1.0);
        EXPECT_EQ(data.Smooth(44100, 1000), steps == 200) << steps;
    }
    EXPECT_FALSE(data.Smooth(0, 1000));
    EXPECT_FALSE(data.Smooth(44100, 0));
    EXPECT_TRUE(data.Smooth(1, 1));

    // A constant shows the cut-off kernel at both ends.
    constexpr std::int32_t steps = 300;
    const double c = 3.0;
    ASSERT_TRUE(data.Allocate(steps, 0.0, 300.0, 1.0));
    std::fill(data.m_values.get(), data.m_values.get() + steps + 1, c);
    ASSERT_TRUE(data.Smooth(44100, 44100));

    const double expected[] = {0.527, 0.913, 1.087};
    const std::int32_t at[] = {0, 8, 17};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(data.m_smoothed[at[i]], expected[i] * c, 0.001 * c) << at[i];
        EXPECT_NEAR(data.m_smoothed[steps - at[i]], expected[i] * c, 0.001 * c) << at[i];
    }
    for (std::int32_t q = 32; q <= steps - 32; ++q)
        ASSERT_NEAR(data.m_smoothed[q], c, 1e-6 * c);
    EXPECT_NEAR(data.m_maxSmoothed,
                *std::max_element(data.m_smoothed.get(), data.m_smoothed.get() + steps + 1), 0.0);
    EXPECT_GT(data.m_maxSmoothed, 1.08 * c);
}

TEST(TransformJob, CountsOneStepPerFftStageAndASecondStartsOnlyAfterFinish) {
    const auto samples = Sine(44100, 1000.0, 4000.0, 50000);
    CTransformData data;
    const auto first = Grid(44100, 900.0, 1100.0, 1.0, 0, 50000);
    const auto second = Grid(44100, 500.0, 1500.0, 2.0, 0, 50000);
    ASSERT_TRUE(AllocateFor(data, first));
    ASSERT_TRUE(data.m_job.Start(first, samples.data(), 50000));
    EXPECT_EQ(data.m_job.TotalStages(), 16);
    EXPECT_FALSE(data.m_job.Start(second, samples.data(), 50000));  // running: refused
    EXPECT_FALSE(data.m_job.Failed());
    ASSERT_TRUE(WaitDone(data.m_job));
    EXPECT_EQ(data.m_job.Progress(), 16);
    EXPECT_EQ(data.m_job.PercentDone(), 100);
    EXPECT_FALSE(data.m_job.Start(second, samples.data(), 50000));  // done, not yet finished
    data.m_job.Finish();
    EXPECT_EQ(data.m_job.m_fftBuffer, nullptr);

    ASSERT_TRUE(AllocateFor(data, second));
    ASSERT_TRUE(data.m_job.Start(second, samples.data(), 50000));
    ASSERT_TRUE(WaitDone(data.m_job));
    EXPECT_FALSE(data.m_job.CancelRequested());
    data.m_job.Finish();
    data.FindMaximum();
    EXPECT_EQ(data.m_maxValue, data.m_values[250]);  // 1000 Hz on the 2 Hz grid from 500
}

TEST(TransformJob, CancelBeforeTheFirstStageStillWritesMagnitudes) {
    const auto samples = Noise(5000, 4);
    CTransformData data;
    const auto p = Grid(44100, 0.0, 5000.0, 1.0, 0, 5000);
    ASSERT_TRUE(AllocateFor(data, p));
    std::fill(data.m_values.get(), data.m_values.get() + p.m_steps + 1,
              std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(data.m_job.Prepare(p, samples.data(), 5000));
    WorkerFlags flags;
    flags.m_cancel = true;
    CTransformJob::TransformWorker(data.m_job, flags);
    EXPECT_EQ(flags.m_progress, 0);
    for (std::int32_t j = 0; j <= p.m_steps; ++j)
        ASSERT_TRUE(std::isfinite(data.m_values[j]));
    data.m_job.Finish();

    // On the thread: a cancel reaches done, and the job reports it to the dialog.
    ASSERT_TRUE(data.m_job.Start(p, samples.data(), 5000));
    data.m_job.RequestCancel();
    ASSERT_TRUE(WaitDone(data.m_job));
    EXPECT_TRUE(data.m_job.CancelRequested());
    EXPECT_LE(data.m_job.Progress(), data.m_job.TotalStages());
    data.m_job.Finish();
}

TEST(TransformJob, BadSettingsAndLackOfMemoryEndTheJobAsFailed) {
    const auto samples = Noise(2000, 6);
    CTransformData data;
    const auto good = Grid(44100, 0.0, 100.0, 1.0, 0, 2000);
    ASSERT_TRUE(AllocateFor(data, good));
    const auto refused = [&](const TransformRequest& p) {
        const bool started = data.m_job.Start(p, samples.data(), 2000);
        const bool badParams = data.m_job.GetFailure() == CTransformJob::Failure::kBadParams;
        data.m_job.Finish();
        return !started && badParams && !data.m_job.OutOfMemory();
    };
    // More steps than held, before the store, beyond it, empty, bins beyond the FFT.
    for (const auto& p :
         {Grid(44100, 0.0, 200.0, 1.0, 0, 2000), Grid(44100, 0.0, 100.0, 1.0, -1, 2000),
          Grid(44100, 0.0, 100.0, 1.0, 0, 2001), Grid(44100, 0.0, 100.0, 1.0, 100, 100),
          Grid(1000, 950.0, 1050.0, 1.0, 0, 2000)})
        EXPECT_TRUE(refused(p)) << p.m_startSample << " " << p.m_endSample;
    CTransformData empty;
    EXPECT_FALSE(empty.m_job.Start(good, samples.data(), 2000));
    EXPECT_TRUE(empty.m_job.IsDone());

    data.m_job.m_allocateBuffer = [](std::size_t) { return std::unique_ptr<double[]>(); };
    EXPECT_FALSE(data.m_job.Start(good, samples.data(), 2000));
    EXPECT_EQ(std::pair(data.m_job.IsDone(), data.m_job.OutOfMemory()), std::pair(true, true));
    data.m_job.Finish();
    EXPECT_TRUE(data.m_job.OutOfMemory());  // still there for the panel to see
    data.m_job.m_allocateBuffer = &CTransformJob::AllocateBuffer;
    ASSERT_TRUE(data.m_job.Start(good, samples.data(), 2000));
    EXPECT_FALSE(data.m_job.Failed());
    ASSERT_TRUE(WaitDone(data.m_job));
    data.m_job.Finish();
}

TEST(TransformJob, ReallocatingOrDestroyingDuringAJobStopsItFirst) {
    const auto samples = Noise(200000, 7);
    const auto p = Grid(44100, 0.0, 5000.0, 0.05, 0, 200000);  // f = 2^20
    {
        CTransformData data;
        ASSERT_TRUE(AllocateFor(data, p));
        ASSERT_TRUE(data.m_job.Start(p, samples.data(), 200000));
    }
    CTransformData data;
    ASSERT_TRUE(AllocateFor(data, p));
    ASSERT_TRUE(data.m_job.Start(p, samples.data(), 200000));
    ASSERT_TRUE(data.Allocate(10, 0.0, 10.0, 1.0));
    EXPECT_FALSE(data.m_job.IsRunning());
    EXPECT_EQ(data.m_steps, 10);
}

TEST(TransformParams, PanelChecksAndTheirBoundaries) {
    const std::int32_t count = 220500;
    const auto base = Grid(44100, 0.0, 5000.0, 0.5, 0, count);
    EXPECT_EQ(CheckTransformParams(base, count, 44100), 10000);
    EXPECT_FALSE(CheckTransformParams(base, 0, 0));  // no waveform
    EXPECT_EQ(CheckTransformParams(Grid(44100, 0.0, 12500.125, 0.125, 0, count), count, 44100),
              100001);
    EXPECT_FALSE(CheckTransformParams(Grid(44101, 0.0, 22050.5, 1.0, 0, count), count, 44101));
    // FFTs longer than 2^24 points, even on few steps; e = 2^24 exactly is the last allowed.
    const double atLimit = 44100.0 / (1 << 24);
    const auto tiny = Grid(44100, 4999.99, 5000.0, 0.0001, 0, count);
    ASSERT_GT(tiny.m_steps, 0);
    ASSERT_LE(tiny.m_steps, kMaxTransformSteps);
    const auto edited = [&](auto edit) {
        auto p = base;
        edit(p);
        return p;
    };
    const std::pair<TransformRequest, bool> cases[] = {
        {Grid(44100, 0.0, 12500.25, 0.125, 0, count), false},  // 100002 steps
        {Grid(44100, 0.0, 22050.0, 1.0, 0, count), true},
        {Grid(44100, 0.0, 22050.5, 1.0, 0, count), false},
        {Grid(44100, 0.0, 5000.0, 0.5, 0, count + 1), false},
        {Grid(44100, 0.0, 5000.0, 0.5, 1000, 1000), false},
        {Grid(44100, 0.0, 5000.0, 0.5, -1, 1000), false},  // before the sample array
        {tiny, false},
        {Grid(44100, 1000.0, 1001.0, atLimit, 0, count), true},
        {Grid(44100, 1000.0, 1001.0, atLimit * 0.99, 0, count), false},
        {edited([](auto& p) { p.m_startFreq = -1.0; }), false},
        {edited([](auto& p) { p.m_endFreq = 0.0; }), false},
        {edited([](auto& p) { p.m_interval = 0.0; }), false},  // steps keep their value
        {edited([](auto& p) { p.m_steps = 0; }), false},
        {edited([](auto& p) { p.m_steps = std::numeric_limits<std::int32_t>::min(); }), false},
        {edited([](auto& p) { p.m_startFreq = std::nan(""); }), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CheckTransformParams(cases[i].first, count, 44100).has_value(), cases[i].second)
            << "case " << i;
}
