#include "partials/NoteName.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

double CentsAbove(double base, double cents) {
    return base * std::pow(2.0, cents / 1200.0);
}

}  // namespace

TEST(NoteName, WorkedExamplesAndEdges) {
    const double b1 = CentsAbove(440, 200);
    const double bLow = CentsAbove(440, 200 - 3600);
    const struct {
        double freq, aRef;
        bool german;
        const char* text;
    } cases[] = {
        {440, 440, 0, "A(1) +0"},
        {261.6256, 440, 0, "C(1) +0"},
        {466.1638, 440, 0, "Bb(1) +0"},
        {466.1638, 440, 1, "B(1) +0"},
        {500, 440, 0, "B(1) +21"},
        {500, 440, 1, "H(1) +21"},
        {520, 440, 0, "C(2) -11"},
        {1000, 440, 0, "B(2) +21"},
        {61, 440, 0, "B(-2) -21"},
        {440, 432, 0, "A(1) +32"},
        {2000, 435, 0, "B(3) +41"},
        {30, 440, 0, " "},
        {0, 440, 0, " "},
        {-440, 440, 0, " "},
        // the lowest note itself, and just below it
        {440 * 0.07432544468767, 440, 0, "C(-2) +0"},
        {440 * 0.0743, 440, 0, " "},
        // halves round upward, flat or sharp
        {CentsAbove(440, -0.4), 440, 0, "A(1) +0"},
        {CentsAbove(440, -0.6), 440, 0, "A(1) -1"},
        // a B 50 cents sharp or more is the C above
        {CentsAbove(b1, 49.9), 440, 0, "B(1) +50"},
        {CentsAbove(b1, 50.001), 440, 1, "C(2) -50"},
        {CentsAbove(bLow, 50.001), 440, 0, "C(-1) -50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NoteName(c.aRef, c.freq, c.german), c.text) << c.freq << " Hz at A=" << c.aRef;
}

TEST(NoteName, UnusableInputsGiveASpace) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double pairs[][2] = {{440, nan}, {440, inf}, {nan, 440}, {inf, 440},
                               {0, 440},   {0, 0},     {-440, 0},  {1e-300, 1e300}};
    for (const auto& p : pairs)
        EXPECT_EQ(NoteName(p[0], p[1], false), " ") << p[0] << " " << p[1];
    EXPECT_NE(NoteName(440, std::numeric_limits<double>::max(), false), " ");
}
