#include "transform/TransformFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/AnalysisParams.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/TextScan.h"
#include "platform/UiServices.h"
#include "transform/TransformData.h"

namespace {

constexpr std::string_view kPlainTitle = "Transforms";
constexpr std::string_view kRelativeTitle = "Relative Transforms";
constexpr std::string_view kWaveFilePrefix = "wave file is ";
constexpr double kFrequencyTolerance = 0.01;  // Hz
// Cents from a frequency ratio r: ln r * 1200 / ln 2.
constexpr double kCentsPerLn = 1731.234049066756;

std::string IntText(std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Room for the waveform's name on line 2 within the reader's line buffer.
constexpr std::size_t kWaveNameRoom = CTextLineReader::kLineBuffer - 2 - kWaveFilePrefix.size();

std::string FormatTransform(const CTransformData& transform, const AnalysisParams& settings,
                            double nominal, bool inCents) {
    constexpr std::string_view kEnd = "\r\n";
    std::string text;
    text.reserve(static_cast<std::size_t>(transform.m_steps + 1) * 28 + 256);
    text.append(inCents ? kRelativeTitle : kPlainTitle).append(kEnd);
    text.append(kWaveFilePrefix)
        .append(FitOnOneLine(settings.m_fileTitle, kWaveNameRoom))
        .append(kEnd);
    text.append("sample rate: ").append(IntText(settings.m_sampleRate)).append(kEnd);
    text.append("start freq: ").append(FormatFixed6(transform.m_startFreq));
    text.append(", end freq: ").append(FormatFixed6(transform.m_endFreq));
    text.append(", steps: ").append(IntText(transform.m_steps)).append(kEnd);
    text.append("start byte in input data: ").append(IntText(settings.m_startSample));
    text.append(", end byte: ").append(IntText(settings.m_endSample)).append(kEnd);
    text.append("freq.,transform").append(kEnd);

    // No logarithm of 0 Hz: a relative transform from 0 Hz leaves out its first value.
    const std::int32_t first = inCents && transform.m_startFreq == 0.0 ? 1 : 0;
    for (std::int32_t j = first; j <= transform.m_steps; ++j) {
        const double frequency = transform.FrequencyAt(j);
        double x = frequency;
        double y = transform.m_values[j];
        if (inCents) {
            x = std::log(frequency / nominal) * kCentsPerLn;
            // An all-zero transform has nothing to be relative to.
            y = transform.m_maxValue > 0.0 ? y / transform.m_maxValue : 0.0;
        }
        text.append(FormatFixed6(x)).append(",").append(FormatFixed6(y)).append(kEnd);
    }
    text.append(kEnd);
    return text;
}

// The number after the next colon of rest; rest is advanced past it.
std::optional<double> RealAfterColon(std::string_view& rest) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(colon + 1);
    return ScanReal(rest);
}

std::optional<std::int32_t> IntegerAfterColon(std::string_view& rest) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(colon + 1);
    return ScanInteger(rest);
}

// A data line: a real, a comma right after it, a real.
bool ScanDataLine(std::string_view line, double& frequency, double& value) {
    const auto x = ScanReal(line);
    if (!x || line.empty() || line.front() != ',')
        return false;
    line.remove_prefix(1);
    const auto y = ScanReal(line);
    if (!y)
        return false;
    frequency = *x;
    value = *y;
    return true;
}

