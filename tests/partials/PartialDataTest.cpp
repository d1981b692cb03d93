#include "partials/PartialData.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<double> Rows(const CPartialData& table) {
    return std::vector<double>(table.m_freq.begin(), table.m_freq.begin() + table.m_count);
}

}  // namespace

TEST(PartialData, AddKeepsOrderAndRefusesZeroRepeatsAndNonNumbers) {
    CPartialData table;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    table.AddPartial(0, 1, 1, 1, 1, 7);
    table.AddPartial(nan, 1, 1, 0, 0, 7);
    table.AddPartial(500, 1, std::numeric_limits<double>::infinity(), 0, 0, 7);
    EXPECT_FALSE(table.m_hasData);

    table.AddPartial(1000, 1, 10, 0.5, 2, CPartialData::kOctaveNominal);
    table.AddPartial(500, 2, 20, 0.1, 3, CPartialData::kNominal);
    table.AddPartial(-440, -4, -40, -0.3, -5, 99);  // absolute values; unknown name index
    table.m_hasData = false;
    table.AddPartial(500, 9, 9, 9, 9, 0);  // exact repeat: nothing changes
    EXPECT_FALSE(table.m_hasData);
    EXPECT_EQ(Rows(table), (std::vector<double>{440, 500, 1000}));
    EXPECT_EQ(table.m_tailAmp[0], 40);
    EXPECT_EQ(table.m_decay[0], 5);
    EXPECT_EQ(table.PartialName(0), "");
    EXPECT_EQ(table.m_note[0], "A(1) +0");
    // Moved rows carry their values, name and note.
    EXPECT_EQ(table.m_tailAmp[1], 20);
    EXPECT_EQ(table.PartialName(2), "oct. nom.");
    EXPECT_EQ(table.m_note[2], "B(2) +21");
}

TEST(PartialData, FullTableReplacesTheWeakestRow) {
    CPartialData table;
    for (int i = 0; i < 25; ++i)  // 100 .. 2500 Hz; 100, 300 and 500 Hz equally weakest
        table.AddPartial(100.0 * (i + 1), 0, i < 5 && i % 2 == 0 ? 5 : 10 + i, 0, 0, 7);

    table.AddPartial(1050, 0, 6, 0, 0, 7);  // weakest below the newcomer: rows close downward
    EXPECT_EQ(table.m_freq[0], 200);
    EXPECT_EQ(table.m_freq[8], 1000);
    EXPECT_EQ(table.m_freq[9], 1050);
    table.AddPartial(50, 0, 30, 0, 0, 7);  // weakest (300 Hz) above it: rows move up
    EXPECT_EQ(table.m_freq[0], 50);
    EXPECT_EQ(table.m_freq[1], 200);
    EXPECT_EQ(table.m_freq[2], 400);

    table.m_hasData = false;
    table.AddPartial(150, 0, 5, 0, 0, 7);  // not stronger than 500 Hz at 5: dropped
    EXPECT_TRUE(table.m_hasData);
    EXPECT_EQ(table.m_count, 25);
    for (int i = 1; i < 25; ++i)
        EXPECT_LT(table.m_freq[i - 1], table.m_freq[i]);
    EXPECT_EQ(table.m_freq[1], 200);
}

TEST(PartialData, HasPartialInIsOpenAboveWhileDeleteRangeIsClosed) {
    CPartialData table;
    for (double f : {400.0, 501.0, 600.0})
        table.AddPartial(f, 0, 1, 0, 0, 7);
    table.m_nominal = 600;
    table.m_noiseDecay = 2;
    EXPECT_FALSE(table.HasPartialIn(499, 501));
    EXPECT_TRUE(table.HasPartialIn(501, 502));
    table.DeleteRange(499, 501);
    EXPECT_EQ(Rows(table), (std::vector<double>{400, 600}));
    EXPECT_EQ(table.m_freq[2], 0);
    EXPECT_EQ(table.m_nominal, 600);
    EXPECT_EQ(table.m_noiseDecay, 2);
    EXPECT_DOUBLE_EQ(table.m_cents[0], -701.9);
}

TEST(PartialData, RebuildRestoresOrderAfterEdits) {
    CPartialData table;
    table.AddPartial(300, 1, 3, 0, 0, CPartialData::kTierce);
    table.AddPartial(500, 1, 5, 0, 0, CPartialData::kNominal);
    table.AddPartial(800, 1, 8, 0, 0, 7);
    table.m_nominal = 500;
    // As the editor leaves it: a row typed below the rows in use, one row zeroed, one row
    // repeating an earlier frequency.
    table.m_freq[20] = 400;
    table.m_freq[0] = 0;
    table.m_freq[21] = 800;
    table.m_tailAmp[21] = 99;
    table.Rebuild();
    EXPECT_EQ(Rows(table), (std::vector<double>{400, 500, 800}));
    EXPECT_EQ(table.PartialName(1), "nominal");
    EXPECT_EQ(table.m_tailAmp[2], 8);  // the first of two equal frequencies stays
    EXPECT_EQ(table.m_cents[2], 813.6);
    EXPECT_EQ(table.m_note[0], "G(1) +35");

    CPartialData noise;  // noise alone counts as data
    noise.m_noiseSplashAmp = 0.5;
    noise.Rebuild();
    EXPECT_TRUE(noise.m_hasData);
    EXPECT_EQ(noise.m_noiseSplashAmp, 0.5);
}

TEST(PartialData, AddAfterUnrebuiltEditsStaysInsideTheTable) {
    CPartialData table;
    table.AddPartial(100, 0, 1, 0, 0, 7);
    table.m_freq[24] = 900;  // typed in the editor, Recalc but no OK
    table.AddPartial(1000, 0, 1, 0, 0, 7);
    EXPECT_EQ(Rows(table), (std::vector<double>{100, 1000}));
    EXPECT_EQ(table.m_splashAmp[0], 0);
}

TEST(PartialData, CentsNotesAndPitchReference) {
    CPartialData table;
    for (double f : {240.0, 500.0, 1000.0, 1190.0})
        table.AddPartial(f, 0, 1, 0, 0, 7);
    table.UpdateCentsAndNotes();  // no nominal: cents stay
    EXPECT_EQ(table.m_cents[2], 0);
    table.m_nominal = 500;
    table.m_freq[5] = -100;    // typed, not rebuilt: no interval
    table.m_freq[6] = 1e-322;  // its ratio to the nominal is 0: no interval either, not -inf
    table.UpdateCentsAndNotes();
    EXPECT_DOUBLE_EQ(table.m_cents[0], -1270.6);
    EXPECT_DOUBLE_EQ(table.m_cents[2], 1200.0);
    EXPECT_DOUBLE_EQ(table.m_cents[3], 1501.1);
    EXPECT_EQ(table.m_cents[5], 0);
    EXPECT_EQ(table.m_cents[6], 0);
    EXPECT_EQ(table.m_note[4], " ");

    table.m_aRef = 432;
    table.m_germanNames = true;
    table.UpdateNotes();
    EXPECT_EQ(table.m_note[1], "C(2) -47");
    EXPECT_EQ(table.m_note[0], "H(0) -18");
    EXPECT_DOUBLE_EQ(table.m_cents[3], 1501.1);

    table.Clear();  // keeps the pitch reference and the note-name choice
    EXPECT_EQ(table.m_aRef, 432);
    EXPECT_TRUE(table.m_germanNames);
    EXPECT_FALSE(table.m_hasData);
    EXPECT_EQ(table.m_nominal, 0);
}
