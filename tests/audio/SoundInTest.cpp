#include "audio/SoundIn.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "support/ScriptedSound.h"
#include "wave/WaveData.h"

namespace {

using Notification = CSoundIn::Notification;
using Samples = std::vector<std::int16_t>;
constexpr std::int32_t kBuffer = CSoundIn::kBufferSamples;

// One capture buffer of silence with the given samples set.
Samples Buffer(std::initializer_list<std::pair<int, std::int16_t>> set = {}) {
    Samples samples(kBuffer, 0);
    for (const auto& [index, value] : set)
        samples[index] = value;
    return samples;
}

// A buffer whose samples all differ, counting from first.
Samples Ramp(int first) {
    Samples samples(kBuffer);
    for (int i = 0; i < kBuffer; ++i)
        samples[i] = static_cast<std::int16_t>((first + i) % 2000 - 1000);
    return samples;
}

class SoundInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A waveform read from a file, which the engine must leave alone until Begin.
        m_wave.CreateEmpty(8000, 300, 16);
        m_wave.m_samples[299] = 29900;
        m_wave.m_selStart = 20;
        m_wave.m_selEnd = 250;
        m_wave.m_fileName = "/bells/tenor.wav";
        m_wave.m_state = CWaveData::kFromFile;
    }

    CSoundIn::Result Open() {
        return m_engine.Open([this](Notification n) {
            std::lock_guard lock(m_mutex);
            m_notifications.push_back(n);
        });
    }
    std::vector<Notification> TakeNotifications() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_notifications, {});
    }
    void Capture(const Samples& samples) { ASSERT_EQ(m_device.Capture(samples), samples.size()); }
    void ExpectStoreAsItWas() {
        EXPECT_EQ(
            std::tuple(m_wave.m_sampleCount, m_wave.m_samples[299], m_wave.m_format.m_samplesPerSec,
                       m_wave.m_selStart, m_wave.m_selEnd, m_wave.m_fileName, m_wave.m_state),
            std::tuple(300, 29900, 8000u, 20, 250, "/bells/tenor.wav", CWaveData::kFromFile));
    }
    Samples Stored() const {
        return {m_wave.m_samples.get(), m_wave.m_samples.get() + m_wave.m_sampleCount};
    }

    CWaveData m_wave;
    CScriptedSoundInput m_device;
    CSoundIn m_engine{m_device, m_wave};
    std::mutex m_mutex;
    std::vector<Notification> m_notifications;
};

TEST_F(SoundInTest, OpenCapturesAt44100MonoAndFailuresGiveBackWhatTheyTook) {
    EXPECT_EQ(m_engine.Open(nullptr), CSoundIn::kNoReceiver);
    EXPECT_TRUE(m_device.m_queriedFormats.empty());

    m_device.m_formatSupported = false;
    EXPECT_EQ(Open(), CSoundIn::kFormatNotSupported);
    ASSERT_EQ(m_device.m_queriedFormats.size(), 1u);
    const SoundFormat& asked = m_device.m_queriedFormats[0];
    EXPECT_EQ(std::tuple(asked.m_samplesPerSec, asked.m_channels, asked.m_bitsPerSample),
              std::tuple(44100, 1, 16));
    m_device.m_formatSupported = true;

    m_device.m_openSucceeds = false;
    EXPECT_EQ(Open(), CSoundIn::kOpenFailed);
    m_device.m_openSucceeds = true;

    m_device.m_startSucceeds = false;
    EXPECT_EQ(Open(), CSoundIn::kInitFailure);
    EXPECT_FALSE(m_device.m_openFormat);
    EXPECT_EQ(std::tuple(m_device.m_closeCount, m_device.Queued()), std::tuple(1, 0u));
    EXPECT_TRUE(TakeNotifications().empty());
    m_device.m_startSucceeds = true;
    ExpectStoreAsItWas();

    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    EXPECT_TRUE(m_device.m_capturing);
    EXPECT_EQ(m_device.Queued(), 2u);
    EXPECT_STREQ(m_engine.StatusText(), "stopped");
    m_engine.Stop();
    ExpectStoreAsItWas();

    EXPECT_STREQ(CSoundIn::MessageText(1), "No dialog pointer!");
    EXPECT_STREQ(CSoundIn::MessageText(2), "Sound format not supported!");
    EXPECT_STREQ(CSoundIn::MessageText(3), "Failed to open sound device!");
    EXPECT_STREQ(CSoundIn::MessageText(4), "Sound driver initialise failure!");
    EXPECT_STREQ(CSoundIn::MessageText(9), "Sound error!");
}

