// The simulated devices keep the contract of the real ones, so that engine tests built on
// them mean something.
#include <gtest/gtest.h>

#include <vector>

#include "support/ScriptedSound.h"

namespace {

TEST(ScriptedSoundTest, OutputCompletesInOrderTakesRefillsAndHandsBackOnReset) {
    CScriptedSoundOutput output;
    std::vector<std::int16_t> a{1, 2}, b{3}, c{4, 5, 6};
    std::vector<const std::int16_t*> done;
    EXPECT_FALSE(output.Write(a.data(), 2));  // not open
    ASSERT_TRUE(output.Open({8000, 1, 16}, [&](const std::int16_t* samples, std::int32_t) {
        done.push_back(samples);
        if (samples == a.data())
            output.Write(c.data(), 3);  // a refill from inside the completion
    }));
    ASSERT_TRUE(output.Write(a.data(), 2));
    ASSERT_TRUE(output.Write(b.data(), 1));
    a[0] = 9;  // changed before its completion: an engine fault the fake reports
    EXPECT_TRUE(output.CompleteNext());
    EXPECT_EQ(output.m_changedWhileQueued, 1);
    EXPECT_EQ(output.m_played, (std::vector<std::int16_t>{1, 2}));
    output.Reset();
    EXPECT_EQ(done, (std::vector<const std::int16_t*>{a.data(), b.data(), c.data()}));
    EXPECT_EQ(output.m_played.size(), 2u);  // handed back, not played
    output.Close();
    EXPECT_FALSE(output.CompleteNext());
}

TEST(ScriptedSoundTest, InputFillsBuffersInTurnAndResetSaysHowMuchEachHolds) {
    CScriptedSoundInput input;
    std::vector<std::int16_t> a(2), b(3);
    std::vector<std::pair<std::int16_t*, std::int32_t>> done;
    ASSERT_TRUE(input.Open({44100, 1, 16}, [&](std::int16_t* buffer, std::int32_t filled) {
        done.emplace_back(buffer, filled);
    }));
    ASSERT_TRUE(input.AddBuffer(a.data(), 2));
    ASSERT_TRUE(input.AddBuffer(b.data(), 3));
    EXPECT_EQ(input.Capture({1, 2, 3}), 0u);  // not started: nothing is captured
    ASSERT_TRUE(input.Start());
    EXPECT_EQ(input.Capture({1, 2, 3}), 3u);
    EXPECT_EQ(a, (std::vector<std::int16_t>{1, 2}));
    EXPECT_EQ(b[0], 3);
    input.Reset();
    EXPECT_EQ(done,
              (std::vector<std::pair<std::int16_t*, std::int32_t>>{{a.data(), 2}, {b.data(), 1}}));
    EXPECT_EQ(input.Capture({4}), 0u);  // a reset stops capture
}

}  // namespace
