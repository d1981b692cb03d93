#include "wave/WavFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/SoundDecoder.h"
#include "platform/TextFile.h"
#include "platform/UiServices.h"
#include "wave/CompressedInput.h"

namespace {

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void Put16(std::vector<unsigned char>& out, std::uint32_t value) {
    out.push_back(static_cast<unsigned char>(value & 0xff));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xff));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

void PutId(std::vector<unsigned char>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

// Moves the first `used` items of buffer into a new one of `capacity` items; false, with
// buffer as it was, when memory is lacking.
template <class T>
bool Grow(std::unique_ptr<T[]>& buffer, std::int64_t used, std::int64_t capacity) {
    std::unique_ptr<T[]> grown(new (std::nothrow) T[capacity]);
    if (!grown)
        return false;
    std::copy(buffer.get(), buffer.get() + used, grown.get());
    buffer = std::move(grown);
    return true;
}

bool IsFoldable(unsigned channels, unsigned bits) {
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16);
}

// Frames of the first `frames` a fold can take from byteCount bytes of data.
std::int64_t FramesToFold(std::uint64_t byteCount, unsigned channels, unsigned bits,
                          std::int64_t frames) {
    const std::uint64_t frameBytes = channels * (bits / 8);
    const auto present = static_cast<std::int64_t>(
        std::min<std::uint64_t>(byteCount / frameBytes, std::numeric_limits<std::int32_t>::max()));
    return std::clamp<std::int64_t>(frames, 0, present);
}

// Stores `frames` interleaved frames of a foldable layout as 16-bit mono: 8-bit values are
// centred on 128, two channels are averaged toward zero.
void FoldFrames(const unsigned char* u, std::int64_t frames, unsigned channels, unsigned bits,
                std::int16_t* out) {
    // The i-th little-endian 16-bit value; on a little-endian machine a plain load, which
    // lets the loops below vectorise.
    const auto s = [u](std::int64_t i) {
        if constexpr (std::endian::native == std::endian::little) {
            std::int16_t value;
            std::memcpy(&value, u + 2 * i, sizeof value);
            return value;
        } else {
            return static_cast<std::int16_t>(u[2 * i] | (u[2 * i + 1] << 8));
        }
    };
    if (channels == 1 && bits == 8) {
        for (std::int64_t i = 0; i < frames; ++i)
            out[i] = static_cast<std::int16_t>((u[i] - 128) * 256);
    } else if (channels == 2 && bits == 8) {
        for (std::int64_t i = 0; i < frames; ++i)
            out[i] = static_cast<std::int16_t>((u[2 * i] + u[2 * i + 1] - 256) * 128);
    } else if (channels == 1) {
        for (std::int64_t i = 0; i < frames; ++i)
            out[i] = s(i);
    } else {
        for (std::int64_t i = 0; i < frames; ++i)
            out[i] = static_cast<std::int16_t>((s(2 * i) + s(2 * i + 1)) / 2);  // toward zero
    }
}

void SetMono16(WaveFormat& format) {
    format.m_channels = 1;
    format.m_avgBytesPerSec = 2 * format.m_samplesPerSec;
    format.m_blockAlign = 2;
    format.m_bitsPerSample = 16;
}

