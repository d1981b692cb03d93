#include "decay/DecayFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "partials/PartialData.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"

namespace {

constexpr std::int32_t kRate = 8000;

// A complete analysis of one second of silence for partials at 100, 250.5 and 1000 Hz:
// every peak is 0.
class DecayFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CPartialData table;
        for (double f : {100.0, 250.5, 1000.0})
            table.AddPartial(f, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
        ASSERT_TRUE(m_analysis.Prepare({m_samples.data(), kRate, kRate}, {0, kRate}, table));
        for (int run = 0; run < kDecayRuns; ++run) {
            ASSERT_TRUE(m_analysis.Start({}));
            while (!m_analysis.IsDone())
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            m_analysis.Finish();
            ASSERT_TRUE(m_analysis.EvaluateRun());
        }
        m_header.m_fileTitle = "bell";
        m_header.m_sampleRate = kRate;
        m_header.m_settings = {12, 7999, 200, 1600, 1500};
    }

    std::vector<std::int16_t> m_samples = std::vector<std::int16_t>(kRate, 0);
    CDecayAnalysis m_analysis;
    DecayFileHeader m_header;
};

std::string Repeat(const std::string& field, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += field;
    return text;
}

const std::string kExpected =
    "Partial Decays\r\n"
    "wave file is bell\r\n"
    "sample rate: 8000\r\n"
    "length: 1600, step: 1500, start sample: 12, end sample 7999\r\n"
    "interval, 20.000000, 17.000000, 15.000000, 14.000000, 13.000000, 12.000000, 11.000000, "
    "10.000000, 9.000000, 8.000000, 7.000000, 6.000000, 5.000000, 4.000000, 3.000000, "
    "2.000000, 1.000000, \r\n"
    "100.000000, " +
    Repeat("0.000000, ", 17) +
    "\r\n"
    "250.500000, " +
    Repeat("0.000000, ", 17) +
    "\r\n"
    "1000.000000, " +
    Repeat("0.000000, ", 17) +
    "\r\n"
    "\r\n";

}  // namespace

TEST_F(DecayFileTest, HoldsTheHeaderTheIntervalsAndOneLinePerPartial) {
    EXPECT_EQ(FormatDecayFile(m_analysis, m_header), kExpected);

    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("bell.dec"));
    EXPECT_EQ(WriteDecayFile(ui, m_analysis, m_header), DecayWriteResult::kWritten);
    EXPECT_EQ(ReadFileBytes(dir.File("bell.dec")), kExpected);  // 9 lines, the last empty
    ASSERT_EQ(ui.m_fileDialogs.size(), 1u);
    EXPECT_TRUE(ui.m_fileDialogs[0].save);
    EXPECT_EQ(ui.m_fileDialogs[0].filter, "Partial decays (.dec)|*.dec|");
    EXPECT_EQ(ui.m_fileDialogs[0].defaultExt, "dec");
    EXPECT_EQ(ui.m_fileDialogs[0].proposedName, "bell");

    // A title with a line break stays on its line.
    m_header.m_fileTitle = "two\nlines";
    EXPECT_NE(FormatDecayFile(m_analysis, m_header).find("wave file is two lines\r\nsample"),
              std::string::npos);
}

TEST_F(DecayFileTest, SaysWhetherTheFileWasWritten) {
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(std::nullopt);
    EXPECT_EQ(WriteDecayFile(ui, m_analysis, m_header), DecayWriteResult::kCancelled);
    ui.AnswerSave(dir.File("missing/bell.dec"));
    EXPECT_EQ(WriteDecayFile(ui, m_analysis, m_header), DecayWriteResult::kFailed);
    ui.AnswerSave("/dev/full");  // opens, but the disk is full
    EXPECT_EQ(WriteDecayFile(ui, m_analysis, m_header), DecayWriteResult::kFailed);

    // Without a complete analysis there is no table: refused without asking.
    CScriptedUiServices unasked;
    EXPECT_EQ(WriteDecayFile(unasked, CDecayAnalysis(), m_header), DecayWriteResult::kFailed);
    EXPECT_TRUE(unasked.m_fileDialogs.empty());
}
