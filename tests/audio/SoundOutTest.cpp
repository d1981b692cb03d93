#include "audio/SoundOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/ScriptedSound.h"
#include "wave/WaveData.h"

namespace {

// A waveform whose samples all differ from their neighbours, so a block played from the
// wrong place shows.
void MakeWave(CWaveData& wave, std::int32_t count, std::uint32_t rate = 22050) {
    wave.CreateEmpty(static_cast<std::int32_t>(rate), count, 16);
    for (std::int32_t i = 0; i < count; ++i)
        wave.m_samples[i] = static_cast<std::int16_t>(i * 7 % 65536 - 32768);
    wave.m_state = CWaveData::kFromFile;
}

std::vector<std::int16_t> Slice(const CWaveData& wave, std::int32_t from, std::int32_t to) {
    return {wave.m_samples.get() + from, wave.m_samples.get() + to};
}

PlayRequest Whole(const CWaveData& wave) {
    return {{0, 0}, false, wave.m_sampleCount};
}

PlayRequest Selected(std::int32_t start, std::int32_t end, std::int32_t numSamples) {
    return {{start, end}, true, numSamples};
}

TEST(SoundOutTest, BlocksOfAtMost8192TakeTurnsAndTheCompletionAfterAFailedRefillEnds) {
    struct Case {
        std::int32_t samples;
        std::vector<std::int32_t> blocks;
    };
    for (const Case& c :
         {Case{1, {1}}, Case{8192, {8192}}, Case{8193, {8192, 1}}, Case{16384, {8192, 8192}},
          Case{16385, {8192, 8192, 1}}, Case{40000, {8192, 8192, 8192, 8192, 7232}}}) {
        SCOPED_TRACE(c.samples);
        CWaveData wave;
        MakeWave(wave, c.samples);
        CScriptedSoundOutput device;
        CSoundOut engine(device);
        ASSERT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kPlaying);
        ASSERT_TRUE(device.m_openFormat);
        EXPECT_EQ(device.m_openFormat->m_samplesPerSec, 22050);
        EXPECT_EQ(device.m_openFormat->m_channels, 1);
        EXPECT_EQ(device.m_openFormat->m_bitsPerSample, 16);
        EXPECT_EQ(device.Queued(), std::min<std::size_t>(c.blocks.size(), 2));
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            EXPECT_FALSE(engine.Finished());
            ASSERT_TRUE(device.CompleteNext());
        }
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(device.m_writeCounts, c.blocks);
        EXPECT_EQ(device.m_played, Slice(wave, 0, c.samples));
        EXPECT_EQ(device.m_changedWhileQueued, 0);
        engine.Close();
        EXPECT_EQ(device.m_closeCount, 1);
        EXPECT_FALSE(device.m_openFormat);
    }
}

TEST(SoundOutTest, TheBoxChoosesTheSelectionOrTheWholeWaveformAndTheRangeStaysInside) {
    CWaveData wave;
    MakeWave(wave, 30000);
    struct Case {
        PlayRequest request;
        std::int32_t from, to;
    };
    for (const Case& c : {
             Case{Selected(1000, 21000, 30000), 1000, 21000},
             Case{{{1000, 21000}, false, 30000}, 0, 30000},  // the selection does not count
             Case{Selected(-500, 40000, 30000), 0, 30000},   // typed beyond the waveform
             Case{{{0, 0}, false, 99999}, 0, 30000},
             Case{Selected(29999, 2000000000, 30000), 29999, 30000},
         }) {
        SCOPED_TRACE(c.from);
        CScriptedSoundOutput device;
        CSoundOut engine(device);
        ASSERT_EQ(engine.Open(wave, c.request), CSoundOut::kPlaying);
        device.CompleteAll();
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(device.m_played, Slice(wave, c.from, c.to));
    }
}

TEST(SoundOutTest, NothingToPlayIsLengthZeroAndLeavesTheDeviceAlone) {
    CWaveData wave;
    MakeWave(wave, 1000);
    for (const PlayRequest& request :
         {Selected(500, 500, 1000), Selected(600, 500, 1000), Selected(1000, 5000, 1000),
          Selected(-9, -1, 1000), PlayRequest{{0, 0}, false, 0}}) {
        CScriptedSoundOutput device;
        CSoundOut engine(device);
        EXPECT_EQ(engine.Open(wave, request), CSoundOut::kLengthZero);
        EXPECT_TRUE(device.m_queriedFormats.empty());
        EXPECT_STREQ(CSoundOut::MessageText(CSoundOut::kLengthZero), "Play length zero!");
    }
    CWaveData empty;
    CScriptedSoundOutput device;
    CSoundOut engine(device);
    EXPECT_EQ(engine.Open(empty, {{0, 10}, false, 10}), CSoundOut::kLengthZero);
}

