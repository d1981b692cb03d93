#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "partials/PartialData.h"
#include "transform/TransformData.h"

namespace {

struct Peak {
    int at;
    double height;
    double width = 3.0;
};

// Values and smoothed values both: narrow peaks whose tops are exactly their heights, on a
// floor of 0.01.
void Fill(CTransformData& t, std::int32_t steps, double startFreq, double interval,
          std::vector<Peak> peaks) {
    t.m_startFreq = startFreq;
    t.m_interval = interval;
    t.m_steps = steps;
    t.m_endFreq = startFreq + steps * interval;
    t.m_values = std::make_unique<double[]>(steps + 1);
    t.m_smoothed = std::make_unique<double[]>(steps + 1);
    for (int j = 0; j <= steps; ++j) {
        double v = 0.01;
        for (const Peak& p : peaks) {
            const double x = (j - p.at) / p.width;
            v = std::max(v, p.height * std::exp(-0.5 * x * x));
        }
        t.m_values[j] = t.m_smoothed[j] = v;
        t.m_maxValue = std::max(t.m_maxValue, v);
    }
    t.m_maxSmoothed = t.m_maxValue;
    t.m_valid = t.m_smoothedValid = true;
}

// Rows at these frequencies with these tail amplitudes (1 where none is given).
CPartialData Table(std::vector<double> freqs, std::vector<double> amps = {}) {
    CPartialData table;
    amps.resize(freqs.size(), 1);
    for (std::size_t i = 0; i < freqs.size(); ++i)
        table.AddPartial(freqs[i], 0, amps[i], 0, 0, 7);
    return table;
}

std::string NameAt(const CPartialData& t, double freq) {
    const auto row = std::find(t.m_freq.begin(), t.m_freq.begin() + t.m_count, freq);
    return row == t.m_freq.begin() + t.m_count ? "?" : t.PartialName(int(row - t.m_freq.begin()));
}

std::vector<double> Rows(const CPartialData& table) {
    return std::vector<double>(table.m_freq.begin(), table.m_freq.begin() + table.m_count);
}

bool NothingNamed(const CPartialData& t) {
    return std::all_of(t.m_partialIndex.begin(), t.m_partialIndex.begin() + t.m_count,
                       [](auto index) { return index == CPartialData::kUnnamed; });
}

}  // namespace

TEST(FindPartials, RefusesUnusableTransformsAndLeavesTheTable) {
    CPartialData table = Table({440});
    table.m_nominal = 440;
    CTransformData shortOne, unsmoothed, empty, ok;
    Fill(shortOne, 199, 0, 1, {{100, 10}});
    Fill(unsmoothed, 400, 0, 1, {{100, 10}});
    unsmoothed.m_smoothedValid = false;
    empty.m_steps = 400;
    empty.m_smoothedValid = true;
    Fill(ok, 200, 0, 1, {{100, 10}});
    EXPECT_FALSE(table.FindPartials(shortOne, 1.25, 46));
    EXPECT_FALSE(table.FindPartials(unsmoothed, 1.25, 46));
    EXPECT_FALSE(table.FindPartials(empty, 1.25, 46));
    for (int badWidth : {0, -46, 101})
        EXPECT_FALSE(table.FindPartials(ok, 1.25, badWidth));
    EXPECT_EQ(Rows(table), std::vector<double>{440});
    EXPECT_EQ(table.m_nominal, 440);

    EXPECT_TRUE(table.FindPartials(ok, 1.25, 46));
    EXPECT_EQ(Rows(table), std::vector<double>{100});
    EXPECT_EQ(table.m_nominal, 0);
}

TEST(FindPartials, PeaksAboveTheFloorAndSharpEnough) {
    // Heights 10, 5 and exactly 1.5 % of 10; a broad hump passes only a high sensitivity.
    CTransformData t;
    Fill(t, 2000, 50, 0.5, {{300, 10}, {600, 5}, {900, 0.015 * 10}, {1400, 10, 40}});
    CPartialData table;
    ASSERT_TRUE(table.FindPartials(t, 1.25, 46));
    EXPECT_EQ(Rows(table), (std::vector<double>{200, 350}));
    EXPECT_EQ(table.m_tailAmp[0], 10);
    EXPECT_EQ(table.m_tailAmp[1], 5);
    EXPECT_EQ(table.m_partialIndex[0], CPartialData::kUnnamed);
    ASSERT_TRUE(table.FindPartials(t, 3.0, 46));
    EXPECT_EQ(Rows(table), (std::vector<double>{200, 350, 750}));

    CTransformData rising;  // no turn, no peak
    Fill(rising, 500, 0, 1, {{500, 10, 200}});
    ASSERT_TRUE(table.FindPartials(rising, 3.0, 46));
    EXPECT_EQ(table.m_count, 0);
}

