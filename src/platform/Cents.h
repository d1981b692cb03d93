#pragma once

// Musical intervals as the program measures them: a frequency ratio r is ln r x 1200 / ln 2
// cents. Every conversion between ratios and cents uses these three numbers, so the same
// ratio gives the same cents in the partial table, the files and the views.
inline constexpr double kCentsPerLn = 1731.234049066756;  // 1200 / ln 2
// Tenths of a cent, for the partial table's cents truncated to one decimal.
inline constexpr double kTenthCentsPerLn = 10.0 * kCentsPerLn;
// Back from cents to a ratio's logarithm: ln 2 / 1200.
inline constexpr double kLnPerCent = 1.0 / kCentsPerLn;

static_assert(kTenthCentsPerLn == 17312.34049066756);
static_assert(kLnPerCent == 0.0005776226504666212);
