// Prints the performance table as Markdown:
// - the transform of the panel's grids and of the largest FFT, timed from the job's Start to
//   the end of its Finish (maximum and smoothed copy included), beside the same computation
//   done the vectorised numpy way (NumpyTransform.py) in the same run, when the system's
//   python3 has numpy (scripts/install-deps --bench);
// - reading a 10-minute 44.1 kHz 16-bit stereo .wav into the waveform store, as a whole
//   process from start to exit with its peak memory, beside a process that reads the same file
//   with libsndfile and folds it to mono the same way.
// Every figure is the median of several runs.
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FixedFileUi.h"
#include "transform/TransformData.h"
#include "wave/WavFile.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kRate = 44100;
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kSamplesPath = "/tmp/tonvane-bench-samples.raw";
constexpr const char* kWavPath = "/tmp/tonvane-bench-10min.wav";

struct Grid {
    const char* workload;
    double start;
    double end;
    double interval;
    std::int32_t seconds;
    int runs;
};

// Tonvane's and numpy's runs of a grid alternate in rounds, so both see the same state of the
// machine; Grid::runs are each side's runs in all rounds.
constexpr int kRounds = 5;
const Grid kGrids[] = {
    {"0-5000 Hz at 0.5 Hz (2^17 points), 5 s selection", 0.0, 5000.0, 0.5, 5, 30},
    {"0-22050 Hz at 0.25 Hz (2^18), 5 s", 0.0, 22050.0, 0.25, 5, 30},
    {"100001 steps at 0.125 Hz (2^19), 10 s", 0.0, 12500.125, 0.125, 10, 20},
    {"100001 steps at 0.05 Hz (2^20), 30 s", 0.0, 5000.05, 0.05, 30, 15},
    {"largest accepted FFT (2^24), 1 Hz of it, 400 s", 1000.0, 1001.0, kRate / double(1 << 24), 400,
     5},
    // As many bins as the panel accepts, so few butterflies can be left out.
    {"largest accepted FFT (2^24), 100001 steps, 400 s", 0.0, 100001 * (kRate / double(1 << 24)),
     kRate / double(1 << 24), 400, 5},
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Ms(double ms) {
    char text[32];
    if (ms >= 1000.0)
        std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

// A decaying bell-like mix of partials, so the window and FFT see realistic numbers.
std::vector<std::int16_t> Recording(std::int32_t seconds) {
    const double partials[] = {220.0, 440.0, 528.0, 660.0, 880.0, 1320.0, 1760.0};
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate) * seconds);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double s = 0.0;
        for (double f : partials)
            s += std::sin(2 * std::numbers::pi * f * t) * std::exp(-t * f / 2000);
        samples[i] = static_cast<std::int16_t>(s * 4000.0);
    }
    return samples;
}

// Tonvane's or numpy's runs of one grid: each run's time and the maxima of the last.
struct TransformTiming {
    std::vector<double> ms;
    double maxValue = 0.0;
    double maxSmoothed = 0.0;
};

TransformRequest Request(const Grid& g) {
    TransformRequest p;
    p.m_sampleRate = kRate;
    p.m_startFreq = g.start;
    p.m_endFreq = g.end;
    p.m_interval = g.interval;
    p.m_startSample = 0;
    p.m_endSample = g.seconds * kRate;
    p.RecomputeSteps();
    return p;
}

bool TimeTransform(const Grid& g, const std::vector<std::int16_t>& samples, int runs,
                   TransformTiming& timing) {
    TransformRequest p = Request(g);
    const auto steps = CheckTransformParams(p, static_cast<std::int32_t>(samples.size()), kRate);
    if (!steps)
        return false;
    p.m_steps = *steps;
    CTransformData data;
    for (int r = 0; r < runs; ++r) {
        data.Allocate(p.m_steps, p.m_startFreq, p.m_endFreq, p.m_interval);
        // The caller sleeps until the done notification, as the progress dialog does: a
        // caller that spins takes its share of the processor from the worker.
        std::promise<void> done;
        data.m_job.SetInput(p, samples.data(), static_cast<std::int32_t>(samples.size()));
        const auto t0 = Clock::now();
        if (!data.m_job.Start([&done] { done.set_value(); }))
            return false;
        done.get_future().wait();
        data.m_job.Finish();
        timing.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (data.m_job.Failed() || !data.m_valid)
            return false;
    }
    timing.maxValue = data.m_maxValue;
    timing.maxSmoothed = data.m_maxSmoothed;
    return true;
}

