#include "backends/SndfileDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Frames of the first block of a decoded sound, a few megabytes; it doubles as the sound goes on.
constexpr std::int64_t kFirstBlockFrames = std::int64_t{1} << 20;

// The file image as libsndfile's virtual file: reads, seeks and length over memory; it
// cannot be written.
struct MemoryFile {
    const unsigned char* data;
    sf_count_t size;
    sf_count_t position;
};

sf_count_t Length(void* user) {
    return static_cast<MemoryFile*>(user)->size;
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    auto& file = *static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = file.position;
    else if (whence == SEEK_END)
        base = file.size;
    else if (whence != SEEK_SET)
        return -1;
    // Positions past the end are allowed, as in a file; reads there find nothing.
    if (offset < -base || (offset > 0 && base > INT64_MAX - offset))
        return -1;
    file.position = base + offset;
    return file.position;
}

sf_count_t Read(void* to, sf_count_t count, void* user) {
    auto& file = *static_cast<MemoryFile*>(user);
    if (count <= 0 || file.position >= file.size)
        return 0;
    const sf_count_t n = std::min(count, file.size - file.position);
    std::memcpy(to, file.data + file.position, static_cast<std::size_t>(n));
    file.position += n;
    return n;
}

sf_count_t Write(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t Tell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

// libsndfile's reading of a file image: open, with its description checked against what the
// store can take.
class COpenSound {
  public:
    COpenSound(const unsigned char* image, std::size_t size)
        : m_memory{image, static_cast<sf_count_t>(size), 0} {
        if (image == nullptr || size == 0 || size > static_cast<std::uint64_t>(INT64_MAX))
            return;
        m_file = sf_open_virtual(&m_io, SFM_READ, &m_info, &m_memory);
        if (m_file == nullptr)
            return;
        if (m_info.channels < 1 || m_info.channels > CSoundDecoder::kMaxChannels ||
            m_info.samplerate <= 0)
            m_result = DecodeResult::kNotPossible;
        else if (m_info.frames <= 0)
            m_result = DecodeResult::kError;
        else
            m_result = DecodeResult::kOk;
    }
    ~COpenSound() {
        if (m_file != nullptr)
            sf_close(m_file);
    }
    COpenSound(const COpenSound&) = delete;
    COpenSound& operator=(const COpenSound&) = delete;

    DecodeResult Result() const { return m_result; }
    SNDFILE* File() const { return m_file; }
    const SF_INFO& Info() const { return m_info; }

  private:
    SF_VIRTUAL_IO m_io{Length, Seek, Read, Write, Tell};
    MemoryFile m_memory;
    SF_INFO m_info{};
    SNDFILE* m_file = nullptr;
    DecodeResult m_result = DecodeResult::kNotPossible;
};

SoundCodec CodecOf(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC)
        return SoundCodec::kFlac;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG) {
        if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS)
            return SoundCodec::kVorbis;
        if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS)
            return SoundCodec::kOpus;
    }
    return SoundCodec::kOther;
}

std::int32_t BitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
            return 32;
        default:
            return 0;
    }
}

}  // namespace

DecodeResult CSndfileDecoder::Decode(const unsigned char* image, std::size_t size,
                                     std::int64_t maxFrames, DecodedSound& sound) {
    sound = DecodedSound();
    COpenSound open(image, size);
    if (open.Result() != DecodeResult::kOk)
        return open.Result();
    const SF_INFO& info = open.Info();
    // The frame count is the decoder's reading of the file's header; what goes beyond the
    // caller's bound is refused before anything is decoded.
    if (info.frames > maxFrames)
        return DecodeResult::kTooLong;

    // The header may claim far more than the stream holds (a few hundred bytes of FLAC can
    // announce ten minutes at 655 kHz), so the buffer grows with the frames actually decoded.
    const std::int64_t channels = info.channels;
    std::int64_t capacity = std::min<std::int64_t>(info.frames, kFirstBlockFrames);
    std::unique_ptr<std::int16_t[]> samples(new (std::nothrow) std::int16_t[capacity * channels]);
    if (!samples)
        return DecodeResult::kError;
    // Float sound beyond full scale is clipped rather than wrapped.
    sf_command(open.File(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_count_t frames = 0;
    while (frames < info.frames) {
        if (frames == capacity) {
            const std::int64_t grown = std::min(2 * capacity, std::int64_t{info.frames});
            std::unique_ptr<std::int16_t[]> larger(new (std::nothrow)
                                                       std::int16_t[grown * channels]);
            if (!larger)
                return DecodeResult::kError;
            std::copy_n(samples.get(), frames * channels, larger.get());
            samples = std::move(larger);
            capacity = grown;
        }
        const sf_count_t got =
            sf_readf_short(open.File(), samples.get() + frames * channels, capacity - frames);
        if (got <= 0)
            break;
        frames += got;
    }
    // A stream that ends early is taken as far as it goes, unless decoding failed.
    if (frames == 0 || (frames < info.frames && sf_error(open.File()) != SF_ERR_NO_ERROR))
        return DecodeResult::kError;

    sound.m_samples = std::move(samples);
    sound.m_frames = frames;
    sound.m_channels = info.channels;
    sound.m_samplesPerSec = info.samplerate;
    return DecodeResult::kOk;
}

DecodeResult CSndfileDecoder::Inspect(const unsigned char* image, std::size_t size,
                                      SoundInfo& info) {
    info = SoundInfo();
    COpenSound open(image, size);
    if (open.Result() != DecodeResult::kOk)
        return open.Result();
    info.m_codec = CodecOf(open.Info().format);
    info.m_frames = open.Info().frames;
    info.m_channels = open.Info().channels;
    info.m_samplesPerSec = open.Info().samplerate;
    info.m_bitsPerSample = BitsOf(open.Info().format);
    return DecodeResult::kOk;
}

bool CSndfileDecoder::CanDecodeMp3() const {
    int count = 0;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count)) != 0)
        return false;
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO format{};
        format.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof(format)) == 0 &&
            (format.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
            return true;
    }
    return false;
}
