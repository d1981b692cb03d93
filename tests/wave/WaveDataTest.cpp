#include "wave/WaveData.h"

#include <gtest/gtest.h>

namespace {

TEST(WaveDataTest, FileNamePieces) {
    CWaveData wave;
    EXPECT_EQ(wave.GetFileName(), "No file loaded");
    EXPECT_EQ(wave.GetFileTitle(), "No file loaded");
    EXPECT_EQ(wave.GetFileExt(), "");
    wave.m_fileName = "/home/ringer/tower.bells/tenor.2.wav";
    EXPECT_EQ(wave.GetFileName(), "tenor.2.wav");
    EXPECT_EQ(wave.GetFileTitle(), "tenor.2");
    EXPECT_EQ(wave.GetFileExt(), "wav");
    wave.m_fileName = "/home/ringer/tower.bells/treble";
    EXPECT_EQ(wave.GetFileTitle(), "treble");
    EXPECT_EQ(wave.GetFileExt(), "");
}

TEST(WaveDataTest, CreateEmptyDescribesSixteenBitMono) {
    CWaveData wave;
    wave.m_fileName = "/x/y.wav";
    wave.m_freqPercent = 105.9;
    wave.m_state = CWaveData::kFromFile;
    wave.CreateEmpty(22050, 1000, 16);
    EXPECT_EQ(wave.m_format.m_formatTag, 1);
    EXPECT_EQ(wave.m_format.m_channels, 1);
    EXPECT_EQ(wave.m_format.m_samplesPerSec, 22050u);
    EXPECT_EQ(wave.m_format.m_avgBytesPerSec, 44100u);
    EXPECT_EQ(wave.m_format.m_blockAlign, 2);
    EXPECT_EQ(wave.m_dataBytes, 2000u);
    EXPECT_EQ(wave.m_selStart, 0);
    EXPECT_EQ(wave.m_selEnd, 1000);
    EXPECT_EQ(wave.m_fileName, "No file loaded");
    EXPECT_EQ(wave.m_freqPercent, 100.0);
    EXPECT_EQ(wave.m_state, CWaveData::kFromFile);  // the caller sets the state
    ASSERT_NE(wave.m_samples, nullptr);
}

TEST(WaveDataTest, ResultTexts) {
    EXPECT_STREQ(CWaveData::WaveResultText(0), "File read OK");
    EXPECT_STREQ(CWaveData::WaveResultText(2), "Not a valid .wav file!");
    EXPECT_STREQ(CWaveData::WaveResultText(4), "Not a valid .wav file!");
    EXPECT_STREQ(CWaveData::WaveResultText(7), "Error during conversion!");
    EXPECT_STREQ(CWaveData::WaveResultText(8), "Conversion not possible!");
    EXPECT_STREQ(CWaveData::WaveResultText(11), "Maximum file duration is 10 minutes!");
    EXPECT_STREQ(CWaveData::WaveResultText(12),
                 "MP3 files cannot be read: the installed libsndfile has no MP3 decoder!");
    EXPECT_STREQ(CWaveData::WaveResultText(13), "Bad file!");
    EXPECT_STREQ(CWaveData::WaveResultText(-1), "Bad file!");
}

}  // namespace
