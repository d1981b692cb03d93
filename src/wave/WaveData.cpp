#include "wave/WaveData.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/TextFile.h"
#include "platform/UiServices.h"

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

// Bytes from the current position to the end of the file; -1 when it cannot be told.
long long BytesLeft(std::FILE* file) {
    const long long here = ftello(file);
    struct stat status {};
    if (here < 0 || fstat(fileno(file), &status) != 0)
        return -1;
    return std::max<long long>(0, status.st_size - here);
}

}  // namespace

std::int16_t CWaveData::ReadWaveFile(CUiServices& ui, WaveFormatCopy& formatCopy) {
    const auto path = ui.GetOpenFileName("Waveform files (.wav, .mp3)|*.wav;*.mp3|", "", "");
    if (!path)
        return kNoFileSelected;

    CWaitCursor wait(ui);
    m_fileName = *path;
    m_state = kNoWaveform;

    FilePtr file(std::fopen(path->c_str(), "rb"));
    if (!file)
        return kOpenFailed;

    const std::string ext = GetFileExt();
    std::int16_t result =
        (ext == "wav" || ext == "WAV") ? ParseWav(file.get()) : ScanMp3(file.get());

    CopyFormat(m_format, formatCopy.m_format);
    formatCopy.m_dataBytes = m_dataBytes;

    if (result == kReadOk) {
        result = DecodeSamples(file.get());
        if (result == kReadOk) {
            m_selStart = FindOnset();
            m_selEnd = m_sampleCount;
            m_freqPercent = 100.0;
            m_state = kFromFile;
        }
    }
    return result;
}

bool CWaveData::FindChunk(std::FILE* file, const char* id, ChunkHeader& header) {
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

std::int16_t CWaveData::ParseWav(std::FILE* file) {
    ChunkHeader header{};
    if (!FindChunk(file, "RIFF", header))
        return kNoRiff;

    char formType[4];
    if (std::fread(formType, 1, 4, file) != 4 || std::memcmp(formType, "WAVE", 4) != 0)
        return kNotWave;

    // A format chunk must hold at least the 16 bytes every format has; a shorter one would
    // leave fields of an earlier file describing this one.
    if (!FindChunk(file, "fmt ", header) || header.size > sizeof(WaveFormat) || header.size < 16)
        return kBadFmt;
    unsigned char raw[sizeof(WaveFormat)];
    if (std::fread(raw, 1, header.size, file) != header.size)
        return kNotWave;
    std::memcpy(static_cast<void*>(&m_format), raw, header.size);
    if (header.size & 1u)
        std::fseek(file, 1, SEEK_CUR);

    // Without a byte rate the file cannot say how many samples it holds.
    if (m_format.m_avgBytesPerSec == 0)
        return kNotWave;

    if (!FindChunk(file, "data", header) || header.size == 0)
        return kNoData;

    m_dataBytes = header.size;
    const double count = std::trunc(static_cast<double>(m_dataBytes) * m_format.m_samplesPerSec /
                                    m_format.m_avgBytesPerSec);
    // A byte rate that lies could claim more samples than an int holds; the decode limits
    // the count to the frames actually present.
    m_sampleCount = static_cast<std::int32_t>(
        std::min(count, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
    return kReadOk;
}

std::int16_t CWaveData::ScanMp3(std::FILE* /*file*/) {
    // Compressed input is not decoded yet: every file that is not a ".wav" is refused as an
    // invalid MP3 file until the frame scan and the decoder are in place.
    return kNotMp3;
}

std::int16_t CWaveData::DecodeSamples(std::FILE* file) {
    // Never believe the announced size before the file has shown it holds that many bytes:
    // a damaged header could otherwise make us allocate gigabytes for a tiny file.
    const long long left = BytesLeft(file);
    if (left >= 0 && left < static_cast<long long>(m_dataBytes))
        return kNoData;

    std::unique_ptr<unsigned char[]> source(new (std::nothrow) unsigned char[m_dataBytes]);
    if (!source)
        return kNoData;
    if (std::fread(source.get(), 1, m_dataBytes, file) != m_dataBytes)
        return kNoData;

    if (m_format.m_formatTag != kWaveFormatPcm) {
        // Compressed sound inside a ".wav" needs a decoder, which is not in place yet.
        return kConversionImpossible;
    }

    const unsigned channels = m_format.m_channels;
    const unsigned bits = m_format.m_bitsPerSample;
    const bool accepted = (channels == 1 || channels == 2) && (bits == 8 || bits == 16);
    if (!accepted)
        return kFormatNotSupported;

    const std::uint32_t frameBytes = channels * (bits / 8);
    const auto frames = static_cast<std::int64_t>(m_dataBytes / frameBytes);
    m_sampleCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(m_sampleCount, 0, frames));

    std::int16_t* out = AllocSamples(m_sampleCount);
    if (out == nullptr && m_sampleCount > 0)
        return kNoData;
    const unsigned char* u = source.get();
    const auto s = [u](std::int64_t i) {
        return static_cast<std::int16_t>(u[2 * i] | (u[2 * i + 1] << 8));
    };
    for (std::int64_t i = 0; i < m_sampleCount; ++i) {
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

    m_format.m_channels = 1;
    m_format.m_avgBytesPerSec = 2 * m_format.m_samplesPerSec;
    m_format.m_blockAlign = 2;
    m_format.m_bitsPerSample = 16;
    return kReadOk;
}

std::int16_t* CWaveData::AllocSamples(std::int32_t count) {
    m_samples.reset();
    if (count <= 0)
        return nullptr;
    m_samples.reset(new (std::nothrow) std::int16_t[count]);
    return m_samples.get();
}

void CWaveData::CreateEmpty(std::int32_t samplesPerSec, std::int32_t count, std::int32_t bits) {
    AllocSamples(count);
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
}

bool CWaveData::WriteWaveFile(CUiServices& ui) {
    const auto path = ui.GetSaveFileName("Waveform files (.wav)|*.wav|", "wav", "");
    if (!path)
        return true;

    if (!WriteFile(*path, [this](std::FILE* file) { return WriteWav(file); }))
        return false;
    m_fileName = *path;
    m_state = kFromFile;
    return true;
}

bool CWaveData::WriteWav(std::FILE* file) const {
    const std::uint32_t b = m_format.m_bitsPerSample / 8;
    const auto n = static_cast<std::uint32_t>(std::max(m_sampleCount, 0));
    std::vector<unsigned char> out;
    out.reserve(48 + 2 * static_cast<std::size_t>(n));
    PutId(out, "RIFF");
    Put32(out, n * b + 40);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 20);
    Put16(out, kWaveFormatPcm);
    Put16(out, 1);
    Put32(out, m_format.m_samplesPerSec);
    Put32(out, m_format.m_samplesPerSec * b);
    Put16(out, m_format.m_blockAlign);
    Put16(out, m_format.m_bitsPerSample);
    Put16(out, 0);
    Put16(out, 0);
    PutId(out, "data");
    Put32(out, n * b);
    for (std::uint32_t i = 0; i < n && m_samples; ++i)
        Put16(out, static_cast<std::uint16_t>(m_samples[i]));
    return std::fwrite(out.data(), 1, out.size(), file) == out.size();
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
        default:
            return "Bad file!";
    }
}
