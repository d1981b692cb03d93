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
struct Wave : CWaveData {
    explicit Wave(std::int32_t count) {
        CreateEmpty(22050, count, 16);
        for (std::int32_t i = 0; i < count; ++i)
            m_samples[i] = static_cast<std::int16_t>(i * 7 % 65536 - 32768);
        m_state = kFromFile;
    }
    std::vector<std::int16_t> Slice(std::int32_t from, std::int32_t to) const {
        return {m_samples.get() + from, m_samples.get() + to};
    }
    PlayRequest Whole() const { return {{0, 0}, false, m_sampleCount}; }
};

PlayRequest Selected(std::int32_t start, std::int32_t end, std::int32_t numSamples) {
    return {{start, end}, true, numSamples};
}

struct Player {
    CScriptedSoundOutput device;
    CSoundOut engine{device};
};

TEST(SoundOutTest, BlocksOfAtMost8192TakeTurnsAndTheCompletionAfterAFailedRefillEnds) {
    struct Case {
        std::int32_t samples;
        std::vector<std::int32_t> blocks;
    };
    for (const Case& c :
         {Case{1, {1}}, Case{8192, {8192}}, Case{8193, {8192, 1}}, Case{16384, {8192, 8192}},
          Case{16385, {8192, 8192, 1}}, Case{40000, {8192, 8192, 8192, 8192, 7232}}}) {
        SCOPED_TRACE(c.samples);
        const Wave wave(c.samples);
        Player p;
        ASSERT_EQ(p.engine.Open(wave, wave.Whole()), CSoundOut::kPlaying);
        ASSERT_TRUE(p.device.m_openFormat);
        const SoundFormat& format = *p.device.m_openFormat;
        EXPECT_EQ(std::tuple(format.m_samplesPerSec, format.m_channels, format.m_bitsPerSample),
                  std::tuple(22050, 1, 16));
        EXPECT_EQ(p.device.Queued(), std::min<std::size_t>(c.blocks.size(), 2));
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            EXPECT_FALSE(p.engine.Finished());
            ASSERT_TRUE(p.device.CompleteNext());
        }
        EXPECT_TRUE(p.engine.Finished());
        EXPECT_EQ(p.device.m_writeCounts, c.blocks);
        EXPECT_EQ(p.device.m_played, wave.Slice(0, c.samples));
        EXPECT_EQ(p.device.m_changedWhileQueued, 0);
        p.engine.Close();
        EXPECT_EQ(p.device.m_closeCount, 1);
        EXPECT_FALSE(p.device.m_openFormat);
    }
}

TEST(SoundOutTest, TheBoxChoosesTheSelectionOrTheWholeWaveformAndTheRangeStaysInside) {
    const Wave wave(30000);
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
        Player p;
        ASSERT_EQ(p.engine.Open(wave, c.request), CSoundOut::kPlaying);
        p.device.CompleteAll();
        EXPECT_TRUE(p.engine.Finished());
        EXPECT_EQ(p.device.m_played, wave.Slice(c.from, c.to));
    }

    // Nothing to play is length zero and leaves the device alone.
    for (const PlayRequest& request :
         {Selected(500, 500, 1000), Selected(600, 500, 1000), Selected(30000, 50000, 30000),
          Selected(-9, -1, 1000), PlayRequest{{0, 0}, false, 0}}) {
        Player p;
        EXPECT_EQ(p.engine.Open(wave, request), CSoundOut::kLengthZero);
        EXPECT_TRUE(p.device.m_queriedFormats.empty());
    }
    Player p;
    EXPECT_EQ(p.engine.Open(CWaveData(), {{0, 10}, false, 10}), CSoundOut::kLengthZero);
    EXPECT_STREQ(CSoundOut::MessageText(CSoundOut::kLengthZero), "Play length zero!");
}

