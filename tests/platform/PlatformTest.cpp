#include <gtest/gtest.h>

#include <cmath>

#include <atomic>
#include <clocale>
#include <limits>
#include <string>

#include "platform/FileFilter.h"
#include "platform/NumberText.h"
#include "platform/VersionInfo.h"
#include "platform/WorkerThread.h"

namespace {

TEST(NumberTextTest, FieldsAcceptOnlyWholeFiniteNumbers) {
    EXPECT_EQ(ParseIntField(" 42 "), 42);
    EXPECT_EQ(ParseIntField("-7"), -7);
    EXPECT_EQ(ParseIntField("+7"), 7);
    EXPECT_EQ(ParseIntField("2147483647"), 2147483647);
    EXPECT_EQ(ParseIntField("2147483648"), std::nullopt);
    for (const char* bad : {"", " ", "4x", "4.5", "x", "--1", "+", "1 2"})
        EXPECT_EQ(ParseIntField(bad), std::nullopt) << bad;

    EXPECT_EQ(ParseDoubleField("5000"), 5000.0);
    EXPECT_EQ(ParseDoubleField(" 0.5"), 0.5);
    EXPECT_EQ(ParseDoubleField("1e3"), 1000.0);
    EXPECT_EQ(ParseDoubleField("-2.5E-1"), -0.25);
    EXPECT_EQ(ParseDoubleField("5000."), 5000.0);
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

TEST(VersionInfoTest, TheBuildCarriesItsVersionRecord) {
    const VersionRecord* record = ProgramVersionRecord();
    ASSERT_NE(record, nullptr);
    const VersionStrings strings = ReadVersionStrings(record);
    EXPECT_EQ(strings.productVersion, "0.1.0");
    EXPECT_FALSE(strings.description.empty());
    EXPECT_FALSE(strings.company.empty());
    EXPECT_NE(strings.legalNotice.find("Copyright"), std::string::npos);
}

TEST(VersionInfoTest, MissingRecordOrKeysLeaveFieldsEmpty) {
    const VersionStrings none = ReadVersionStrings(nullptr);
    EXPECT_TRUE(none.description.empty() && none.company.empty() && none.productVersion.empty() &&
                none.legalNotice.empty());

    const VersionEntry entries[] = {{"CompanyName", "Foundry"}, {"ProductVersion", "2.1"}};
    const VersionRecord partial{"040904B0", entries, 2};
    const VersionStrings some = ReadVersionStrings(&partial);
    EXPECT_EQ(some.company, "Foundry");
    EXPECT_EQ(some.productVersion, "2.1");
    EXPECT_EQ(some.description, "");
    EXPECT_EQ(some.legalNotice, "");

    // Only the U.S. English block is read.
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
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(105.9), 105);
    EXPECT_EQ(TruncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(TruncToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(TruncToInt32(std::nan("")), INT32_MIN);
}

}  // namespace
