#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kBellRate = 44100;

// One partial of a generated bell.
struct BellPartial {
    double ratio;  // to the nominal
    double amplitude;
    double decaySeconds;
    const char* name;  // as the classification names it
};

// The partials of a well-tuned bell at their classic ratios to the nominal: hum, prime,
// tierce, quint, nominal, superquint and octave nominal.
std::vector<BellPartial> ClassicBell();

// The samples of a struck bell, roughly, at kBellRate: the decaying partials for the given
// seconds, after half a second of near-silence so the onset search has something to find.
std::vector<std::int16_t> BellSamples(double nominal, const std::vector<BellPartial>& partials,
                                      double seconds = 2.0);
// The same as a 16-bit mono ".wav" image.
std::string BellWav(double nominal, const std::vector<BellPartial>& partials, double seconds = 2.0);
