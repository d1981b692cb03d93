#include "wave/WavFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/SoundDecoder.h"
#include "support/EchoDecoder.h"
#include "support/ReadBack.h"
#include "support/ScriptedUiServices.h"
#include "support/SeedFiles.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"

namespace {

class WaveReadTest : public ::testing::Test {
  protected:
    // Writes the bytes to a file of the given name and reads it through the store.
    int Read(const std::string& bytes, const std::string& name = "bell.wav") {
        const std::string path = m_dir.File(name);
        WriteFileBytes(path, bytes);
        m_ui.AnswerOpen(path);
        return ReadWaveFile(m_wave, m_ui, m_copy);
    }

    std::vector<int> Samples() const {
        return std::vector<int>(m_wave.m_samples.get(),
                                m_wave.m_samples.get() + m_wave.m_sampleCount);
    }

    CTempDir m_dir;
    CScriptedUiServices m_ui;
    CWaveData m_wave;
    WaveFormatCopy m_copy;
};

// count random bytes of sound data, with the 16-bit mono and stereo folds of them.
struct SoundBytes {
    std::string bytes;
    std::vector<int> mono16;
    std::vector<int> stereo16;
};
SoundBytes RandomSound(std::size_t count) {
    std::mt19937 gen(7);
    SoundBytes sound;
    for (std::size_t i = 0; i < count; ++i)
        sound.bytes += static_cast<char>(gen());
    const auto s = [&sound](std::size_t i) {
        return static_cast<std::int16_t>(static_cast<unsigned char>(sound.bytes[2 * i]) |
                                         static_cast<unsigned char>(sound.bytes[2 * i + 1]) << 8);
    };
    for (std::size_t i = 0; i < count / 2; ++i)
        sound.mono16.push_back(s(i));
    for (std::size_t i = 0; i < count / 4; ++i)
        sound.stereo16.push_back((s(2 * i) + s(2 * i + 1)) / 2);
    return sound;
}

// A pipe whose reading end is a stream of unknown length; a thread writes the bytes into it.
class CPipeStream {
  public:
    explicit CPipeStream(std::string bytes) {
        int ends[2];
        if (pipe(ends) != 0)
            return;
        m_read = fdopen(ends[0], "rb");
        m_writer = std::thread([bytes = std::move(bytes), end = ends[1]] {
            for (std::size_t done = 0; done < bytes.size();) {
                const ssize_t wrote = write(end, bytes.data() + done, bytes.size() - done);
                if (wrote <= 0)
                    break;
                done += static_cast<std::size_t>(wrote);
            }
            close(end);
        });
    }
    ~CPipeStream() {
        if (m_read)
            std::fclose(m_read);
        if (m_writer.joinable())
            m_writer.join();
    }
    std::FILE* File() const { return m_read; }

