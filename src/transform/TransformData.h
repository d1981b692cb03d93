#pragma once

#include <cstdint>
#include <memory>

// One transform: magnitudes on the grid m_startFreq + j * m_interval, j = 0 .. m_steps,
// with their maximum and a smoothed copy for the partial search.
class CTransformData {
public:
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

    // Frequency of value j.
    double FrequencyAt(std::int32_t j) const { return m_startFreq + j * m_interval; }
};
