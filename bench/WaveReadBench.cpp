// Times reading a 10-minute 44.1 kHz 16-bit stereo recording into the waveform store.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "FixedFileUi.h"
#include "wave/WavFile.h"

namespace {

void Put32(std::FILE* f, unsigned v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void Put16(std::FILE* f, unsigned v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

}  // namespace

int main() {
    const std::string path = "/tmp/tonvane-bench-10min.wav";
    const unsigned frames = 44100u * 600u;
    const unsigned dataBytes = frames * 4u;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 1;
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, dataBytes + 36);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 2);
    Put32(f, 44100);
    Put32(f, 176400);
    Put16(f, 4);
    Put16(f, 16);
    std::fwrite("data", 1, 4, f);
    Put32(f, dataBytes);
    std::vector<short> block(2 * 44100);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<short>((i * 7919) % 20000 - 10000);
    for (int s = 0; s < 600; ++s)
        std::fwrite(block.data(), sizeof(short), block.size(), f);
    std::fclose(f);

    CFixedFileUi ui(path);
    for (int run = 0; run < 3; ++run) {
        CWaveData wave;
        WaveFormatCopy copy;
        const auto start = std::chrono::steady_clock::now();
        const int code = ReadWaveFile(wave, ui, copy);
        const auto ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("read 10-minute stereo WAV (%u bytes): code %d, %d samples, %.1f ms\n",
                    dataBytes, code, wave.m_sampleCount, ms);
    }
    std::remove(path.c_str());
    return 0;
}
