#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/TextFile.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "wave/CompressedInput.h"

namespace {

class Mp3ScanTest : public ::testing::Test {
  protected:
    // Scans a file of the given bytes; the file must be at its start again after a success.
    int Scan(const std::string& bytes) {
        WriteFileBytes(m_dir.File("bell.mp3"), bytes);
        return ScanFile();
    }
    int ScanFile() {
        FilePtr file(std::fopen(m_dir.File("bell.mp3").c_str(), "rb"));
        const int code = ScanMp3(m_wave, file.get());
        if (code == 0) {
            EXPECT_EQ(std::ftell(file.get()), 0);
        }
        return code;
    }
    // Makes a file of the given length with holes where nothing is written.
    void WriteSparse(long long length, const std::vector<std::pair<long long, std::string>>& at) {
        const std::string path = m_dir.File("bell.mp3");
        WriteFileBytes(path, "");
        FilePtr file(std::fopen(path.c_str(), "r+b"));
        for (const auto& [offset, bytes] : at) {
            fseeko(file.get(), offset, SEEK_SET);
            std::fwrite(bytes.data(), 1, bytes.size(), file.get());
        }
        file.reset();
        ASSERT_EQ(truncate(path.c_str(), length), 0);
    }

    CTempDir m_dir;
    CWaveData m_wave;
};

TEST_F(Mp3ScanTest, EveryVersionAndLayerGivesItsRateFrameLengthAndFormat) {
    struct Case {
        const char* what;
        int b1, b2, b3;
        std::uint32_t rate;
        int samplesPerFrame;
        int length;  // the frame's bytes, truncated
        int channels;
    };
    const std::vector<Case> cases = {
        // 1152 / 44100 / 8 * 128000 = 417.96
        {"MPEG-1 III 44100 128k joint stereo", 0xFB, 0x90, 0x40, 44100, 1152, 417, 2},
        {"MPEG-1 III 48000 320k mono", 0xFB, 0xE4, 0xC0, 48000, 1152, 960, 1},
        {"MPEG-1 II 32000 384k stereo", 0xFD, 0xE8, 0x00, 32000, 1152, 1728, 2},
        {"MPEG-1 I 44100 32k dual channel", 0xFF, 0x10, 0x80, 44100, 384, 34, 2},
        {"MPEG-2 III 22050 64k mono", 0xF3, 0x80, 0xC0, 22050, 576, 208, 1},
        {"MPEG-2 III 16000 8k stereo", 0xF3, 0x18, 0x00, 16000, 576, 36, 2},
        {"MPEG-2 II 24000 160k", 0xF5, 0xE4, 0x40, 24000, 1152, 960, 2},
        {"MPEG-2 I 24000 256k", 0xF7, 0xE4, 0x40, 24000, 384, 512, 2},
        {"MPEG 2.5 III 11025 32k mono", 0xE3, 0x40, 0xC0, 11025, 576, 208, 1},
        {"MPEG 2.5 III 8000 8k", 0xE3, 0x18, 0x40, 8000, 576, 72, 2},
        {"MPEG 2.5 III 12000 160k mono", 0xE3, 0xE4, 0xC0, 12000, 576, 960, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A frame length off by a byte would land the scan before or after the next header
        // and the slide would find a decoy first.
        const int count = 20;
        const std::string file = mp3::Frames(mp3::Header(c.b1, c.b2, c.b3), c.length, count, true);
        ASSERT_EQ(Scan(file), 0);
        EXPECT_EQ(m_wave.m_sampleCount, count * c.samplesPerFrame);
        EXPECT_EQ(m_wave.m_dataBytes, file.size());
        const WaveFormat& f = m_wave.m_format;
        // The byte rate is the file's length over its duration, truncated.
        EXPECT_EQ(std::tuple(f.m_formatTag, f.m_channels, f.m_samplesPerSec, f.m_avgBytesPerSec,
                             f.m_blockAlign, f.m_bitsPerSample, f.m_extraSize),
                  std::tuple(85, c.channels, c.rate,
                             std::uint32_t(file.size() * c.rate / (count * c.samplesPerFrame)), 1,
                             0, 12));
        const std::vector<int> extra(f.m_extra, f.m_extra + 12);
        const int blockSize = c.samplesPerFrame / 8;
        EXPECT_EQ(extra, (std::vector<int>{1, 0, 2, 0, 0, 0, blockSize & 0xff, blockSize >> 8, 1, 0,
                                           1393 & 0xff, 1393 >> 8}));
    }
}

TEST_F(Mp3ScanTest, PaddingJunkAndFalseSyncsArePassedOver) {
    const std::string frame = mp3::Frames(mp3::Header(0xFB, 0x90, 0x40), 417, 1, true);
    const std::string padded =
        mp3::Frames(mp3::Header(0xFB, 0x92, 0x40), 417, 1, true) + std::string(1, '\0');
    // A Layer I frame pads with four bytes.
    const std::string layerOne = mp3::Frames(mp3::Header(0xFF, 0x10, 0x80), 34, 1, true);
    const std::string layerOnePadded =
        mp3::Frames(mp3::Header(0xFF, 0x12, 0x80), 34, 1, true) + std::string(4, '\0');
    // Refused headers: layer 0, version 1, bit rates 0 and 15, rate index 3.
    const std::string refused = mp3::Header(0xF9, 0x90, 0x40) + mp3::Header(0xEB, 0x90, 0x40) +
                                mp3::Header(0xFB, 0x00, 0x40) + mp3::Header(0xFB, 0xF0, 0x40) +
                                mp3::Header(0xFB, 0x9C, 0x40);
    struct Case {
        const char* what;
        std::string file;
        int samples;
    };
    const std::vector<Case> cases = {
        {"padded frames", frame + padded + padded + frame + padded, 5 * 1152},
        {"Layer I padding", layerOne + layerOnePadded + layerOnePadded + layerOne, 4 * 384},
        {"refused headers between frames", frame + refused + frame + refused, 2 * 1152},
        // Junk of any length before the first frame: the window always holds the bytes at
        // its position, so a header ten or eleven bytes on is not passed by.
        {"ten bytes first", std::string(10, 'x') + frame + frame, 2 * 1152},
        {"eleven bytes first", std::string(11, 'x') + frame + frame, 2 * 1152},
        {"junk between", frame + std::string(333, '\x7f') + frame + "abc" + frame, 3 * 1152},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Scan(c.file), 0);
        EXPECT_EQ(m_wave.m_sampleCount, c.samples);
        EXPECT_NE(m_wave.m_format.m_samplesPerSec, 32000u);  // no decoy taken
    }
}

TEST_F(Mp3ScanTest, Id3TagBeforeTheFirstFrameIsSkippedWhole) {
    // The tag's body holds headers of another rate; the scan must jump over them, not slide.
    std::string body(1000, '\0');
    for (std::size_t i = 0; i + 4 <= body.size(); i += 100)
        body.replace(i, 4, mp3::Decoy());
    const std::string frames = mp3::Frames(mp3::Header(0xF3, 0x80, 0xC0), 208, 10);
    ASSERT_EQ(Scan(mp3::Id3Header(1000) + body + frames), 0);
    EXPECT_EQ(m_wave.m_format.m_samplesPerSec, 22050u);
    EXPECT_EQ(m_wave.m_format.m_channels, 1);
    EXPECT_EQ(m_wave.m_sampleCount, 10 * 576);
    EXPECT_EQ(m_wave.m_dataBytes, 10 + 1000 + frames.size());  // the tag counts

    // A tag that claims more than the file holds hides every frame behind it.
    EXPECT_EQ(Scan(mp3::Id3Header(5000) + frames), 9);
    EXPECT_EQ(Scan(std::string("ID3\x03\x00\x00\xff\xff\xff\xff", 10) + frames), 9);
}

TEST_F(Mp3ScanTest, FilesWithoutAnAcceptedFrameAreNotMp3) {
    std::string noise(5000, '\0');
    unsigned state = 99;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>((state >> 16) % 255);  // never 255: no sync anywhere
    }
    const std::string header = mp3::Header(0xFB, 0x90, 0x40);
    for (const std::string& file :
         {std::string(), header + "1234567", noise, std::string(20, '\xff'),
          mp3::Header(0xF9, 0x90, 0x40) + mp3::Header(0xFB, 0x9C, 0x40) + std::string(20, '\0')}) {
        SCOPED_TRACE(file.size());
        EXPECT_EQ(Scan(file), 9);
    }
    // Twelve bytes are enough to take one frame.
    EXPECT_EQ(Scan(header + "12345678"), 0);
    EXPECT_EQ(m_wave.m_sampleCount, 1152);
}

