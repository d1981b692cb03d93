#include "wave/CompressedInput.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "platform/SoundDecoder.h"
#include "wave/WavFile.h"

namespace {

// The fields of an accepted MPEG audio frame header.
struct FrameHeader {
    unsigned version;          // 0 = MPEG 2.5, 2 = MPEG-2, 3 = MPEG-1
    unsigned layer;            // 1 = Layer III, 2 = Layer II, 3 = Layer I
    unsigned bitRateIndex;     // 1 to 14
    unsigned sampleRateIndex;  // 0 to 2
    unsigned channelMode;      // 3 = single channel
};

// Bit rates in kbit/s by MPEG-1 or not (MPEG-2 and 2.5 share a table), layer I, II, III, and
// bit-rate index; index 0 is never looked up.
constexpr std::int64_t kBitRates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
};

// Sample rates in Hz by version field and sample-rate index; version 1 is never looked up.
constexpr std::int64_t kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Durations are counted in ticks of 1/14112000 s, the least common multiple of every MPEG
// sample rate: every frame lasts a whole number of ticks, so the sum over thousands of frames
// and its test against the ten-minute limit are exact.
constexpr std::int64_t kTicksPerSecond = 14112000;

std::optional<FrameHeader> AcceptHeader(const unsigned char* b) {
    const unsigned b1 = b[1], b2 = b[2], b3 = b[3];
    if (b[0] != 255 || (b1 & 0xE0) != 0xE0)
        return std::nullopt;
    const FrameHeader header{(b1 >> 3) & 3, (b1 >> 1) & 3, b2 >> 4, (b2 >> 2) & 3, b3 >> 6};
    if (header.layer == 0 || header.version == 1 || header.bitRateIndex == 0 ||
        header.bitRateIndex == 15 || header.sampleRateIndex == 3)
        return std::nullopt;
    return header;
}

// What the scan takes from one frame.
struct Frame {
    std::int64_t sampleRate;
    std::int64_t samplesPerFrame;
    std::int64_t length;  // bytes, without the padding byte
    std::int64_t ticks;
    std::uint16_t channels;
};

Frame Describe(const FrameHeader& header) {
    const std::int64_t bitRate =
        1000 * kBitRates[header.version & 1][3 - header.layer][header.bitRateIndex];
    Frame frame{};
    frame.sampleRate = kSampleRates[header.version][header.sampleRateIndex];
    frame.samplesPerFrame = header.layer == 3                          ? 384
                            : header.layer == 2 || header.version == 3 ? 1152
                                                                       : 576;
    // samples per frame / sample rate / 8 * bit rate, truncated to whole bytes: 417 for
    // 44100 Hz at 128 kbit/s in MPEG-1 Layer III.
    frame.length = frame.samplesPerFrame * bitRate / (8 * frame.sampleRate);
    frame.ticks = frame.samplesPerFrame * (kTicksPerSecond / frame.sampleRate);
    frame.channels = header.channelMode == 3 ? 1 : 2;
    return frame;
}

// The 12 bytes of the file at the scan's position; the first 10 are examined. The position
// is 64-bit, so neither a file over 2 GB nor a tag size added to a position can wrap.
class CScanWindow {
  public:
    explicit CScanWindow(std::FILE* file) : m_file(file) {}

    // Reads the window at position; false when fewer than 12 bytes are there.
    bool MoveTo(std::int64_t position) {
        m_position = position;
        return fseeko(m_file, position, SEEK_SET) == 0 &&
               std::fread(m_bytes, 1, sizeof(m_bytes), m_file) == sizeof(m_bytes);
    }
    // Moves one byte on, keeping the window the bytes at its position; false at the end of
    // the file.
    bool Slide() {
        const int next = std::getc(m_file);
        if (next == EOF)
            return false;
        std::memmove(m_bytes, m_bytes + 1, sizeof(m_bytes) - 1);
        m_bytes[sizeof(m_bytes) - 1] = static_cast<unsigned char>(next);
        ++m_position;
        return true;
    }

    const unsigned char* Bytes() const { return m_bytes; }
    std::int64_t Position() const { return m_position; }

  private:
    std::FILE* m_file;
    std::int64_t m_position = 0;
    unsigned char m_bytes[12] = {};
};

