#pragma once

#include <cstdint>
#include <memory>

#include "transform/TransformJob.h"

// One transform: magnitudes on the grid m_startFreq + j * m_interval, j = 0 .. m_steps,
// with their maximum and a smoothed copy for the partial search.
class CTransformData {
  public:
    CTransformData() = default;
    CTransformData(const CTransformData&) = delete;
    CTransformData& operator=(const CTransformData&) = delete;

    double m_startFreq = 0.0;
    double m_endFreq = 0.0;
    double m_interval = 0.0;
    std::int32_t m_steps = 0;
    std::unique_ptr<double[]> m_values;
    std::unique_ptr<double[]> m_smoothed;
    double m_maxValue = 0.0;
    double m_maxSmoothed = 0.0;
    bool m_valid = false;
    bool m_smoothedValid = false;
    // Declared after the arrays so that a running worker is stopped before they are freed.
    CTransformJob m_job{*this};

    // Frequency of value j.
    double FrequencyAt(std::int32_t j) const { return m_startFreq + j * m_interval; }

    // Discards the transform held (stopping a job that still runs on it) and makes room for
    // steps + 1 values on the new grid, all 0; both flags are cleared. False, with no arrays and no
    // steps, when steps is negative or the memory is lacking.
    bool Allocate(std::int32_t steps, double startFreq, double endFreq, double interval);
    // Takes steps + 1 values on the given grid in place of the transform held, with both
    // flags cleared. False, with the transform held left exactly as it was, when steps is
    // negative or the memory for the new arrays is lacking.
    bool Replace(std::int32_t steps, double startFreq, double endFreq, double interval,
                 const double* values);
    // m_maxValue := the largest value, at least 0.
    void FindMaximum();
    // Fills the smoothed copy and its maximum. Refuses (false, nothing changed) without
    // arrays, with fewer than 200 steps, or unless sampleRate and sampleSpan are at least 1.
    bool Smooth(std::int32_t sampleRate, std::int32_t sampleSpan);

  private:
    // Stops a job still running, frees both arrays and leaves an empty transform on the grid.
    void Discard(double startFreq, double endFreq, double interval);
};
