#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/PolledJob.h"
#include "platform/WorkerThread.h"
#include "transform/TransformRequest.h"

class CTransformData;

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

// One transform computation: the state the polling dialog and the worker thread share. It
// lives inside the CTransformData whose values it fills; Finish() of a completed job gives
// that transform its maximum and smoothed copy and marks it valid.
class CTransformJob : public CPolledJob {
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

    // What the next Start computes: the owner must have been allocated for the request's
    // grid; samples holds sampleCount samples and must stay unchanged until Finish().
    void SetInput(const TransformRequest& request, const std::int16_t* samples,
                  std::int32_t sampleCount);

    // Starts the worker on the input set. Returns false and changes nothing while a job is
    // running. Returns false as well when the settings are unusable or the memory is
    // lacking: the job is then done at once with Failed() set.
    bool Start(DoneNotifier onDone) override;
    bool Start(const TransformRequest& request, const std::int16_t* samples,
               std::int32_t sampleCount) {
        SetInput(request, samples, sampleCount);
        return Start(DoneNotifier{});
    }
    // Everything Start does except starting the thread: the caller then runs
    // TransformWorker itself. Same results as Start.
    bool Prepare(const TransformRequest& request, const std::int16_t* samples,
                 std::int32_t sampleCount);

    // Asks the worker to stop before its next FFT stage. Nothing else.
    void RequestCancel() override;
    // Waits for the worker, frees the FFT buffer and makes the job idle. A job that ran to
    // its end without a cancel leaves the owner complete: maximum, smoothed copy, valid.
    void Finish() override;

    bool IsRunning() const { return m_running; }
    bool IsDone() const override;
    bool CancelRequested() const override;
    bool Failed() const override { return m_failure != Failure::kNone; }
    bool OutOfMemory() const { return m_failure == Failure::kNoMemory; }
    Failure GetFailure() const { return m_failure; }
    // FFT stages completed, of TotalStages().
    std::int32_t Progress() const;
    std::int32_t TotalStages() const { return m_fftStages; }
    // trunc(progress * 100 / stages), the progress bar's position.
    std::int32_t PercentDone() const override;

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
    bool PrepareInput();

    CTransformData& m_owner;
    TransformRequest m_request;
    bool m_running = false;
    Failure m_failure = Failure::kNone;
    // Last member: destroyed first, so the worker is stopped and joined before the buffer
    // it works on goes away.
    mutable CWorkerThread m_worker;
};
