// Times tonvane-analyse's run over 100 five-second bells at the panel's default grid, on one
// thread and on two: files analysed (and their partials written) per second.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "app/BatchAnalysis.h"
#include "backends/SndfileDecoder.h"
#include "platform/TextFile.h"
#include "wave/WavFile.h"

namespace {

constexpr int kBells = 100;
constexpr int kRate = 44100;

// A bell of five seconds: a fifth of a second of quiet, then its partials at the classic
// ratios to the nominal, each dying away at its own rate.
bool WriteBell(const std::string& path, double nominal) {
    struct Partial {
        double ratio, amplitude, decaySeconds;
    };
    const Partial partials[] = {{0.25, 2500, 2.5}, {0.5, 2000, 2.0}, {0.6, 3000, 1.6},
                                {0.75, 1200, 1.3}, {1.0, 5000, 1.2}, {1.5, 1500, 0.8},
                                {2.0, 1500, 0.5}};
    const int quiet = kRate / 5;
    const int count = 5 * kRate;
    CWaveData wave;
    if (!wave.CreateEmpty(kRate, count, 16))
        return false;
    for (int i = quiet; i < count; ++i) {
        const double t = double(i - quiet) / kRate;
        double s = 0.0;
        for (const auto& p : partials)
            s += p.amplitude * std::exp(-t / p.decaySeconds) *
                 std::sin(2 * std::numbers::pi * p.ratio * nominal * t);
        wave.m_samples[i] = static_cast<std::int16_t>(std::lround(s));
    }
    return WriteFile(path, [&](std::FILE* file) { return WriteWav(wave, file); });
}

}  // namespace

int main() {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "tonvane-bench-ring";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "out");
    std::vector<std::string> files;
    for (int b = 0; b < kBells; ++b) {
        files.push_back((root / ("bell" + std::to_string(b) + ".wav")).string());
        if (!WriteBell(files.back(), 300.0 + 10.0 * b)) {
            std::printf("could not write %s\n", files.back().c_str());
            return 1;
        }
    }

    for (const char* jobs : {"1", "2"}) {
        std::vector<std::string> args = {"--jobs", jobs, "-o", (root / "out").string()};
        args.insert(args.end(), files.begin(), files.end());
        std::ostringstream out;
        std::ostringstream err;
        BatchConsole console{out, err, false};
        const std::clock_t cpuStart = std::clock();
        const auto start = std::chrono::steady_clock::now();
        const int status = RunAnalyser(
            args, [] { return std::make_unique<CSndfileDecoder>(); }, console);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Processor time beside the wall clock shows how much of the machine the run had.
        const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        std::printf(
            "%d five-second bells, --jobs %s: status %d, %.2f s (%.2f s of processor time), "
            "%.1f files/s\n",
            kBells, jobs, status, seconds, cpu, kBells / seconds);
        if (status != 0)
            std::printf("%s", err.str().c_str());
    }
    std::filesystem::remove_all(root);
    return 0;
}
