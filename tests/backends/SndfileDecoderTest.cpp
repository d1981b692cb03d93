#include "backends/SndfileDecoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "support/Mp3Builder.h"
#include "support/ScriptedUiServices.h"
#include "support/SoundEncoding.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "wave/CompressedInput.h"
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

// A ".wav" file in a codec no one knows (tag 0x1234).
std::string UnknownCodecWav() {
    return CWavBuilder::Riff(
        CWavBuilder()
            .Chunk("fmt ",
                   CWavBuilder().U16(0x1234).U16(1).U32(8000).U32(8000).U16(1).U16(8).Bytes())
            .Chunk("data", std::string(100, 'x'))
            .Bytes());
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
        const std::string image = EncodeSound(c.format, c.channels, 8000, c.samples);
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

// The sanitizers' allocation hook, when the tests run under them: it shows the largest block
// the decoder reserves.
extern "C" __attribute__((weak)) int __sanitizer_install_malloc_and_free_hooks(
    void (*mallocHook)(const volatile void*, std::size_t), void (*freeHook)(const volatile void*));

std::atomic<bool> g_watchAllocations{false};
std::atomic<std::size_t> g_largestAllocation{0};
void NoteAllocation(const volatile void*, std::size_t size) {
    if (g_watchAllocations && size > g_largestAllocation)
        g_largestAllocation = size;
}
void NoteFree(const volatile void*) {}

// 836 bytes of FLAC whose header claims ten minutes of stereo at 655350 Hz: the decoder must
// not reserve the 1.5 GB that would take, only what the stream really holds.
TEST(SndfileDecoderTest, MemoryFollowsTheStreamNotItsHeader) {
    if (__sanitizer_install_malloc_and_free_hooks == nullptr)
        GTEST_SKIP() << "allocations are watched under the sanitizers only";
    static const bool hooked = __sanitizer_install_malloc_and_free_hooks(NoteAllocation, NoteFree);
    ASSERT_TRUE(hooked);

    std::string image =
        EncodeSound(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 8000, Interleave({Tone(600), Tone(600)}));
    ASSERT_EQ(image.substr(0, 4), "fLaC");
    // The stream description follows "fLaC" and its block header; from its 11th byte: 20 bits
    // of rate, 3 of channels - 1, 5 of bits - 1 and 36 of frames.
    const std::uint64_t rate = 655350;
    const std::uint64_t claimed = 600 * rate;
    const std::uint64_t fields =
        rate << 44 | std::uint64_t{1} << 41 | std::uint64_t{15} << 36 | claimed;
    for (int i = 0; i < 8; ++i)
        image[18 + static_cast<std::size_t>(i)] = static_cast<char>(fields >> (56 - 8 * i));

    DecodedSound sound;
    g_largestAllocation = 0;
    g_watchAllocations = true;
    const DecodeResult result = Decode(image, static_cast<std::int64_t>(claimed), sound);
    g_watchAllocations = false;
    EXPECT_LT(g_largestAllocation.load(), std::size_t{64} << 20);
    ASSERT_EQ(result, DecodeResult::kOk);
    EXPECT_EQ(sound.m_frames, 600);
    EXPECT_EQ(sound.m_samplesPerSec, 655350);
}

TEST(SndfileDecoderTest, DamagedOrForeignInputNeverDecodes) {
    const std::string good = EncodeSound(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, Tone(2000));
    std::string noise(4000, '\0');
    unsigned state = 12345;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    // A third channel, and a header with no data behind it.
    const std::string threeChannels = EncodeSound(SF_FORMAT_WAV | SF_FORMAT_ULAW, 3, 8000,
                                                  Interleave({Tone(100), Tone(100), Tone(100)}));
    struct Case {
        const char* what;
        std::string image;
        std::int64_t maxFrames;
        DecodeResult result;
    };
    const std::vector<Case> cases = {
        {"empty", "", 4800000, DecodeResult::kNotPossible},
        {"noise", noise, 4800000, DecodeResult::kNotPossible},
        {"header only", good.substr(0, 12), 4800000, DecodeResult::kNotPossible},
        {"unknown codec", UnknownCodecWav(), 4800000, DecodeResult::kNotPossible},
        {"three channels", threeChannels, 4800000, DecodeResult::kNotPossible},
        {"no frames", EncodeSound(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000, {}), 4800000,
         DecodeResult::kError},
        // The frame bound is held before anything is decoded.
        {"a frame too long", good, 1999, DecodeResult::kTooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DecodedSound sound;
        EXPECT_EQ(Decode(c.image, c.maxFrames, sound), c.result);
        EXPECT_EQ(sound.m_samples, nullptr);
    }

    DecodedSound sound;
    ASSERT_EQ(Decode(good, 2000, sound), DecodeResult::kOk);  // exactly at the bound
    EXPECT_EQ(sound.m_frames, 2000);
    // A file cut short in its data gives what is there, and nothing beyond it.
    ASSERT_EQ(Decode(good.substr(0, good.size() - 500), 600 * 8000, sound), DecodeResult::kOk);
    EXPECT_LE(sound.m_frames, 1500);
    EXPECT_GT(sound.m_frames, 1000);
}

// Files read through the program's own reader and the real decoder, from the file dialog on.
class SndfileReadTest : public ::testing::Test {
  protected:
    int Read(const std::string& name, const std::string& bytes) {
        WriteFileBytes(m_dir.File(name), bytes);
        m_ui.AnswerOpen(m_dir.File(name));
        return ReadWaveFile(m_wave, m_ui, m_decoder, m_copy);
    }

    // The root mean square of the stored samples.
    double Level() const {
        double energy = 0;
        for (std::int32_t i = 0; i < m_wave.m_sampleCount; ++i)
            energy += static_cast<double>(m_wave.m_samples[i]) * m_wave.m_samples[i];
        return m_wave.m_sampleCount ? std::sqrt(energy / m_wave.m_sampleCount) : 0.0;
    }

    CTempDir m_dir;
    CScriptedUiServices m_ui;
    CSndfileDecoder m_decoder;
    CWaveData m_wave;
    WaveFormatCopy m_copy;
};

// The compressed ".wav" decoder gets the format record with its extra bytes (ADPCM needs
// them) and the data; the details show the file's own codec.
TEST_F(SndfileReadTest, CompressedWaveFilesBecomeWaveforms) {
    const auto tone = Tone(2000);
    ASSERT_EQ(Read("bell.wav", EncodeSound(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 8000, tone)),
              CWaveData::kReadOk);
    EXPECT_EQ(m_copy.m_format.m_formatTag, 17);
    EXPECT_GE(m_wave.m_sampleCount, 2000);
    EXPECT_LE(RmsError(tone, m_wave.m_samples.get(), 2000), 700);

    EXPECT_EQ(Read("bell.wav", UnknownCodecWav()), CWaveData::kConversionImpossible);
    EXPECT_STREQ(CWaveData::WaveResultText(CWaveData::kConversionImpossible),
                 "Conversion not possible!");
    EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);
}

class SndfileMp3Test : public SndfileReadTest {
  protected:
    // The libsndfile the program is built against reads MP3; one that cannot would cost every
    // MP3 recording, so it fails here rather than passing by.
    void SetUp() override {
        ASSERT_TRUE(m_decoder.CanDecodeMp3()) << "libsndfile has no MP3 codec";
    }

    // One second of the tone, encoded by the library's MP3 encoder; a second channel carries
    // the tone at half level.
    static std::string Mp3(int channels, int rate) {
        const auto tone = Tone(rate, 10000.0, rate);
        std::vector<std::int16_t> half(tone.size());
        for (std::size_t i = 0; i < tone.size(); ++i)
            half[i] = static_cast<std::int16_t>(tone[i] / 2);
        return EncodeSound(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, channels, rate,
                           channels == 1 ? tone : Interleave({tone, half}));
    }
};

TEST_F(SndfileMp3Test, EveryVersionReadsAtItsRateAndChannelsFoldedToMono) {
    struct Case {
        int rate;
        int channels;
        int samplesPerFrame;
    };
    // MPEG-1, MPEG-2 and MPEG 2.5 rates.
    for (const Case& c : {Case{44100, 1, 1152}, Case{44100, 2, 1152}, Case{22050, 2, 576},
                          Case{11025, 1, 576}, Case{8000, 2, 576}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channels");
        const std::string file = Mp3(c.channels, c.rate);
        ASSERT_FALSE(file.empty());
        // Stereo is written as joint stereo (channel mode 1).
        ASSERT_EQ(static_cast<unsigned char>(file[3]) >> 6, c.channels == 1 ? 3 : 1);
        ASSERT_EQ(Read("bell.mp3", file), CWaveData::kReadOk);
        EXPECT_EQ(std::tuple(m_copy.m_format.m_formatTag, m_copy.m_format.m_channels,
                             m_copy.m_format.m_samplesPerSec, m_copy.m_dataBytes),
                  std::tuple(85, c.channels, std::uint32_t(c.rate), file.size()));
        EXPECT_EQ(m_wave.m_format.m_samplesPerSec, static_cast<std::uint32_t>(c.rate));
        // One second, give or take the encoder's delay and padding: within a frame.
        EXPECT_NEAR(m_wave.m_sampleCount, c.rate, c.samplesPerFrame);
        // A lossy codec: the tone's level survives, the channels averaged.
        const double level = 10000.0 / std::sqrt(2.0) * (c.channels == 1 ? 1.0 : 0.75);
        EXPECT_NEAR(Level(), level, 0.1 * level);
    }
}

TEST_F(SndfileMp3Test, TagsStayInTheFileAndACutFileNeverGoesBeyondItsFrames) {
    const std::string plain = Mp3(2, 44100);
    ASSERT_EQ(Read("bell.mp3", plain), CWaveData::kReadOk);
    const std::int32_t samples = m_wave.m_sampleCount;

    // A tag the decoder skips as the scan does, whatever headers its body seems to hold.
    std::string body(2000, '\0');
    for (std::size_t i = 0; i + 4 <= body.size(); i += 250)
        body.replace(i, 4, mp3::Decoy());
    const std::string tagged = mp3::Id3Header(2000) + body + plain;
    ASSERT_EQ(Read("bell.mp3", tagged), CWaveData::kReadOk);
    EXPECT_EQ(m_wave.m_sampleCount, samples);
    EXPECT_EQ(m_copy.m_dataBytes, tagged.size());
    EXPECT_EQ(m_copy.m_format.m_samplesPerSec, 44100u);

    // Cut in the middle of its frames: what is there, or an error; never more.
    const int cut = Read("bell.mp3", plain.substr(0, plain.size() / 2));
    EXPECT_TRUE(cut == CWaveData::kReadOk || cut == CWaveData::kConversionError) << cut;
    if (cut == CWaveData::kReadOk) {
        EXPECT_LT(m_wave.m_sampleCount, samples);
    }
}

TEST_F(SndfileReadTest, FlacAndOggFilesReadThroughTheDecoder) {
    struct Case {
        const char* name;
        int format;
        int channels;
        int rate;
        int tag;
        int bits;
        double tolerance;  // of the level, for the lossy codecs
    };
    const std::vector<Case> cases = {
        {"bell.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, kWaveFormatFlac, 16, 1},
        {"bell.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, 96000, kWaveFormatFlac, 24, 1},
        {"bell.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, kWaveFormatVorbis, 0, 300},
        {"bell.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1, 48000, kWaveFormatOpus, 0, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tone = Tone(c.rate / 2, 10000.0, c.rate);
        const std::string file = EncodeSound(c.format, c.channels, c.rate,
                                             c.channels == 1 ? tone : Interleave({tone, tone}));
        ASSERT_FALSE(file.empty());
        ASSERT_EQ(Read(c.name, file), CWaveData::kReadOk);
        EXPECT_EQ(std::tuple(m_copy.m_format.m_formatTag, m_copy.m_format.m_channels,
                             m_copy.m_format.m_samplesPerSec, m_copy.m_format.m_bitsPerSample,
                             m_copy.m_dataBytes),
                  std::tuple(c.tag, c.channels, std::uint32_t(c.rate), c.bits, file.size()));
        EXPECT_EQ(m_wave.m_sampleCount, c.rate / 2);
        EXPECT_EQ(m_wave.m_format.m_samplesPerSec, static_cast<std::uint32_t>(c.rate));
        EXPECT_NEAR(Level(), 10000.0 / std::sqrt(2.0), c.tolerance);
    }
}

}  // namespace
