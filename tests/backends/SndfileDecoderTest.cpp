#include "backends/SndfileDecoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "wave/WavFile.h"

namespace {

// A 440 Hz tone at 8000 Hz, a quarter second, well clear of full scale.
std::vector<std::int16_t> Tone(int frames, double amplitude = 10000.0, int rate = 8000) {
    std::vector<std::int16_t> tone(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        tone[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * M_PI * 440.0 * i / rate)));
    return tone;
}

// Interleaves channels of equal length.
std::vector<std::int16_t> Interleave(const std::vector<std::vector<std::int16_t>>& channels) {
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < channels[0].size(); ++i)
        for (const auto& channel : channels)
            out.push_back(channel[i]);
    return out;
}

// Encodes interleaved samples with libsndfile's own encoders, the way another program would
// have written the file.
std::string Encode(int format, int channels, int rate, const std::vector<std::int16_t>& samples) {
    CTempDir dir;
    const std::string path = dir.File("sound");
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return {};
    sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
    sf_close(file);
    return ReadFileBytes(path);
}

DecodeResult Decode(const std::string& image, std::int64_t maxFrames, DecodedSound& sound) {
    CSndfileDecoder decoder;
    return decoder.Decode(reinterpret_cast<const unsigned char*>(image.data()), image.size(),
                          maxFrames, sound);
}

// The root mean square of the difference between what was encoded and what came back, over
// the values both hold: the tone's own level (about 7000) when the decoder gets it wrong.
double RmsError(const std::vector<std::int16_t>& expected, const std::int16_t* decoded,
                std::size_t decodedCount) {
    const std::size_t n = std::min(expected.size(), decodedCount);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += std::pow(expected[i] - decoded[i], 2);
    return n ? std::sqrt(sum / static_cast<double>(n)) : 1e9;
}