  private:
    std::FILE* m_read = nullptr;
    std::thread m_writer;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

TEST_F(WaveReadTest, PcmLayoutsBecomeSixteenBitMonoAveragedTowardZero) {
    const struct {
        int channels, bits;
        std::string data;
        std::vector<int> samples;
    } cases[] = {
        {1, 8, Bytes({0, 128, 255, 129}), {-32768, 0, 32512, 256}},
        {2, 8, Bytes({255, 255, 0, 0, 128, 129}), {32512, -32768, 128}},
        {1, 16, CWavBuilder::Samples16({-32768, 1, 32767}), {-32768, 1, 32767}},
        {2,
         16,
         CWavBuilder::Samples16({-3, 0, 3, 0, 32767, 32767, -32768, -32768, -1, 0}),
         {-1, 1, 32767, -32768, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " x " << c.bits);
        ASSERT_EQ(Read(CWavBuilder::Pcm(c.channels, 8000, c.bits, c.data)), 0);
        EXPECT_EQ(Samples(), c.samples);
        EXPECT_EQ(m_wave.m_state, CWaveData::kFromFile);
        // The details show the file's own format; the store holds 16-bit mono.
        EXPECT_EQ(std::tuple(m_copy.m_format.m_channels, m_copy.m_format.m_bitsPerSample,
                             m_copy.m_dataBytes),
                  std::tuple(c.channels, c.bits, c.data.size()));
        EXPECT_EQ(std::tuple(m_wave.m_format.m_channels, m_wave.m_format.m_bitsPerSample,
                             m_wave.m_format.m_blockAlign, m_wave.m_format.m_avgBytesPerSec,
                             m_wave.m_format.m_samplesPerSec),
                  std::tuple(1, 16, 2, 16000u, 8000u));
    }
    // Chunks before and between are skipped, odd ones with their pad byte.
    const std::string chunks = CWavBuilder()
                                   .Chunk("junk", "odd")
                                   .Chunk("fmt ", CWavBuilder::PcmFormat(1, 22050, 16))
                                   .Chunk("LIST", "INFOsome text")
                                   .Chunk("fact", "abcde")
                                   .Chunk("data", CWavBuilder::Samples16({10, 20, 30}))
                                   .Chunk("cue ", "after the data, never read")
                                   .Bytes();
    ASSERT_EQ(Read(CWavBuilder::Riff(chunks)), 0);
    EXPECT_EQ(Samples(), (std::vector<int>{10, 20, 30}));
}

TEST_F(WaveReadTest, LongDataIsFoldedAcrossItsReadBlocks) {
    // Several read blocks, with a partial frame at the end.
    const std::size_t size = 2 * kReadBlockBytes + 1003;
    const SoundBytes sound = RandomSound(size);
    ASSERT_EQ(Read(CWavBuilder::Pcm(2, 44100, 16, sound.bytes)), 0);
    EXPECT_EQ(Samples(), sound.stereo16);
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 44100, 16, sound.bytes)), 0);
    EXPECT_EQ(Samples(), sound.mono16);
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 8000, 8, sound.bytes)), 0);
    ASSERT_EQ(m_wave.m_sampleCount, static_cast<std::int32_t>(size));
    EXPECT_EQ(m_wave.m_samples[size - 1],
              (static_cast<unsigned char>(sound.bytes[size - 1]) - 128) * 256);

    // The byte rate gives the sample count, never more than the frames the data holds; all
    // the data must be there before the layout is judged.
    const auto withByteRate = [&sound](std::uint32_t bytesPerSecond) {
        const std::string fmt =
            CWavBuilder().U16(1).U16(1).U32(8000).U32(bytesPerSecond).U16(2).U16(16).Bytes();
        return CWavBuilder::Riff(
            CWavBuilder().Chunk("fmt ", fmt).Chunk("data", sound.bytes).Bytes());
    };
    ASSERT_EQ(Read(withByteRate(32000)), 0);
    EXPECT_EQ(Samples(), std::vector<int>(sound.mono16.begin(), sound.mono16.begin() + size / 4));
    ASSERT_EQ(Read(withByteRate(8000)), 0);
    EXPECT_EQ(Samples(), sound.mono16);
    const std::string cutShort =
        CWavBuilder::Riff(CWavBuilder()
                              .Chunk("fmt ", CWavBuilder::PcmFormat(1, 8000, 24))
                              .Id("data")
                              .U32(300000)
                              .Raw(sound.bytes.substr(0, 299999))
                              .Bytes());
    EXPECT_EQ(Read(cutShort), 3);
    EXPECT_EQ(Read(cutShort.substr(0, cutShort.size() - 1) + "ab"), 6);
}

