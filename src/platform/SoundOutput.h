#pragma once

#include <cstdint>
#include <functional>

// The layout of a sound stream: interleaved signed samples of one size, little-endian.
struct SoundFormat {
    std::int32_t m_samplesPerSec = 44100;
    std::int32_t m_channels = 1;
    std::int32_t m_bitsPerSample = 16;
};

// One output stream on the default sound device, fed with buffers the caller owns. The
// device plays them straight from the caller's memory, so a playback engine can point into
// the waveform store without copying, and learns through the completion when a buffer may be
// refilled. Nothing throws; a machine without a usable device answers false.
class CSoundOutput {
  public:
    // Called once for every buffer that Write accepted, in the order written, on a thread of
    // the device (never the one that called Open): after the buffer has gone to the device
    // and the next one is under way, or, for the last one queued, after it has been heard;
    // or when Reset hands it back. It may call Write; it must not call Reset, Close or Open.
    using Completion = std::function<void(const std::int16_t* samples, std::int32_t count)>;

    virtual ~CSoundOutput() = default;

    // Whether the default device can play this format. Only 16-bit samples are ever played.
    virtual bool IsFormatSupported(const SoundFormat& format) = 0;
    // Opens the default device for the format; false when it cannot be had or is already open.
    virtual bool Open(const SoundFormat& format, Completion completion) = 0;
    // Queues count samples (whole frames) behind those already queued; output starts with the
    // first one. The samples must stay allocated and unchanged until the buffer's completion.
    // False, and the buffer is not taken, when the device is not open, while Reset is handing
    // buffers back, or for an empty buffer.
    virtual bool Write(const std::int16_t* samples, std::int32_t count) = 0;
    // Stops the sound at once and hands every queued buffer back through the completion; it
    // returns when the last one has come back. The device stays open for new buffers.
    virtual void Reset() = 0;
    // Releases the device. Buffers still queued are dropped without a completion, and once it
    // returns no completion runs any more.
    virtual void Close() = 0;
};
