#include "synth/SynthesisJob.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "wave/WaveData.h"

namespace {

// The minimal standard generator (multiplier 16807, modulus 2^31 - 1) in Schrage's form,
// which stays within 32 bits.
inline std::int32_t NextNoise(std::int32_t seed) {
    seed = 16807 * (seed % 127773) - 2836 * (seed / 127773);
    if (seed <= 0)
        seed += 2147483647;
    return seed;
}

// A scaled sample truncated toward zero into 16 bits. Only a sample scaled by an overflowing
// gain (a loudest sample below the smallest normal double) can leave the range; it is held
// at the range's end, and a value that is not a number at all counts as silence.
inline std::int16_t ToSample(double value) {
    if (value > -32769.0 && value < 32768.0)
        return static_cast<std::int16_t>(static_cast<std::int32_t>(value));
    return value > 0.0 ? 32767 : value < 0.0 ? -32768 : 0;
}

// The tail shape k of an envelope: 1 / D - 2a, or the near-constant shape when D is 0.
inline double TailShape(double attack, double decay) {
    return decay != 0.0 ? 1.0 / decay - 2.0 * attack : SynthesisJob::kNoDecayShape;
}

}  // namespace

std::unique_ptr<double[]> SynthesisJob::AllocateBuffer(std::size_t doubles) {
    return std::unique_ptr<double[]>(new (std::nothrow) double[doubles]);
}

bool SynthesisJob::Fail(Failure failure) {
    m_failure = failure;
    m_mix.reset();
    m_output = nullptr;
    m_running = false;
    return false;
}

bool SynthesisJob::Prepare(const SynthesisSettings& settings) {
    if (m_running)
        return false;
    m_worker.Join();
    m_worker.Flags().Reset();
    m_failure = Failure::kNone;

    const std::int32_t length = settings.m_createNumSamples;
    if (length <= 0 || length > kMaxLength || !(settings.m_createSplashDecay >= 0.0))
        return Fail(Failure::kBadParams);
    // Both buffers before anything changes: the waveform held stays when either is lacking.
    auto mix = m_allocateBuffer(static_cast<std::size_t>(length));
    if (!mix)
        return Fail(Failure::kNoMemory);
    if (!m_wave.CreateEmpty(SynthesisRate(settings.m_createRateChoice), length, 16))
        return Fail(Failure::kNoMemory);
    m_wave.m_state = CWaveData::kNoWaveform;  // until the job completes

    m_mix = std::move(mix);
    m_output = m_wave.m_samples.get();
    m_length = length;
    m_total = length;
    SetUp(settings);
    m_running = true;
    return true;
}

void SynthesisJob::SetUp(const SynthesisSettings& settings) {
    m_sampleRate = SynthesisRate(settings.m_createRateChoice);
    m_volume = settings.m_createVolume * kVolumeStep;
    m_splashDecay = settings.m_createSplashDecay;
    m_partialCount = std::clamp<std::int32_t>(m_partials.m_count, 0, CPartialData::kMaxPartials);
    m_splashAmps = m_partials.m_splashAmp.data();
    for (std::int32_t j = 0; j < m_partialCount; ++j) {
        const double attack = m_partials.m_attack[j];
        m_attackTime[j] = attack;
        m_tailShape[j] = TailShape(attack, m_partials.m_decay[j]);
        m_tailGain[j] = (2.0 * attack + m_tailShape[j]) * m_partials.m_tailAmp[j];
        const double omega = kTwoPi * m_partials.m_freq[j] / m_sampleRate;
        m_prevPrev[j] = 0.0;
        m_prev[j] = std::sin(omega);
        m_twoCos[j] = 2.0 * std::cos(omega);
    }
    m_noiseAttackTime = m_partials.m_noiseAttack;
    m_noiseShape = TailShape(m_partials.m_noiseAttack, m_partials.m_noiseDecay);
    m_noiseGain = (2.0 * m_partials.m_noiseAttack + m_noiseShape) * m_partials.m_noiseTailAmp;
    m_noiseSplash = m_partials.m_noiseSplashAmp;
}

