#include "support/BellSound.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "support/WavBuilder.h"

std::vector<BellPartial> ClassicBell() {
    return {
        {0.25, 2500, 2.0, "hum"},      {0.5, 2000, 1.5, "prime"},   {0.6, 3000, 1.2, "tierce"},
        {0.75, 1200, 1.0, "quint"},    {1.0, 5000, 1.0, "nominal"}, {1.5, 1500, 0.6, "superquint"},
        {2.0, 1500, 0.4, "oct. nom."},
    };
}

std::vector<std::int16_t> BellSamples(double nominal, const std::vector<BellPartial>& partials,
                                      double seconds) {
    const int rate = kBellRate;
    const int silence = rate / 2;
    const int sounding = static_cast<int>(seconds * rate);
    std::vector<std::int16_t> samples(silence + sounding, 0);
    for (int i = 0; i < sounding; ++i) {
        const double t = double(i) / rate;
        double s = 0;
        for (const auto& p : partials)
            s += p.amplitude * std::exp(-t / p.decaySeconds) *
                 std::sin(2 * std::numbers::pi * p.ratio * nominal * t);
        samples[silence + i] = static_cast<std::int16_t>(std::lround(s));
    }
    return samples;
}

std::string BellWav(double nominal, const std::vector<BellPartial>& partials, double seconds) {
    return CWavBuilder::Pcm(1, kBellRate, 16,
                            CWavBuilder::Samples16(BellSamples(nominal, partials, seconds)));
}
