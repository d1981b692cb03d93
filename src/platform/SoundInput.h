#pragma once

#include <cstdint>
#include <functional>

#include "platform/SoundOutput.h"

// One input stream on the default sound device, capturing into buffers the caller owns, each
// filled in turn and returned through the completion. Nothing throws; a machine without a
// usable device answers false.
class CSoundInput {
  public:
    // Called once for every buffer that AddBuffer accepted, in the order added, on a thread of
    // the device (never the one that called Open): when the buffer is full, or when Reset
    // hands it back with the samples captured so far (filled may then be less than the
    // buffer's size, or 0). It may call AddBuffer; it must not call Reset, Close or Open.
    using Completion = std::function<void(std::int16_t* buffer, std::int32_t filled)>;

    virtual ~CSoundInput() = default;

    // Whether the default device can record this format. Only 16-bit samples are captured.
    virtual bool IsFormatSupported(const SoundFormat& format) = 0;
    // Opens the default device for the format without starting capture; false when it cannot
    // be had or is already open.
    virtual bool Open(const SoundFormat& format, Completion completion) = 0;
    // Queues a buffer of count samples (whole frames) to be filled after those already
    // queued. It belongs to the device until its completion. False, and the buffer is not
    // taken, when the device is not open, while Reset is handing buffers back, or for an
    // empty buffer.
    virtual bool AddBuffer(std::int16_t* buffer, std::int32_t count) = 0;
    // Starts capturing into the queued buffers; while none is queued the sound is lost.
    virtual bool Start() = 0;
    // Stops capture and hands every queued buffer back through the completion; it returns
    // when the last one has come back. Start captures again.
    virtual void Reset() = 0;
    // Releases the device. Buffers still queued are dropped without a completion, and once it
    // returns no completion runs any more.
    virtual void Close() = 0;
};
