#include "transform/TransformData.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// The 65-point Savitzky-Golay smoothing filter of polynomial order 4; K[-r] = K[r].
constexpr int kHalfKernel = 32;
constexpr double kKernel[kHalfKernel + 1] = {
    0.05414645,  0.05390696,  0.05319092,  0.05200572,  0.05036362,  0.04828181,  0.04578238,
    0.04289234,  0.0396436,   0.03607299,  0.03222224,  0.028138,    0.02387181,  0.01948015,
    0.01502439,  0.01057081,  0.00619061,  0.00195988,  -0.00204035, -0.00572416, -0.00900072,
    -0.01177429, -0.01394421, -0.01540491, -0.01604593, -0.01575188, -0.01440247, -0.01187249,
    -0.00803183, -0.00274547, 0.00412652,  0.012729,    0.0232117};

// Fewer intervals than this leave too little spectrum for the smoothing to mean anything.
constexpr std::int32_t kMinSmoothSteps = 200;

}  // namespace

void CTransformData::Discard(double startFreq, double endFreq, double interval) {
    m_job.Finish();
    m_values.reset();
    m_smoothed.reset();
    m_valid = false;
    m_smoothedValid = false;
    m_maxValue = 0.0;
    m_maxSmoothed = 0.0;
    m_startFreq = startFreq;
    m_endFreq = endFreq;
    m_interval = interval;
    m_steps = 0;
}

bool CTransformData::Allocate(std::int32_t steps, double startFreq, double endFreq,
                              double interval) {
    Discard(startFreq, endFreq, interval);
    if (steps < 0)
        return false;
    const std::size_t count = static_cast<std::size_t>(steps) + 1;
    // Zeroed: until a job fills them, nothing may show what an earlier transform left.
    m_values.reset(new (std::nothrow) double[count]());
    m_smoothed.reset(new (std::nothrow) double[count]());
    if (!m_values || !m_smoothed) {
        m_values.reset();
        m_smoothed.reset();
        return false;
    }
    m_steps = steps;
    return true;
}

bool CTransformData::Replace(std::int32_t steps, double startFreq, double endFreq, double interval,
                             const double* values) {
    if (steps < 0 || values == nullptr)
        return false;
    const std::size_t count = static_cast<std::size_t>(steps) + 1;
    std::unique_ptr<double[]> newValues(new (std::nothrow) double[count]);
    std::unique_ptr<double[]> newSmoothed(new (std::nothrow) double[count]());
    if (!newValues || !newSmoothed)
        return false;
    std::copy(values, values + count, newValues.get());
    Discard(startFreq, endFreq, interval);
    m_values = std::move(newValues);
    m_smoothed = std::move(newSmoothed);
    m_steps = steps;
    return true;
}

void CTransformData::FindMaximum() {
    m_maxValue = 0.0;
    if (!m_values)
        return;
    for (std::int32_t j = 0; j <= m_steps; ++j) {
        if (m_values[j] > m_maxValue)
            m_maxValue = m_values[j];
    }
}

bool CTransformData::Smooth(std::int32_t sampleRate, std::int32_t sampleSpan) {
    if (!m_values || !m_smoothed || m_steps < kMinSmoothSteps || sampleRate < 1 || sampleSpan < 1) {
        return false;
    }
    // Each smoothed value sums its terms in the order of r, from the first kernel entry that
    // falls on a value to the last. The terms are added one kernel entry at a time over a
    // block of neighbouring values, so the inner loop runs over contiguous data and each sum
    // still takes its terms in that order.
    constexpr std::int64_t kBlock = 2048;
    const std::int64_t count = static_cast<std::int64_t>(m_steps) + 1;
    double* smoothed = m_smoothed.get();
    const double* values = m_values.get();
    m_maxSmoothed = 0.0;
    for (std::int64_t begin = 0; begin < count; begin += kBlock) {
        const std::int64_t end = std::min(begin + kBlock, count);
        std::fill(smoothed + begin, smoothed + end, 0.0);
        for (std::int32_t r = -kHalfKernel; r <= kHalfKernel; ++r) {
            // The values q of the block with 0 <= q + r <= m_steps.
            const std::int64_t from = std::max<std::int64_t>(begin, -r);
            const std::int64_t to = std::min(end, count - r);
            const double k = kKernel[r < 0 ? -r : r];
            for (std::int64_t q = from; q < to; ++q)
                smoothed[q] += values[q + r] * k;
        }
        for (std::int64_t q = begin; q < end; ++q) {
            if (smoothed[q] > m_maxSmoothed)
                m_maxSmoothed = smoothed[q];
        }
    }
    return true;
}
