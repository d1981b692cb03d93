#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/SoundInput.h"

class CWaveData;

// Records into the waveform store from the default input device, 44100 samples per second,
// 16-bit mono. From Open to Stop the device captures without pause into two buffers of
// kBufferSamples that take turns, so the level can be shown at all times; Begin empties the
// store for a recording of a given length, which starts at once or with the first buffer that
// holds a sample above the trigger level (the whole of that buffer is recorded). Each buffer
// that comes back is reported to the receiver given to Open, on the device's thread: the
// receiver passes the report on to its own thread, where the other calls are made.
class CSoundIn {
  public:
    enum Result : std::int16_t {
        kCapturing = 0,
        kNoReceiver = 1,
        kFormatNotSupported = 2,
        kOpenFailed = 3,
        kInitFailure = 4,
        kNoMemory = 5,
    };
    enum State : std::int32_t { kStopped = 0, kWaiting = 1, kRecording = 2 };
    enum class Notification : std::uint8_t { kRecordingComplete, kLevelUpdate };
    using Receiver = std::function<void(Notification)>;

    static constexpr std::int32_t kSampleRate = 44100;
    static constexpr std::int32_t kBufferSamples = 8192;
    static constexpr std::int32_t kTriggerStep = 327;     // trigger level per threshold step
    static constexpr std::int16_t kOverloadPeak = 29491;  // 90 % of full scale
    static constexpr std::int16_t kOverloadHoldUpdates = 10;

    CSoundIn(CSoundInput& device, CWaveData& wave) : m_device(device), m_wave(wave) {}
    ~CSoundIn() { Stop(); }
    CSoundIn(const CSoundIn&) = delete;
    CSoundIn& operator=(const CSoundIn&) = delete;

    // Starts capturing; kCapturing when the device runs. Nothing of the store changes.
    Result Open(Receiver receiver);
    static const char* MessageText(int code);

    // Replaces the store's samples by target empty ones at 44100 Hz and arms the recording:
    // with wait, behind the trigger level of threshold position (0 .. 100). False, with the
    // store emptied and nothing armed, when there is no memory for the samples.
    bool Begin(std::int32_t target, bool wait, std::int32_t position);
    // Abandons a wait or a recording; a recording begun leaves the store marked empty.
    void Cancel();
    // After kRecordingComplete: marks the store recorded ("Recorded", selected from the
    // onset of the sound to its end).
    void Recorded();
    // Releases the device, then the buffers. No report follows.
    void Stop();

    State GetState() const { return static_cast<State>(m_state.load(std::memory_order_acquire)); }
    const char* StatusText() const;
    void SetTriggerLevel(std::int32_t position);
    std::int16_t TriggerLevel() const { return m_triggerLevel.load(std::memory_order_relaxed); }
    // The largest non-negative sample of the last buffer looked at.
    std::int16_t Peak() const { return m_peak.load(std::memory_order_relaxed); }
    std::int32_t RecordedCount() const { return m_recorded.load(std::memory_order_relaxed); }
    // One level update: true while an overload seen within the last kOverloadHoldUpdates
    // updates keeps the indicator on.
    bool TakeOverloadUpdate();

  private:
    void OnBufferFilled(std::int16_t* buffer, std::int32_t filled);
    void ReleaseBuffers();

    CSoundInput& m_device;
    CWaveData& m_wave;
    Receiver m_receiver;
    std::unique_ptr<std::int16_t[]> m_buffers[2];
    bool m_deviceOpen = false;  // the dialog's thread alone

    // The recording itself: the store's array being filled and how far. A completion records
    // under this lock, and Begin and Cancel take it too, so that the array is never replaced
    // or given up while a buffer is being copied into it.
    std::mutex m_recording;
    std::int16_t* m_destination = nullptr;
    std::int32_t m_target = 0;

    std::atomic<std::int32_t> m_state{kStopped};
    std::atomic<std::int32_t> m_recorded{0};
    std::atomic<std::int16_t> m_triggerLevel{0};
    std::atomic<std::int16_t> m_peak{0};
    std::atomic<std::int16_t> m_overloadHold{0};
    std::atomic<bool> m_stopping{false};
};