std::int16_t ReadTransform(std::FILE* file, CTransformData& transform, std::int32_t& sampleRate,
                           std::int32_t& startSample, std::int32_t& endSample) {
    CTextLineReader reader(file);
    std::string line;
    if (!reader.ReadLine(line) || line.compare(0, kPlainTitle.size(), kPlainTitle) != 0)
        return kNotTransformFile;
    if (!reader.ReadLine(line))
        return kTransformFormatError;  // the waveform's name

    if (!reader.ReadLine(line))
        return kTransformFormatError;
    std::string_view rest = line;
    const auto rate = IntegerAfterColon(rest);
    if (!rate)
        return kTransformFormatError;
    if (*rate != 11025 && *rate != 22050 && *rate != 44100)
        return kTransformBadSampleRate;

    if (!reader.ReadLine(line))
        return kTransformFormatError;
    rest = line;
    const auto start = RealAfterColon(rest);
    if (!start)
        return kTransformFormatError;
    const auto end = RealAfterColon(rest);
    if (!end)
        return kTransformFormatError;
    const auto steps = IntegerAfterColon(rest);
    if (!steps)
        return kTransformFormatError;
    // No file of this program holds more steps than the panel allows; more would only
    // make the arrays below huge.
    if (*start < 0.0 || *start >= *end || *steps < 1 || *steps > kMaxTransformSteps)
        return kTransformBadGrid;

    if (!reader.ReadLine(line))
        return kTransformFormatError;
    rest = line;
    const auto first = IntegerAfterColon(rest);
    if (!first)
        return kTransformFormatError;
    const auto last = IntegerAfterColon(rest);
    if (!last)
        return kTransformFormatError;
    if (*first < 0 || *first >= *last)
        return kTransformBadSampleRange;

    if (!reader.ReadLine(line))
        return kTransformFormatError;  // the column header

    const double interval = (*end - *start) / *steps;
    if (!transform.Allocate(*steps, *start, *end, interval))
        return kTransformNoMemory;
    for (std::int32_t j = 0; j <= *steps; ++j) {
        if (!reader.ReadLine(line))
            return kTransformNotEnoughData;
        double frequency = 0.0;
        double value = 0.0;
        if (!ScanDataLine(line, frequency, value))
            return kTransformFormatError;
        if (std::fabs(frequency - transform.FrequencyAt(j)) > kFrequencyTolerance)
            return kTransformBadFrequency;
        transform.m_values[j] = value;
    }

    transform.m_valid = true;
    transform.FindMaximum();
    transform.m_smoothedValid = transform.Smooth(*rate, *last - *first);
    sampleRate = *rate;
    startSample = *first;
    endSample = *last;
    return kTransformReadOk;
}

}  // namespace

const char* TransformResultText(int code) {
    switch (code) {
        case kTransformReadOk:
            return "File read OK";
        case kTransformOpenFailed:
            return "Failed to open file!";
        case kTransformNoFileSelected:
            return "No file selected";
        case kNotTransformFile:
            return "Not a transform file!";
        case kTransformFormatError:
            return "File format error!";
        case kTransformNotEnoughData:
            return "Not enough data in file!";
        case kTransformBadGrid:
        case kTransformBadSampleRange:
        case kTransformBadSampleRate:
        case kTransformBadFrequency:
            return "Bad data in file!";
        default:
            return "Bad file!";
    }
}

bool WriteTransformFile(CUiServices& ui, const CTransformData& transform,
                        const AnalysisParams& settings, double nominal) {
    const bool inCents = settings.m_writeInCents != 0;
    if (!transform.m_valid || !transform.m_values)
        return false;
    if (inCents && !(nominal > 0.0 && std::isfinite(nominal)))
        return false;

    const auto path =
        ui.GetSaveFileName(kTransformFileFilter, kTransformFileExt, settings.m_fileTitle);
    if (!path)
        return true;

    const std::string text = FormatTransform(transform, settings, nominal, inCents);
    return WriteFile(*path, [&](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

std::int16_t ReadTransformFile(CUiServices& ui, CTransformData& transform, std::int32_t& sampleRate,
                               std::int32_t& startSample, std::int32_t& endSample) {
    const auto path = ui.GetOpenFileName(kTransformFileFilter, kTransformFileExt, "");
    if (!path)
        return kTransformNoFileSelected;
    CWaitCursor wait(ui);
    FilePtr file(std::fopen(path->c_str(), "rb"));
    if (!file)
        return kTransformOpenFailed;
    return ReadTransform(file.get(), transform, sampleRate, startSample, endSample);
}
