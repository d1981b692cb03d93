#pragma once

#include <cstdint>
#include <optional>

#include "wave/SampleRange.h"

// The most intervals a transform may have (the panel's limit, also the largest grid a
// transform file of this program holds).
inline constexpr std::int32_t kMaxTransformSteps = 100001;
// The highest start frequency the panel takes, in Hz.
inline constexpr double kMaxStartFrequency = 600000.0;

// What a transform is asked for: the frequency grid m_startFreq + j * m_interval,
// j = 0 .. m_steps, and the samples m_startSample .. m_endSample of a waveform recorded at
// m_sampleRate samples per second.
struct TransformRequest : SampleRange {
    double m_startFreq = 0.0;
    double m_endFreq = 0.0;
    double m_interval = 0.0;
    std::int32_t m_steps = 0;
    std::int32_t m_sampleRate = 0;

    // steps := (end - start) / interval truncated, when the range and the interval are both
    // positive; returns whether it did. A quotient outside the 32-bit range gives the most
    // negative 32-bit value, which the checks below refuse.
    bool RecomputeSteps();
};

// What the user is told when a transform cannot be computed as asked.
inline constexpr const char* kBadTransformParamsText = "Bad transform parameters!";

// The panel's checks before a transform, against the waveform's own sample count and rate.
// Returns the number of intervals to allocate, trunc((end - start) / interval), when the
// request describes a transform that can be computed, or nothing ("Bad transform
// parameters!").
std::optional<std::int32_t> CheckTransformParams(const TransformRequest& request,
                                                 std::int32_t sampleCount, std::int32_t sampleRate);