TEST_F(SoundInTest, TheMeterShowsThePositivePeakOfEachBufferAndHoldsAnOverloadForTenUpdates) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    Capture(Buffer({{10, 1000}, {20, -30000}}));
    EXPECT_EQ(m_engine.Peak(), 1000);
    Capture(Buffer({{10, -32768}}));  // only the positive swing counts
    EXPECT_EQ(m_engine.Peak(), 0);
    EXPECT_EQ(TakeNotifications(), std::vector<Notification>(2, Notification::kLevelUpdate));

    Capture(Buffer({{5, 29491}}));
    EXPECT_FALSE(m_engine.TakeOverloadUpdate());
    Capture(Buffer({{5, 29492}}));
    for (int update = 0; update < 10; ++update)
        EXPECT_TRUE(m_engine.TakeOverloadUpdate()) << update;
    EXPECT_FALSE(m_engine.TakeOverloadUpdate());
    // A new overload while the indicator is on holds it for ten updates from then.
    Capture(Buffer({{5, 32767}}));
    EXPECT_TRUE(m_engine.TakeOverloadUpdate());
    Capture(Buffer({{5, 30000}}));
    for (int update = 0; update < 10; ++update)
        EXPECT_TRUE(m_engine.TakeOverloadUpdate()) << update;
    EXPECT_FALSE(m_engine.TakeOverloadUpdate());
    ExpectStoreAsItWas();
}

TEST_F(SoundInTest, OnlyASampleAboveTheTriggerLevelStartsTheRecording) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    for (const auto& [position, sample, triggers] :
         {std::tuple<int, std::int16_t, bool>{0, 0, false},
          {0, 1, true},
          {25, 8175, false},
          {25, 8176, true},
          {100, 32700, false},
          {100, 32701, true},
          {100, 32767, true},
          {0, -32768, false}}) {
        SCOPED_TRACE(testing::Message() << position << " " << sample);
        ASSERT_TRUE(m_engine.Begin(100000, true, position));
        EXPECT_EQ(m_engine.GetState(), CSoundIn::kWaiting);
        EXPECT_STREQ(m_engine.StatusText(), "wait for trigger");
        EXPECT_EQ(m_engine.TriggerLevel(), 327 * position);
        Capture(Buffer({{4000, sample}}));
        EXPECT_EQ(m_engine.GetState(), triggers ? CSoundIn::kRecording : CSoundIn::kWaiting);
        EXPECT_EQ(m_engine.RecordedCount(), triggers ? kBuffer : 0);
        m_engine.Cancel();
    }
}

TEST_F(SoundInTest, TheTriggeringBufferIsRecordedWholeAndTheLastOnlyAsFarAsTheLength) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    Capture(Buffer());  // the meter runs before Begin
    TakeNotifications();
    ASSERT_TRUE(m_engine.Begin(10000, true, 25));
    EXPECT_EQ(std::tuple(m_wave.m_sampleCount, m_wave.m_format.m_samplesPerSec, m_wave.m_selEnd),
              std::tuple(10000, 44100u, 10000));

    Capture(Buffer({{100, 8000}}));  // below the level of 8175
    auto strike = Buffer();
    for (int i = 5000; i < kBuffer; ++i)
        strike[i] = static_cast<std::int16_t>(i % 2 ? 20000 - i : i - 20000);
    Capture(strike);
    EXPECT_EQ(m_engine.GetState(), CSoundIn::kRecording);
    EXPECT_EQ(m_engine.Peak(), 14999);  // the largest of those recorded
    const auto tail = Ramp(0);
    Capture(tail);
    EXPECT_EQ(TakeNotifications(),
              (std::vector<Notification>{Notification::kLevelUpdate, Notification::kLevelUpdate,
                                         Notification::kRecordingComplete}));
    EXPECT_EQ(std::tuple(m_engine.GetState(), m_engine.RecordedCount()),
              std::tuple(CSoundIn::kStopped, 10000));
    auto expected = strike;
    expected.insert(expected.end(), tail.begin(), tail.begin() + (10000 - kBuffer));
    EXPECT_EQ(Stored(), expected);

    m_engine.Recorded();
    EXPECT_EQ(std::tuple(m_wave.m_state, m_wave.m_selStart, m_wave.m_selEnd, m_wave.m_fileName,
                         m_wave.GetFileTitle()),
              std::tuple(CWaveData::kMadeHere, 5000, 10000, "Recorded", "Recorded"));

    // The device runs on for the meter and the recording stays as it is.
    Capture(Ramp(500));
    EXPECT_EQ(TakeNotifications(), std::vector<Notification>{Notification::kLevelUpdate});
    EXPECT_EQ(Stored(), expected);
}

