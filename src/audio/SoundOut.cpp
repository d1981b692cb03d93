#include "audio/SoundOut.h"

#include <algorithm>
#include <limits>

#include "wave/WaveData.h"

CSoundOut::~CSoundOut() {
    Close();
}

CSoundOut::Result CSoundOut::Open(const CWaveData& wave, const PlayRequest& request) {
    Close();
    m_finished.store(false, std::memory_order_relaxed);
    m_moreData = false;
    m_nextBlock = 0;

    // The range is typed on the panel: only what lies inside the waveform can be played.
    std::int32_t start = 0;
    std::int32_t end = request.m_numSamples;
    if (request.m_selectedOnly) {
        start = request.m_selection.m_startSample;
        end = request.m_selection.m_endSample;
    }
    const std::int32_t count = wave.m_samples ? wave.m_sampleCount : 0;
    m_startSample = std::clamp(start, 0, std::max(count, 0));
    m_endSample = std::clamp(end, 0, std::max(count, 0));
    m_position.store(m_startSample, std::memory_order_relaxed);
    if (m_endSample - m_startSample <= 0)
        return kLengthZero;
    m_samples = wave.m_samples.get();

    const auto rate = std::min<std::uint32_t>(wave.m_format.m_samplesPerSec,
                                              std::numeric_limits<std::int32_t>::max());
    const SoundFormat format{static_cast<std::int32_t>(rate), wave.m_format.m_channels,
                             wave.m_format.m_bitsPerSample};
    if (!m_device.IsFormatSupported(format))
        return kFormatNotSupported;
    if (!m_device.Open(format, [this](const std::int16_t*, std::int32_t) { OnBlockDone(); }))
        return kOpenFailed;
    m_open = true;

    bool written = true;
    {
        std::lock_guard lock(m_queueing);
        for (Block& block : m_blocks) {
            block = Block{};
            m_moreData = Refill(block);
            if (m_moreData)
                written = m_device.Write(block.m_samples, block.m_count) && written;
        }
    }
    if (!written) {
        Close();
        return kDriverFailure;
    }
    return kPlaying;
}

bool CSoundOut::Refill(Block& block) {
    const std::int32_t position = m_position.load(std::memory_order_relaxed);
    const std::int32_t n = std::min(m_endSample - position, kBlockSamples);
    if (n < 1)
        return false;
    block.m_samples = m_samples + position;
    block.m_count = n;
    m_position.store(position + n, std::memory_order_relaxed);
    return true;
}

void CSoundOut::OnBlockDone() {
    std::lock_guard lock(m_queueing);
    if (Finished())
        return;
    Block& block = m_blocks[m_nextBlock];
    m_nextBlock = 1 - m_nextBlock;
    if (!m_moreData) {
        // The block that came back was the last one queued.
        m_finished.store(true, std::memory_order_release);
        return;
    }
    m_moreData = Refill(block);
    // A block the device refuses would never come back, and playback would never end.
    if (m_moreData && !m_device.Write(block.m_samples, block.m_count))
        m_finished.store(true, std::memory_order_release);
}

std::int32_t CSoundOut::Progress() const {
    const std::int32_t length = m_endSample - m_startSample;
    if (length <= 0)
        return 0;
    const std::int32_t position = m_position.load(std::memory_order_relaxed);
    return static_cast<std::int32_t>((position - m_startSample) * 100.0 / length);
}

void CSoundOut::Close() {
    if (!m_open)
        return;
    // The completions that the reset hands back must not queue anything again.
    RequestStop();
    m_device.Reset();
    m_device.Close();
    m_open = false;
}

const char* CSoundOut::MessageText(int code) {
    switch (code) {
        case kLengthZero:
            return "Play length zero!";
        case kFormatNotSupported:
            return "Sound format not supported!";
        case kOpenFailed:
            return "Failed to open sound device!";
        case kDriverFailure:
            return "Sound driver failure!";
        default:
            return "Sound error!";
    }
}
