#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// What a decoder made of a compressed sound file: interleaved 16-bit frames with the
// source's channels and rate.
struct DecodedSound {
    std::unique_ptr<std::int16_t[]> m_samples;  // m_frames * m_channels values
    std::int64_t m_frames = 0;
    std::int32_t m_channels = 0;
    std::int32_t m_samplesPerSec = 0;
};

// The codecs of sound files that are decoded whole without a scan of their own.
enum class SoundCodec : std::int8_t {
    kOther,
    kFlac,
    kVorbis,
    kOpus,
};

// What a decoder learns from a compressed sound file's headers, before decoding it.
struct SoundInfo {
    SoundCodec m_codec = SoundCodec::kOther;
    std::int64_t m_frames = 0;
    std::int32_t m_channels = 0;
    std::int32_t m_samplesPerSec = 0;
    std::int32_t m_bitsPerSample = 0;  // of lossless sound; 0 where a codec has none
};

enum class DecodeResult : std::int8_t {
    kOk,
    kNotPossible,  // no decoder for the format, or no sound stream in it
    kError,        // the stream could not be decoded, or held no frames
    kTooLong,      // more frames than the caller allowed; nothing was decoded
};

// Turns a whole compressed sound file held in memory into 16-bit PCM. The input is untrusted:
// the output is sized from what the decoder reports and bounded by maxFrames, so a damaged
// header can never make it allocate without limit or write past what it allocated.
class CSoundDecoder {
  public:
    // The store folds one or two channels to mono; a sound with more cannot be used and is
    // refused as not possible, which also keeps the output within maxFrames * 2 values.
    static constexpr std::int32_t kMaxChannels = 2;

    virtual ~CSoundDecoder() = default;

    // On kOk, sound holds at least one frame; on any other result it is empty.
    virtual DecodeResult Decode(const unsigned char* image, std::size_t size,
                                std::int64_t maxFrames, DecodedSound& sound) = 0;
    // Reads the description of the sound without decoding it: kNotPossible and kError as
    // Decode (no frames is an error); never kTooLong, the caller holds the length.
    virtual DecodeResult Inspect(const unsigned char* image, std::size_t size, SoundInfo& info) = 0;
    // Whether MP3 files can be decoded at all, so a missing codec can be told apart from a
    // damaged file.
    virtual bool CanDecodeMp3() const = 0;
};

// For callers that have no decoder: every compressed sound is "not possible".
class CNoSoundDecoder : public CSoundDecoder {
  public:
    DecodeResult Decode(const unsigned char*, std::size_t, std::int64_t,
                        DecodedSound& sound) override {
        sound = DecodedSound();
        return DecodeResult::kNotPossible;
    }
    DecodeResult Inspect(const unsigned char*, std::size_t, SoundInfo& info) override {
        info = SoundInfo();
        return DecodeResult::kNotPossible;
    }
    bool CanDecodeMp3() const override { return false; }
};
