// Times Create Waveform's job from Go (the buffers and the oscillators set up) to the done
// flag and its finish, for the default settings (200000 samples at 44100 per second) with a
// full table of 25 partials and noise, and the longest waveform allowed; and Increase Freq.'s
// stretch of a 10-minute waveform. Prints the minimum, median and maximum of several runs.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "synth/SynthesisJob.h"
#include "wave/WaveData.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Print(const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s min %9.1f ms  median %9.1f ms  max %9.1f ms\n", name, ms.front(),
                ms[ms.size() / 2], ms.back());
}

// A full table: 25 partials from 100 Hz up, with splash, attack and decay, and noise.
CPartialData FullTable() {
    CPartialData table;
    for (int j = 0; j < CPartialData::kMaxPartials; ++j)
        table.AddPartial(110.0 * (j + 1) * (1.0 + 0.013 * j), 0.2 * (j % 3), 10.0 / (j + 1),
                         0.002 * j, 3.0 / (1 + j % 5), CPartialData::kUnnamed);
    table.m_noiseSplashAmp = 0.3;
    table.m_noiseTailAmp = 0.05;
    table.m_noiseAttack = 0.01;
    table.m_noiseDecay = 0.1;
    return table;
}

void Synthesis(const char* name, std::int32_t length, int runs) {
    const CPartialData table = FullTable();
    CWaveData wave;
    SynthesisSettings settings;
    settings.m_createNumSamples = length;
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        SynthesisJob job(wave, table);
        const auto start = Clock::now();
        if (!job.Prepare(settings) || !job.Start({})) {
            std::printf("%s: refused\n", name);
            return;
        }
        while (!job.IsDone())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        job.Finish();
        ms.push_back(Ms(Clock::now() - start));
    }
    Print(name, ms);
}

void Stretch(double factor, int runs) {
    constexpr std::int32_t kTenMinutes = 600 * 44100;
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        CWaveData wave;
        wave.CreateEmpty(44100, kTenMinutes, 16);
        for (std::int32_t i = 0; i < kTenMinutes; ++i)
            wave.m_samples[i] = static_cast<std::int16_t>((i * 7919) % 60000 - 30000);
        const auto start = Clock::now();
        wave.Stretch(factor);
        ms.push_back(Ms(Clock::now() - start));
    }
    char name[64];
    std::snprintf(name, sizeof name, "stretch 10 min by %.2f", factor);
    Print(name, ms);
}

}  // namespace

int main() {
    Synthesis("create 200000 samples, 25 partials + noise", 200000, 9);
    Synthesis("create 2^26 samples, 25 partials + noise", SynthesisJob::kMaxLength, 1);
    for (const double factor : {0.67, 1.02, 1.5})
        Stretch(factor, 5);
    return 0;
}
