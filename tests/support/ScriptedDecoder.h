#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/SoundDecoder.h"

// A decoder that answers with prepared outcomes and records every file image and frame
// limit it was given; Inspect answers m_info. On kOk it hands out m_samples as interleaved frames
// of m_channels, in an array of exactly that size, so a reader that strays past the frames is
// caught.
class CScriptedDecoder : public CSoundDecoder {
  public:
    DecodeResult m_result = DecodeResult::kOk;
    std::vector<std::int16_t> m_samples;
    std::int32_t m_channels = 1;
    std::int32_t m_samplesPerSec = 8000;
    bool m_canDecodeMp3 = true;
    DecodeResult m_inspectResult = DecodeResult::kOk;
    SoundInfo m_info;

    std::vector<std::string> m_images;
    std::vector<std::int64_t> m_maxFrames;
    std::vector<std::string> m_inspected;

    DecodeResult Decode(const unsigned char* image, std::size_t size, std::int64_t maxFrames,
                        DecodedSound& sound) override {
        m_images.emplace_back(reinterpret_cast<const char*>(image), size);
        m_maxFrames.push_back(maxFrames);
        sound = DecodedSound();
        if (m_result != DecodeResult::kOk)
            return m_result;
        sound.m_samples.reset(new std::int16_t[m_samples.size()]);
        std::copy(m_samples.begin(), m_samples.end(), sound.m_samples.get());
        sound.m_channels = m_channels;
        sound.m_frames =
            m_channels > 0 ? static_cast<std::int64_t>(m_samples.size()) / m_channels : 0;
        sound.m_samplesPerSec = m_samplesPerSec;
        return DecodeResult::kOk;
    }
    DecodeResult Inspect(const unsigned char* image, std::size_t size, SoundInfo& info) override {
        m_inspected.emplace_back(reinterpret_cast<const char*>(image), size);
        info = m_inspectResult == DecodeResult::kOk ? m_info : SoundInfo();
        return m_inspectResult;
    }
    bool CanDecodeMp3() const override { return m_canDecodeMp3; }
};
