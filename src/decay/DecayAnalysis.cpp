#include "decay/DecayAnalysis.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "partials/PartialData.h"
#include "platform/NumberText.h"

DecaySettings DefaultDecaySettings(std::int32_t startSample, std::int32_t sampleRate,
                                   std::int32_t sampleCount) {
    DecaySettings s;
    s.m_startSample = startSample;
    const std::int64_t fiveSeconds = static_cast<std::int64_t>(startSample) + 5LL * sampleRate;
    s.m_endSample =
        sampleCount <= fiveSeconds ? sampleCount : static_cast<std::int32_t>(fiveSeconds);
    s.m_splashLength = TruncToInt32(0.025 * sampleRate);
    s.m_tailLength = TruncToInt32(0.2 * sampleRate);
    s.m_tailStep = TruncToInt32(0.2 * sampleRate);
    return s;
}

bool CheckDecaySettings(const DecaySettings& s, std::int32_t sampleCount) {
    if (s.m_startSample < 0 || s.m_endSample < 0)
        return false;
    if (s.m_endSample > sampleCount)
        return false;
    if (s.m_splashLength < 0 || s.m_tailLength < 0 || s.m_splashLength >= s.m_tailLength)
        return false;
    if (s.m_tailStep <= 0)
        return false;
    // Integer division truncating toward zero, in 64 bits so no difference can overflow.
    const std::int64_t tails =
        (static_cast<std::int64_t>(s.m_endSample) - s.m_startSample - s.m_tailLength) /
        s.m_tailStep;
    return tails >= 3;
}

double BandPeak(const double* values, std::int32_t steps, double frequency, double interval) {
    const double m = std::trunc(kDecayReach / interval);
    const double base = std::trunc((frequency - kDecayStartFreq) / interval);
    if (!std::isfinite(base) || !std::isfinite(m) || steps < 0)
        return 0.0;
    // Clipped to the grid before any conversion, so a partial far off it reads no value.
    const auto first = static_cast<std::int64_t>(std::clamp(base - m - 1.0, 0.0, steps + 1.0));
    const auto last = static_cast<std::int64_t>(std::clamp(base + m, -1.0, double(steps)));
    double peak = 0.0;
    for (std::int64_t k = first; k <= last; ++k) {
        if (values[k] > peak)
            peak = values[k];
    }
    return peak;
}

namespace {

TransformRequest RunRequestFor(int run, double top, const SampleRange& selection,
                               std::int32_t sampleRate) {
    TransformRequest request;
    request.m_startFreq = kDecayStartFreq;
    request.m_endFreq = top;
    request.m_interval =
        kDecayIntervals[static_cast<std::size_t>(std::clamp(run, 0, kDecayRuns - 1))];
    // The top over the interval, counted from 0 Hz although the grid starts at 1 Hz.
    request.m_steps = TruncToInt32(top / request.m_interval);
    request.m_startSample = selection.m_startSample;
    request.m_endSample = selection.m_endSample;
    request.m_sampleRate = sampleRate;
    return request;
}

}  // namespace

bool CDecayAnalysis::Prepare(const DecayWaveform& wave, const SampleRange& selection,
                             const CPartialData& partials) {
    if (m_spectrum.m_job.IsRunning())
        return false;
    const int count = std::min<int>(partials.m_count, CPartialData::kMaxPartials);
    // Without a partial there is nothing to look for and no top frequency to run up to.
    if (count < 1 || wave.m_samples == nullptr)
        return false;
    const double top = partials.m_freq[count - 1] + kDecayReach;

    // Every run must pass the transform checks against the waveform itself: the selection
    // within its samples, the top within half its rate, a grid and an FFT it can have.
    std::array<std::int32_t, kDecayRuns> stages{};
    for (int run = 0; run < kDecayRuns; ++run) {
        const TransformRequest request = RunRequestFor(run, top, selection, wave.m_sampleRate);
        if (!CheckTransformParams(request, wave.m_sampleCount, wave.m_sampleRate))
            return false;
        const auto geometry = ComputeFftGeometry(wave.m_sampleRate, request.m_interval,
                                                 selection.m_startSample, selection.m_endSample);
        if (!geometry)
            return false;
        stages[static_cast<std::size_t>(run)] = geometry->m_fftStages;
    }

    m_wave = wave;
    m_selection = selection;
    m_topFreq = top;
    m_frequencies.assign(partials.m_freq.begin(), partials.m_freq.begin() + count);
    m_peaks.assign(static_cast<std::size_t>(count), {});
    m_stages = stages;
    m_currentRun = 0;
    m_startFailed = false;
    m_cancelRequested = false;
    m_prepared = true;
    return true;
}

TransformRequest CDecayAnalysis::RunRequest(int run) const {
    return RunRequestFor(run, m_topFreq, m_selection, m_wave.m_sampleRate);
}

bool CDecayAnalysis::Start(DoneNotifier onDone) {
    m_startFailed = false;
    if (!m_prepared || m_currentRun >= kDecayRuns || m_spectrum.m_job.IsRunning()) {
        m_startFailed = true;
        return false;
    }
    const TransformRequest request = RunRequest(m_currentRun);
    if (!m_spectrum.Allocate(request.m_steps, request.m_startFreq, request.m_endFreq,
                             request.m_interval)) {
        m_startFailed = true;
        return false;
    }
    m_spectrum.m_job.SetInput(request, m_wave.m_samples, m_wave.m_sampleCount);
    return m_spectrum.m_job.Start(std::move(onDone));
}

void CDecayAnalysis::RequestCancel() {
    m_cancelRequested = true;
    m_spectrum.m_job.RequestCancel();
}

bool CDecayAnalysis::IsDone() const {
    return m_startFailed || m_spectrum.m_job.IsDone();
}

bool CDecayAnalysis::Failed() const {
    return m_startFailed || m_spectrum.m_job.Failed();
}

std::int32_t CDecayAnalysis::PercentDone() const {
    const std::int64_t total = static_cast<std::int64_t>(kDecayRuns) * m_stages[0];
    if (total <= 0)
        return 0;
    // The runs after the first count from the moment they become current.
    std::int64_t units = m_spectrum.m_job.Progress();
    for (int run = 1; run <= std::min(m_currentRun, kDecayRuns - 1); ++run)
        units += m_stages[static_cast<std::size_t>(run)];
    return static_cast<std::int16_t>(
        TruncToInt32(static_cast<double>(units) * 100.0 / static_cast<double>(total)));
}

void CDecayAnalysis::Finish() {
    m_spectrum.m_job.Finish();
}

bool CDecayAnalysis::EvaluateRun() {
    // Finishing a complete run is what marks the spectrum valid; a cancelled or failed one
    // stays invalid.
    if (!m_prepared || m_currentRun >= kDecayRuns || !m_spectrum.m_valid || m_cancelRequested)
        return false;
    const double interval = kDecayIntervals[static_cast<std::size_t>(m_currentRun)];
    for (std::size_t p = 0; p < m_frequencies.size(); ++p) {
        m_peaks[p][static_cast<std::size_t>(m_currentRun)] =
            BandPeak(m_spectrum.m_values.get(), m_spectrum.m_steps, m_frequencies[p], interval);
    }
    m_spectrum.m_valid = false;
    ++m_currentRun;
    return true;
}
