#include "wave/WaveData.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

std::int16_t* CWaveData::AllocSamples(std::int32_t count) {
    m_samples.reset();
    if (count <= 0)
        return nullptr;
    m_samples.reset(new (std::nothrow) std::int16_t[count]);
    return m_samples.get();
}

bool CWaveData::CreateEmpty(std::int32_t samplesPerSec, std::int32_t count, std::int32_t bits) {
    // The new samples first: a length that cannot be had must not cost the waveform held.
    std::unique_ptr<std::int16_t[]> samples;
    if (count > 0) {
        samples.reset(new (std::nothrow) std::int16_t[count]());
        if (!samples)
            return false;
    }
    m_samples = std::move(samples);
    m_format.m_blockAlign = static_cast<std::uint16_t>(bits / 8);
    m_format.m_formatTag = kWaveFormatPcm;
    m_format.m_channels = 1;
    m_format.m_samplesPerSec = static_cast<std::uint32_t>(samplesPerSec);
    m_format.m_avgBytesPerSec = static_cast<std::uint32_t>(samplesPerSec * (bits / 8));
    m_format.m_bitsPerSample = static_cast<std::uint16_t>(bits);
    m_fileName = "No file loaded";
    m_selStart = 0;
    m_selEnd = count;
    m_sampleCount = count;
    m_dataBytes = static_cast<std::uint32_t>(count) * m_format.m_blockAlign;
    m_freqPercent = 100.0;
    return true;
}

void CWaveData::Empty() {
    m_samples.reset();
    m_format = WaveFormat{};
    m_dataBytes = 0;
    m_fileName = "No file loaded";
    m_selStart = 0;
    m_selEnd = 0;
    m_sampleCount = 0;
    m_freqPercent = 100.0;
    m_state = kNoWaveform;
}

bool CWaveData::Stretch(double factor) {
    if (!(factor > 0.0) || (m_samples == nullptr && m_sampleCount > 0))
        return false;
    const double newCount = std::trunc(m_sampleCount / factor);
    if (!(newCount <= std::numeric_limits<std::int32_t>::max()))
        return false;
    const auto count = static_cast<std::int32_t>(newCount);
    std::unique_ptr<std::int16_t[]> stretched;
    if (count > 0) {
        stretched.reset(new (std::nothrow) std::int16_t[count]);
        if (!stretched)
            return false;
    }
    const std::int16_t* p = m_samples.get();
    const std::int64_t last = static_cast<std::int64_t>(m_sampleCount) - 1;
    for (std::int32_t i = 0; i < count; ++i) {
        const double x = factor * i;
        const auto k = static_cast<std::int64_t>(x);
        const double u = x - static_cast<double>(k);
        const double lower = p[std::min(k, last)];
        const double upper = p[std::min(k + 1, last)];
        stretched[i] =
            static_cast<std::int16_t>(static_cast<std::int32_t>(lower * (1.0 - u) + u * upper));
    }
    m_samples = std::move(stretched);
    m_sampleCount = count;
    m_freqPercent = m_freqPercent * factor;
    m_dataBytes = static_cast<std::uint32_t>(count) * m_format.m_blockAlign;
    if (m_selEnd > count)
        m_selEnd = count;
    if (m_selStart >= count)
        m_selStart = 0;
    m_fileName = "Stretched";
    return true;
}

std::string CWaveData::GetFileName() const {
    const auto slash = m_fileName.find_last_of('/');
    return slash == std::string::npos ? m_fileName : m_fileName.substr(slash + 1);
}

std::string CWaveData::GetFileTitle() const {
    const std::string name = GetFileName();
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string CWaveData::GetFileExt() const {
    const std::string name = GetFileName();
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::int32_t CWaveData::FindOnset() const {
    const std::int64_t limit = std::min<std::int64_t>(m_format.m_samplesPerSec, m_sampleCount);
    std::int64_t i = 0;
    for (; i < limit && m_samples; ++i)
        if (m_samples[i] >= 2400 || m_samples[i] <= -2400)
            break;
    return static_cast<std::int32_t>(i);
}

void CWaveData::CopyFormat(const WaveFormat& source, WaveFormat& destination) {
    std::memcpy(static_cast<void*>(&destination), &source, 18);
}

const char* CWaveData::WaveResultText(int code) {
    switch (code) {
        case kReadOk:
            return "File read OK";
        case kOpenFailed:
            return "Failed to open file!";
        case kNotWave:
            return "Not a valid .wav file!";
        case kNoData:
            return "No data in file!";
        case kNoRiff:
            return "Not a valid .wav file!";
        case kBadFmt:
            return "Not a valid .wav file!";
        case kFormatNotSupported:
            return "Format not supported!";
        case kConversionError:
            return "Error during conversion!";
        case kConversionImpossible:
            return "Conversion not possible!";
        case kNotMp3:
            return "Not a valid mp3 file!";
        case kNoFileSelected:
            return "No file selected!";
        case kTooLong:
            return "Maximum file duration is 10 minutes!";
        case kNoMp3Decoder:
            return "MP3 files cannot be read: the installed libsndfile has no MP3 decoder!";
        default:
            return "Bad file!";
    }
}