// Reads the m_dataBytes of PCM data at the file's position in blocks, folding each to mono
// as it arrives, so the data is never held whole. The sample count is limited to the whole
// frames the data holds; all the data must be readable (kNoData), and only then does a
// layout the store cannot take give kFormatNotSupported. The store changes only on
// success. A file that has shown it holds the data gets room for its samples at once; a
// stream of unknown length gets room only for what it has delivered.
CWaveData::ReadResult ReadPcm(CWaveData& wave, std::FILE* file) {
    const std::uint32_t dataBytes = wave.m_dataBytes;
    const long long left = BytesLeft(file);
    if (left >= 0 && left < static_cast<long long>(dataBytes))
        return CWaveData::kNoData;
    const unsigned channels = wave.m_format.m_channels;
    const unsigned bits = wave.m_format.m_bitsPerSample;
    const bool foldable = IsFoldable(channels, bits);
    const std::uint32_t frameBytes = foldable ? channels * (bits / 8) : 1;
    const std::int64_t frames =
        foldable ? FramesToFold(dataBytes, channels, bits, wave.m_sampleCount) : 0;

    std::unique_ptr<unsigned char[]> block(
        new (std::nothrow) unsigned char[std::min(kReadBlockBytes, dataBytes)]);
    std::int64_t capacity =
        left >= 0 ? frames : std::min<std::int64_t>(frames, kReadBlockBytes / frameBytes);
    std::unique_ptr<std::int16_t[]> samples(capacity > 0 ? new (std::nothrow) std::int16_t[capacity]
                                                         : nullptr);
    if (!block || (capacity > 0 && !samples))
        return CWaveData::kNoData;

    std::int64_t stored = 0;
    for (std::uint32_t done = 0; done < dataBytes;) {
        const std::uint32_t want = std::min(kReadBlockBytes, dataBytes - done);
        if (std::fread(block.get(), 1, want, file) != want)
            return CWaveData::kNoData;
        done += want;
        const std::int64_t take = std::min<std::int64_t>(want / frameBytes, frames - stored);
        if (take <= 0)
            continue;
        if (stored + take > capacity) {
            // Only a stream gets here: it has shown another block, so hold twice as much.
            capacity = std::min(frames, std::max(2 * capacity, stored + take));
            if (!Grow(samples, stored, capacity))
                return CWaveData::kNoData;
        }
        FoldFrames(block.get(), take, channels, bits, samples.get() + stored);
        stored += take;
    }
    if (!foldable)
        return CWaveData::kFormatNotSupported;

    wave.m_samples = std::move(samples);
    wave.m_sampleCount = static_cast<std::int32_t>(frames);
    SetMono16(wave.m_format);
    return CWaveData::kReadOk;
}

}  // namespace

long long BytesLeft(std::FILE* file) {
    const long long here = ftello(file);
    struct stat status {};
    if (here < 0 || fstat(fileno(file), &status) != 0)
        return -1;
    return std::max<long long>(0, status.st_size - here);
}

std::unique_ptr<unsigned char[]> ReadSoundData(std::FILE* file, std::uint32_t count) {
    // Never believe an announced size before the file has shown it holds that many bytes:
    // a damaged header could otherwise make us allocate gigabytes for a tiny file. A stream
    // cannot show its length, so it gets room only for what it has delivered.
    const long long left = BytesLeft(file);
    if (left >= 0 && left < static_cast<long long>(count))
        return nullptr;
    std::uint32_t capacity = left >= 0 ? count : std::min(count, kReadBlockBytes);
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[capacity]);
    if (!data)
        return nullptr;
    for (std::uint32_t done = 0; done < count;) {
        if (done == capacity) {
            capacity = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(count, 2 * static_cast<std::uint64_t>(capacity)));
            if (!Grow(data, done, capacity))
                return nullptr;
        }
        const std::uint32_t want = capacity - done;
        if (std::fread(data.get() + done, 1, want, file) != want)
            return nullptr;
        done += want;
    }
    return data;
}

