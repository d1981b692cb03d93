// Times reading a 10-minute 128 kbit/s stereo MP3 and a 10-minute IMA ADPCM ".wav" into the
// waveform store, from the file dialog's answer to the 16-bit mono waveform, with the real
// decoder; and, where sox is installed, `sox file -n` decoding the same files.
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FixedFileUi.h"
#include "backends/SndfileDecoder.h"
#include "wave/WavFile.h"

namespace {

constexpr int kRate = 44100;
// A second short of ten minutes: encoders add frames and blocks of their own, and a file whose
// frames last over 600 s is refused.
constexpr int kSeconds = 599;
constexpr int kRuns = 3;

// Ten minutes of a bell struck every two seconds: five decaying partials, a little noise, the
// right channel a touch later than the left. Encoded by libsndfile from floats (its MP3 encoder
// in version 1.2.0 scrambles 16-bit stereo).
bool WriteBells(const std::string& path, int format, double compression) {
    SF_INFO info{};
    info.format = format;
    info.channels = 2;
    info.samplerate = kRate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    if (compression >= 0) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &compression, sizeof(compression));
    }
    const double partials[5][2] = {
        {130.8, 1.0}, {261.6, 0.8}, {311.1, 0.6}, {392.0, 0.4}, {523.3, 0.9}};
    std::vector<float> block(2 * kRate);
    unsigned noise = 1;
    for (int second = 0; second < kSeconds; ++second) {
        for (int i = 0; i < kRate; ++i) {
            const double t = (second % 2) + static_cast<double>(i) / kRate;
            for (int channel = 0; channel < 2; ++channel) {
                double value = 0;
                for (const auto& [frequency, amplitude] : partials)
                    value += amplitude * std::sin(2 * M_PI * frequency * (t - 0.001 * channel)) *
                             std::exp(-t * frequency / 400.0);
                noise = noise * 1103515245u + 12345u;
                value = 6000 * value + static_cast<double>((noise >> 16) % 200) - 100;
                block[static_cast<std::size_t>(2 * i + channel)] =
                    static_cast<float>(value / 32768.0);
            }
        }
        sf_writef_float(file, block.data(), kRate);
    }
    sf_close(file);
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F>
std::vector<double> TimeRuns(F run) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return ms;
}

void Report(const char* what, const std::vector<double>& ms) {
    std::printf("  %-28s median %8.1f ms, best %8.1f ms\n", what, Median(ms),
                *std::min_element(ms.begin(), ms.end()));
}

void Bench(const char* what, const std::string& path, bool haveSox) {
    FILE* file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    const long bytes = std::ftell(file);
    unsigned char header[4] = {};
    std::fseek(file, 0, SEEK_SET);
    std::fread(header, 1, 4, file);
    std::fclose(file);
    std::printf("%s: %ld bytes (first bytes %02x %02x %02x %02x)\n", what, bytes, header[0],
                header[1], header[2], header[3]);

    CFixedFileUi ui(path);
    CSndfileDecoder decoder;
    int code = -1;
    std::int32_t samples = 0;
    Report("Read Waveform", TimeRuns([&] {
               CWaveData wave;
               WaveFormatCopy copy;
               code = ReadWaveFile(wave, ui, decoder, copy);
               samples = wave.m_sampleCount;
           }));
    std::printf("  read: code %d, %d samples (%.2f s)\n", code, samples,
                static_cast<double>(samples) / kRate);
    if (haveSox) {
        // Quiet as it is, "sox -q file -n" returns without decoding; the messages go instead.
        const std::string command = "sox '" + path + "' -n 2>/dev/null";
        int status = 0;
        Report("sox file -n", TimeRuns([&] { status = std::system(command.c_str()); }));
        std::printf("  sox: exit status %d\n", status);
    } else {
        std::printf("  sox file -n: sox is not installed (scripts/install-deps --bench)\n");
    }
}

}  // namespace

int main() {
    const bool haveSox = std::system("command -v sox > /dev/null 2>&1") == 0;
    const std::string mp3 = "/tmp/tonvane-bench-10min.mp3";
    const std::string adpcm = "/tmp/tonvane-bench-10min-ima.wav";
    // A compression level of 0.65 gives 128 kbit/s at 44100 Hz (bit-rate index 9: 0x90 in the
    // third header byte).
    if (!WriteBells(mp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0.65) ||
        !WriteBells(adpcm, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, -1)) {
        std::printf("could not encode the files: %s\n", sf_strerror(nullptr));
        return 1;
    }
    Bench("10-minute 128 kbit/s stereo MP3", mp3, haveSox);
    Bench("10-minute IMA ADPCM stereo WAV", adpcm, haveSox);
    std::remove(mp3.c_str());
    std::remove(adpcm.c_str());
    return 0;
}
