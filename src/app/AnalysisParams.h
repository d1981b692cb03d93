#pragma once

#include <cstdint>
#include <string>

// The panel's values, handed by reference to the dialogs the panel opens.
struct AnalysisParams {
    std::string m_fileTitle = "No file loaded";
    double m_startFreq = 0.0;
    double m_endFreq = 5000.0;
    double m_interval = 0.5;
    std::int32_t m_steps = 0;  // computed from the range at construction
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = 0;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_numSamples = 0;
    double m_nominal = 0.0;
    std::int32_t m_writeInCents = 0;
    std::int32_t m_playSelectedOnly = 0;
    // Kept for the Create Waveform dialog between its runs.
    std::int32_t m_createRateChoice = 2;  // 0 = 11025 Hz, 1 = 22050 Hz, 2 = 44100 Hz
    std::int32_t m_createNumSamples = 200000;
    double m_createSplashDecay = 10.0;
    std::int32_t m_createVolume = 75;
    std::int32_t m_germanNames = 0;
    double m_aRef = 440.0;

    AnalysisParams() { RecomputeSteps(); }

    // steps := (end - start) / interval truncated, when the range and interval make sense.
    // Returns whether steps changed meaning. A quotient outside the 32-bit range gives the
    // most negative 32-bit value, which the transform checks reject.
    bool RecomputeSteps();
};

// The truncation of a real toward zero into 32 bits, with values outside the range (and
// NaN) giving the most negative 32-bit value, as the processor's own conversion does.
std::int32_t TruncToInt32(double value);