TEST_F(SoundInTest, CancelAbandonsTheRecordingAndLeavesTheStoreMarkedEmpty) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    ASSERT_TRUE(m_engine.Begin(30000, false, 25));
    Capture(Ramp(0));
    m_engine.Cancel();
    EXPECT_EQ(std::tuple(m_engine.GetState(), m_wave.m_state),
              std::tuple(CSoundIn::kStopped, CWaveData::kNoWaveform));
    const auto kept = Stored();
    Capture(Ramp(77));
    EXPECT_EQ(Stored(), kept);
    EXPECT_EQ(m_engine.RecordedCount(), kBuffer);

    // Abandoning a wait leaves the store's state to the caller.
    m_wave.m_state = CWaveData::kMadeHere;
    ASSERT_TRUE(m_engine.Begin(30000, true, 25));
    m_engine.Cancel();
    EXPECT_EQ(m_wave.m_state, CWaveData::kMadeHere);
}

TEST_F(SoundInTest, StopReleasesTheDeviceAndNothingIsReportedAfterIt) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    ASSERT_TRUE(m_engine.Begin(20000, false, 25));
    Capture(Samples(kBuffer + 100, 5));  // the second buffer part filled
    TakeNotifications();
    m_engine.Stop();
    EXPECT_EQ(std::tuple(m_device.m_resetCount, m_device.m_closeCount), std::tuple(1, 1));
    EXPECT_FALSE(m_device.m_openFormat);
    EXPECT_TRUE(TakeNotifications().empty());
    EXPECT_EQ(m_device.Capture(Ramp(0)), 0u);
    // The samples captured before the stop are kept, and only those.
    EXPECT_EQ(m_engine.RecordedCount(), kBuffer + 100);
    m_engine.Recorded();  // a report that was on its way counts no more
    EXPECT_EQ(m_wave.m_fileName, "No file loaded");
}

// Buffers arrive on a thread of their own, as from a device, while the dialog's side arms,
// abandons and re-arms recordings, each of which replaces the array being recorded into.
TEST_F(SoundInTest, RecordingsArmedAndAbandonedWhileTheDeviceDelivers) {
    ASSERT_EQ(Open(), CSoundIn::kCapturing);
    std::atomic<bool> done{false};
    const auto loud = Buffer({{1, 30000}});
    std::thread deviceThread([&] {
        while (!done.load())
            m_device.Capture(loud);
    });
    for (int round = 0; round < 300; ++round) {
        EXPECT_TRUE(m_engine.Begin(3 * kBuffer, round % 2 == 0, round % 101));
        m_engine.SetTriggerLevel(round % 101);
        m_engine.TakeOverloadUpdate();
        (void)m_engine.Peak();
        (void)m_engine.RecordedCount();
        if (round % 3 == 0)
            std::this_thread::yield();
        m_engine.Cancel();
    }
    EXPECT_TRUE(m_engine.Begin(3 * kBuffer, false, 0));
    while (m_engine.GetState() != CSoundIn::kStopped)
        std::this_thread::yield();
    done.store(true);
    deviceThread.join();
    m_engine.Recorded();
    EXPECT_EQ(m_engine.RecordedCount(), 3 * kBuffer);
    Samples expected;
    for (int b = 0; b < 3; ++b)
        expected.insert(expected.end(), loud.begin(), loud.end());
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(m_wave.m_selStart, 1);
    m_engine.Stop();
}

}  // namespace
