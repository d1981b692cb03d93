#pragma once

#include <string>

// The nearest equal-tempered note of a frequency, with its octave number and the deviation
// in whole cents, for example "A(1) +0", "C(2) -11" or "B(-2) -21". aRef is the pitch of the
// A that octave 1 is counted from (440, 435 or 432 Hz). germanNames selects the German names
// ("B" for B flat, "H" for B natural) instead of the English ones.
// Frequencies below the lowest named note (the C three octaves and a sixth below A), zero,
// negative or not finite frequencies, and a pitch reference that is not a positive finite
// number give a single space.
std::string NoteName(double aRef, double freq, bool germanNames);
