#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// from_chars takes no leading '+', which typed numbers often carry.
std::string_view DropPlus(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

}  // namespace

std::optional<std::int32_t> ParseIntField(std::string_view text) {
    text = DropPlus(Trim(text));
    if (text.empty())
        return std::nullopt;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> ParseDoubleField(std::string_view text) {
    text = DropPlus(Trim(text));
    if (text.empty())
        return std::nullopt;
    // Only decimal digits, a point, signs and an exponent: from_chars would also take
    // "inf", "nan" and hexadecimal forms, which no field of this program means.
    for (char c : text) {
        const bool ok =
            (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!ok)
            return std::nullopt;
    }
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FormatDoubleField(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general);
    return std::string(buffer, result.ptr);
}

std::string FormatDisplayNumber(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string FormatFixed6(double value) {
    char buffer[400];  // the widest double in fixed notation has 309 digits before the point
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

double RoundToFixed6(double value) {
    if (!std::isfinite(value))
        return value;
    const std::string text = FormatFixed6(value);
    double rounded = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), rounded, std::chars_format::fixed);
    return rounded;
}

std::int32_t TruncToInt32(double value) {
    const double t = std::trunc(value);
    if (!(t >= -2147483648.0 && t <= 2147483647.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}
