#include "transform/TransformRequest.h"

#include "platform/NumberText.h"
#include "transform/TransformJob.h"

bool TransformRequest::RecomputeSteps() {
    if (m_endFreq - m_startFreq > 0.0 && m_interval > 0.0) {
        m_steps = TruncToInt32((m_endFreq - m_startFreq) / m_interval);
        return true;
    }
    return false;
}

std::optional<std::int32_t> CheckTransformParams(const TransformRequest& request,
                                                 std::int32_t sampleCount,
                                                 std::int32_t sampleRate) {
    const double start = request.m_startFreq;
    const double end = request.m_endFreq;
    const double interval = request.m_interval;
    // Written so that a value that is not a number fails every check.
    if (!(start >= 0.0))
        return std::nullopt;
    if (!(end > start))
        return std::nullopt;
    if (request.m_steps <= 0 || request.m_steps > kMaxTransformSteps)
        return std::nullopt;
    if (request.m_endSample > sampleCount)
        return std::nullopt;
    if (request.m_startSample < 0)
        return std::nullopt;
    if (request.m_startSample >= request.m_endSample)
        return std::nullopt;
    if (end > static_cast<double>(sampleRate / 2))
        return std::nullopt;
    if (!(interval > 0.0))
        return std::nullopt;
    // A tiny interval over a narrow range passes the checks above but asks for an FFT far
    // longer than any recording needs.
    if (!ComputeFftGeometry(sampleRate, interval, request.m_startSample, request.m_endSample))
        return std::nullopt;
    // The grid actually allocated comes from the range and interval; it must obey the same
    // limits as the steps shown.
    const std::int32_t steps = TruncToInt32((end - start) / interval);
    if (steps <= 0 || steps > kMaxTransformSteps)
        return std::nullopt;
    return steps;
}
