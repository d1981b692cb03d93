// Times the transform view's per-redraw computation (every pixel column's peak, partial mark
// and cursor test) on a 100001-step transform with a full partial table, at the largest
// scale (the whole transform in one plot width) and at scale 1, and the cursor placement a
// click or the spin does. Prints the minimum, median and maximum of many runs.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "partials/PartialData.h"
#include "transform/TransformData.h"
#include "view/TransformViewModel.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 640;  // the dialog's plot
constexpr int kHeight = 300;
constexpr int kRuns = 200;

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(const char* what, std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    std::printf("%-44s min %8.1f us  median %8.1f us  max %8.1f us\n", what, times.front(),
                times[times.size() / 2], times.back());
}

// A noisy spectrum with 25 bell-like peaks, 0 .. 12500.125 Hz by 0.125 Hz.
void MakeTransform(CTransformData& t) {
    const std::int32_t steps = 100001;
    t.Allocate(steps, 0.0, 12500.125, 0.125);
    std::uint32_t seed = 12345;
    for (std::int32_t j = 0; j <= steps; ++j) {
        seed = seed * 1664525u + 1013904223u;
        double v = (seed >> 8) * (1.0 / (1u << 24));
        for (int p = 1; p <= 25; ++p) {
            const double x = (j - p * 3900) / 20.0;
            v += 1000.0 / p * std::exp(-0.5 * x * x);
        }
        t.m_values[j] = v;
    }
    t.FindMaximum();
    t.m_valid = true;
}

}  // namespace

int main() {
    CTransformData transform;
    MakeTransform(transform);
    CPartialData partials;
    for (int p = 1; p <= 25; ++p)
        partials.AddPartial(transform.FrequencyAt(p * 3900), 0, 1000.0 / p, 0, 0, 7);

    CTransformViewModel model(transform, partials, NoteNaming{});
    model.Open(kWidth, kHeight);
    std::printf("100001 steps, plot %d x %d, largest scale %d values a column\n", kWidth, kHeight,
                model.m_maxScale);

    std::vector<PlotColumn> columns;
    std::int64_t sink = 0;
    const auto time = [&](const char* what, auto&& body) {
        std::vector<double> times;
        for (int r = 0; r < kRuns; ++r) {
            const auto t0 = Clock::now();
            body(r);
            times.push_back(Us(Clock::now() - t0));
        }
        Report(what, times);
    };

    time("columns at the largest scale", [&](int) {
        model.ComputeColumns(columns);
        sink += columns[kWidth / 2].m_y;
    });
    time("cursor placement at the largest scale", [&](int r) {
        model.SetCursorColumn(r % kWidth);
        sink += model.m_cursorIndex;
    });
    for (int i = 0; i < 30 && model.m_scale != 1; ++i)
        model.NextScale();
    time("columns at scale 1", [&](int r) {
        model.Scroll(ScrollRequest::kThumbTrack, r * 400);
        model.ComputeColumns(columns);
        sink += columns[kWidth / 2].m_y;
    });
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
