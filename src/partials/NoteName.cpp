#include "partials/NoteName.h"

#include <cmath>

#include "platform/Cents.h"

namespace {

constexpr const char* kEnglishNames[12] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                           "F#", "G",  "Ab", "A",  "Bb", "B"};
constexpr const char* kGermanNames[12] = {"C",  "Db", "D",  "Eb", "E", "F",
                                          "F#", "G",  "Ab", "A",  "B", "H"};

// 2^(-45/12): from the reference A down to the C three octaves and a major sixth below it.
constexpr double kLowestCFactor = 0.07432544468767;

}  // namespace

std::string NoteName(double aRef, double freq, bool germanNames) {
    const double base = aRef * kLowestCFactor;
    // Written so that NaN on either side also ends here: nothing below takes an integer
    // part of a value that is not a finite, modest number.
    if (!(base > 0.0) || !(freq >= base))
        return " ";
    const double cents = std::log(freq / base) * kCentsPerLn;
    if (!std::isfinite(cents))
        return " ";

    // cents >= 0 and at most some millions, so the truncations below are floors that fit.
    // Each octave runs from 50 cents below its C, so a B 50 cents sharp is the next C.
    const int octave = static_cast<int>(std::trunc((cents + 50.0) / 1200.0));
    const double inOctave = cents - 1200.0 * octave;
    int semitone = static_cast<int>(std::trunc((inOctave + 50.0) / 100.0));
    if (semitone < 0)
        semitone = 0;  // rounding at the octave's lower edge
    if (semitone > 11)
        semitone = 11;
    const double deviation = inOctave - 100.0 * semitone;
    const int wholeCents = static_cast<int>(std::floor(deviation + 0.5));

    std::string text = germanNames ? kGermanNames[semitone] : kEnglishNames[semitone];
    text += '(';
    text += std::to_string(octave - 2);
    text += ')';
    text += wholeCents >= 0 ? " +" : " ";
    text += std::to_string(wholeCents);
    return text;
}