bool SynthesisJob::Start(DoneNotifier onDone) {
    if (m_worker.HasThread())
        return false;  // this preparation has run or runs
    if (!m_running)
        return Fail(Failure::kBadParams);
    if (!m_worker.Start([this](WorkerFlags& flags) { SynthesisWorker(*this, flags); },
                        std::move(onDone))) {
        m_wave.Empty();  // it held the job's silent samples, not the waveform before
        return Fail(Failure::kNoMemory);
    }
    return true;
}

void SynthesisJob::RequestCancel() {
    m_worker.RequestCancel();
}

void SynthesisJob::Finish() {
    if (!m_running) {
        m_worker.Join();
        return;
    }
    // Only reached before done by a caller that gives up on the job: stop it quickly.
    const bool givenUp = m_worker.Stop();
    m_mix.reset();
    m_output = nullptr;
    m_running = false;
    if (givenUp || CancelRequested()) {
        m_wave.Empty();
        return;
    }
    m_wave.m_state = CWaveData::kMadeHere;
    m_wave.m_fileName = "Modified";
}

bool SynthesisJob::IsDone() const {
    return Failed() || m_worker.IsDone();
}

bool SynthesisJob::CancelRequested() const {
    return m_worker.Flags().CancelRequested();
}

std::int32_t SynthesisJob::Progress() const {
    return m_worker.Progress();
}

std::int32_t SynthesisJob::PercentDone() const {
    if (m_total <= 0)
        return IsDone() ? 100 : 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(Progress()) * 100 / m_total);
}

void SynthesisJob::SynthesisWorker(SynthesisJob& job, WorkerFlags& flags) {
    // The oscillators and envelopes in local arrays, which nothing else can write while the
    // loop runs, so they stay in place between samples.
    const std::int32_t n = job.m_partialCount;
    std::array<double, CPartialData::kMaxPartials> attackSquared{};
    std::array<double, CPartialData::kMaxPartials> splash{};
    for (std::int32_t j = 0; j < n; ++j) {
        attackSquared[j] = job.m_attackTime[j] * job.m_attackTime[j];
        splash[j] = job.m_splashAmps[j];
    }
    auto tailGain = job.m_tailGain;
    auto tailShape = job.m_tailShape;
    auto prev = job.m_prev;
    auto prevPrev = job.m_prevPrev;
    const auto twoCos = job.m_twoCos;
    const double noiseAttackSquared = job.m_noiseAttackTime * job.m_noiseAttackTime;
    const double g = job.m_splashDecay;
    const double rate = job.m_sampleRate;
    double* mix = job.m_mix.get();

    std::int32_t seed = 1;
    double peak = 0.0;
    mix[0] = 0.0;
    std::int32_t computed = 1;
    flags.m_progress.store(1, std::memory_order_relaxed);
    for (std::int32_t i = 1; i < job.m_length; ++i) {
        if (flags.CancelRequested())
            break;
        const double t = i / rate;
        const double splashFall = t * g + 1.0;
        double s = 0.0;
        for (std::int32_t j = 0; j < n; ++j) {
            const double e = t * tailGain[j] / (attackSquared[j] + t * (t + tailShape[j])) +
                             splash[j] / splashFall;
            const double y = twoCos[j] * prev[j] - prevPrev[j];
            prevPrev[j] = prev[j];
            prev[j] = y;
            s = s + e * y;
        }
        seed = NextNoise(seed);
        const double en = t * job.m_noiseGain / (noiseAttackSquared + t * (t + job.m_noiseShape)) +
                          job.m_noiseSplash / splashFall;
        double value = s + (seed - 1073741824) / 2147483647.0 * en * 2.0;
        // A partial whose envelope has no finite value here (a negative decay can make its
        // denominator 0) must not spoil the peak of every other sample.
        if (std::isfinite(value))
            peak = std::max(peak, std::fabs(value));
        else
            value = 0.0;
        mix[i] = value;
        computed = i + 1;
        flags.m_progress.store(computed, std::memory_order_relaxed);
    }
    job.m_prev = prev;
    job.m_prevPrev = prevPrev;

    std::int16_t* out = job.m_output;
    if (peak == 0.0) {
        std::fill(out, out + computed, std::int16_t{0});
        return;
    }
    const double gain = job.m_volume / peak;
    for (std::int32_t i = 0; i < computed; ++i)
        out[i] = ToSample(gain * mix[i]);
}