TEST(SoundOutTest, DeviceFailuresGiveTheirCodesAndReleaseWhatWasOpened) {
    CWaveData wave;
    MakeWave(wave, 20000);
    {
        CScriptedSoundOutput device;
        device.m_formatSupported = false;
        CSoundOut engine(device);
        EXPECT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kFormatNotSupported);
        EXPECT_EQ(device.m_queriedFormats.size(), 1u);
        EXPECT_FALSE(device.m_openFormat);
        EXPECT_EQ(device.m_closeCount, 0);
    }
    {
        CScriptedSoundOutput device;
        device.m_openSucceeds = false;
        CSoundOut engine(device);
        EXPECT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kOpenFailed);
        EXPECT_EQ(device.m_closeCount, 0);
    }
    {
        CScriptedSoundOutput device;
        device.m_writeSucceeds = false;
        CSoundOut engine(device);
        EXPECT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kDriverFailure);
        EXPECT_FALSE(device.m_openFormat);
        EXPECT_EQ(device.m_closeCount, 1);
        EXPECT_EQ(device.Queued(), 0u);
        engine.Close();  // nothing more to release
        EXPECT_EQ(device.m_closeCount, 1);
    }
    EXPECT_STREQ(CSoundOut::MessageText(2), "Sound format not supported!");
    EXPECT_STREQ(CSoundOut::MessageText(3), "Failed to open sound device!");
    EXPECT_STREQ(CSoundOut::MessageText(4), "Sound driver failure!");
    EXPECT_STREQ(CSoundOut::MessageText(7), "Sound error!");
}

TEST(SoundOutTest, ProgressReachesAHundredWhenTheLastBlockIsQueued) {
    CWaveData wave;
    MakeWave(wave, 30000);
    CScriptedSoundOutput device;
    CSoundOut engine(device);
    ASSERT_EQ(engine.Open(wave, Selected(10000, 30000, 30000)), CSoundOut::kPlaying);
    EXPECT_EQ(engine.Progress(), 81);  // 16384 of 20000 queued
    ASSERT_TRUE(device.CompleteNext());
    EXPECT_EQ(engine.Progress(), 100);
    EXPECT_FALSE(engine.Finished());  // two blocks still to be heard
    device.CompleteAll();
    EXPECT_TRUE(engine.Finished());
}

TEST(SoundOutTest, AStopQueuesNothingMoreAndCloseSilencesTheDevice) {
    CWaveData wave;
    MakeWave(wave, 100000);
    CScriptedSoundOutput device;
    CSoundOut engine(device);
    ASSERT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kPlaying);
    ASSERT_TRUE(device.CompleteNext());
    engine.RequestStop();
    EXPECT_TRUE(engine.Finished());
    ASSERT_TRUE(device.CompleteNext());
    EXPECT_EQ(device.Queued(), 1u);  // the block queued before the stop, and nothing after
    engine.Close();
    EXPECT_EQ(device.m_resetCount, 1);
    EXPECT_EQ(device.m_closeCount, 1);
    EXPECT_EQ(device.m_played.size(), 2u * 8192);
}

TEST(SoundOutTest, ARefusedRefillEndsPlaybackInsteadOfWaitingForever) {
    CWaveData wave;
    MakeWave(wave, 100000);
    CScriptedSoundOutput device;
    CSoundOut engine(device);
    ASSERT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kPlaying);
    device.m_writeSucceeds = false;
    ASSERT_TRUE(device.CompleteNext());
    EXPECT_TRUE(engine.Finished());
}

// Completes each block on a thread of its own, as a device does, while the engine is
// polled and stopped from the test's thread.
TEST(SoundOutTest, CompletionsOnTheDeviceThreadWhileTheDialogPolls) {
    CWaveData wave;
    MakeWave(wave, 400000);
    for (const bool stop : {false, true}) {
        CScriptedSoundOutput device;
        CSoundOut engine(device);
        ASSERT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kPlaying);
        std::thread deviceThread([&] {
            while (!engine.Finished())
                if (!device.CompleteNext())
                    std::this_thread::yield();
        });
        std::int32_t last = 0;
        while (!engine.Finished()) {
            const std::int32_t progress = engine.Progress();
            EXPECT_GE(progress, last);
            last = progress;
            if (stop && progress >= 50)
                engine.RequestStop();
        }
        deviceThread.join();
        engine.Close();
        const std::size_t played = device.m_played.size();
        EXPECT_EQ(device.m_played, Slice(wave, 0, static_cast<std::int32_t>(played)));
        if (!stop) {
            EXPECT_EQ(played, 400000u);
        }
    }
}

// A device that hands the first block back on its own thread before the second one has been
// queued: the refill must still go behind the second block.
class CEarlyCompletionOutput : public CScriptedSoundOutput {
  public:
    ~CEarlyCompletionOutput() override {
        if (m_early.joinable())
            m_early.join();
    }
    bool Write(const std::int16_t* samples, std::int32_t count) override {
        if (++m_writes == 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const bool taken = CScriptedSoundOutput::Write(samples, count);
        if (m_writes == 1)
            m_early = std::thread([this] { CompleteNext(); });
        return taken;
    }
    std::thread m_early;

  private:
    std::atomic<int> m_writes{0};
};

TEST(SoundOutTest, AnEarlyCompletionDoesNotOvertakeTheSecondBlock) {
    CWaveData wave;
    MakeWave(wave, 40000);
    CEarlyCompletionOutput device;
    CSoundOut engine(device);
    ASSERT_EQ(engine.Open(wave, Whole(wave)), CSoundOut::kPlaying);
    device.m_early.join();
    device.CompleteAll();
    EXPECT_TRUE(engine.Finished());
    EXPECT_EQ(device.m_played, Slice(wave, 0, 40000));
}

}  // namespace
