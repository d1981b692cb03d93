#include "app/AnalysisParams.h"

#include <cmath>
#include <limits>

std::int32_t TruncToInt32(double value) {
    const double t = std::trunc(value);
    if (!(t >= -2147483648.0 && t <= 2147483647.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}

bool AnalysisParams::RecomputeSteps() {
    if (m_endFreq - m_startFreq > 0.0 && m_interval > 0.0) {
        m_steps = TruncToInt32((m_endFreq - m_startFreq) / m_interval);
        return true;
    }
    return false;
}