TEST(SoundOutTest, DeviceFailuresGiveTheirCodesAndReleaseWhatWasOpened) {
    const Wave wave(20000);
    for (const auto& [failing, result, closes] : {std::tuple{0, CSoundOut::kFormatNotSupported, 0},
                                                  {1, CSoundOut::kOpenFailed, 0},
                                                  {2, CSoundOut::kDriverFailure, 1}}) {
        Player p;
        p.device.m_formatSupported = failing != 0;
        p.device.m_openSucceeds = failing != 1;
        p.device.m_writeSucceeds = failing != 2;
        EXPECT_EQ(p.engine.Open(wave, wave.Whole()), result);
        EXPECT_FALSE(p.device.m_openFormat);
        EXPECT_EQ(p.device.Queued(), 0u);
        p.engine.Close();  // nothing more to release
        EXPECT_EQ(p.device.m_closeCount, closes) << failing;
    }
    EXPECT_STREQ(CSoundOut::MessageText(2), "Sound format not supported!");
    EXPECT_STREQ(CSoundOut::MessageText(3), "Failed to open sound device!");
    EXPECT_STREQ(CSoundOut::MessageText(4), "Sound driver failure!");
    EXPECT_STREQ(CSoundOut::MessageText(7), "Sound error!");
}

TEST(SoundOutTest, ProgressStopAndARefusedRefillEachEndPlayback) {
    const Wave wave(100000);
    Player progress;
    ASSERT_EQ(progress.engine.Open(wave, Selected(10000, 30000, 30000)), CSoundOut::kPlaying);
    EXPECT_EQ(progress.engine.Progress(), 81);  // 16384 of 20000 queued
    ASSERT_TRUE(progress.device.CompleteNext());
    EXPECT_EQ(progress.engine.Progress(), 100);  // when the last block is queued
    EXPECT_FALSE(progress.engine.Finished());    // two blocks still to be heard
    progress.device.CompleteAll();
    EXPECT_TRUE(progress.engine.Finished());

    // A stop queues nothing more and Close silences the device.
    Player stop;
    ASSERT_EQ(stop.engine.Open(wave, wave.Whole()), CSoundOut::kPlaying);
    ASSERT_TRUE(stop.device.CompleteNext());
    stop.engine.RequestStop();
    EXPECT_TRUE(stop.engine.Finished());
    ASSERT_TRUE(stop.device.CompleteNext());
    EXPECT_EQ(stop.device.Queued(), 1u);  // the block queued before the stop, and nothing after
    stop.engine.Close();
    EXPECT_EQ(std::tuple(stop.device.m_resetCount, stop.device.m_closeCount), std::tuple(1, 1));
    EXPECT_EQ(stop.device.m_played.size(), 2u * 8192);

    // A refused refill ends playback instead of waiting forever.
    Player refused;
    ASSERT_EQ(refused.engine.Open(wave, wave.Whole()), CSoundOut::kPlaying);
    refused.device.m_writeSucceeds = false;
    ASSERT_TRUE(refused.device.CompleteNext());
    EXPECT_TRUE(refused.engine.Finished());
}

// Completes each block on a thread of its own, as a device does, while the engine is
// polled and stopped from the test's thread.
TEST(SoundOutTest, CompletionsOnTheDeviceThreadWhileTheDialogPolls) {
    const Wave wave(400000);
    for (const bool stop : {false, true}) {
        Player p;
        ASSERT_EQ(p.engine.Open(wave, wave.Whole()), CSoundOut::kPlaying);
        std::thread deviceThread([&] {
            while (!p.engine.Finished())
                if (!p.device.CompleteNext())
                    std::this_thread::yield();
        });
        std::int32_t last = 0;
        while (!p.engine.Finished()) {
            const std::int32_t progress = p.engine.Progress();
            EXPECT_GE(progress, last);
            last = progress;
            if (stop && progress >= 50)
                p.engine.RequestStop();
        }
        deviceThread.join();
        p.engine.Close();
        const auto played = static_cast<std::int32_t>(p.device.m_played.size());
        EXPECT_EQ(p.device.m_played, wave.Slice(0, played));
        if (!stop) {
            EXPECT_EQ(played, 400000);
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
    const Wave wave(40000);
    CEarlyCompletionOutput device;
    CSoundOut engine(device);
    ASSERT_EQ(engine.Open(wave, wave.Whole()), CSoundOut::kPlaying);
    device.m_early.join();
    device.CompleteAll();
    EXPECT_TRUE(engine.Finished());
    EXPECT_EQ(device.m_played, wave.Slice(0, 40000));
}

}  // namespace
