#include "wave/WavFile.h"

#include <sys/stat.h>

#include <algorithm>
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
    // a damaged header could otherwise make us allocate gigabytes for a tiny file.
    const long long left = BytesLeft(file);
    if (left >= 0 && left < static_cast<long long>(count))
        return nullptr;
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[count]);
    if (!data || std::fread(data.get(), 1, count, file) != count)
        return nullptr;
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
    const auto source = ReadSoundData(file, wave.m_dataBytes);
    if (!source)
        return CWaveData::kNoData;

    if (wave.m_format.m_formatTag != kWaveFormatPcm)
        return DecodeCompressed(wave, decoder, source.get(), wave.m_dataBytes);

    return FoldToMono(wave, source.get(), wave.m_dataBytes, wave.m_format.m_channels,
                      wave.m_format.m_bitsPerSample, wave.m_sampleCount);
}

CWaveData::ReadResult FoldToMono(CWaveData& wave, const unsigned char* bytes,
                                 std::uint64_t byteCount, unsigned channels, unsigned bits,
                                 std::int64_t frames) {
    const bool accepted = (channels == 1 || channels == 2) && (bits == 8 || bits == 16);
    if (!accepted)
        return CWaveData::kFormatNotSupported;

    const std::uint64_t frameBytes = channels * (bits / 8);
    const auto present = static_cast<std::int64_t>(
        std::min<std::uint64_t>(byteCount / frameBytes, std::numeric_limits<std::int32_t>::max()));
    wave.m_sampleCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, present));

    std::int16_t* out = wave.AllocSamples(wave.m_sampleCount);
    if (out == nullptr && wave.m_sampleCount > 0)
        return CWaveData::kNoData;
    const unsigned char* u = bytes;
    const auto s = [u](std::int64_t i) {
        return static_cast<std::int16_t>(u[2 * i] | (u[2 * i + 1] << 8));
    };
    for (std::int64_t i = 0; i < wave.m_sampleCount; ++i) {
        int value = 0;
        if (channels == 1 && bits == 8)
            value = (u[i] - 128) * 256;
        else if (channels == 2 && bits == 8)
            value = (u[2 * i] + u[2 * i + 1] - 256) * 128;
        else if (channels == 1 && bits == 16)
            value = s(i);
        else
            value = (s(2 * i) + s(2 * i + 1)) / 2;  // C++ division truncates toward zero
        out[i] = static_cast<std::int16_t>(value);
    }

    wave.m_format.m_channels = 1;
    wave.m_format.m_avgBytesPerSec = 2 * wave.m_format.m_samplesPerSec;
    wave.m_format.m_blockAlign = 2;
    wave.m_format.m_bitsPerSample = 16;
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