CWaveData::ReadResult ReadWaveFile(CWaveData& wave, CUiServices& ui, CSoundDecoder& decoder,
                                   WaveFormatCopy& formatCopy) {
    const auto path = ui.GetOpenFileName(
        "Waveform files (.wav, .mp3)|*.wav;*.mp3|"
        "FLAC and Ogg files (.flac, .ogg, .oga, .opus)|*.flac;*.ogg;*.oga;*.opus|",
        "", "");
    if (!path)
        return CWaveData::kNoFileSelected;

    CWaitCursor wait(ui);
    wave.m_fileName = *path;
    wave.m_state = CWaveData::kNoWaveform;

    // Only a regular file: the sizes a header announces are checked against its length.
    const FilePtr file = OpenRegularFile(*path);
    if (!file)
        return CWaveData::kOpenFailed;

    const std::string ext = wave.GetFileExt();
    CWaveData::ReadResult result = CWaveData::kReadOk;
    if (ext == "wav" || ext == "WAV")
        result = ParseWav(wave, file.get());
    else if (IsFlacOrOggExt(ext))
        result = ScanFlacOrOgg(wave, decoder, file.get());
    else
        result = ScanMp3(wave, file.get());

    CWaveData::CopyFormat(wave.m_format, formatCopy.m_format);
    formatCopy.m_dataBytes = wave.m_dataBytes;

    // The store's byte rate is twice its sample rate: from 2^31 Hz no file could hold it.
    if (result == CWaveData::kReadOk && wave.m_format.m_samplesPerSec > 0x7FFFFFFFu)
        result = CWaveData::kFormatNotSupported;
    if (result == CWaveData::kReadOk) {
        result = DecodeSamples(wave, decoder, file.get());
        // Data too short for one whole sample, or a byte rate that leaves none, is no sound.
        if (result == CWaveData::kReadOk && wave.m_sampleCount == 0)
            result = CWaveData::kNoData;
        if (result == CWaveData::kReadOk) {
            wave.m_selStart = wave.FindOnset();
            wave.m_selEnd = wave.m_sampleCount;
            wave.m_freqPercent = 100.0;
            wave.m_state = CWaveData::kFromFile;
        }
    }
    return result;
}

CWaveData::ReadResult ReadWaveFile(CWaveData& wave, CUiServices& ui, WaveFormatCopy& formatCopy) {
    CNoSoundDecoder noDecoder;
    return ReadWaveFile(wave, ui, noDecoder, formatCopy);
}

bool FindChunk(std::FILE* file, const char* id, ChunkHeader& header) {
    unsigned char raw[8];
    if (std::fread(raw, 1, 8, file) != 8)
        return false;
    while (std::memcmp(raw, id, 4) != 0) {
        const std::uint32_t size = LittleEndian32(raw + 4);
        // A chunk body is padded to an even length.
        const long long skip = static_cast<long long>(size) + (size & 1u);
        if (BytesLeft(file) < skip)
            return false;
        if (fseeko(file, skip, SEEK_CUR) != 0)
            return false;
        if (std::fread(raw, 1, 8, file) != 8)
            return false;
    }
    std::memcpy(header.id, raw, 4);
    header.size = LittleEndian32(raw + 4);
    return true;
}