TEST(SndfileDecoderTest, WaveCodecsDecodeToTheirChannelsRateAndSamples) {
    const auto tone = Tone(2000);
    std::vector<std::int16_t> half(tone.size());
    for (std::size_t i = 0; i < tone.size(); ++i)
        half[i] = static_cast<std::int16_t>(-tone[i] / 2);
    struct Case {
        const char* what;
        int format;
        int channels;
        std::vector<std::int16_t> samples;
        double tolerance;  // the codec's own error at this level
    };
    const std::vector<Case> cases = {
        {"mu-law mono", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, tone, 150},
        {"A-law mono", SF_FORMAT_WAV | SF_FORMAT_ALAW, 1, tone, 150},
        {"IMA ADPCM stereo", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2, Interleave({tone, half}), 700},
        {"MS ADPCM mono", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 1, tone, 300},
        {"GSM 6.10 mono", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, tone, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string image = Encode(c.format, c.channels, 8000, c.samples);
        ASSERT_FALSE(image.empty());
        DecodedSound sound;
        ASSERT_EQ(Decode(image, 600 * 8000, sound), DecodeResult::kOk);
        EXPECT_EQ(sound.m_channels, c.channels);
        EXPECT_EQ(sound.m_samplesPerSec, 8000);
        // Block codecs may end on a whole block; never short of what was written.
        EXPECT_GE(sound.m_frames, 2000);
        EXPECT_LT(sound.m_frames, 2000 + 1024);
        EXPECT_LE(RmsError(c.samples, sound.m_samples.get(),
                           static_cast<std::size_t>(sound.m_frames * sound.m_channels)),
                  c.tolerance);
    }
}

TEST(SndfileDecoderTest, FrameBoundIsHeldBeforeAnythingIsDecoded) {
    const std::string image = Encode(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, Tone(2000));
    DecodedSound sound;
    EXPECT_EQ(Decode(image, 1999, sound), DecodeResult::kTooLong);
    EXPECT_EQ(sound.m_samples, nullptr);
    EXPECT_EQ(sound.m_frames, 0);
    EXPECT_EQ(Decode(image, 2000, sound), DecodeResult::kOk);
    EXPECT_EQ(sound.m_frames, 2000);
}

TEST(SndfileDecoderTest, DamagedOrForeignInputNeverDecodes) {
    const std::string good = Encode(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, Tone(2000));
    std::string noise(4000, '\0');
    unsigned state = 12345;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    // An unknown codec, a third channel, and a header with no data behind it.
    const std::string unknownCodec = CWavBuilder::Riff(
        CWavBuilder()
            .Chunk("fmt ",
                   CWavBuilder().U16(0x1234).U16(1).U32(8000).U32(8000).U16(1).U16(8).Bytes())
            .Chunk("data", std::string(100, 'x'))
            .Bytes());
    const std::string threeChannels = Encode(SF_FORMAT_WAV | SF_FORMAT_ULAW, 3, 8000,
                                             Interleave({Tone(100), Tone(100), Tone(100)}));
    struct Case {
        const char* what;
        std::string image;
        DecodeResult result;
    };
    const std::vector<Case> cases = {
        {"empty", "", DecodeResult::kNotPossible},
        {"noise", noise, DecodeResult::kNotPossible},
        {"header only", good.substr(0, 12), DecodeResult::kNotPossible},
        {"unknown codec", unknownCodec, DecodeResult::kNotPossible},
        {"three channels", threeChannels, DecodeResult::kNotPossible},
        {"no frames", Encode(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, {}), DecodeResult::kError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DecodedSound sound;
        EXPECT_EQ(Decode(c.image, 600 * 8000, sound), c.result);
        EXPECT_EQ(sound.m_samples, nullptr);
    }

    // A file cut short in its data gives what is there, and nothing beyond it.
    DecodedSound sound;
    ASSERT_EQ(Decode(good.substr(0, good.size() - 500), 600 * 8000, sound), DecodeResult::kOk);
    EXPECT_LE(sound.m_frames, 1500);
    EXPECT_GT(sound.m_frames, 1000);
}

TEST(SndfileDecoderTest, Mp3DecodesWhereTheLibraryHasIt) {
    CSndfileDecoder decoder;
    if (!decoder.CanDecodeMp3())
        GTEST_SKIP() << "this libsndfile has no MP3 codec";
    const int rate = 44100;
    const auto tone = Tone(rate / 2, 10000.0, rate);
    const std::string image = Encode(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, rate, tone);
    ASSERT_FALSE(image.empty());
    DecodedSound sound;
    ASSERT_EQ(Decode(image, 600 * rate, sound), DecodeResult::kOk);
    EXPECT_EQ(sound.m_channels, 1);
    EXPECT_EQ(sound.m_samplesPerSec, rate);
    // The encoder adds its delay and pads to whole frames.
    EXPECT_GE(sound.m_frames, rate / 2);
    EXPECT_LT(sound.m_frames, rate / 2 + 3 * 1152);
    // A lossy codec: the tone's level survives.
    double energy = 0;
    for (std::int64_t i = 0; i < sound.m_frames; ++i)
        energy += static_cast<double>(sound.m_samples[i]) * sound.m_samples[i];
    const double rms = std::sqrt(energy / static_cast<double>(rate / 2));
    EXPECT_NEAR(rms, 10000.0 / std::sqrt(2.0), 700.0);
}

// Compressed ".wav" files read through the program's own reader and the real decoder, which
// gets the format record with its extra bytes (ADPCM needs them) and the data.
TEST(SndfileDecoderTest, CompressedWaveFilesBecomeWaveforms) {
    const auto tone = Tone(2000);
    CTempDir dir;
    CScriptedUiServices ui;
    CSndfileDecoder decoder;
    const std::vector<std::pair<int, double>> codecs = {{SF_FORMAT_ULAW, 150},
                                                        {SF_FORMAT_IMA_ADPCM, 700}};
    for (const auto& [codec, tolerance] : codecs) {
        SCOPED_TRACE(codec);
        WriteFileBytes(dir.File("bell.wav"), Encode(SF_FORMAT_WAV | codec, 1, 8000, tone));
        ui.AnswerOpen(dir.File("bell.wav"));
        CWaveData wave;
        WaveFormatCopy copy;
        ASSERT_EQ(ReadWaveFile(wave, ui, decoder, copy), CWaveData::kReadOk);
        EXPECT_NE(copy.m_format.m_formatTag, kWaveFormatPcm);
        EXPECT_GE(wave.m_sampleCount, 2000);
        EXPECT_EQ(wave.m_format.m_samplesPerSec, 8000u);
        EXPECT_EQ(wave.m_state, CWaveData::kFromFile);
        EXPECT_LE(RmsError(tone, wave.m_samples.get(), 2000), tolerance);
    }
}

}  // namespace
