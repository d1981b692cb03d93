#pragma once

#include <cmath>

#include "platform/Cents.h"

// The arithmetic of "Expand / Compress waveform": a stretch factor multiplies every
// frequency of the waveform, and its size in cents is 1200 log2(factor).

// The factors a stretch accepts; both ends are allowed.
inline constexpr double kMinStretchFactor = 0.67;
inline constexpr double kMaxStretchFactor = 1.5;

inline double StretchFactorBetween(double measured, double desired) {
    return desired / measured;
}
inline double CentsOfStretch(double factor) {
    return kCentsPerLn * std::log(factor);
}
inline double StretchOfCents(double cents) {
    return std::exp(cents / kCentsPerLn);
}

enum class StretchCheck { kOk, kIsOne, kOutOfRange };

// A factor of exactly 1 would change nothing; one outside the range is refused.
inline StretchCheck CheckStretchFactor(double factor) {
    if (factor == 1.0)
        return StretchCheck::kIsOne;
    if (!(factor >= kMinStretchFactor && factor <= kMaxStretchFactor))
        return StretchCheck::kOutOfRange;
    return StretchCheck::kOk;
}