TEST(Classify, NamesABellFromItsNominal) {
    CPartialData table =
        Table({125, 250, 300, 375, 500, 750, 1000, 1280, 1600, 1900, 2200, 2600, 3000},
              {1, 2, 3, 1, 4, 1, 2, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(table.Classify(false, 0, 0), 500);
    const char* names[] = {"hum",        "prime",     "tierce", "quint", "nominal",
                           "superquint", "oct. nom.", "I7",     "I8",    "I9",
                           "I10",        "I11",       ""};
    for (int i = 0; i < table.m_count; ++i)
        EXPECT_EQ(table.PartialName(i), names[i]) << i;
    EXPECT_EQ(table.m_nominal, 0);  // storing it is the caller's decision
}

TEST(Classify, UpperPartialWindowsForANominalOf500) {
    const double windows[] = {1268.753, 1305.312, 1547.685, 1633.144, 1830.27,
                              1985.705, 2117.228, 2359.166, 2408.435, 2752.497};
    const char* names[5] = {"I7", "I8", "I9", "I10", "I11"};
    for (int r = 0; r < 5; ++r) {
        const double lo = windows[2 * r], hi = windows[2 * r + 1];
        for (const double probe : {lo - 0.01, lo + 0.01, hi - 0.01, hi + 0.01}) {
            CPartialData table = Table({125, 250, 300, 500, 1000, probe});
            ASSERT_EQ(table.Classify(false, 0, 0), 500);
            const bool inside = probe > lo && probe < hi;
            EXPECT_EQ(NameAt(table, probe), inside ? names[r] : "") << probe;
        }
    }
}

TEST(Classify, WhichCandidateNominalWins) {
    // The hum's amplitude does not count, so both hums score the same; the first stays.
    CPartialData equal = Table({120, 130, 250, 300, 500}, {1, 5, 2, 2, 2});
    EXPECT_EQ(equal.Classify(false, 0, 0), 500);
    EXPECT_EQ(NameAt(equal, 120), "hum");
    EXPECT_EQ(NameAt(equal, 130), "");

    CPartialData later = Table({125, 250, 300, 500, 520}, {1, 1, 1, 1, 9});
    EXPECT_EQ(later.Classify(false, 0, 0), 520);
    EXPECT_EQ(later.Classify(true, 490, 510), 500);
    EXPECT_EQ(NameAt(later, 520), "");

    // A weak bell at 400 Hz in rows 0 .. 3 and a strong one at 5000 Hz in rows 7 .. 10.
    CPartialData table = Table({100, 200, 240, 400, 410, 420, 430, 1250, 2500, 3000, 5000},
                               {1, 1, 1, 1, 1, 1, 1, 100, 100, 100, 100});
    EXPECT_EQ(table.Classify(false, 0, 0), 400);
    EXPECT_EQ(NameAt(table, 5000), "");
}

TEST(Classify, RestrictFallbackAndNothingToName) {
    // The combination windows are open, the fallback's closed.
    CPartialData tierce = Table({125, 250, 315, 500});
    EXPECT_EQ(tierce.Classify(false, 0, 0), 0);
    EXPECT_TRUE(NothingNamed(tierce));
    EXPECT_EQ(tierce.Classify(true, 499, 501), 500);
    EXPECT_EQ(NameAt(tierce, 315), "tierce");
    EXPECT_EQ(NameAt(tierce, 125), "hum");

    CPartialData table = Table({200, 500, 505, 1000}, {1, 5, 3, 2});
    EXPECT_EQ(table.Classify(true, 499, 510), 500);
    EXPECT_EQ(NameAt(table, 505), "");
    EXPECT_EQ(NameAt(table, 1000), "oct. nom.");
    EXPECT_EQ(table.Classify(true, 600, 700), 0);
    EXPECT_TRUE(NothingNamed(table));
    EXPECT_EQ(table.Classify(false, 499, 510), 0);  // no fallback without restrict
    EXPECT_TRUE(NothingNamed(table));

    CPartialData silent = Table({125, 250, 300, 500, 1000}, {0, 0, 0, 0, 0});
    EXPECT_EQ(silent.Classify(false, 0, 0), 0);
    EXPECT_EQ(silent.Classify(true, 499, 501), 0);
    EXPECT_TRUE(NothingNamed(silent));

    // A nominal typed in the editor below the rows in use takes no part.
    CPartialData three = Table({125, 250, 300});
    three.m_freq[3] = 500;
    three.m_tailAmp[3] = 1;
    EXPECT_EQ(three.Classify(false, 0, 0), 0);
}
