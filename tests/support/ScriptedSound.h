#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/SoundInput.h"
#include "platform/SoundOutput.h"

// What both simulated devices share: the prepared answers to the format query and the
// open, what they were asked, and the completion while open.
template <typename Completion>
class CScriptedDevice {
  public:
    bool m_formatSupported = true;
    bool m_openSucceeds = true;

    std::vector<SoundFormat> m_queriedFormats;
    std::optional<SoundFormat> m_openFormat;  // set while open
    int m_resetCount = 0;
    int m_closeCount = 0;

  protected:
    bool Query(const SoundFormat& format) {
        std::lock_guard lock(m_mutex);
        m_queriedFormats.push_back(format);
        return m_formatSupported;
    }
    bool OpenFor(const SoundFormat& format, Completion completion) {
        std::lock_guard lock(m_mutex);
        if (!m_openSucceeds || m_openFormat)
            return false;
        m_openFormat = format;
        m_completion = std::move(completion);
        return true;
    }
    // With m_mutex held.
    void Release() {
        ++m_closeCount;
        m_openFormat.reset();
        m_completion = nullptr;
    }

    mutable std::mutex m_mutex;
    Completion m_completion;
    bool m_resetting = false;
};

// A simulated output device whose timing the test controls: nothing completes until the test
// says so. Completions run on the thread that calls CompleteNext or Reset, so a test chooses
// the "device thread" by choosing where it calls them. It records what it was asked and what
// it played, and notices an engine that changes a buffer before the buffer has come back.
class CScriptedSoundOutput : public CSoundOutput, public CScriptedDevice<CSoundOutput::Completion> {
  public:
    bool m_writeSucceeds = true;

    std::vector<std::int32_t> m_writeCounts;  // one per accepted buffer
    std::vector<std::int16_t> m_played;       // every buffer completed as played, in order
    int m_changedWhileQueued = 0;

    bool IsFormatSupported(const SoundFormat& format) override { return Query(format); }
    bool Open(const SoundFormat& format, Completion completion) override {
        return OpenFor(format, std::move(completion));
    }
    bool Write(const std::int16_t* samples, std::int32_t count) override;
    void Reset() override;
    void Close() override;

    // Plays the oldest queued buffer and calls its completion. False when none is queued.
    bool CompleteNext();
    // Completes buffers until none is left (completions may queue more), at most limit.
    int CompleteAll(int limit = 100000);
    std::size_t Queued() const;

  private:
    struct Buffer {
        const std::int16_t* samples;
        std::vector<std::int16_t> asWritten;
    };
    // Takes the oldest buffer, checking it still holds what was written; false when none.
    bool TakeNext(Buffer& buffer);

    std::deque<Buffer> m_queue;
};

// A simulated input device: the test says what samples arrive and when; they fill the queued
// buffers in order and each completes as it fills. Completions run on the thread that calls
// Capture or Reset.
class CScriptedSoundInput : public CSoundInput, public CScriptedDevice<CSoundInput::Completion> {
  public:
    bool m_startSucceeds = true;
    bool m_capturing = false;

    bool IsFormatSupported(const SoundFormat& format) override { return Query(format); }
    bool Open(const SoundFormat& format, Completion completion) override {
        return OpenFor(format, std::move(completion));
    }
    bool AddBuffer(std::int16_t* buffer, std::int32_t count) override;
    bool Start() override;
    void Reset() override;
    void Close() override;

    // Delivers samples into the queued buffers while capturing, completing every buffer that
    // fills. Samples with no buffer to go to are lost, as on a device. Returns how many were
    // taken.
    std::size_t Capture(const std::vector<std::int16_t>& samples);
    std::size_t Queued() const;

  private:
    struct Buffer {
        std::int16_t* samples;
        std::int32_t count;
        std::int32_t filled;
    };

    std::deque<Buffer> m_queue;
};
