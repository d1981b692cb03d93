// The number and line scanners against the C library's own: ScanReal and ParseDoubleField
// against strtod, ScanInteger and ParseIntField against strtol, FormatFixed6 against
// printf's "%.6f", the field text against its own reading, and the line reader against
// fgets on the same text with its CR LF pairs made single line ends. The process runs in the
// "C" locale, so the library's answers are the ones the files and fields are defined by.

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/TextScan.h"

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Same(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

// strtod's reading of a decimal number at the start of text, with how much it took; nothing
// for hexadecimal, infinity and NaN, which the program's scanners do not take.
struct CReading {
    double value;
    std::size_t length;
    bool range;
};
std::optional<CReading> Strtod(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    const auto length = static_cast<std::size_t>(end - text.c_str());
    if (length == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (!IsCSpace(c) && !(c >= '0' && c <= '9') && !std::strchr(".eE+-", c))
            return std::nullopt;
    }
    return CReading{value, length, errno == ERANGE};
}

void CheckScanReal(const std::string& text) {
    std::string_view rest = text;
    const auto scanned = ScanReal(rest);
    const auto reference = Strtod(text);
    if (!reference) {
        // No decimal number for the library; the scanner may still read the "0" of "0x1".
        if (scanned && !(*scanned == 0.0 && rest.size() < text.size()))
            Require("ScanReal read a number strtod does not\n", "ScanReal");
        return;
    }
    if (std::isinf(reference->value)) {
        if (scanned)
            Require("ScanReal took an overflowing number\n", "ScanReal");
        return;
    }
    if (!scanned || !Same(*scanned, reference->value) ||
        text.size() - rest.size() != reference->length)
        Require("ScanReal differs from strtod on \"" + text + "\"\n", "ScanReal");
}

void CheckScanInteger(const std::string& text) {
    std::string_view rest = text;
    const auto scanned = ScanInteger(rest);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    const auto length = static_cast<std::size_t>(end - text.c_str());
    const bool fits = length > 0 && errno != ERANGE &&
                      value >= std::numeric_limits<std::int32_t>::min() &&
                      value <= std::numeric_limits<std::int32_t>::max();
    if (scanned.has_value() != fits ||
        (fits && (*scanned != value || text.size() - rest.size() != length)))
        Require("ScanInteger differs from strtol on \"" + text + "\"\n", "ScanInteger");
}

// A field's text as the library reads it whole: blanks around it, then nothing but the
// number, and a "+" only before a digit or point.
std::string_view FieldText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

void CheckFields(const std::string& text) {
    const std::string field(FieldText(text));
    const bool startsClean =
        !field.empty() && !IsCSpace(field[0]) &&
        !(field[0] == '+' && field.size() > 1 && !std::isdigit(field[1]) && field[1] != '.');

    char* end = nullptr;
    errno = 0;
    const long integer = std::strtol(field.c_str(), &end, 10);
    const bool intWhole = startsClean && end == field.c_str() + field.size() && errno != ERANGE &&
                          integer >= std::numeric_limits<std::int32_t>::min() &&
                          integer <= std::numeric_limits<std::int32_t>::max();
    const auto parsedInt = ParseIntField(text);
    if (parsedInt.has_value() != intWhole || (intWhole && *parsedInt != integer))
        Require("ParseIntField differs from strtol on \"" + text + "\"\n", "ParseIntField");

    const auto reading = startsClean ? Strtod(field) : std::nullopt;
    const auto parsed = ParseDoubleField(text);
    if (reading && reading->length == field.size() && reading->range &&
        std::fabs(reading->value) < 1.0)
        return;  // below the smallest double: either answer is a fair one for a field
    const bool realWhole =
        reading && reading->length == field.size() && std::isfinite(reading->value);
    if (parsed.has_value() != realWhole || (realWhole && !Same(*parsed, reading->value)))
        Require("ParseDoubleField differs from strtod on \"" + text + "\"\n", "ParseDoubleField");
}

void CheckFormats(double value) {
    if (!std::isfinite(value))
        return;
    char printed[400];
    std::snprintf(printed, sizeof printed, "%.6f", value);
    if (FormatFixed6(value) != printed)
        Require("FormatFixed6 differs from %.6f\n", "FormatFixed6");
    const double rounded = RoundToFixed6(value);
    if (!Same(RoundToFixed6(rounded), rounded))
        Require("six decimals of six decimals differ\n", "RoundToFixed6");
    const auto shown = ParseDoubleField(FormatDoubleField(value));
    if (!shown || *shown != value)
        Require("field text " + FormatDoubleField(value) + " does not read back\n",
                "FormatDoubleField");
}

void CheckLines(const std::string& text) {
    if (text.empty())
        return;
    std::string single;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        single += text[i];
    }
    FilePtr file(fmemopen(const_cast<char*>(text.data()), text.size(), "rb"));
    FilePtr reference(fmemopen(single.data(), single.size(), "rb"));
    if (!file || !reference)
        return;
    CTextLineReader reader(file.get());
    std::string line;
    char buffer[CTextLineReader::kLineBuffer];
    for (;;) {
        const long before = std::ftell(reference.get());
        const bool got = std::fgets(buffer, sizeof buffer, reference.get()) != nullptr;
        const long after = std::ftell(reference.get());
        if (reader.ReadLine(line) != got ||
            (got && line != single.substr(static_cast<std::size_t>(before),
                                          static_cast<std::size_t>(after - before))))
            Require("the line reader differs from fgets\n", "CTextLineReader");
        if (!got)
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = Bytes(data, size);
    CheckLines(text);
    std::size_t start = 0;
    for (int pieces = 0; pieces < 64 && start <= text.size(); ++pieces) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string piece = text.substr(start, end - start);
        CheckScanReal(piece);
        CheckScanInteger(piece);
        CheckFields(piece);
        std::string_view rest = piece;
        if (const auto value = ScanReal(rest))
            CheckFormats(*value);
        start = end + 1;
    }
    // The input's bytes as doubles reach every value, the largest and the smallest too.
    for (std::size_t at = 0; at + sizeof(double) <= size; at += sizeof(double)) {
        double value;
        std::memcpy(&value, data + at, sizeof value);
        CheckFormats(value);
    }
    return 0;
}
