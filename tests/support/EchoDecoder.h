#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/SoundDecoder.h"
#include "wave/WaveData.h"

// A decoder that answers for whatever the store's format record describes, as a working
// decoder would: the channels and rate of the record, and the image's own bytes as samples,
// so that every file the MP3 scan or the ".wav" reader passes on gets decoded. With varied,
// the byte in the middle of the image sometimes makes it answer as a failing or lying
// decoder instead, so the checks on what comes back are reached too. Its sounds are short,
// which keeps a fuzz run fast.
class CEchoDecoder : public CSoundDecoder {
  public:
    static constexpr std::int64_t kMaxFrames = 1 << 14;

    CEchoDecoder(const CWaveData& wave, bool varied) : m_wave(wave), m_varied(varied) {}

    DecodeResult Decode(const unsigned char* image, std::size_t size, std::int64_t maxFrames,
                        DecodedSound& sound) override {
        sound = DecodedSound();
        std::int32_t channels = m_wave.m_format.m_channels;
        auto rate = static_cast<std::int32_t>(m_wave.m_format.m_samplesPerSec);
        if (channels < 1 || channels > kMaxChannels)
            return DecodeResult::kNotPossible;
        switch (m_varied && size > 0 ? image[size / 2] % 8 : 7) {
            case 0:
                return DecodeResult::kNotPossible;
            case 1:
                return DecodeResult::kError;
            case 2:
                return DecodeResult::kTooLong;
            case 3:
                channels = 3 - channels;
                break;
            case 4:
                rate = rate == 8000 ? 11025 : 8000;
                break;
            default:
                break;
        }
        const auto frames = std::min<std::int64_t>(
            {static_cast<std::int64_t>(size) / (2 * channels), maxFrames, kMaxFrames});
        if (frames <= 0)
            return DecodeResult::kError;
        const std::int64_t values = frames * channels;
        sound.m_samples.reset(new std::int16_t[values]);
        for (std::int64_t i = 0; i < values; ++i)
            sound.m_samples[i] = static_cast<std::int16_t>(image[2 * i] | (image[2 * i + 1] << 8));
        sound.m_frames = frames;
        sound.m_channels = channels;
        sound.m_samplesPerSec = rate;
        return DecodeResult::kOk;
    }
    DecodeResult Inspect(const unsigned char*, std::size_t, SoundInfo& info) override {
        info = SoundInfo();
        return DecodeResult::kNotPossible;
    }
    bool CanDecodeMp3() const override { return true; }

  private:
    const CWaveData& m_wave;
    bool m_varied;
};
