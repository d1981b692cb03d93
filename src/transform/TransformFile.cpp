#include "transform/TransformFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Cents.h"
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

std::string IntText(std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The most a line holds, without its end, to come back whole through the reader's buffer.
constexpr std::size_t kLineRoom = CTextLineReader::kLineBuffer - 2;
// Room for the waveform's name on line 2.
constexpr std::size_t kWaveNameRoom = kLineRoom - kWaveFilePrefix.size();

// Line 4, the grid.
std::string GridLine(double start, double end, std::int32_t steps) {
    return "start freq: " + FormatFixed6(start) + ", end freq: " + FormatFixed6(end) +
           ", steps: " + IntText(steps);
}

// A data line without its end.
void AppendDataLine(std::string& text, double x, double y) {
    text.append(FormatFixed6(x)).append(",").append(FormatFixed6(y));
}

std::string FormatTransform(const CTransformData& transform, const TransformSource& source,
                            double nominal, bool inCents) {
    constexpr std::string_view kEnd = "\r\n";
    std::string text;
    text.reserve(static_cast<std::size_t>(transform.m_steps + 1) * 28 + 256);
    text.append(inCents ? kRelativeTitle : kPlainTitle).append(kEnd);
    text.append(kWaveFilePrefix)
        .append(FitOnOneLine(source.m_fileTitle, kWaveNameRoom))
        .append(kEnd);
    text.append("sample rate: ").append(IntText(source.m_sampleRate)).append(kEnd);
    text.append(GridLine(transform.m_startFreq, transform.m_endFreq, transform.m_steps))
        .append(kEnd);
    text.append("start byte in input data: ").append(IntText(source.m_startSample));
    text.append(", end byte: ").append(IntText(source.m_endSample)).append(kEnd);
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
        AppendDataLine(text, x, y);
        text.append(kEnd);
    }
    text.append(kEnd);
    return text;
}

// The number after the next colon of rest, to the six decimals a file holds; rest is
// advanced past it.
std::optional<double> RealAfterColon(std::string_view& rest) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(colon + 1);
    const auto value = ScanReal(rest);
    if (!value)
        return std::nullopt;
    return RoundToFixed6(*value);
}

std::optional<std::int32_t> IntegerAfterColon(std::string_view& rest) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(colon + 1);
    return ScanInteger(rest);
}

// A data line: a real, a comma right after it, a real. The value is taken to the six
// decimals the program writes, so a file it writes from a transform read gives it back.
bool ScanDataLine(std::string_view line, double& frequency, double& value) {
    const auto x = ScanReal(line);
    if (!x || line.empty() || line.front() != ',')
        return false;
    line.remove_prefix(1);
    const auto y = ScanReal(line);
    if (!y)
        return false;
    frequency = *x;
    value = RoundToFixed6(*y);
    return true;
}

// Whether every point of the grid start + j * interval, j = 0 .. steps, lies above the one
// before: an interval that is 0, or too fine for the frequencies' precision, leaves points
// on one value.
bool GridSteps(double start, double interval, std::int32_t steps) {
    for (std::int32_t j = 0; j < steps; ++j) {
        if (!(start + (j + 1) * interval > start + j * interval))
            return false;
    }
    return true;
}

// The largest distance of a line's frequency from its point start + j * interval.
double GridDeviation(const std::vector<double>& frequencies, double start, double interval) {
    double largest = 0.0;
    for (std::size_t j = 0; j < frequencies.size(); ++j) {
        const double off = std::fabs(frequencies[j] - (start + static_cast<double>(j) * interval));
        if (!(off <= largest))
            largest = off;  // NaN counts as the largest
    }
    return largest;
}

// Whether the writer, given this interval, writes every line's frequency as it stands.
bool ReproducesLines(const std::vector<double>& frequencies, double start, double interval) {
    for (std::size_t j = 0; j < frequencies.size(); ++j) {
        if (RoundToFixed6(start + static_cast<double>(j) * interval) != frequencies[j])
            return false;
    }
    return true;
}

// The middle of the intervals that put every line j >= 1 within the rounding of six decimals
// of start + j * interval, or 0 when no interval does.
double MiddleOfReproducingIntervals(const std::vector<double>& frequencies, double start) {
    constexpr double kHalfDecimal = 0.5e-6;
    double low = 0.0;
    double high = std::numeric_limits<double>::infinity();
    for (std::size_t j = 1; j < frequencies.size(); ++j) {
        const double steps = static_cast<double>(j);
        low = std::max(low, (frequencies[j] - kHalfDecimal - start) / steps);
        high = std::min(high, (frequencies[j] + kHalfDecimal - start) / steps);
    }
    return low <= high && std::isfinite(high) ? low + (high - low) / 2.0 : 0.0;
}