bool HasNumpy() {
    const std::string probe = std::string(kPython) + " -c 'import numpy' 2>/dev/null";
    return std::system(probe.c_str()) == 0;
}

// Runs the numpy computation of one grid on the samples of kSamplesPath.
bool TimeNumpy(const Grid& g, int runs, TransformTiming& timing) {
    const TransformRequest p = Request(g);
    char grid[256];
    std::snprintf(grid, sizeof grid, "%.17g %.17g %.17g %d %d %d %d", g.start, g.end, g.interval,
                  p.m_startSample, p.m_endSample, p.m_steps, runs);
    const std::string command = std::string("echo ") + grid + " | " + kPython +
                                " " TONVANE_BENCH_DIR "/NumpyTransform.py " + kSamplesPath + " " +
                                std::to_string(kRate);
    std::FILE* answer = popen(command.c_str(), "r");
    if (answer == nullptr)
        return false;
    bool complete = std::fscanf(answer, "%lf %lf", &timing.maxValue, &timing.maxSmoothed) == 2;
    for (int r = 0; complete && r < runs; ++r) {
        double ms = 0.0;
        complete = std::fscanf(answer, "%lf", &ms) == 1;
        timing.ms.push_back(ms);
    }
    return pclose(answer) == 0 && complete;
}

void Put32(std::FILE* f, unsigned v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void Put16(std::FILE* f, unsigned v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

bool WriteTenMinuteStereo() {
    const unsigned frames = 44100u * 600u;
    const unsigned dataBytes = frames * 4u;
    std::FILE* f = std::fopen(kWavPath, "wb");
    if (!f)
        return false;
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, dataBytes + 36);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 2);
    Put32(f, 44100);
    Put32(f, 176400);
    Put16(f, 4);
    Put16(f, 16);
    std::fwrite("data", 1, 4, f);
    Put32(f, dataBytes);
    std::vector<short> block(2 * 44100);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<short>((i * 7919) % 20000 - 10000);
    for (int s = 0; s < 600; ++s)
        std::fwrite(block.data(), sizeof(short), block.size(), f);
    return std::fclose(f) == 0;
}

// The child processes: each reads the file once and exits with 0 when it holds the
// 10-minute mono waveform.
int ReadWithTonvane(const char* path) {
    CFixedFileUi ui(path);
    CWaveData wave;
    WaveFormatCopy copy;
    const int code = ReadWaveFile(wave, ui, copy);
    return code == 0 && wave.m_sampleCount == 44100 * 600 ? 0 : 1;
}

int ReadWithSndfile(const char* path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr || info.channels != 2)
        return 1;
    const auto frames = static_cast<std::size_t>(info.frames);
    std::unique_ptr<std::int16_t[]> mono(new std::int16_t[frames]);
    std::vector<short> block(2 * 65536);
    std::size_t done = 0;
    while (done < frames) {
        const sf_count_t got = sf_readf_short(file, block.data(), 65536);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i)
            mono[done + i] = static_cast<std::int16_t>((block[2 * i] + block[2 * i + 1]) / 2);
        done += static_cast<std::size_t>(got);
    }
    sf_close(file);
    return done == 44100u * 600u ? 0 : 1;
}

struct ProcessTiming {
    double seconds = 0.0;
    double peakMiB = 0.0;
};

