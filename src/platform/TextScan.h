#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// Reading the program's text files line by line and number by number, the same on every
// platform and in every locale.

// Reads lines the way a text-mode read into a buffer of kLineBuffer characters does: CR LF
// counts as one line end, a line is returned with its end ('\n') when it fits, and a line
// longer than the buffer holds comes back in pieces, the rest counting as the next line.
class CTextLineReader {
  public:
    static constexpr std::size_t kLineBuffer = 79;  // characters, with the terminating zero

    explicit CTextLineReader(std::FILE* file) : m_file(file) {}

    // The next line, or false at the end of the file.
    bool ReadLine(std::string& line);

  private:
    std::FILE* m_file;
};

// A real at the start of text, after any white space: an optional sign, decimal digits with
// an optional point, an optional exponent. On success text is advanced past the number.
// Infinity, NaN, hexadecimal forms and values that overflow a double are not numbers; a
// value too small for a double reads as zero.
std::optional<double> ScanReal(std::string_view& text);

// A 32-bit integer at the start of text, after any white space: an optional sign and
// decimal digits. On success text is advanced past the number. A value outside the 32-bit
// range is not a number.
std::optional<std::int32_t> ScanInteger(std::string_view& text);