TEST_F(WaveReadTest, AStreamGetsRoomOnlyForWhatItDelivers) {
    // Three read blocks: the room for the samples and for the data grows twice.
    const std::uint32_t size = 3 * kReadBlockBytes;
    const SoundBytes sound = RandomSound(size);
    const auto decode = [this](const std::string& bytes, std::uint32_t dataBytes, int bits) {
        m_wave.m_format = WaveFormat();
        m_wave.m_format.m_formatTag = kWaveFormatPcm;
        m_wave.m_format.m_channels = 2;
        m_wave.m_format.m_samplesPerSec = 44100;
        m_wave.m_format.m_avgBytesPerSec = 44100 * 4;
        m_wave.m_format.m_bitsPerSample = static_cast<std::uint16_t>(bits);
        m_wave.m_dataBytes = dataBytes;
        m_wave.m_sampleCount = static_cast<std::int32_t>(dataBytes / 4);
        CPipeStream stream(bytes);
        CNoSoundDecoder decoder;
        return DecodeSamples(m_wave, decoder, stream.File());
    };
    ASSERT_EQ(decode(sound.bytes, size, 16), 0);
    EXPECT_EQ(Samples(), sound.stereo16);
    EXPECT_EQ(m_wave.m_format.m_channels, 1);
    // Claims of up to 4 GB that the stream does not keep.
    m_wave.m_sampleCount = 0;
    EXPECT_EQ(decode(sound.bytes, 0xFFFFFFF0u, 16), 3);
    EXPECT_EQ(decode(sound.bytes, size + 1, 16), 3);
    EXPECT_EQ(decode(sound.bytes, 0xFFFFFFF0u, 24), 3);
    EXPECT_EQ(decode(sound.bytes, size, 24), 6);
    EXPECT_EQ(Samples(), sound.stereo16);  // the failures left the samples alone

    CPipeStream whole(sound.bytes);
    const auto data = ReadSoundData(whole.File(), size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data.get(), data.get() + size), sound.bytes);
    CPipeStream shorter(sound.bytes);
    EXPECT_EQ(ReadSoundData(shorter.File(), 0xFFFFFFF0u), nullptr);
}

TEST_F(WaveReadTest, DamagedFilesGiveTheirCodes) {
    const std::string fmt = CWavBuilder::PcmFormat(1, 8000, 16);
    const std::string data = CWavBuilder::Samples16({1, 2, 3});
    struct Case {
        const char* what;
        std::string bytes;
        int code;
    };
    std::string zeroRate = fmt;
    zeroRate[8] = zeroRate[9] = zeroRate[10] = zeroRate[11] = 0;  // average bytes per second
    std::string hugeRate = zeroRate;
    hugeRate[11] = '\x7f';
    const auto withFormatOf = [&](std::size_t size) {
        std::string sized = fmt;
        sized.resize(size, '\0');
        return CWavBuilder::Riff(CWavBuilder().Chunk("fmt ", sized).Chunk("data", data).Bytes());
    };
    const std::vector<Case> cases = {
        {"format chunk of 18", withFormatOf(18), 0},
        {"format chunk of 56", withFormatOf(56), 0},
        {"format chunk of 57", withFormatOf(57), 5},
        // Too short to describe a format: the rest would be stale fields of an earlier file.
        {"format chunk of 14", withFormatOf(14), 5},
        {"empty file", "", 4},
        {"no RIFF", CWavBuilder().Chunk("RIFX", "WAVE").Bytes(), 4},
        {"not WAVE", CWavBuilder().Id("RIFF").U32(4).Id("AVI ").Bytes(), 2},
        {"form type cut short", CWavBuilder().Id("RIFF").U32(4).Raw("WA").Bytes(), 2},
        {"no fmt", CWavBuilder::Riff(CWavBuilder().Chunk("data", data).Bytes()), 5},
        {"fmt cut short", CWavBuilder::Riff(CWavBuilder().Id("fmt ").U32(16).Raw("abc").Bytes()),
         2},
        {"no data", CWavBuilder::Riff(CWavBuilder().Chunk("fmt ", fmt).Bytes()), 3},
        {"empty data", CWavBuilder::Pcm(1, 8000, 16, ""), 3},
        {"data cut short",
         CWavBuilder::Riff(
             CWavBuilder().Chunk("fmt ", fmt).Id("data").U32(100).Raw("abcd").Bytes()),
         3},
        {"4 GB claimed in a tiny file",
         CWavBuilder::Riff(
             CWavBuilder().Chunk("fmt ", fmt).Id("data").U32(0xFFFFFFF0u).Raw("ab").Bytes()),
         3},
        {"no whole sample", CWavBuilder::Pcm(1, 8000, 16, "a"), 3},
        {"a byte rate that leaves no sample",
         CWavBuilder::Riff(CWavBuilder().Chunk("fmt ", hugeRate).Chunk("data", data).Bytes()), 3},
        {"24-bit", CWavBuilder::Pcm(1, 8000, 24, "abcdef"), 6},
        {"a rate whose byte rate no file holds",
         CWavBuilder::Pcm(1, static_cast<int>(0x80000000u), 8, "ab"), 6},
        {"three channels", CWavBuilder::Pcm(3, 8000, 16, "abcdef"), 6},
        {"no byte rate",
         CWavBuilder::Riff(CWavBuilder().Chunk("fmt ", zeroRate).Chunk("data", data).Bytes()), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Read(c.bytes), c.code);
        EXPECT_EQ(m_wave.m_state, c.code == 0 ? CWaveData::kFromFile : CWaveData::kNoWaveform);
        EXPECT_EQ(m_wave.m_fileName, m_dir.File("bell.wav"));
    }
    EXPECT_STREQ(CWaveData::WaveResultText(3), "No data in file!");
    EXPECT_STREQ(CWaveData::WaveResultText(5), "Not a valid .wav file!");
    EXPECT_STREQ(CWaveData::WaveResultText(6), "Format not supported!");
}

