#pragma once

#include <cstdint>

// A region of the waveform as sample indices: from m_startSample up to, not including,
// m_endSample. The panel's selection, the samples a transform analyses and the samples
// played are all ranges of this kind.
struct SampleRange {
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = 0;
};