// The ID3v2 tag that may open the file: its 10-byte header and the size it announces.
bool IsId3Tag(const unsigned char* b) {
    return b[0] == 'I' && b[1] == 'D' && b[2] == '3';
}
std::int64_t Id3TagBytes(const unsigned char* b) {
    return 10 + (std::int64_t{b[6]} << 21) + (std::int64_t{b[7]} << 14) + (b[8] << 7) + b[9];
}

std::uint32_t Saturated32(double value) {
    return static_cast<std::uint32_t>(
        std::clamp(value, 0.0, static_cast<double>(std::numeric_limits<std::uint32_t>::max())));
}

// The MPEG Layer-3 format record of a scanned file (30 bytes used).
void PutMpegFormat(WaveFormat& format, const Frame& last, std::uint32_t bytesPerSec) {
    format = WaveFormat();
    format.m_formatTag = kWaveFormatMpegLayer3;
    format.m_channels = last.channels;
    format.m_samplesPerSec = static_cast<std::uint32_t>(last.sampleRate);
    format.m_avgBytesPerSec = bytesPerSec;
    format.m_blockAlign = 1;
    format.m_bitsPerSample = 0;
    format.m_extraSize = 12;
    const auto put16 = [&format](int offset, std::uint32_t value) {
        format.m_extra[offset] = static_cast<std::uint8_t>(value & 0xff);
        format.m_extra[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    put16(0, 1);                                                     // identifier: MPEG
    put16(2, 2);                                                     // flags: padding off
    put16(6, static_cast<std::uint32_t>(last.samplesPerFrame / 8));  // block size
    put16(8, 1);                                                     // frames per block
    put16(10, 1393);                                                 // codec delay
}

// Sound data that is a file of its own and goes to the decoder as it stands.
bool IsWholeStream(std::uint16_t tag) {
    return tag == kWaveFormatMpegLayer3 || tag == kWaveFormatFlac || tag == kWaveFormatVorbis ||
           tag == kWaveFormatOpus;
}

std::uint16_t FormatTagOf(SoundCodec codec) {
    switch (codec) {
        case SoundCodec::kFlac:
            return kWaveFormatFlac;
        case SoundCodec::kVorbis:
            return kWaveFormatVorbis;
        case SoundCodec::kOpus:
            return kWaveFormatOpus;
        case SoundCodec::kOther:
        default:
            return 0;
    }
}

CWaveData::ReadResult ResultOf(DecodeResult result) {
    switch (result) {
        case DecodeResult::kOk:
            return CWaveData::kReadOk;
        case DecodeResult::kNotPossible:
            return CWaveData::kConversionImpossible;
        case DecodeResult::kTooLong:
            return CWaveData::kTooLong;
        case DecodeResult::kError:
        default:
            return CWaveData::kConversionError;
    }
}

std::int64_t MaxFrames(std::int64_t samplesPerSec) {
    return std::min<std::int64_t>(kMaxCompressedSeconds * samplesPerSec,
                                  std::numeric_limits<std::int32_t>::max());
}

}  // namespace

CWaveData::ReadResult ScanMp3(CWaveData& wave, std::FILE* file) {
    // The whole file goes to the decoder; one the store's byte count cannot hold is refused
    // before anything is read.
    const long long length = BytesLeft(file);
    if (length > static_cast<long long>(kMaxSoundDataBytes))
        return CWaveData::kNoData;
    CScanWindow window(file);
    if (length < 0 || !window.MoveTo(0))
        return CWaveData::kNotMp3;

    bool found = false;
    Frame last{};
    std::int64_t ticks = 0;
    while (window.Position() < length) {
        if (!found && IsId3Tag(window.Bytes())) {
            // The tag is passed over here but stays in the file the decoder gets.
            if (!window.MoveTo(window.Position() + Id3TagBytes(window.Bytes())))
                break;
        }
        if (const auto header = AcceptHeader(window.Bytes())) {
            found = true;
            last = Describe(*header);
            ticks += last.ticks;
            if (ticks > kMaxCompressedSeconds * kTicksPerSecond)
                return CWaveData::kTooLong;
            // A frame with a padding byte is one byte longer; the slide finds the next header.
            if (!window.MoveTo(window.Position() + last.length))
                break;
        } else if (!window.Slide()) {
            break;
        }
    }
    if (!found)
        return CWaveData::kNotMp3;

    PutMpegFormat(wave.m_format, last,
                  Saturated32(static_cast<double>(length * kTicksPerSecond / ticks)));
    wave.m_dataBytes = static_cast<std::uint32_t>(length);
    wave.m_sampleCount = static_cast<std::int32_t>(last.sampleRate * ticks / kTicksPerSecond);
    fseeko(file, 0, SEEK_SET);
    return CWaveData::kReadOk;
}

bool IsFlacOrOggExt(const std::string& ext) {
    std::string lower = ext;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "flac" || lower == "ogg" || lower == "oga" || lower == "opus";
}

CWaveData::ReadResult ScanFlacOrOgg(CWaveData& wave, CSoundDecoder& decoder, std::FILE* file) {
    const long long length = BytesLeft(file);
    if (length <= 0 || length > static_cast<long long>(kMaxSoundDataBytes))
        return CWaveData::kNoData;
    const auto size = static_cast<std::uint32_t>(length);
    const auto image = ReadSoundData(file, size);
    if (!image)
        return CWaveData::kNoData;

    SoundInfo info;
    const CWaveData::ReadResult inspected = ResultOf(decoder.Inspect(image.get(), size, info));
    if (inspected != CWaveData::kReadOk)
        return inspected;
    // Only what the program can name and hand over whole; a decoder's description that the
    // store cannot fold is no sound for it either.
    const std::uint16_t tag = FormatTagOf(info.m_codec);
    if (tag == 0 || info.m_channels < 1 || info.m_channels > CSoundDecoder::kMaxChannels ||
        info.m_samplesPerSec <= 0 || info.m_bitsPerSample < 0 ||
        info.m_bitsPerSample > std::numeric_limits<std::uint16_t>::max())
        return CWaveData::kConversionImpossible;
    if (info.m_frames <= 0)
        return CWaveData::kConversionError;
    if (info.m_frames > kMaxCompressedSeconds * info.m_samplesPerSec)
        return CWaveData::kTooLong;

    wave.m_format = WaveFormat();
    wave.m_format.m_formatTag = tag;
    wave.m_format.m_channels = static_cast<std::uint16_t>(info.m_channels);
    wave.m_format.m_samplesPerSec = static_cast<std::uint32_t>(info.m_samplesPerSec);
    wave.m_format.m_avgBytesPerSec = Saturated32(
        static_cast<double>(length) * info.m_samplesPerSec / static_cast<double>(info.m_frames));
    wave.m_format.m_blockAlign = 1;
    wave.m_format.m_bitsPerSample = static_cast<std::uint16_t>(info.m_bitsPerSample);
    wave.m_dataBytes = size;
    wave.m_sampleCount = static_cast<std::int32_t>(
        std::min<std::int64_t>(info.m_frames, std::numeric_limits<std::int32_t>::max()));
    fseeko(file, 0, SEEK_SET);
    return CWaveData::kReadOk;
}

CWaveData::ReadResult DecodeCompressed(CWaveData& wave, CSoundDecoder& decoder,
                                       const unsigned char* data, std::uint32_t size) {
    if (wave.m_format.m_formatTag == kWaveFormatMpegLayer3 && !decoder.CanDecodeMp3())
        return CWaveData::kNoMp3Decoder;

    // A decoder reads whole files. The ".wav" file's other chunks are of no use to it, so it
    // gets the format record, with its extra bytes, and the data.
    std::vector<unsigned char> image;
    const unsigned char* whole = data;
    std::size_t wholeSize = size;
    if (!IsWholeStream(wave.m_format.m_formatTag)) {
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

    const std::int64_t maxFrames = MaxFrames(wave.m_format.m_samplesPerSec);
    DecodedSound sound;
    CWaveData::ReadResult decoded = ResultOf(decoder.Decode(whole, wholeSize, maxFrames, sound));
    // The scan found MP3 frames and the decoder reads MP3: frames it cannot take are damaged,
    // not of a kind no one can decode.
    if (decoded == CWaveData::kConversionImpossible &&
        wave.m_format.m_formatTag == kWaveFormatMpegLayer3)
        decoded = CWaveData::kConversionError;
    if (decoded != CWaveData::kReadOk)
        return decoded;
    // The buffer is the decoder's; whatever it claims, only a sound of the format found in
    // the file, within the frames it was allowed, is taken.
    if (!sound.m_samples || sound.m_frames <= 0 || sound.m_frames > maxFrames ||
        sound.m_channels != wave.m_format.m_channels ||
        sound.m_channels > CSoundDecoder::kMaxChannels ||
        sound.m_samplesPerSec != static_cast<std::int64_t>(wave.m_format.m_samplesPerSec))
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
