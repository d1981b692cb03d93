#include "wave/CompressedInput.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/ScriptedDecoder.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "wave/WavFile.h"

namespace {

// An IMA ADPCM format record: 4 bits a sample in blocks of 256 bytes a channel, with its two
// extra bytes (505 samples a block).
std::string AdpcmFormat(int channels, int rate) {
    return CWavBuilder()
        .U16(17)
        .U16(channels)
        .U32(rate)
        .U32(rate * channels * 256 / 505)
        .U16(256 * channels)
        .U16(4)
        .U16(2)
        .U16(505)
        .Bytes();
}
const std::string kAdpcmFormat = AdpcmFormat(1, 8000);

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
        std::int32_t channels, rate;
        int code;
    };
    const std::vector<Case> cases = {
        {DecodeResult::kNotPossible, {}, 1, 8000, CWaveData::kConversionImpossible},
        {DecodeResult::kError, {}, 1, 8000, CWaveData::kConversionError},
        {DecodeResult::kTooLong, {}, 1, 8000, CWaveData::kTooLong},
        // A decoder that claims success with nothing, with a layout the store cannot fold, or
        // with other channels or another rate than the file says, has failed all the same.
        {DecodeResult::kOk, {}, 1, 8000, CWaveData::kConversionError},
        {DecodeResult::kOk, {1, 2, 3}, 3, 8000, CWaveData::kConversionError},
        {DecodeResult::kOk, {1, 2, 3, 4}, 2, 8000, CWaveData::kConversionError},
        {DecodeResult::kOk, {1, 2, 3, 4}, 1, 8001, CWaveData::kConversionError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.result) << " " << c.channels << " " << c.rate);
        m_decoder.m_result = c.result;
        m_decoder.m_samples = c.samples;
        m_decoder.m_channels = c.channels;
        m_decoder.m_samplesPerSec = c.rate;
        EXPECT_EQ(Read("abcd"), c.code);
        EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);
        EXPECT_EQ(m_copy.m_format.m_formatTag, 17);
    }
    // Ten minutes at 10 Hz are 6000 frames, all a decoder may hand over, whatever it says.
    m_decoder.m_result = DecodeResult::kOk;
    m_decoder.m_channels = 1;
    m_decoder.m_samplesPerSec = 10;
    m_decoder.m_samples.assign(6001, 7);
    EXPECT_EQ(Read("abcd", AdpcmFormat(1, 10)), CWaveData::kConversionError);
    m_decoder.m_samples.assign(6000, 7);
    EXPECT_EQ(Read("abcd", AdpcmFormat(1, 10)), CWaveData::kReadOk);
    EXPECT_EQ(m_wave.m_sampleCount, 6000);
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
    ASSERT_EQ(Read("abcd", AdpcmFormat(2, 11025)), 0);
    EXPECT_EQ(Samples(), (std::vector<int>{-1, 150, 32767, -32768, 3000}));
    const WaveFormat& f = m_wave.m_format;
    EXPECT_EQ(std::tuple(f.m_formatTag, f.m_channels, f.m_bitsPerSample, f.m_samplesPerSec,
                         f.m_avgBytesPerSec, m_wave.m_dataBytes),
              std::tuple(kWaveFormatPcm, 1, 16, 11025u, 22050u, 20u));
    EXPECT_EQ(m_wave.m_state, CWaveData::kFromFile);
    EXPECT_EQ(std::pair(m_wave.m_selStart, m_wave.m_selEnd), std::pair(2, 5));
    // The details still show the file's own format.
    EXPECT_EQ(std::tuple(m_copy.m_format.m_formatTag, m_copy.m_format.m_channels,
                         m_copy.m_format.m_blockAlign, m_copy.m_dataBytes),
              std::tuple(17, 2, 512, 4u));

    m_decoder.m_channels = 1;
    m_decoder.m_samplesPerSec = 8000;
    m_decoder.m_samples = {7, -7, 9};
    ASSERT_EQ(Read("abcd"), 0);
    EXPECT_EQ(Samples(), (std::vector<int>{7, -7, 9}));
}

