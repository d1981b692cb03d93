#include "platform/TextScan.h"

#include <charconv>
#include <cmath>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return i;
}

std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// Whether a decimal mantissa with the given exponent lies below 1, i.e. a number that does
// not fit a double is too small rather than too large.
bool BelowOne(std::string_view mantissa, std::int64_t exponent) {
    const std::size_t point = mantissa.find('.');
    const std::size_t intLen = point == std::string_view::npos ? mantissa.size() : point;
    std::int64_t magnitude = 0;
    bool found = false;
    for (std::size_t i = 0; i < mantissa.size() && !found; ++i) {
        if (mantissa[i] == '.' || mantissa[i] == '0')
            continue;
        magnitude = i < intLen ? static_cast<std::int64_t>(intLen - i - 1)
                               : -static_cast<std::int64_t>(i - intLen);
        found = true;
    }
    return !found || magnitude + exponent < 0;
}

}  // namespace

bool CTextLineReader::ReadLine(std::string& line) {
    line.clear();
    while (line.size() + 1 < kLineBuffer) {
        int c = std::getc(m_file);
        if (c == EOF)
            break;
        if (c == '\r') {
            const int next = std::getc(m_file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, m_file);
            }
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !line.empty();
}

std::optional<double> ScanReal(std::string_view& text) {
    std::size_t i = SkipSpace(text);
    const std::size_t signPos = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaPos = i;
    const std::size_t intEnd = SkipDigits(text, i);
    std::size_t end = intEnd;
    std::size_t fracEnd = intEnd;
    if (end < text.size() && text[end] == '.')
        fracEnd = SkipDigits(text, end + 1);
    const bool anyDigit = intEnd > mantissaPos || fracEnd > intEnd + 1;
    if (!anyDigit)
        return std::nullopt;
    end = fracEnd;
    const std::string_view mantissa = text.substr(mantissaPos, end - mantissaPos);
    std::int64_t exponent = 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t e = end + 1;
        bool expNegative = false;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            expNegative = text[e] == '-';
            ++e;
        }
        const std::size_t expEnd = SkipDigits(text, e);
        if (expEnd > e) {  // an exponent without digits is not part of the number
            for (std::size_t k = e; k < expEnd && exponent < 100000; ++k)
                exponent = exponent * 10 + (text[k] - '0');
            if (expNegative)
                exponent = -exponent;
            end = expEnd;
        }
    }

    // from_chars takes a leading '-' but no '+'.
    const std::size_t from = negative ? signPos : mantissaPos;
    double value = 0.0;
    const auto [ptr, ec] =
        std::from_chars(text.data() + from, text.data() + end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!BelowOne(mantissa, exponent))
            return std::nullopt;
        value = negative ? -0.0 : 0.0;
    } else if (ec != std::errc() || ptr != text.data() + end) {
        return std::nullopt;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    text.remove_prefix(end);
    return value;
}

std::optional<std::int32_t> ScanInteger(std::string_view& text) {
    std::size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t end = SkipDigits(text, i);
    if (end == i)
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t k = i; k < end; ++k) {
        value = value * 10 + (text[k] - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    text.remove_prefix(end);
    return static_cast<std::int32_t>(value);
}
