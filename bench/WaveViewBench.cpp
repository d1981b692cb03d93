// Times the waveform view's redraw computation, the min/max envelope of every pixel column,
// on a 10-minute recording at 44.1 kHz in a 600-column view: at the largest scale (every
// sample read once per redraw), and at the opening scale for comparison. Dragging and
// auto-scrolling redraw on every event, so this is what decides whether they feel smooth.
// Prints the minimum, median and maximum of several runs.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "view/WaveViewModel.h"
#include "wave/SampleRange.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 600;
constexpr int kWidth = 600;
constexpr int kHeight = 300;

// A struck bell: a few partials, each decaying at its own rate, restruck every 20 s.
std::vector<std::int16_t> Recording() {
    const double partials[] = {220.0, 440.0, 528.0, 660.0, 880.0, 1320.0, 1760.0};
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * kSeconds);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i % (20 * kRate)) / kRate;
        const double at = static_cast<double>(i) / kRate;
        double s = 0.0;
        for (double f : partials)
            s += std::sin(2 * std::numbers::pi * f * at) * std::exp(-t * f / 2000);
        samples[i] = static_cast<std::int16_t>(s * 4000.0);
    }
    return samples;
}

void Time(const char* name, CWaveViewModel& model, const std::vector<std::int16_t>& samples,
          int runs) {
    std::vector<CWaveViewModel::Column> columns;
    std::vector<double> ms;
    long checksum = 0;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        model.ComputeColumns(samples.data(), columns);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        for (const auto& c : columns)
            checksum += c.hi - c.lo + (c.selected ? 1 : 0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s %9d per column  min %7.3f ms  median %7.3f ms  max %7.3f ms  (%ld)\n", name,
                model.m_samplesPerColumn, ms.front(), ms[ms.size() / 2], ms.back(), checksum);
}

}  // namespace

int main() {
    const auto samples = Recording();
    SampleRange params;
    params.m_startSample = static_cast<std::int32_t>(samples.size() / 4);
    params.m_endSample = static_cast<std::int32_t>(samples.size() / 2);
    CWaveViewModel model(static_cast<std::int32_t>(samples.size()), params);
    model.SetGeometry({10, 40, 10 + kWidth + 2, 40 + kHeight + 2}, kWidth, kHeight);

    std::printf("%zu samples (%d s at %d Hz), %d columns\n", samples.size(), kSeconds, kRate,
                kWidth);
    Time("opening scale", model, samples, 50);
    // Step the Scale button up to its largest value before it wraps to 1.
    while (true) {
        const std::int32_t before = model.m_samplesPerColumn;
        model.Scale();
        if (model.m_samplesPerColumn < before) {
            while (model.m_samplesPerColumn != before)
                model.Scale();
            break;
        }
    }
    Time("largest scale (whole recording in view)", model, samples, 50);
    return 0;
}
