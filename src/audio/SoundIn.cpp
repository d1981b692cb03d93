#include "audio/SoundIn.h"

#include <algorithm>
#include <new>

#include "wave/WaveData.h"

namespace {

const SoundFormat kRecordingFormat{CSoundIn::kSampleRate, 1, 16};

// The largest of 0 and the samples: only the positive swing counts.
std::int16_t PositivePeak(const std::int16_t* samples, std::int32_t count) {
    std::int16_t peak = 0;
    for (std::int32_t i = 0; i < count; ++i)
        peak = std::max(peak, samples[i]);
    return peak;
}

}  // namespace

CSoundIn::Result CSoundIn::Open(Receiver receiver) {
    if (!receiver)
        return kNoReceiver;
    Stop();
    m_receiver = std::move(receiver);
    m_state.store(kStopped, std::memory_order_relaxed);
    m_stopping.store(false, std::memory_order_relaxed);
    m_overloadHold.store(0, std::memory_order_relaxed);
    m_peak.store(0, std::memory_order_relaxed);
    m_recorded.store(0, std::memory_order_relaxed);
    for (auto& buffer : m_buffers) {
        buffer.reset(new (std::nothrow) std::int16_t[kBufferSamples]());
        if (!buffer) {
            ReleaseBuffers();
            return kNoMemory;
        }
    }
    if (!m_device.IsFormatSupported(kRecordingFormat)) {
        ReleaseBuffers();
        return kFormatNotSupported;
    }
    if (!m_device.Open(kRecordingFormat, [this](std::int16_t* buffer, std::int32_t filled) {
            OnBufferFilled(buffer, filled);
        })) {
        ReleaseBuffers();
        return kOpenFailed;
    }
    const bool added = m_device.AddBuffer(m_buffers[0].get(), kBufferSamples) &
                       m_device.AddBuffer(m_buffers[1].get(), kBufferSamples);
    // A device that will not start would leave the meter dead and a recording waiting for ever.
    if (!added || !m_device.Start()) {
        m_stopping.store(true, std::memory_order_relaxed);
        m_device.Reset();
        m_device.Close();
        ReleaseBuffers();
        return kInitFailure;
    }
    m_deviceOpen = true;
    return kCapturing;
}

void CSoundIn::ReleaseBuffers() {
    for (auto& buffer : m_buffers)
        buffer.reset();
}

bool CSoundIn::Begin(std::int32_t target, bool wait, std::int32_t position) {
    std::lock_guard lock(m_recording);
    target = std::max(target, 0);
    // A length that cannot be had keeps the old samples; recording into them would write past
    // their end, so the store is emptied instead.
    if (!m_wave.CreateEmpty(kSampleRate, target, 16)) {
        m_wave.CreateEmpty(kSampleRate, 0, 16);
        return false;
    }
    m_destination = m_wave.m_samples.get();
    m_target = target;
    m_recorded.store(0, std::memory_order_relaxed);
    if (wait) {
        SetTriggerLevel(position);
        m_state.store(kWaiting, std::memory_order_release);
    } else {
        m_state.store(kRecording, std::memory_order_release);
    }
    return true;
}

void CSoundIn::Cancel() {
    std::lock_guard lock(m_recording);
    if (GetState() == kRecording)
        m_wave.m_state = CWaveData::kNoWaveform;
    m_state.store(kStopped, std::memory_order_release);
}

void CSoundIn::Recorded() {
    // A report that arrives after the recording was abandoned and a new one armed, or after
    // Stop, is not this recording's.
    if (GetState() != kStopped || m_stopping.load(std::memory_order_relaxed))
        return;
    m_wave.m_state = CWaveData::kMadeHere;
    m_wave.m_selStart = m_wave.FindOnset();
    m_wave.m_selEnd = m_wave.m_sampleCount;
    m_wave.m_fileName = "Recorded";
}

void CSoundIn::Stop() {
    m_stopping.store(true, std::memory_order_relaxed);
    if (m_deviceOpen) {
        // The buffers the reset hands back are not queued again, and once the device is
        // closed none can come back into freed memory.
        m_device.Reset();
        m_device.Close();
        m_deviceOpen = false;
    }
    ReleaseBuffers();
}

void CSoundIn::SetTriggerLevel(std::int32_t position) {
    m_triggerLevel.store(static_cast<std::int16_t>(kTriggerStep * std::clamp(position, 0, 100)),
                         std::memory_order_relaxed);
}

bool CSoundIn::TakeOverloadUpdate() {
    std::int16_t hold = m_overloadHold.load(std::memory_order_relaxed);
    while (hold > 0 && !m_overloadHold.compare_exchange_weak(
                           hold, static_cast<std::int16_t>(hold - 1), std::memory_order_relaxed)) {
    }
    return hold > 0;
}

void CSoundIn::OnBufferFilled(std::int16_t* buffer, std::int32_t filled) {
    // While capturing every buffer comes back full; only those handed back by Stop's reset
    // hold less.
    std::int32_t n = std::clamp(filled, 0, kBufferSamples);
    std::int16_t peak = 0;
    bool complete = false;
    {
        std::lock_guard lock(m_recording);
        std::int32_t state = m_state.load(std::memory_order_relaxed);
        if (state != kRecording) {
            peak = PositivePeak(buffer, n);
            if (state == kWaiting && peak > m_triggerLevel.load(std::memory_order_relaxed)) {
                // The buffer that holds the strike is recorded whole.
                state = kRecording;
                m_state.store(kRecording, std::memory_order_release);
            }
        }
        if (state == kRecording) {
            const std::int32_t recorded = m_recorded.load(std::memory_order_relaxed);
            n = std::min(n, m_target - recorded);
            std::copy_n(buffer, n, m_destination + recorded);
            peak = PositivePeak(buffer, n);
            m_recorded.store(recorded + n, std::memory_order_relaxed);
            if (recorded + n >= m_target) {
                complete = true;
                m_state.store(kStopped, std::memory_order_release);
            }
        }
    }
    m_peak.store(peak, std::memory_order_relaxed);
    if (peak > kOverloadPeak)
        m_overloadHold.store(kOverloadHoldUpdates, std::memory_order_relaxed);
    if (m_stopping.load(std::memory_order_relaxed))
        return;  // the device is being released, and nobody listens any more
    m_device.AddBuffer(buffer, kBufferSamples);
    m_receiver(complete ? Notification::kRecordingComplete : Notification::kLevelUpdate);
}

const char* CSoundIn::StatusText() const {
    switch (GetState()) {
        case kWaiting:
            return "wait for trigger";
        case kRecording:
            return "recording...";
        default:
            return "stopped";
    }
}

const char* CSoundIn::MessageText(int code) {
    switch (code) {
        case kNoReceiver:
            return "No dialog pointer!";
        case kFormatNotSupported:
            return "Sound format not supported!";
        case kOpenFailed:
            return "Failed to open sound device!";
        case kInitFailure:
            return "Sound driver initialise failure!";
        default:
            return "Sound error!";
    }
}
