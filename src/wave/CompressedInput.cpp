#include "wave/CompressedInput.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "platform/SoundDecoder.h"
#include "wave/WavFile.h"

CWaveData::ReadResult ScanMp3(CWaveData& /*wave*/, std::FILE* /*file*/) {
    // MP3 files are not decoded yet: every file that is not a ".wav" is refused as an
    // invalid MP3 file until the frame scan is in place.
    return CWaveData::kNotMp3;
}

CWaveData::ReadResult DecodeCompressed(CWaveData& wave, CSoundDecoder& decoder,
                                       const unsigned char* data, std::uint32_t size) {
    // A decoder reads whole files. The ".wav" file's other chunks are of no use to it, so it
    // gets the format record, with its extra bytes, and the data.
    std::vector<unsigned char> image;
    const unsigned char* whole = data;
    std::size_t wholeSize = size;
    if (wave.m_format.m_formatTag != kWaveFormatMpegLayer3) {
        const std::uint32_t formatBytes =
            18 + std::min<std::uint32_t>(wave.m_format.m_extraSize, sizeof(wave.m_format.m_extra));
        try {
            image.reserve(96 + static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
            return CWaveData::kNoData;
        }
        PutWavHeader(image, reinterpret_cast<const unsigned char*>(&wave.m_format), formatBytes,
                     size);
        image.insert(image.end(), data, data + size);
        whole = image.data();
        wholeSize = image.size();
    }

    const std::int64_t maxFrames =
        std::min<std::int64_t>(kMaxCompressedSeconds * wave.m_format.m_samplesPerSec,
                               std::numeric_limits<std::int32_t>::max());
    DecodedSound sound;
    switch (decoder.Decode(whole, wholeSize, maxFrames, sound)) {
        case DecodeResult::kOk:
            break;
        case DecodeResult::kNotPossible:
            return CWaveData::kConversionImpossible;
        case DecodeResult::kTooLong:
            return CWaveData::kTooLong;
        case DecodeResult::kError:
        default:
            return CWaveData::kConversionError;
    }
    if (!sound.m_samples || sound.m_frames <= 0 || sound.m_frames > maxFrames ||
        sound.m_channels < 1 || sound.m_channels > CSoundDecoder::kMaxChannels ||
        sound.m_samplesPerSec <= 0)
        return CWaveData::kConversionError;

    // The store now describes the decoded PCM, as if it had been read from a PCM file.
    const auto channels = static_cast<std::uint32_t>(sound.m_channels);
    const auto rate = static_cast<std::uint32_t>(sound.m_samplesPerSec);
    const std::uint64_t bytes = static_cast<std::uint64_t>(sound.m_frames) * channels * 2;
    WaveFormat pcm;
    pcm.m_formatTag = kWaveFormatPcm;
    pcm.m_channels = static_cast<std::uint16_t>(channels);
    pcm.m_samplesPerSec = rate;
    pcm.m_avgBytesPerSec = rate * channels * 2;
    pcm.m_blockAlign = static_cast<std::uint16_t>(channels * 2);
    pcm.m_bitsPerSample = 16;
    CWaveData::CopyFormat(pcm, wave.m_format);
    wave.m_dataBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu));
    return FoldToMono(wave, reinterpret_cast<const unsigned char*>(sound.m_samples.get()), bytes,
                      channels, 16, sound.m_frames);
}