CWaveData::ReadResult ParseWav(CWaveData& wave, std::FILE* file) {
    ChunkHeader header{};
    if (!FindChunk(file, "RIFF", header))
        return CWaveData::kNoRiff;

    char formType[4];
    if (std::fread(formType, 1, 4, file) != 4 || std::memcmp(formType, "WAVE", 4) != 0)
        return CWaveData::kNotWave;

    // A format chunk must hold at least the 16 bytes every format has. What a shorter chunk
    // leaves out reads as zero, never as fields of an earlier file: a decoder is handed the
    // whole record, extra bytes included.
    if (!FindChunk(file, "fmt ", header) || header.size > sizeof(WaveFormat) || header.size < 16)
        return CWaveData::kBadFmt;
    unsigned char raw[sizeof(WaveFormat)] = {};
    if (std::fread(raw, 1, header.size, file) != header.size)
        return CWaveData::kNotWave;
    std::memcpy(static_cast<void*>(&wave.m_format), raw, sizeof(WaveFormat));
    if (header.size & 1u)
        std::fseek(file, 1, SEEK_CUR);

    // Without a byte rate the file cannot say how many samples it holds.
    if (wave.m_format.m_avgBytesPerSec == 0)
        return CWaveData::kNotWave;

    if (!FindChunk(file, "data", header) || header.size == 0)
        return CWaveData::kNoData;

    wave.m_dataBytes = header.size;
    const double count = std::trunc(static_cast<double>(wave.m_dataBytes) *
                                    wave.m_format.m_samplesPerSec / wave.m_format.m_avgBytesPerSec);
    // A byte rate that lies could claim more samples than an int holds; the decode limits
    // the count to the frames actually present.
    wave.m_sampleCount = static_cast<std::int32_t>(
        std::min(count, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
    return CWaveData::kReadOk;
}

CWaveData::ReadResult DecodeSamples(CWaveData& wave, CSoundDecoder& decoder, std::FILE* file) {
    if (wave.m_format.m_formatTag == kWaveFormatPcm)
        return ReadPcm(wave, file);

    const auto source = ReadSoundData(file, wave.m_dataBytes);
    if (!source)
        return CWaveData::kNoData;
    return DecodeCompressed(wave, decoder, source.get(), wave.m_dataBytes);
}

CWaveData::ReadResult FoldToMono(CWaveData& wave, const unsigned char* bytes,
                                 std::uint64_t byteCount, unsigned channels, unsigned bits,
                                 std::int64_t frames) {
    if (!IsFoldable(channels, bits))
        return CWaveData::kFormatNotSupported;

    wave.m_sampleCount = static_cast<std::int32_t>(FramesToFold(byteCount, channels, bits, frames));
    std::int16_t* out = wave.AllocSamples(wave.m_sampleCount);
    if (out == nullptr && wave.m_sampleCount > 0)
        return CWaveData::kNoData;
    FoldFrames(bytes, wave.m_sampleCount, channels, bits, out);
    SetMono16(wave.m_format);
    return CWaveData::kReadOk;
}

bool WriteWaveFile(CWaveData& wave, CUiServices& ui) {
    const auto path = ui.GetSaveFileName("Waveform files (.wav)|*.wav|", "wav", "");
    if (!path)
        return true;

    if (!WriteFile(*path, [&wave](std::FILE* file) { return WriteWav(wave, file); }))
        return false;
    wave.m_fileName = *path;
    wave.m_state = CWaveData::kFromFile;
    return true;
}

void PutWavHeader(std::vector<unsigned char>& out, const unsigned char* format,
                  std::uint32_t formatBytes, std::uint32_t dataBytes) {
    const std::uint32_t pad = formatBytes & 1u;
    // A size beyond what the field holds is written as its largest value; readers stop at
    // the end of the data anyway.
    const std::uint64_t riffBytes = 4ull + 8 + formatBytes + pad + 8 + dataBytes;
    PutId(out, "RIFF");
    Put32(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(riffBytes, 0xFFFFFFFFu)));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, formatBytes);
    out.insert(out.end(), format, format + formatBytes);
    if (pad)
        out.push_back(0);
    PutId(out, "data");
    Put32(out, dataBytes);
}

bool WriteWav(const CWaveData& wave, std::FILE* file) {
    const std::uint32_t b = wave.m_format.m_bitsPerSample / 8;
    const auto n = static_cast<std::uint32_t>(std::max(wave.m_sampleCount, 0));
    std::vector<unsigned char> format;
    Put16(format, kWaveFormatPcm);
    Put16(format, 1);
    Put32(format, wave.m_format.m_samplesPerSec);
    Put32(format, wave.m_format.m_samplesPerSec * b);
    Put16(format, wave.m_format.m_blockAlign);
    Put16(format, wave.m_format.m_bitsPerSample);
    Put16(format, 0);
    Put16(format, 0);

    std::vector<unsigned char> out;
    out.reserve(48 + 2 * static_cast<std::size_t>(n));
    PutWavHeader(out, format.data(), static_cast<std::uint32_t>(format.size()), n * b);
    for (std::uint32_t i = 0; i < n && wave.m_samples; ++i)
        Put16(out, static_cast<std::uint16_t>(wave.m_samples[i]));
    return std::fwrite(out.data(), 1, out.size(), file) == out.size();
}
