#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/SoundOutput.h"
#include "wave/SampleRange.h"

class CWaveData;

// What to play: the panel's selection, its "Play selected portion only" box and its number
// of samples. Without the box the whole waveform plays, from sample 0 to the number of samples.
struct PlayRequest {
    SampleRange m_selection;
    bool m_selectedOnly = false;
    std::int32_t m_numSamples = 0;
};

// Plays a waveform straight out of the store's sample array: two blocks of at most
// kBlockSamples samples point into the array and take turns on the device, each refilled with
// the next samples as its completion comes back. Playback ends on the completion that follows
// a refill which found nothing more (or on a stop). The dialog's thread opens, polls Progress
// and Finished, asks for a stop and closes; everything else happens on the device's thread.
class CSoundOut {
  public:
    enum Result : std::int16_t {
        kPlaying = 0,
        kLengthZero = 1,
        kFormatNotSupported = 2,
        kOpenFailed = 3,
        kDriverFailure = 4,
    };
    static constexpr std::int32_t kBlockSamples = 8192;

    explicit CSoundOut(CSoundOutput& device) : m_device(device) {}
    // Stops and releases the device if it is still playing.
    ~CSoundOut();
    CSoundOut(const CSoundOut&) = delete;
    CSoundOut& operator=(const CSoundOut&) = delete;

    // Starts playing the requested range of wave, clamped to its samples; kPlaying when the
    // sound has started. The samples must stay allocated and unchanged until Close.
    Result Open(const CWaveData& wave, const PlayRequest& request);
    static const char* MessageText(int code);

    // Per cent of the range queued so far, 0 .. 100.
    std::int32_t Progress() const;
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Asks for the end of playback; the device goes on until Close.
    void RequestStop() { m_finished.store(true, std::memory_order_release); }
    // Silences and releases the device: every queued block comes back first.
    void Close();

  private:
    struct Block {
        const std::int16_t* m_samples = nullptr;
        std::int32_t m_count = 0;
    };

    bool Refill(Block& block);
    void OnBlockDone();

    CSoundOutput& m_device;
    const std::int16_t* m_samples = nullptr;
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = 0;
    bool m_open = false;  // the dialog's thread alone

    // Open queues the first two blocks and each completion refills one, both under this lock,
    // so that a completion that comes back before Open has queued the second block cannot put
    // its refill ahead of it. The dialog's thread never reads these.
    std::mutex m_queueing;
    Block m_blocks[2];
    int m_nextBlock = 0;  // the block whose completion comes next
    bool m_moreData = false;

    // What the dialog's thread polls. Position is the next sample to be queued; finished is
    // set last by the completion that ends playback, or by a stop.
    std::atomic<std::int32_t> m_position{0};
    std::atomic<bool> m_finished{false};
};