TEST_F(WaveReadTest, WithoutADecoderNonPcmIsNotPossibleAndOtherNamesAreMp3) {
    // IMA ADPCM: 4 bits a sample in blocks of 256 bytes.
    const std::string fmt =
        CWavBuilder().U16(17).U16(1).U32(8000).U32(4055).U16(256).U16(4).Bytes();
    EXPECT_EQ(
        Read(CWavBuilder::Riff(CWavBuilder().Chunk("fmt ", fmt).Chunk("data", "abcd").Bytes())), 8);
    EXPECT_EQ(m_copy.m_format.m_formatTag, 17);

    // Only "wav" and "WAV" are read as RIFF files; "Wav" goes the compressed way.
    const std::string good = CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({1}));
    EXPECT_EQ(Read(good, "bell.WAV"), 0);
    EXPECT_EQ(Read(good, "bell.Wav"), 9);
    EXPECT_EQ(Read(good, "bell"), 9);
    EXPECT_STREQ(CWaveData::WaveResultText(9), "Not a valid mp3 file!");
}

TEST_F(WaveReadTest, CancelAndOpenFailure) {
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({5, 6}))), 0);
    m_ui.AnswerOpen(std::nullopt);
    EXPECT_EQ(ReadWaveFile(m_wave, m_ui, m_copy), 10);
    EXPECT_STREQ(CWaveData::WaveResultText(10), "No file selected!");
    EXPECT_EQ(m_wave.m_state, CWaveData::kFromFile);  // a cancelled dialog changes nothing
    EXPECT_EQ(m_wave.m_sampleCount, 2);

    m_ui.AnswerOpen(m_dir.File("missing.wav"));
    EXPECT_EQ(ReadWaveFile(m_wave, m_ui, m_copy), 1);
    EXPECT_STREQ(CWaveData::WaveResultText(1), "Failed to open file!");
    EXPECT_EQ(m_wave.m_state, CWaveData::kNoWaveform);

    // Only regular files: a pipe or a device has no length to hold a header's sizes against
    // (and a pipe no writer); they would have the reader reserve what the header claims.
    const std::string zero = m_dir.File("zero.wav");
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& path :
         {m_dir.Fifo("pipe.wav"), m_dir.Fifo("pipe.mp3"), zero, m_dir.Path()}) {
        m_ui.AnswerOpen(path);
        EXPECT_EQ(ReadWaveFile(m_wave, m_ui, m_copy), 1) << path;
    }
    EXPECT_EQ(m_ui.m_fileDialogs.back().filter,
              "Waveform files (.wav, .mp3)|*.wav;*.mp3|"
              "FLAC and Ogg files (.flac, .ogg, .oga, .opus)|*.flac;*.ogg;*.oga;*.opus|");
    EXPECT_EQ(m_ui.m_waitDepth, 0);
}