class Mp3ReadTest : public CompressedReadTest {
  protected:
    // Writes the bytes as a file of the given name and reads it through the store.
    int ReadNamed(const std::string& bytes, const std::string& name = "bell.mp3") {
        WriteFileBytes(m_dir.File(name), bytes);
        m_ui.AnswerOpen(m_dir.File(name));
        return ReadWaveFile(m_wave, m_ui, m_decoder, m_copy);
    }

    // 44100 Hz, 128 kbit/s, joint stereo, behind a tag of 100 bytes.
    const std::string m_file = mp3::Id3Header(90) + std::string(90, 'T') +
                               mp3::Frames(mp3::Header(0xFB, 0x90, 0x40), 417, 30);
};

TEST_F(Mp3ReadTest, TheWholeFileIsDecodedAndFoldedToMono) {
    m_decoder.m_channels = 2;
    m_decoder.m_samplesPerSec = 44100;
    m_decoder.m_samples = {-3, 0, 4000, 3000, 10, 20};
    ASSERT_EQ(ReadNamed(m_file), 0);
    // The decoder gets every byte of the file, tag included, and ten minutes at its rate.
    ASSERT_EQ(m_decoder.m_images.size(), 1u);
    EXPECT_EQ(m_decoder.m_images[0], m_file);
    EXPECT_EQ(m_decoder.m_maxFrames[0], 600 * 44100);
    EXPECT_EQ(Samples(), (std::vector<int>{-1, 3500, 15}));
    EXPECT_EQ(std::tuple(m_wave.m_format.m_formatTag, m_wave.m_format.m_samplesPerSec,
                         m_wave.m_dataBytes, m_wave.m_selStart),
              std::tuple(kWaveFormatPcm, 44100u, 12u, 1));
    // The details show the frames as scanned, and the whole file's length.
    EXPECT_EQ(
        std::tuple(m_copy.m_format.m_formatTag, m_copy.m_format.m_channels, m_copy.m_dataBytes),
        std::tuple(85, 2, m_file.size()));

    // Any extension but "wav" and "WAV", and none, is MP3 input.
    for (const char* name : {"bell.Wav", "bell.MP3", "bell.aiff", "bell"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadNamed(m_file, name), 0);
    }
}

TEST_F(Mp3ReadTest, FailuresLeaveNoWaveform) {
    struct Case {
        const char* what;
        DecodeResult result;
        std::vector<std::int16_t> samples;
        std::int32_t channels;
        bool canDecodeMp3;
        int code;
    };
    const std::vector<Case> cases = {
        {"frames the decoder cannot take", DecodeResult::kNotPossible, {}, 2, true, 7},
        {"frames that do not decode", DecodeResult::kError, {}, 2, true, 7},
        {"longer than the frames said", DecodeResult::kTooLong, {}, 2, true, 11},
        {"no samples", DecodeResult::kOk, {}, 2, true, 7},
        {"mono from a stereo file", DecodeResult::kOk, {1, 2}, 1, true, 7},
        {"a library without MP3", DecodeResult::kOk, {1, 2}, 2, false, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_decoder.m_samplesPerSec = 44100;
        m_decoder.m_result = c.result;
        m_decoder.m_samples = c.samples;
        m_decoder.m_channels = c.channels;
        m_decoder.m_canDecodeMp3 = c.canDecodeMp3;
        m_decoder.m_images.clear();
        EXPECT_EQ(ReadNamed(m_file), c.code);
        EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);
        EXPECT_EQ(m_copy.m_format.m_formatTag, 85);
        // Without an MP3 codec the decoder is not even asked.
        EXPECT_EQ(m_decoder.m_images.size(), c.canDecodeMp3 ? 1u : 0u);
    }
}

class FlacOrOggReadTest : public Mp3ReadTest {
  protected:
    FlacOrOggReadTest() {
        m_decoder.m_info.m_codec = SoundCodec::kFlac;
        m_decoder.m_info.m_frames = 4;
        m_decoder.m_info.m_channels = 2;
        m_decoder.m_info.m_samplesPerSec = 96000;
        m_decoder.m_info.m_bitsPerSample = 24;
        m_decoder.m_channels = 2;
        m_decoder.m_samplesPerSec = 96000;
        m_decoder.m_samples = {1, 3, 5, 7, 9, 11, 13, 15};
    }

