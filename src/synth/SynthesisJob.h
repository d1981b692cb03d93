#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "partials/PartialData.h"
#include "platform/PolledJob.h"
#include "platform/WorkerThread.h"
#include "synth/SynthesisSettings.h"

class CWaveData;

// Builds a bell's sound from the partial table into the waveform store. Every partial is a
// sine oscillator whose amplitude follows two envelopes: a splash that starts at the
// partial's splash amplitude and falls hyperbolically at the common splash decay rate g,
//     S / (1 + g t),
// and a tail that rises from 0 to the tail amplitude T at the attack time a and then falls
// off as about T / (D t) with the decay time D,
//     t (2a + k) T / (a^2 + t (t + k)),  k = 1 / D - 2a  (k = 10000 when D is 0).
// The noise row adds white noise under the same two envelopes. The sum is normalised to its
// loudest sample and scaled by the volume into 16 bits.
//
// The same table and settings always give the same samples, to the bit: the oscillators
// advance by the recurrence y(i) = 2 cos w y(i - 1) - y(i - 2) from one sine and one cosine
// each, and the noise comes from the minimal standard generator started at seed 1.
class SynthesisJob final : public CPolledJob {
  public:
    enum class Failure : std::uint8_t {
        kNone = 0,
        kBadParams,  // no length, a length over kMaxLength, or a negative splash decay
        kNoMemory,   // the buffers or the worker thread could not be had
    };

    // The longest waveform made: 2^26 samples (about 25 minutes at 44100 per second), a
    // 512 MB mix buffer and 128 MB of samples.
    static constexpr std::int32_t kMaxLength = 1 << 26;
    // The loudest sample per step of the volume: 100 gives 32767.
    static constexpr double kVolumeStep = 327.67;
    static constexpr double kTwoPi = 6.283185307179586;
    // The tail shape of a partial without decay: it then holds near its amplitude.
    static constexpr double kNoDecayShape = 10000.0;

    // Where the job gets its mix buffer. A null result counts as lack of memory.
    using BufferAllocator = std::unique_ptr<double[]> (*)(std::size_t doubles);
    static std::unique_ptr<double[]> AllocateBuffer(std::size_t doubles);

    // The table's splash amplitudes are read in place while the job runs: the table must not
    // change until Finish().
    SynthesisJob(CWaveData& wave, const CPartialData& partials)
        : m_wave(wave), m_partials(partials) {}
    ~SynthesisJob() override { Finish(); }
    SynthesisJob(const SynthesisJob&) = delete;
    SynthesisJob& operator=(const SynthesisJob&) = delete;

    // Checks the settings, takes the buffers and sets everything up for Start: the store
    // then holds L silent samples at the chosen rate with no waveform state while the job
    // runs. False, with the store untouched, for a length of 0 or less or above kMaxLength,
    // a negative splash decay, or buffers that cannot be had; false while a job runs.
    bool Prepare(const SynthesisSettings& settings);
    // Starts SynthesisWorker on the prepared job. False when nothing is prepared or the
    // thread cannot be had: the job is then done with Failed() set.
    bool Start(DoneNotifier onDone) override;

    // Asks the worker to stop before its next sample. Nothing else.
    void RequestCancel() override;
    // Waits for the worker and frees the mix buffer. A job that ran to its end leaves the
    // store holding the new waveform, state kMadeHere and named "Modified"; a cancelled,
    // failed or abandoned one leaves it empty. Harmless when idle.
    void Finish() override;

    bool IsRunning() const { return m_running; }
    bool IsDone() const override;
    bool CancelRequested() const override;
    bool Failed() const override { return m_failure != Failure::kNone; }
    Failure GetFailure() const { return m_failure; }
    // Samples computed, of m_total.
    std::int32_t Progress() const;
    // trunc(progress * 100 / total), the progress bar's position.
    std::int32_t PercentDone() const override;

    // Computes the samples into m_mix, then scales them into m_output. Reads flags.m_cancel
    // before each sample and counts flags.m_progress after each. The thread procedure.
    static void SynthesisWorker(SynthesisJob& job, WorkerFlags& flags);

    // Replaceable so that a test can play a machine without the memory.
    BufferAllocator m_allocateBuffer = &AllocateBuffer;

    std::int32_t m_partialCount = 0;
    std::array<double, CPartialData::kMaxPartials> m_tailGain{};
    std::array<double, CPartialData::kMaxPartials> m_tailShape{};
    std::array<double, CPartialData::kMaxPartials> m_attackTime{};
    const double* m_splashAmps = nullptr;
    std::array<double, CPartialData::kMaxPartials> m_prev{};
    std::array<double, CPartialData::kMaxPartials> m_prevPrev{};
    std::array<double, CPartialData::kMaxPartials> m_twoCos{};
    double m_splashDecay = 0.0;
    double m_noiseGain = 0.0;
    double m_noiseShape = 0.0;
    double m_noiseAttackTime = 0.0;
    double m_noiseSplash = 0.0;
    double m_volume = 0.0;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_length = 0;
    std::unique_ptr<double[]> m_mix;
    std::int16_t* m_output = nullptr;
    std::int32_t m_total = 0;

  private:
    bool Fail(Failure failure);
    // The oscillators and envelopes from the table, the volume and the splash decay.
    void SetUp(const SynthesisSettings& settings);

    CWaveData& m_wave;
    const CPartialData& m_partials;
    bool m_running = false;
    Failure m_failure = Failure::kNone;
    // Last member: destroyed first, so the worker is stopped and joined before the buffers
    // it works on go away.
    mutable CWorkerThread m_worker;
};
