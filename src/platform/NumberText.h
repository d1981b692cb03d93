#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers as the user types them into a field and as the program writes them into files.
// Everything here ignores the process locale: '.' is the decimal point in every locale.

// A whole field as a 32-bit integer: optional surrounding blanks, an optional sign, digits.
// Anything else, an empty field or a value outside the 32-bit range is not a number.
std::optional<std::int32_t> ParseIntField(std::string_view text);

// A whole field as a real: optional surrounding blanks, then a decimal number with optional
// exponent. Infinity, NaN and values that overflow a double ("1e999") are not numbers.
std::optional<double> ParseDoubleField(std::string_view text);

// A real as a field shows it: the fewest significant digits that read back as the same
// value, no trailing zeros ("5000", "0.5", "1.7976931348623157e+308"). Reading a field never
// changes what it shows, so two values a field tells apart stay apart.
std::string FormatDoubleField(double value);
// A real as a read-only display shows it: 15 significant digits, no trailing zeros. A
// frequency reached by adding steps (100.05000000000001) shows as the user thinks of it.
std::string FormatDisplayNumber(double value);

// A real as the text files hold it: fixed notation with six decimals ("440.000000").
std::string FormatFixed6(double value);
// The value the six-decimal text of value reads back as. A file holds its reals to six
// decimals; a reader that takes them so gives the same values when it reads the file the
// program writes from them.
double RoundToFixed6(double value);

// The truncation of a real toward zero into 32 bits, with values outside the range (and
// NaN) giving the most negative 32-bit value, as the processor's own conversion does.
std::int32_t TruncToInt32(double value);