TEST_F(Mp3ScanTest, TenMinutesAreTheLimitCountedExactly) {
    // 1152 / 44100 s a frame: 22968 frames last 599.98 s, 22969 frames 600.006 s.
    const std::string at44100 = mp3::Header(0xFB, 0x10, 0x40);  // 32 kbit/s: 104-byte frames
    ASSERT_EQ(Scan(mp3::Frames(at44100, 104, 22968)), 0);
    EXPECT_EQ(m_wave.m_sampleCount, 22968 * 1152);
    EXPECT_EQ(Scan(mp3::Frames(at44100, 104, 22969)), 11);
    // 1152 / 48000 s is 24 ms: 25000 frames are exactly ten minutes, which is allowed.
    const std::string at48000 = mp3::Header(0xFB, 0x14, 0xC0);  // 96-byte frames
    ASSERT_EQ(Scan(mp3::Frames(at48000, 96, 25000)), 0);
    EXPECT_EQ(m_wave.m_sampleCount, 48000 * 600);
    EXPECT_EQ(m_wave.m_format.m_avgBytesPerSec, 25000u * 96 / 600);
    EXPECT_EQ(Scan(mp3::Frames(at48000, 96, 25001)), 11);
}

TEST_F(Mp3ScanTest, PositionsBeyondTwoGigabytesDoNotWrap) {
    // Four of the largest tags the size bytes can announce, each after a byte of junk, carry
    // the scan past 2^31 without reading what lies between; the frames are there.
    const long long tag = 10 + 255LL * ((1 << 21) + (1 << 14) + (1 << 7) + 1);
    const std::string bigTag("ID3\x03\x00\x00\xff\xff\xff\xff", 10);
    std::vector<std::pair<long long, std::string>> parts = {{0, bigTag}};
    long long position = tag;
    for (int i = 0; i < 3; ++i) {
        parts.emplace_back(position + 1, bigTag);
        position += 1 + tag;
    }
    ASSERT_GT(position, 1LL << 31);
    const std::string frames = mp3::Frames(mp3::Header(0xF3, 0x80, 0xC0), 208, 3);
    parts.emplace_back(position, frames);
    const long long length = position + static_cast<long long>(frames.size());
    WriteSparse(length, parts);
    ASSERT_EQ(ScanFile(), 0);
    EXPECT_EQ(m_wave.m_sampleCount, 3 * 576);
    EXPECT_EQ(m_wave.m_format.m_samplesPerSec, 22050u);
    EXPECT_EQ(m_wave.m_dataBytes, static_cast<std::uint32_t>(length));

    // A file the store's byte count cannot hold is refused before it is scanned or read.
    WriteSparse((1LL << 32) + 100, {{0, frames}});
    EXPECT_EQ(ScanFile(), 3);
}

}  // namespace
