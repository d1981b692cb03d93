#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PolledJob.h"
#include "transform/TransformData.h"
#include "transform/TransformRequest.h"
#include "wave/SampleRange.h"

class CPartialData;

// The decay analysis: seventeen transforms of one selection at frequency intervals from
// 20 Hz down to 1 Hz, each reduced to the strongest magnitude near every partial. As the
// interval narrows, each run analyses a longer stretch of the sound (1 / interval seconds),
// so a partial that dies away fast shows less and less.

inline constexpr int kDecayRuns = 17;
// The interval of each run, in Hz, in run order.
inline constexpr std::array<double, kDecayRuns> kDecayIntervals = {
    20.0, 17.0, 15.0, 14.0, 13.0, 12.0, 11.0, 10.0, 9.0, 8.0, 7.0, 6.0, 5.0, 4.0, 3.0, 2.0, 1.0};
// Every run's grid starts here.
inline constexpr double kDecayStartFreq = 1.0;
// How far from a partial its peak is looked for, and how far above the highest partial the
// runs reach, in Hz.
inline constexpr double kDecayReach = 20.0;

// The five fields of the decay dialog. The start and end sample and the tail length and
// step go to the file's header; the runs themselves analyse the panel's selection.
struct DecaySettings {
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = 0;
    std::int32_t m_splashLength = 0;
    std::int32_t m_tailLength = 0;
    std::int32_t m_tailStep = 0;
};

// The defaults for a selection starting at startSample: five seconds of samples or up to
// sampleCount, a splash of 25 ms and a tail length and step of 200 ms.
DecaySettings DefaultDecaySettings(std::int32_t startSample, std::int32_t sampleRate,
                                   std::int32_t sampleCount);

// The checks of the fields against the number of samples: a start and an end that are not
// negative, an end within the samples, a splash shorter than the tail, a positive step and
// at least three steps between the start and the end less one tail length.
bool CheckDecaySettings(const DecaySettings& settings, std::int32_t sampleCount);

// The largest of values[0 .. steps] in the band around frequency on a grid from
// kDecayStartFreq by interval: from m + 1 values below the partial's index to m above it,
// m = trunc(kDecayReach / interval); the part of the band outside the grid is left out.
double BandPeak(const double* values, std::int32_t steps, double frequency, double interval);

// The waveform the runs read: the store's samples and its own sample rate.
struct DecayWaveform {
    const std::int16_t* m_samples = nullptr;
    std::int32_t m_sampleCount = 0;
    std::int32_t m_sampleRate = 0;
};

// What the panel hands to a decay analysis besides the partial table: the waveform, the
// panel's selection (what every run analyses), the panel's "No. of Samples" (the fields are
// checked against it as well as against the waveform) and the waveform's file title.
struct DecaySource {
    DecayWaveform m_wave;
    SampleRange m_selection;
    std::int32_t m_panelSampleCount = 0;
    std::string m_fileTitle;
};

// The series of runs. As a polled job it stands for the run in progress: Start sets up and
// starts the current run, and once that run is finished the caller either evaluates it
// (EvaluateRun, which moves on to the next run) or, after a cancel or a failure, gives up.
// One spectrum is reused from run to run.
class CDecayAnalysis : public CPolledJob {
  public:
    CDecayAnalysis() = default;
    CDecayAnalysis(const CDecayAnalysis&) = delete;
    CDecayAnalysis& operator=(const CDecayAnalysis&) = delete;

    // Takes the partials' frequencies and makes room for their peaks. Refused (false,
    // nothing changed) when the table holds no partial, the selection is not within the
    // waveform, the highest partial plus kDecayReach lies above half the sample rate, or any
    // run would be refused by the transform checks. Once only, before the first Start.
    bool Prepare(const DecayWaveform& wave, const SampleRange& selection,
                 const CPartialData& partials);

    // What run `run` asks of the transform job.
    TransformRequest RunRequest(int run) const;

    bool Start(DoneNotifier onDone) override;
    void RequestCancel() override;
    bool IsDone() const override;
    bool CancelRequested() const override { return m_cancelRequested; }
    // The current run could not be started (no memory for its spectrum or its FFT).
    bool Failed() const override;
    // The series' progress in FFT stages, against seventeen times the stages of the first
    // run; the finer runs have more stages, so the figure passes 100 near the end.
    std::int32_t PercentDone() const override;
    void Finish() override;

    // After the current run has been finished complete: its peak for every partial into the
    // table, then on to the next run. False, with nothing changed, when there is no complete
    // run to evaluate (not finished, cancelled, failed, or evaluated already).
    bool EvaluateRun();

    int CurrentRun() const { return m_currentRun; }
    bool IsComplete() const { return m_prepared && m_currentRun == kDecayRuns; }
    int PartialCount() const { return static_cast<int>(m_frequencies.size()); }
    double Frequency(int partial) const { return m_frequencies[partial]; }
    // The peak of a partial in a run; 0 before the run has been evaluated.
    double Peak(int partial, int run) const { return m_peaks[partial][run]; }
    // The highest partial plus kDecayReach: the top of every run's grid.
    double TopFrequency() const { return m_topFreq; }
    // The spectrum of the current run, with the transform job that computes it.
    CTransformData& Spectrum() { return m_spectrum; }

  private:
    DecayWaveform m_wave;
    SampleRange m_selection;
    std::vector<double> m_frequencies;
    std::vector<std::array<double, kDecayRuns>> m_peaks;
    std::array<std::int32_t, kDecayRuns> m_stages{};
    double m_topFreq = 0.0;
    int m_currentRun = 0;
    bool m_prepared = false;
    bool m_startFailed = false;  // the current run's spectrum could not be had
    bool m_cancelRequested = false;
    CTransformData m_spectrum;
};