// Runs this program as a child that reads the file the given way: wall time from the fork
// to the child's end, and the child's peak resident memory.
std::optional<ProcessTiming> TimeChild(const char* mode) {
    const char* self = "/proc/self/exe";
    const auto t0 = Clock::now();
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        execl(self, self, mode, kWavPath, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return ProcessTiming{std::chrono::duration<double>(Clock::now() - t0).count(),
                         static_cast<double>(usage.ru_maxrss) / 1024.0};
}

std::optional<ProcessTiming> MedianOf(const std::vector<ProcessTiming>& runs) {
    if (runs.empty())
        return std::nullopt;
    std::vector<double> seconds;
    std::vector<double> peaks;
    for (const auto& t : runs) {
        seconds.push_back(t.seconds);
        peaks.push_back(t.peakMiB);
    }
    return ProcessTiming{Median(seconds), Median(peaks)};
}

std::string ProcessCell(const std::optional<ProcessTiming>& t) {
    if (!t)
        return "failed";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s, %.0f MiB peak", t->seconds, t->peakMiB);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read-tonvane") == 0)
        return ReadWithTonvane(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--read-sndfile") == 0)
        return ReadWithSndfile(argv[2]);

    std::vector<std::optional<TransformTiming>> tonvane(std::size(kGrids));
    std::vector<std::optional<TransformTiming>> numpy(std::size(kGrids));
    {
        const auto samples = Recording(400);
        bool numpyRuns = HasNumpy();
        if (numpyRuns) {
            std::FILE* raw = std::fopen(kSamplesPath, "wb");
            numpyRuns = raw != nullptr && std::fwrite(samples.data(), sizeof(std::int16_t),
                                                      samples.size(), raw) == samples.size();
            numpyRuns = raw != nullptr && std::fclose(raw) == 0 && numpyRuns;
        }
        for (std::size_t i = 0; i < std::size(kGrids); ++i) {
            TransformTiming mine;
            TransformTiming theirs;
            bool mineOk = true;
            bool theirsOk = numpyRuns;
            for (int round = 0; round < kRounds; ++round) {
                const int runs = kGrids[i].runs / kRounds;
                mineOk = mineOk && TimeTransform(kGrids[i], samples, runs, mine);
                theirsOk = theirsOk && TimeNumpy(kGrids[i], runs, theirs);
            }
            if (mineOk)
                tonvane[i] = mine;
            if (theirsOk)
                numpy[i] = theirs;
        }
        std::remove(kSamplesPath);
    }

    std::optional<ProcessTiming> readTonvane;
    std::optional<ProcessTiming> readSndfile;
    if (WriteTenMinuteStereo() && TimeChild("--read-tonvane")) {  // now in the page cache
        // The two readers alternate, so both see the same state of the machine.
        std::vector<ProcessTiming> mine;
        std::vector<ProcessTiming> theirs;
        for (int r = 0; r < 9; ++r) {
            const auto a = TimeChild("--read-tonvane");
            const auto b = TimeChild("--read-sndfile");
            if (!a || !b)
                break;
            mine.push_back(*a);
            theirs.push_back(*b);
        }
        readTonvane = MedianOf(mine);
        readSndfile = MedianOf(theirs);
    }
    std::remove(kWavPath);

    std::printf("Medians; %u hardware threads.\n\n", std::thread::hardware_concurrency());
    std::printf("| Workload | Tonvane | numpy (rfft, vectorised, same computation) |\n");
    std::printf("|---|---|---|\n");
    double worst = 0.0;
    for (std::size_t i = 0; i < std::size(kGrids); ++i) {
        const std::string mine = tonvane[i] ? Ms(Median(tonvane[i]->ms)) : "failed";
        const std::string theirs = numpy[i] ? Ms(Median(numpy[i]->ms)) : "-";
        std::printf("| %s | %s | %s |\n", kGrids[i].workload, mine.c_str(), theirs.c_str());
        if (tonvane[i] && numpy[i]) {
            for (auto [x, y] : {std::pair{tonvane[i]->maxValue, numpy[i]->maxValue},
                                {tonvane[i]->maxSmoothed, numpy[i]->maxSmoothed}})
                worst = std::max(worst, std::abs(x - y) / std::max(std::abs(y), 1e-300));
        }
    }
    std::printf(
        "| 10-minute stereo .wav read, whole process | %s | libsndfile read + same mono "
        "mix: %s |\n",
        ProcessCell(readTonvane).c_str(), ProcessCell(readSndfile).c_str());
    if (std::any_of(numpy.begin(), numpy.end(), [](const auto& t) { return t.has_value(); }))
        std::printf("\nnumpy's maxima and smoothed maxima agree with Tonvane's to %.1e.\n", worst);
    else
        std::printf("\nnumpy is not installed for %s: scripts/install-deps --bench adds it.\n",
                    kPython);
    return 0;
}