// The interval the data lines were written with. The writer's steps were the range over
// its interval, truncated, and each line holds its frequency to six decimals. A range that
// is a whole number of intervals gives (end - start) / steps; otherwise the writer's
// interval is smaller than that, and the lines themselves tell it: the span of their
// frequencies over their count. Among (end - start) / steps and the candidates that give the
// header's steps, the first that puts every line within the rounding of six decimals is
// taken (six decimals are all a typed interval usually has, so that value comes first);
// failing that, the one closest to the lines. The rounding of the lines can put the
// measured span just outside the intervals that give the header's steps (0.5 for 1.5 Hz in
// 2 steps, written with 0.500000005), so the nearest interval inside them is a candidate too.
// An interval with which the writer gives every line exactly as it stands comes before one
// that only puts the lines near the grid: the file written again from it is the same file,
// where another interval near the lines could move a line by one in the last decimal.
double WrittenInterval(const std::vector<double>& frequencies, double start, double end,
                       std::int32_t steps) {
    const double whole = (end - start) / steps;
    if (frequencies.size() < 2)
        return whole;
    const double measured =
        (frequencies.back() - frequencies.front()) / static_cast<double>(frequencies.size() - 1);
    const double sixDecimals = std::round(measured * 1e6) / 1e6;
    const double fewestSteps = std::nextafter((end - start) / (steps + 1.0), whole);
    const double withinSteps = std::clamp(measured, std::min(fewestSteps, whole), whole);
    // (end - start) / steps itself, or any positive interval that gives the header's steps.
    const auto fits = [&](double candidate) {
        return candidate > 0.0 &&
               (candidate == whole || TruncToInt32((end - start) / candidate) == steps);
    };
    const auto reproduces = [&](double candidate) {
        return fits(candidate) && ReproducesLines(frequencies, start, candidate);
    };
    if (reproduces(sixDecimals))
        return sixDecimals;
    if (reproduces(whole))
        return whole;
    if (const double middle = MiddleOfReproducingIntervals(frequencies, start); reproduces(middle))
        return middle;

    constexpr double kRounding = 2e-6;
    double best = whole;
    double bestDeviation = GridDeviation(frequencies, start, whole);
    for (const double candidate : {sixDecimals, whole, measured, withinSteps}) {
        if (!fits(candidate))
            continue;
        const double deviation = GridDeviation(frequencies, start, candidate);
        if (deviation <= kRounding)
            return candidate;
        if (deviation < bestDeviation) {
            best = candidate;
            bestDeviation = deviation;
        }
    }
    return best;
}

TransformReadResult ReadTransform(std::FILE* file, CTransformData& transform,
                                  TransformSource& source) {
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
    // Any rate a recording can have: the waveform reader takes every positive one.
    if (*rate < 1)
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
    // Numbers the program could not write back within its own lines (frequencies of 1e25 Hz
    // and more) are no transform file of its making.
    if (GridLine(*start, *end, *steps).size() > kLineRoom)
        return kTransformFormatError;

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

    // The lines are taken first and the transform held is replaced only by a whole file.
    const auto count = static_cast<std::size_t>(*steps) + 1;
    std::vector<double> frequencies;
    std::vector<double> values;
    frequencies.reserve(count);
    values.reserve(count);
    TransformReadResult lineResult = kTransformReadOk;
    while (frequencies.size() < count) {
        if (!reader.ReadLine(line)) {
            lineResult = kTransformNotEnoughData;
            break;
        }
        double frequency = 0.0;
        double value = 0.0;
        if (!ScanDataLine(line, frequency, value)) {
            lineResult = kTransformFormatError;
            break;
        }
        frequencies.push_back(frequency);
        values.push_back(value);
    }
    // A line off the grid counts where it stands, before a short or damaged end.
    const double interval = WrittenInterval(frequencies, *start, *end, *steps);
    if (!GridSteps(*start, interval, *steps))
        return kTransformBadGrid;
    if (!(GridDeviation(frequencies, *start, interval) <= kFrequencyTolerance))
        return kTransformBadFrequency;
    if (lineResult != kTransformReadOk)
        return lineResult;
    std::string written;
    for (std::int32_t j = 0; j <= *steps; ++j) {
        written.clear();
        AppendDataLine(written, *start + j * interval, values[static_cast<std::size_t>(j)]);
        if (written.size() > kLineRoom)
            return kTransformFormatError;
    }

    if (!transform.Replace(*steps, *start, *end, interval, values.data()))
        return kTransformNoMemory;
    transform.m_valid = true;
    transform.FindMaximum();
    transform.m_smoothedValid = transform.Smooth(*rate, *last - *first);
    source.m_sampleRate = *rate;
    source.m_startSample = *first;
    source.m_endSample = *last;
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
                        const TransformSource& source, bool inCents, double nominal) {
    if (!transform.m_valid || !transform.m_values)
        return false;
    if (inCents && !(nominal > 0.0 && std::isfinite(nominal)))
        return false;

    const auto path =
        ui.GetSaveFileName(kTransformFileFilter, kTransformFileExt, source.m_fileTitle);
    if (!path)
        return true;

    const std::string text = FormatTransform(transform, source, nominal, inCents);
    return WriteFile(*path, [&](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

TransformReadResult ReadTransformFile(CUiServices& ui, CTransformData& transform,
                                      TransformSource& source) {
    const auto path = ui.GetOpenFileName(kTransformFileFilter, kTransformFileExt, "");
    if (!path)
        return kTransformNoFileSelected;
    CWaitCursor wait(ui);
    const FilePtr file = OpenRegularFile(*path);
    if (!file)
        return kTransformOpenFailed;
    return ReadTransform(file.get(), transform, source);
}
