#include "decay/DecayFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "partials/PartialData.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"

namespace {

std::string Zeros() {
    std::string text;
    for (int run = 0; run < kDecayRuns; ++run)
        text += "0.000000, ";
    return text + "\r\n";
}

}  // namespace

TEST(DecayFile, HoldsTheHeaderTheIntervalsAndOneLinePerPartial) {
    // A complete analysis of one second of silence: every peak is 0.
    const std::vector<std::int16_t> silence(8000, 0);
    CPartialData table;
    for (double f : {100.0, 250.5, 1000.0})
        table.AddPartial(f, 0.0, 1.0, 0.0, 0.0, CPartialData::kUnnamed);
    CDecayAnalysis analysis;
    const DecayFileHeader header{"bell", 8000, {12, 7999, 200, 1600, 1500}};
    CScriptedUiServices unasked;
    EXPECT_EQ(WriteDecayFile(unasked, analysis, header), DecayWriteResult::kFailed);
    EXPECT_TRUE(unasked.m_fileDialogs.empty());  // no table yet: not even asked
    ASSERT_TRUE(analysis.Prepare({silence.data(), 8000, 8000}, {0, 8000}, table));
    while (!analysis.IsComplete()) {
        ASSERT_TRUE(analysis.Start({}));
        while (!analysis.IsDone())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        analysis.Finish();
        ASSERT_TRUE(analysis.EvaluateRun());
    }

    const std::string expected =
        "Partial Decays\r\n"
        "wave file is bell\r\n"
        "sample rate: 8000\r\n"
        "length: 1600, step: 1500, start sample: 12, end sample 7999\r\n"
        "interval, 20.000000, 17.000000, 15.000000, 14.000000, 13.000000, 12.000000, "
        "11.000000, 10.000000, 9.000000, 8.000000, 7.000000, 6.000000, 5.000000, 4.000000, "
        "3.000000, 2.000000, 1.000000, \r\n"
        "100.000000, " +
        Zeros() + "250.500000, " + Zeros() + "1000.000000, " + Zeros() + "\r\n";
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("bell.dec"));
    EXPECT_EQ(WriteDecayFile(ui, analysis, header), DecayWriteResult::kWritten);
    EXPECT_EQ(ReadFileBytes(dir.File("bell.dec")), expected);  // 9 lines, the last empty
    ASSERT_EQ(ui.m_fileDialogs.size(), 1u);
    const auto& asked = ui.m_fileDialogs[0];
    EXPECT_EQ(std::tuple(asked.save, asked.filter, asked.defaultExt, asked.proposedName),
              std::tuple(true, "Partial decays (.dec)|*.dec|", "dec", "bell"));

    EXPECT_EQ(WriteDecayFile(ui, analysis, header), DecayWriteResult::kCancelled);
    ui.AnswerSave("/dev/full");  // opens, but the disk is full
    EXPECT_EQ(WriteDecayFile(ui, analysis, header), DecayWriteResult::kFailed);
    // A title with a line break stays on its line.
    EXPECT_NE(FormatDecayFile(analysis, {"two\nlines", 8000, {}}).find("is two lines\r\nsample"),
              std::string::npos);
}
