#include "synth/StretchFactor.h"

#include <gtest/gtest.h>

namespace {

TEST(StretchFactorTest, FactorsAndCents) {
    const double up = StretchFactorBetween(500.0, 510.0);
    EXPECT_EQ(up, 1.02);
    EXPECT_DOUBLE_EQ(CentsOfStretch(up), 34.2829826361251);
    EXPECT_EQ(StretchOfCents(100.0), 1.0594630943592953);

    // Both ends of the range pass; exactly 1 would change nothing.
    EXPECT_EQ(CheckStretchFactor(1.0), StretchCheck::kIsOne);
    for (const double f : {0.67, 1.5, 1.02, 0.999999})
        EXPECT_EQ(CheckStretchFactor(f), StretchCheck::kOk) << f;
    for (const double f : {0.669, 1.501, -1.0, 0.0})
        EXPECT_EQ(CheckStretchFactor(f), StretchCheck::kOutOfRange) << f;
}

}  // namespace
