#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/WorkerThread.h"

struct AnalysisParams;
class CTransformData;

// The most intervals a transform may have (the panel's limit, also the largest grid a
// transform file of this program holds).
inline constexpr std::int32_t kMaxTransformSteps = 100001;
// The longest FFT the program attempts: 2^24 complex points, a 256 MB buffer.
inline constexpr std::int32_t kMaxFftSize = 1 << 24;
// The Hamming window's coefficient.
inline constexpr double kWindowAlpha = 0.54;

// How a selection is laid onto the FFT so that one bin is exactly one interval wide.
struct FftGeometry {
    double m_samplesPerBin = 0.0;  // e: input samples spanning 1 / interval seconds
    std::int32_t m_fftSize = 0;    // f: the smallest power of two not below e
    std::int32_t m_fftStages = 0;  // log2 f
    double m_step = 0.0;           // input samples per FFT point, e / f
    std::int32_t m_points = 0;     // N: windowed points, at most f; the rest is zero padding
};

// The geometry for a sample rate, an interval and a selection, or nothing when the rate or
// interval is not positive, the selection is empty, or the FFT would exceed kMaxFftSize.
std::optional<FftGeometry> ComputeFftGeometry(std::int32_t sampleRate, double interval,
                                              std::int32_t startSample, std::int32_t endSample);

// The panel's checks before Do Transform, against the waveform store's sample count and
// rate. Returns the number of intervals to allocate, trunc((end - start) / interval), when
// the values describe a transform that can be computed, or nothing ("Bad transform
// parameters!").
std::optional<std::int32_t> CheckTransformParams(const AnalysisParams& params,
                                                 std::int32_t sampleCount, std::int32_t sampleRate);

// The state one transform computation shares between the dialog that polls it and the
// worker thread that computes it. It lives inside the CTransformData whose values it fills.
//
// The polling dialog calls Start, reads PercentDone() on every tick and, once IsDone(),
// calls Finish(); then the outcome is: cancelled when CancelRequested(), failed when
// Failed() (OutOfMemory() tells the cause), otherwise complete, and only then are the
// owner's values worth keeping.
class CTransformJob {
  public:
    enum class Failure : std::uint8_t {
        kNone = 0,
        kBadParams,  // the settings would read or write outside an array
        kNoMemory,   // the FFT buffer or the worker thread could not be had
    };

    // Where the job gets its FFT buffer. A null result counts as lack of memory.
    using BufferAllocator = std::unique_ptr<double[]> (*)(std::size_t doubles);
    static std::unique_ptr<double[]> AllocateBuffer(std::size_t doubles);

    explicit CTransformJob(CTransformData& owner) : m_owner(owner) {}
    CTransformJob(const CTransformJob&) = delete;
    CTransformJob& operator=(const CTransformJob&) = delete;

    // Starts the worker on the owner's values, which must have been allocated for the same
    // grid. samples holds sampleCount samples. Returns false and changes nothing while a
    // job is running. Returns false as well when the settings are unusable or the memory
    // is lacking: the job is then done at once with Failed() set, so a polling dialog
    // ends at its next tick.
    bool Start(const AnalysisParams& settings, const std::int16_t* samples,
               std::int32_t sampleCount);
    // Everything Start does except starting the thread: the caller then runs
    // TransformWorker itself. Same results as Start.
    bool Prepare(const AnalysisParams& settings, const std::int16_t* samples,
                 std::int32_t sampleCount);

    // Asks the worker to stop before its next FFT stage. Nothing else.
    void RequestCancel();
    // Waits for the worker (it has already finished when IsDone() was seen), frees the FFT
    // buffer and makes the job idle. Harmless when no job is running.
    void Finish();

    bool IsRunning() const { return m_running; }
    bool IsDone() const;
    bool CancelRequested() const;
    bool Failed() const { return m_failure != Failure::kNone; }
    bool OutOfMemory() const { return m_failure == Failure::kNoMemory; }
    Failure GetFailure() const { return m_failure; }
    // FFT stages completed, of TotalStages().
    std::int32_t Progress() const;
    std::int32_t TotalStages() const { return m_fftStages; }
    // trunc(progress * 100 / stages), the progress bar's position.
    std::int32_t PercentDone() const;

    // Resamples, windows and transforms the selection, then writes the magnitudes of the
    // requested bins to m_output. Reads flags.m_cancel before each FFT stage and counts
    // flags.m_progress after each. The thread procedure.
    static void TransformWorker(CTransformJob& job, WorkerFlags& flags);

    // Replaceable so that a test can play a machine without the memory.
    BufferAllocator m_allocateBuffer = &AllocateBuffer;

    double* m_output = nullptr;
    std::unique_ptr<double[]> m_fftBuffer;  // f complex points, real and imaginary interleaved
    const std::int16_t* m_samples = nullptr;
    std::int32_t m_sampleCount = 0;  // reads beyond the store repeat its last sample
    double m_jobStartFreq = 0.0;
    double m_jobEndFreq = 0.0;
    double m_jobInterval = 0.0;
    double m_step = 0.0;
    double m_windowAlpha = kWindowAlpha;
    std::int32_t m_jobSteps = 0;
    std::int32_t m_points = 0;
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = 0;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_fftSize = 0;
    std::int32_t m_fftStages = 0;

  private:
    bool Fail(Failure failure);

    CTransformData& m_owner;
    bool m_running = false;
    bool m_threadStarted = false;
    Failure m_failure = Failure::kNone;
    // Last member: destroyed first, so the worker is stopped and joined before the buffer
    // it works on goes away.
    mutable CWorkerThread m_worker;
};

// One transform: magnitudes on the grid m_startFreq + j * m_interval, j = 0 .. m_steps,
// with their maximum and a smoothed copy for the partial search.
class CTransformData {
  public:
    CTransformData() = default;
    CTransformData(const CTransformData&) = delete;
    CTransformData& operator=(const CTransformData&) = delete;

    double m_startFreq = 0.0;
    double m_endFreq = 0.0;
    double m_interval = 0.0;
    std::int32_t m_steps = 0;
    std::unique_ptr<double[]> m_values;
    std::unique_ptr<double[]> m_smoothed;
    double m_maxValue = 0.0;
    double m_maxSmoothed = 0.0;
    bool m_valid = false;
    bool m_smoothedValid = false;
    // Declared after the arrays so that a running worker is stopped before they are freed.
    CTransformJob m_job{*this};

    // Frequency of value j.
    double FrequencyAt(std::int32_t j) const { return m_startFreq + j * m_interval; }

    // Discards the transform held (stopping a job that still runs on it) and makes room for
    // steps + 1 values on the new grid; both flags are cleared. False, with no arrays and no
    // steps, when steps is negative or the memory is lacking.
    bool Allocate(std::int32_t steps, double startFreq, double endFreq, double interval);
    // m_maxValue := the largest value, at least 0.
    void FindMaximum();
    // Fills the smoothed copy and its maximum. Refuses (false, nothing changed) without
    // arrays, with fewer than 200 steps, or unless sampleRate and sampleSpan are at least 1.
    bool Smooth(std::int32_t sampleRate, std::int32_t sampleSpan);
};