TEST_F(WaveReadTest, SelectionStartsAtTheFirstLoudSample) {
    std::vector<std::int16_t> samples(3000, 100);
    samples[500] = 2399;
    samples[700] = -2400;
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 1000, 16, CWavBuilder::Samples16(samples))), 0);
    EXPECT_EQ(m_wave.m_selStart, 700);
    EXPECT_EQ(m_wave.m_selEnd, 3000);

    // Quiet: the search gives up after one second, or at the end of a shorter file.
    samples[700] = 0;
    samples[1500] = 30000;
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 1000, 16, CWavBuilder::Samples16(samples))), 0);
    EXPECT_EQ(m_wave.m_selStart, 1000);
    samples.resize(600);
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 1000, 16, CWavBuilder::Samples16(samples))), 0);
    EXPECT_EQ(m_wave.m_selStart, 600);
}

TEST_F(WaveReadTest, WrittenFileHasTheSixteenBitMonoLayout) {
    ASSERT_EQ(Read(CWavBuilder::Pcm(2, 11025, 8, Bytes({255, 255, 0, 0, 128, 128}))), 0);
    const std::string out = m_dir.File("out.wav");
    m_ui.AnswerSave(out);
    ASSERT_TRUE(WriteWaveFile(m_wave, m_ui));
    // A 20-byte format chunk: the 16-bit mono PCM record and four zero bytes.
    const std::string fmt = CWavBuilder::PcmFormat(1, 11025, 16) + std::string(4, '\0');
    const std::string data = CWavBuilder::Samples16({32512, -32768, 0});
    EXPECT_EQ(ReadFileBytes(out),
              CWavBuilder().Id("RIFF").U32(6 + 40).Id("WAVE").Chunk("fmt ", fmt).Bytes() +
                  CWavBuilder().Chunk("data", data).Bytes());
    EXPECT_EQ(m_wave.m_fileName, out);
    EXPECT_EQ(m_wave.m_state, CWaveData::kFromFile);
    EXPECT_EQ(m_ui.m_fileDialogs.back().defaultExt, "wav");
    EXPECT_EQ(m_ui.m_fileDialogs.back().filter, "Waveform files (.wav)|*.wav|");
}

TEST_F(WaveReadTest, WriteFailuresAndCancel) {
    ASSERT_EQ(Read(CWavBuilder::Pcm(1, 8000, 16, CWavBuilder::Samples16({1, 2}))), 0);
    m_wave.m_state = CWaveData::kMadeHere;
    m_ui.AnswerSave(std::nullopt);
    EXPECT_TRUE(WriteWaveFile(m_wave, m_ui));  // cancelling is not a failure
    EXPECT_EQ(m_wave.m_state, CWaveData::kMadeHere);

    m_ui.AnswerSave(m_dir.File("no/such/folder/out.wav"));
    EXPECT_FALSE(WriteWaveFile(m_wave, m_ui));
    // A full disk is a failure too, not a silent loss of the recording.
    m_ui.AnswerSave(std::string("/dev/full"));
    EXPECT_FALSE(WriteWaveFile(m_wave, m_ui));
    EXPECT_EQ(m_wave.m_state, CWaveData::kMadeHere);
    EXPECT_EQ(m_wave.m_fileName, m_dir.File("bell.wav"));
}

}  // namespace

// Every seed file, ".wav" and MP3, reads; what it read is written as ".wav" and reads back
// to the same samples, rate and selection.
TEST(WaveReadBack, SeedFilesReadBackUnchanged) {
    CTempDir dir;
    CReadBack check(dir.Path());
    CEchoDecoder decoder(check.m_wave, false);
    std::vector<SeedFile> seeds = WaveSeeds();
    for (SeedFile& seed : Mp3Seeds())
        seeds.push_back(std::move(seed));
    for (const SeedFile& seed : seeds) {
        EXPECT_EQ(check.Wave(seed.m_bytes, seed.m_name, decoder), "") << seed.m_name;
        EXPECT_EQ(check.m_code, CWaveData::kReadOk) << seed.m_name;
    }
}
