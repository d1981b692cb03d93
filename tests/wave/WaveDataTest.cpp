#include "wave/WaveData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

TEST(WaveDataTest, FileNamePieces) {
    const struct {
        const char* path;
        const char* name;
        const char* title;
        const char* ext;
    } cases[] = {{nullptr, "No file loaded", "No file loaded", ""},
                 {"/home/ringer/tower.bells/tenor.2.wav", "tenor.2.wav", "tenor.2", "wav"},
                 {"/home/ringer/tower.bells/treble", "treble", "treble", ""}};
    for (const auto& c : cases) {
        CWaveData wave;
        if (c.path)
            wave.m_fileName = c.path;
        EXPECT_EQ(std::tuple(wave.GetFileName(), wave.GetFileTitle(), wave.GetFileExt()),
                  std::tuple(c.name, c.title, c.ext));
    }
}

// A waveform of count samples whose sample i is i - 20000, so interpolated values can be
// read off, with a selection.
CWaveData Ramp(std::int32_t count, std::int32_t selStart, std::int32_t selEnd) {
    CWaveData wave;
    EXPECT_TRUE(wave.CreateEmpty(44100, count, 16));
    for (std::int32_t i = 0; i < count; ++i)
        wave.m_samples[i] = static_cast<std::int16_t>(i - 20000);
    wave.m_selStart = selStart;
    wave.m_selEnd = selEnd;
    wave.m_fileName = "/bells/tenor.wav";
    wave.m_state = CWaveData::kFromFile;
    return wave;
}

TEST(WaveDataTest, StretchResamplesAtTheSameRate) {
    CWaveData wave = Ramp(44100, 100, 44100);
    ASSERT_TRUE(wave.Stretch(1.02));
    EXPECT_EQ(std::tuple(wave.m_sampleCount, wave.m_dataBytes, wave.m_selStart, wave.m_selEnd),
              std::tuple(43235, 2u * 43235, 100, 43235));
    EXPECT_EQ(wave.m_freqPercent, 102.0);
    EXPECT_EQ(wave.m_fileName, "Stretched");
    EXPECT_EQ(wave.m_format.m_samplesPerSec, 44100u);
    // New sample i lies between old samples k and k + 1 at x = 1.02 i, truncated toward 0.
    EXPECT_EQ(wave.m_samples[0], -20000);
    EXPECT_EQ(wave.m_samples[50], -19949);    // x = 51: an old sample exactly
    EXPECT_EQ(wave.m_samples[1], -19998);     // -20000 + 1.02 = -19998.98
    EXPECT_EQ(wave.m_samples[43234], 24098);  // x = 44098.68
    ASSERT_TRUE(wave.Stretch(1.02));
    EXPECT_DOUBLE_EQ(wave.m_freqPercent, 104.04);

    const struct {
        double factor;
        std::int32_t count;
    } lengths[] = {{0.67, 65820}, {1.5, 29400}};
    for (const auto& c : lengths) {
        CWaveData w = Ramp(44100, 40000, 44100);
        ASSERT_TRUE(w.Stretch(c.factor));
        EXPECT_EQ(w.m_sampleCount, c.count);
        EXPECT_EQ(w.m_samples[0], -20000);
        if (c.factor > 1) {  // the selection beyond the new end: its end clipped, its start 0
            EXPECT_EQ(w.m_selStart, 0);
            EXPECT_EQ(w.m_selEnd, 29400);
        }
    }
}

TEST(WaveDataTest, StretchNeverReadsBeyondTheOldSamples) {
    // By 0.8, five samples become six and the last new one lies exactly on the last old
    // one, whose right neighbour would be one past the array: the last sample stands in.
    CWaveData wave;
    ASSERT_TRUE(wave.CreateEmpty(8000, 5, 16));
    const std::int16_t old[] = {100, -200, 300, -400, 500};
    std::copy(old, old + 5, wave.m_samples.get());
    ASSERT_TRUE(wave.Stretch(0.8));
    ASSERT_EQ(wave.m_sampleCount, 6);
    EXPECT_EQ(wave.m_samples[0], 100);
    EXPECT_EQ(wave.m_samples[5], 500);
    EXPECT_EQ(wave.m_samples[1], -140);  // 100 * 0.2 - 200 * 0.8, toward 0

    // A length beyond 32 bits is refused and the waveform stays.
    CWaveData big = Ramp(100, 0, 100);
    EXPECT_FALSE(big.Stretch(1e-8));
    EXPECT_FALSE(big.Stretch(0.0));
    EXPECT_EQ(big.m_sampleCount, 100);
    EXPECT_EQ(big.m_fileName, "/bells/tenor.wav");
}

TEST(WaveDataTest, ResultTexts) {
    EXPECT_STREQ(CWaveData::WaveResultText(0), "File read OK");
    EXPECT_STREQ(CWaveData::WaveResultText(2), "Not a valid .wav file!");
    EXPECT_STREQ(CWaveData::WaveResultText(7), "Error during conversion!");
    EXPECT_STREQ(CWaveData::WaveResultText(11), "Maximum file duration is 10 minutes!");
    EXPECT_STREQ(CWaveData::WaveResultText(12),
                 "MP3 files cannot be read: the installed libsndfile has no MP3 decoder!");
    EXPECT_STREQ(CWaveData::WaveResultText(13), "Bad file!");
    EXPECT_STREQ(CWaveData::WaveResultText(-1), "Bad file!");
}

}  // namespace
