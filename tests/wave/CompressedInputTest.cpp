#include "wave/CompressedInput.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/ScriptedDecoder.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "wave/WavFile.h"

namespace {

// An IMA ADPCM format record: 4 bits a sample in blocks of 256 bytes, with its two extra
// bytes (505 samples a block).
const std::string kAdpcmFormat =
    CWavBuilder().U16(17).U16(1).U32(8000).U32(4055).U16(256).U16(4).U16(2).U16(505).Bytes();

class CompressedReadTest : public ::testing::Test {
  protected:
    int Read(const std::string& data, const std::string& format = kAdpcmFormat) {
        const std::string path = m_dir.File("bell.wav");
        WriteFileBytes(path, CWavBuilder::Riff(CWavBuilder()
                                                   .Chunk("fmt ", format)
                                                   .Chunk("LIST", "INFOnot for the decoder")
                                                   .Chunk("data", data)
                                                   .Bytes()));
        m_ui.AnswerOpen(path);
        return ReadWaveFile(m_wave, m_ui, m_decoder, m_copy);
    }

    std::vector<int> Samples() const {
        return std::vector<int>(m_wave.m_samples.get(),
                                m_wave.m_samples.get() + m_wave.m_sampleCount);
    }

    CTempDir m_dir;
    CScriptedUiServices m_ui;
    CScriptedDecoder m_decoder;
    CWaveData m_wave;
    WaveFormatCopy m_copy;
};

TEST_F(CompressedReadTest, DecoderOutcomesGiveTheStoreCodes) {
    struct Case {
        DecodeResult result;
        std::vector<std::int16_t> samples;
        std::int32_t channels;
        int code;
    };
    const std::vector<Case> cases = {
        {DecodeResult::kNotPossible, {}, 1, CWaveData::kConversionImpossible},
        {DecodeResult::kError, {}, 1, CWaveData::kConversionError},
        {DecodeResult::kTooLong, {}, 1, CWaveData::kTooLong},
        // A decoder that claims success with nothing, or with a layout the store cannot fold,
        // has failed all the same.
        {DecodeResult::kOk, {}, 1, CWaveData::kConversionError},
        {DecodeResult::kOk, {1, 2, 3}, 3, CWaveData::kConversionError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.result));
        m_decoder.m_result = c.result;
        m_decoder.m_samples = c.samples;
        m_decoder.m_channels = c.channels;
        EXPECT_EQ(Read("abcd"), c.code);
        EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);
        EXPECT_EQ(m_copy.m_format.m_formatTag, 17);
    }
}

TEST_F(CompressedReadTest, DecoderGetsTheFormatRecordAndDataAsAWholeFile) {
    m_decoder.m_samples = {1};
    ASSERT_EQ(Read("abcdef"), 0);
    ASSERT_EQ(m_decoder.m_images.size(), 1u);
    // The extra bytes of the format go along; chunks other than the format and data do not.
    EXPECT_EQ(m_decoder.m_images[0],
              CWavBuilder::Riff(
                  CWavBuilder().Chunk("fmt ", kAdpcmFormat).Chunk("data", "abcdef").Bytes()));
    // Ten minutes at the file's rate.
    EXPECT_EQ(m_decoder.m_maxFrames[0], 600 * 8000);

    // A format chunk without extra bytes hands over 18 bytes with an extra size of zero.
    const std::string shortFormat = kAdpcmFormat.substr(0, 16);
    ASSERT_EQ(Read("ab", shortFormat), 0);
    EXPECT_EQ(m_decoder.m_images[1],
              CWavBuilder::Riff(CWavBuilder()
                                    .Chunk("fmt ", CWavBuilder().Raw(shortFormat).U16(0).Bytes())
                                    .Chunk("data", "ab")
                                    .Bytes()));
}

TEST_F(CompressedReadTest, DecodedStereoIsFoldedToMonoAtTheDecodedRate) {
    m_decoder.m_channels = 2;
    m_decoder.m_samplesPerSec = 11025;
    m_decoder.m_samples = {-3, 0, 100, 200, 32767, 32767, -32768, -32768, 3000, 3001};
    ASSERT_EQ(Read("abcd"), 0);
    EXPECT_EQ(Samples(), (std::vector<int>{-1, 150, 32767, -32768, 3000}));
    EXPECT_EQ(m_wave.m_sampleCount, 5);
    EXPECT_EQ(m_wave.m_format.m_formatTag, kWaveFormatPcm);
    EXPECT_EQ(m_wave.m_format.m_channels, 1);
    EXPECT_EQ(m_wave.m_format.m_bitsPerSample, 16);
    EXPECT_EQ(m_wave.m_format.m_samplesPerSec, 11025u);
    EXPECT_EQ(m_wave.m_format.m_avgBytesPerSec, 22050u);
    EXPECT_EQ(m_wave.m_dataBytes, 20u);
    EXPECT_EQ(m_wave.m_state, CWaveData::kFromFile);
    EXPECT_EQ(m_wave.m_selStart, 2);
    EXPECT_EQ(m_wave.m_selEnd, 5);
    // The details still show the file's own format.
    EXPECT_EQ(m_copy.m_format.m_formatTag, 17);
    EXPECT_EQ(m_copy.m_format.m_samplesPerSec, 8000u);
    EXPECT_EQ(m_copy.m_dataBytes, 4u);

    m_decoder.m_channels = 1;
    m_decoder.m_samples = {7, -7, 9};
    ASSERT_EQ(Read("abcd"), 0);
    EXPECT_EQ(Samples(), (std::vector<int>{7, -7, 9}));
}

}  // namespace
