// Times one transform from Start to the done flag, as the progress dialog sees it, and the
// maximum and smoothing the dialog runs afterwards, for the panel's default grid and for the
// largest grids the panel accepts. Prints the minimum, median and maximum of several runs.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <thread>
#include <vector>

#include "transform/TransformData.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char* name;
    double start;
    double end;
    double interval;
    std::int32_t seconds;
    int runs;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A decaying bell-like mix of partials, so the window and FFT see realistic numbers.
std::vector<std::int16_t> Recording(std::int32_t rate, std::int32_t seconds) {
    const double partials[] = {220.0, 440.0, 528.0, 660.0, 880.0, 1320.0, 1760.0};
    std::vector<std::int16_t> samples(static_cast<std::size_t>(rate) * seconds);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double s = 0.0;
        for (double f : partials)
            s += std::sin(2 * std::numbers::pi * f * t) * std::exp(-t * f / 2000);
        samples[i] = static_cast<std::int16_t>(s * 4000.0);
    }
    return samples;
}

void Run(const Case& c) {
    constexpr std::int32_t kRate = 44100;
    const auto samples = Recording(kRate, c.seconds);
    TransformRequest p;
    p.m_sampleRate = kRate;
    p.m_startFreq = c.start;
    p.m_endFreq = c.end;
    p.m_interval = c.interval;
    p.m_startSample = 0;
    p.m_endSample = static_cast<std::int32_t>(samples.size());
    p.RecomputeSteps();
    const auto steps = CheckTransformParams(p, p.m_endSample, kRate);
    if (!steps) {
        std::printf("%s: refused by the panel's checks\n", c.name);
        return;
    }
    p.m_steps = *steps;
    const auto g = ComputeFftGeometry(kRate, c.interval, 0, p.m_endSample);

    std::vector<double> job;
    std::vector<double> after;
    CTransformData data;
    for (int r = 0; r < c.runs; ++r) {
        data.Allocate(p.m_steps, p.m_startFreq, p.m_endFreq, p.m_interval);
        const auto t0 = Clock::now();
        data.m_job.Start(p, samples.data(), p.m_endSample);
        while (!data.m_job.IsDone())
            std::this_thread::yield();
        const auto t1 = Clock::now();
        data.m_job.Finish();
        data.FindMaximum();
        data.m_smoothedValid = data.Smooth(kRate, p.m_endSample);
        const auto t2 = Clock::now();
        if (data.m_job.Failed()) {
            std::printf("%s: the job failed\n", c.name);
            return;
        }
        job.push_back(Ms(t1 - t0));
        after.push_back(Ms(t2 - t1));
    }
    std::sort(job.begin(), job.end());
    std::sort(after.begin(), after.end());
    std::printf(
        "%-34s steps %6d  f %8d (%2d stages)  N %8d | Start to done: min %7.1f  median %7.1f  "
        "max %7.1f ms | finish, maximum, smoothing: median %5.1f ms\n",
        c.name, p.m_steps, g->m_fftSize, g->m_fftStages, g->m_points, job.front(),
        job[job.size() / 2], job.back(), after[after.size() / 2]);
}

}  // namespace

int main() {
    const Case cases[] = {
        {"default grid, 0-5000 Hz at 0.5 Hz", 0.0, 5000.0, 0.5, 5, 15},
        {"100001 steps, 0.125 Hz, 5 s", 0.0, 12500.125, 0.125, 5, 15},
        {"100001 steps, 0.125 Hz, 10 s", 0.0, 12500.125, 0.125, 10, 15},
        {"100001 steps, 0.05 Hz, 30 s", 0.0, 5000.05, 0.05, 30, 9},
        {"longest FFT, 2^24 points, 400 s", 1000.0, 1001.0, 44100.0 / (1 << 24), 400, 3},
    };
    std::printf("hardware threads: %u\n", std::thread::hardware_concurrency());
    for (const Case& c : cases)
        Run(c);
    return 0;
}
