#pragma once

#include <cstdint>

// What Create Waveform is asked for: kept between its runs, so the dialog opens with the
// values last entered.
struct SynthesisSettings {
    std::int32_t m_createRateChoice = 2;  // 0 = 11025 Hz, 1 = 22050 Hz, 2 = 44100 Hz
    std::int32_t m_createNumSamples = 200000;
    double m_createSplashDecay = 10.0;  // per second: the splash halves after 1 / this
    std::int32_t m_createVolume = 75;   // 0 .. 100; 100 puts the loudest sample at 32767
};

// The samples per second of a rate choice; any choice but 1 and 2 is 11025.
inline std::int32_t SynthesisRate(std::int32_t choice) {
    return choice == 1 ? 22050 : choice == 2 ? 44100 : 11025;
}
