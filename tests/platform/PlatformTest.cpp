#include <gtest/gtest.h>

#include <cmath>

#include <atomic>
#include <clocale>
#include <limits>
#include <string>
#include <tuple>

#include "platform/FileFilter.h"
#include "platform/NumberText.h"
#include "platform/VersionInfo.h"
#include "platform/WorkerThread.h"

namespace {

TEST(NumberTextTest, FieldsAcceptOnlyWholeFiniteNumbers) {
    for (const auto& [text, value] :
         {std::pair{" 42 ", 42}, {"-7", -7}, {"+7", 7}, {"2147483647", 2147483647}})
        EXPECT_EQ(ParseIntField(text), value) << text;
    for (const char* bad : {"", " ", "4x", "4.5", "x", "--1", "+", "1 2", "2147483648"})
        EXPECT_EQ(ParseIntField(bad), std::nullopt) << bad;
    for (const auto& [text, value] :
         {std::pair{" 0.5", 0.5}, {"1e3", 1000.0}, {"-2.5E-1", -0.25}, {"5000.", 5000.0}})
        EXPECT_EQ(ParseDoubleField(text), value) << text;
    for (const char* bad : {"", "inf", "-inf", "nan", "NaN", "1e999", "0x10", "1,5", "5 Hz", "."})
        EXPECT_EQ(ParseDoubleField(bad), std::nullopt) << bad;
}

TEST(NumberTextTest, FormattingIgnoresTheLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(FormatDoubleField(5000.0), "5000");
    EXPECT_EQ(FormatDoubleField(0.5), "0.5");
    EXPECT_EQ(FormatDoubleField(12500.125), "12500.125");
    EXPECT_EQ(FormatDoubleField(0.1 + 0.2), "0.30000000000000004");
    // A read-only display shows a frequency reached by adding steps as the user thinks of it.
    EXPECT_EQ(FormatDisplayNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatDisplayNumber(100.0 + 1001 * 0.05), "150.05");
    EXPECT_EQ(FormatDisplayNumber(1234.5678), "1234.5678");
    EXPECT_EQ(FormatFixed6(440.0), "440.000000");
    EXPECT_EQ(FormatFixed6(-0.0000004), "-0.000000");
    EXPECT_EQ(FormatFixed6(1e300).size(), 301u + 7u);
    EXPECT_EQ(ParseDoubleField("2.5"), 2.5);
    std::setlocale(LC_ALL, before.c_str());
    if (!german)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
}

// What a field shows reads back as the same value, up to the largest and smallest doubles.
TEST(NumberTextTest, FieldTextReadsBackAsItsValue) {
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(FormatDoubleField(max), "1.7976931348623157e+308");
    for (const double value : {max, -max, std::numeric_limits<double>::denorm_min(), 0.1 + 0.2,
                               4321 * 0.1, 1.0 / 3.0, -2.5e-7, 440.0})
        EXPECT_EQ(ParseDoubleField(FormatDoubleField(value)), value) << value;
    EXPECT_EQ(RoundToFixed6(1000.1234565001), 1000.123457);
    EXPECT_EQ(RoundToFixed6(4e-7), 0.0);
    EXPECT_EQ(RoundToFixed6(1e300), 1e300);
}

TEST(FileFilterTest, SplitsDescriptionsAndPatterns) {
    const auto entries =
        ParseFileFilter("Waveform files (.wav, .mp3)|*.wav;*.mp3|Partials files (.par)|*.par|");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, "Waveform files (.wav, .mp3)");
    EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.wav", "*.mp3"}));
    EXPECT_EQ(entries[1].patterns, (std::vector<std::string>{"*.par"}));
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_EQ(ParseFileFilter("Odd|*.x|Dangling").size(), 1u);
}

TEST(VersionInfoTest, OnlyTheUsEnglishBlockIsReadAndMissingKeysStayEmpty) {
    EXPECT_NE(ReadVersionStrings(ProgramVersionRecord()).legalNotice.find("Copyright"),
              std::string::npos);
    EXPECT_EQ(ReadVersionStrings(nullptr).company, "");

    const VersionEntry entries[] = {{"CompanyName", "Foundry"}, {"ProductVersion", "2.1"}};
    const VersionRecord partial{"040904B0", entries, 2};
    const VersionStrings some = ReadVersionStrings(&partial);
    EXPECT_EQ(std::tuple(some.company, some.productVersion, some.description, some.legalNotice),
              std::tuple("Foundry", "2.1", "", ""));
    const VersionRecord otherLanguage{"040704B0", entries, 2};
    EXPECT_EQ(ReadVersionStrings(&otherLanguage).company, "");
    EXPECT_EQ(QueryVersionValue(partial, "\\StringFileInfo\\040904B0\\CompanyName"), "Foundry");
    EXPECT_EQ(QueryVersionValue(partial, "\\StringFileInfo\\040904B0Company"), std::nullopt);
}

TEST(WorkerThreadTest, DoneIsSeenAfterTheResultsAndCancelReachesTheJob) {
    CWorkerThread worker;
    int result = 0;
    ASSERT_TRUE(worker.Start([&](WorkerFlags& flags) {
        for (int i = 0; i < 5; ++i)
            flags.m_progress.fetch_add(1, std::memory_order_relaxed);
        result = 42;
    }));
    while (!worker.IsDone())
        std::this_thread::yield();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(worker.Progress(), 5);

    // A second job on the same helper starts from fresh flags and stops when asked.
    std::atomic<bool> started{false};
    int stepsDone = 0;
    ASSERT_TRUE(worker.Start([&](WorkerFlags& flags) {
        started = true;
        while (!flags.CancelRequested())
            std::this_thread::yield();
        stepsDone = flags.m_progress.load();
    }));
    while (!started)
        std::this_thread::yield();
    EXPECT_FALSE(worker.IsDone());
    worker.RequestCancel();
    worker.Join();
    EXPECT_TRUE(worker.IsDone());
    EXPECT_EQ(stepsDone, 0);
}

TEST(WorkerThreadTest, TheDoneNotifierRunsOnceOnTheWorkerAfterDone) {
    CWorkerThread worker;
    std::atomic<int> calls{0};
    std::atomic<bool> doneWhenCalled{false};
    std::thread::id notifiedOn;
    ASSERT_TRUE(worker.Start([](WorkerFlags& flags) { flags.m_progress.store(3); },
                             [&] {
                                 doneWhenCalled = worker.IsDone();
                                 notifiedOn = std::this_thread::get_id();
                                 ++calls;
                             }));
    worker.Join();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_TRUE(doneWhenCalled.load());
    EXPECT_NE(notifiedOn, std::this_thread::get_id());
    EXPECT_EQ(worker.Progress(), 3);
}

TEST(NumberTextTest, TruncationIntoThirtyTwoBits) {
    for (const auto& [value, truncated] : {std::pair{-2.9, -2},
                                           {105.9, 105},
                                           {2147483647.9, 2147483647},
                                           {2147483648.0, INT32_MIN},
                                           {std::nan(""), INT32_MIN}})
        EXPECT_EQ(TruncToInt32(value), truncated) << value;
}

}  // namespace
