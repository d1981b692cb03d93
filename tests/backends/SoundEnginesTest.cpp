// The playback and recording engines on the real PortAudio backends, through the ALSA file
// plugin of the test run.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "audio/SoundIn.h"
#include "audio/SoundOut.h"
#include "backends/PortAudioSound.h"
#include "support/SoundFiles.h"
#include "wave/WaveData.h"

namespace {

using namespace std::chrono_literals;

// A waveform in which no sample value comes twice, so a run found in the sound file came from
// exactly there.
void MakeWave(CWaveData& wave, std::int32_t count) {
    wave.CreateEmpty(22050, count, 16);
    for (std::int32_t i = 0; i < count; ++i)
        wave.m_samples[i] = static_cast<std::int16_t>(i * 7919 % 65536 - 32768);
    wave.m_state = CWaveData::kFromFile;
}

std::vector<std::int16_t> Slice(const CWaveData& wave, std::int32_t from, std::int32_t to) {
    return {wave.m_samples.get() + from, wave.m_samples.get() + to};
}

bool PlayToTheEnd(CSoundOut& engine) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!engine.Finished() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const bool finished = engine.Finished();
    engine.Close();
    return finished;
}

TEST_F(SoundFileTest, PlayingSendsExactlyTheSelectionOrTheWholeWaveformToTheDevice) {
    CWaveData wave;
    MakeWave(wave, 50000);
    for (const bool boxed : {true, false}) {
        SCOPED_TRACE(boxed);
        CPortAudioOutput device;
        CSoundOut engine(device);
        ASSERT_EQ(engine.Open(wave, {{7000, 33000}, boxed, 50000}), CSoundOut::kPlaying);
        ASSERT_TRUE(PlayToTheEnd(engine));
        const auto played = Played();
        EXPECT_TRUE(ContainsRun(played, boxed ? Slice(wave, 7000, 33000) : Slice(wave, 0, 50000)));
        // With the box, nothing on either side of the selection was played.
        EXPECT_NE(ContainsRun(played, Slice(wave, 6990, 7010)), boxed);
        EXPECT_NE(ContainsRun(played, Slice(wave, 32990, 33010)), boxed);
    }
}

// Holds the first buffer the device returns until the test lets it through, so that the
// recording is armed before any sound has been looked at.
class CHeldInput : public CSoundInput {
  public:
    explicit CHeldInput(CSoundInput& device) : m_device(device) {}
    bool IsFormatSupported(const SoundFormat& format) override {
        return m_device.IsFormatSupported(format);
    }
    bool Open(const SoundFormat& format, Completion completion) override {
        return m_device.Open(format, [this, completion](std::int16_t* buffer, std::int32_t n) {
            m_gate.Wait();
            completion(buffer, n);
        });
    }
    bool AddBuffer(std::int16_t* buffer, std::int32_t count) override {
        return m_device.AddBuffer(buffer, count);
    }
    bool Start() override { return m_device.Start(); }
    void Reset() override { m_device.Reset(); }
    void Close() override { m_device.Close(); }

    CGate m_gate;

  private:
    CSoundInput& m_device;
};

TEST_F(SoundFileTest, ARecordingStartsWithTheBufferThatHoldsTheStrike) {
    // Silence, then a strike at sample 30000, inside the fourth buffer (24576 .. 32767).
    std::vector<std::int16_t> input(120000, 0);
    for (std::size_t i = 30000; i < input.size(); ++i)
        input[i] = static_cast<std::int16_t>((i % 2 ? 1 : -1) * (20000 - (i - 30000) / 8));
    SetInput(input);

    CWaveData wave;
    CPortAudioInput portAudio;
    CHeldInput device(portAudio);
    CSoundIn engine(device, wave);
    CGate complete;
    ASSERT_EQ(engine.Open([&](CSoundIn::Notification n) {
        if (n == CSoundIn::Notification::kRecordingComplete)
            complete.Open();
    }),
              CSoundIn::kCapturing);
    ASSERT_TRUE(engine.Begin(20000, true, 25));
    device.m_gate.Open();
    ASSERT_TRUE(complete.Wait());
    engine.Recorded();
    engine.Stop();

    ASSERT_EQ(wave.m_sampleCount, 20000);
    EXPECT_EQ(wave.m_format.m_samplesPerSec, 44100u);
    const std::vector<std::int16_t> recorded(wave.m_samples.get(), wave.m_samples.get() + 20000);
    EXPECT_EQ(recorded, std::vector<std::int16_t>(input.begin() + 24576, input.begin() + 44576));
    EXPECT_EQ(wave.m_selStart, 30000 - 24576);
    EXPECT_EQ(wave.m_selEnd, 20000);
    EXPECT_EQ(wave.m_fileName, "Recorded");
    EXPECT_EQ(wave.m_state, CWaveData::kMadeHere);
}

// Run with an ALSA configuration that has no device at all.
TEST(NoSoundDeviceEnginesTest, PlayAndRecordReportTheMissingDevice) {
    CWaveData wave;
    MakeWave(wave, 1000);
    CPortAudioOutput output;
    CSoundOut player(output);
    EXPECT_EQ(player.Open(wave, {{0, 0}, false, 1000}), CSoundOut::kFormatNotSupported);
    CPortAudioInput input;
    CSoundIn recorder(input, wave);
    EXPECT_EQ(recorder.Open([](CSoundIn::Notification) {}), CSoundIn::kFormatNotSupported);
    EXPECT_EQ(wave.m_sampleCount, 1000);
    EXPECT_EQ(wave.m_state, CWaveData::kFromFile);
}

}  // namespace