    // Not MP3: only the decoder can make sense of it.
    const std::string m_flac = "fLaC and whatever follows";
};

TEST_F(FlacOrOggReadTest, TheDecoderDescribesTheFileAndDecodesItWhole) {
    ASSERT_EQ(ReadNamed(m_flac, "bell.flac"), 0);
    EXPECT_EQ(m_decoder.m_inspected, std::vector<std::string>{m_flac});
    EXPECT_EQ(m_decoder.m_images, std::vector<std::string>{m_flac});
    EXPECT_EQ(m_decoder.m_maxFrames[0], 600 * 96000);
    EXPECT_EQ(Samples(), (std::vector<int>{2, 6, 10, 14}));
    EXPECT_EQ(m_wave.m_format.m_samplesPerSec, 96000u);
    const WaveFormat& f = m_copy.m_format;
    EXPECT_EQ(std::tuple(f.m_formatTag, f.m_channels, f.m_samplesPerSec, f.m_avgBytesPerSec,
                         f.m_blockAlign, f.m_bitsPerSample, m_copy.m_dataBytes),
              std::tuple(kWaveFormatFlac, 2, 96000u, std::uint32_t(m_flac.size() * 96000 / 4), 1,
                         24, m_flac.size()));

    // The extensions in any case, and the Ogg codecs by their own tags.
    for (const auto& [name, codec, tag] :
         {std::tuple{"bell.FLAC", SoundCodec::kFlac, kWaveFormatFlac},
          {"bell.ogg", SoundCodec::kVorbis, kWaveFormatVorbis},
          {"bell.Oga", SoundCodec::kVorbis, kWaveFormatVorbis},
          {"bell.opus", SoundCodec::kOpus, kWaveFormatOpus}}) {
        SCOPED_TRACE(name);
        m_decoder.m_info.m_codec = codec;
        ASSERT_EQ(ReadNamed(m_flac, name), 0);
        EXPECT_EQ(m_copy.m_format.m_formatTag, tag);
    }
}

TEST_F(FlacOrOggReadTest, FailuresGiveTheConversionCodes) {
    struct Case {
        const char* what;
        DecodeResult inspected;
        SoundCodec codec;
        std::int64_t frames;
        DecodeResult decoded;
        int code;
    };
    const std::vector<Case> cases = {
        {"unknown to the decoder", DecodeResult::kNotPossible, SoundCodec::kFlac, 4,
         DecodeResult::kOk, 8},
        {"no frames", DecodeResult::kError, SoundCodec::kFlac, 4, DecodeResult::kOk, 7},
        {"a codec the program does not name", DecodeResult::kOk, SoundCodec::kOther, 4,
         DecodeResult::kOk, 8},
        {"ten minutes and a frame", DecodeResult::kOk, SoundCodec::kVorbis, 600 * 96000 + 1,
         DecodeResult::kOk, 11},
        {"decoding fails", DecodeResult::kOk, SoundCodec::kOpus, 4, DecodeResult::kError, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_decoder.m_inspectResult = c.inspected;
        m_decoder.m_info.m_codec = c.codec;
        m_decoder.m_info.m_frames = c.frames;
        m_decoder.m_result = c.decoded;
        EXPECT_EQ(ReadNamed(m_flac, "bell.ogg"), c.code);
        EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);
    }
    // Exactly ten minutes is allowed.
    m_decoder.m_inspectResult = DecodeResult::kOk;
    m_decoder.m_result = DecodeResult::kOk;
    m_decoder.m_info.m_frames = 600 * 96000;
    EXPECT_EQ(ReadNamed(m_flac, "bell.ogg"), 0);
    // An empty file never reaches the decoder.
    m_decoder.m_inspected.clear();
    EXPECT_EQ(ReadNamed("", "bell.opus"), 3);
    EXPECT_TRUE(m_decoder.m_inspected.empty());
}

}  // namespace
