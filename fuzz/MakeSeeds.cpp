// Writes the seed corpora of the fuzz harnesses: tonvane_fuzz_seeds DIR puts the seed files
// of each harness into DIR/<harness>, beside whatever earlier runs have added there. The
// files come from the program's own writers and builders; the decoder's seeds are encoded
// by libsndfile, as other programs would write them.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/SeedFiles.h"
#include "support/SoundEncoding.h"
#include "support/TempDir.h"

namespace {

std::vector<std::int16_t> Tone(int frames, int channels) {
    std::vector<std::int16_t> tone;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            tone.push_back(static_cast<std::int16_t>(
                std::lround(12000.0 * std::sin(2 * M_PI * (440.0 + 110 * c) * i / 8000))));
    return tone;
}

std::vector<SeedFile> DecoderSeeds() {
    struct Format {
        const char* name;
        int format;
        int channels;
    };
    const Format formats[] = {
        {"ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1},
        {"alaw.wav", SF_FORMAT_WAV | SF_FORMAT_ALAW, 2},
        {"ima-adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1},
        {"ms-adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2},
        {"gsm610.wav", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1},
        {"sound.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
        {"vorbis.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1},
        {"opus.ogg", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1},
        {"layer3.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1},
    };
    std::vector<SeedFile> seeds;
    for (const Format& f : formats) {
        std::string bytes = EncodeSound(f.format, f.channels, 8000, Tone(600, f.channels));
        if (!bytes.empty())
            seeds.push_back({f.name, std::move(bytes)});
    }
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::pair<const char*, std::vector<SeedFile>> corpora[] = {
        {"wav", WaveSeeds()},          {"mp3", Mp3Seeds()},
        {"decoder", DecoderSeeds()},   {"transform", TransformSeeds()},
        {"partials", PartialsSeeds()}, {"numbers", NumberSeeds()},
    };
    for (const auto& [harness, seeds] : corpora) {
        std::filesystem::create_directories(root / harness);
        for (const SeedFile& seed : seeds)
            WriteFileBytes((root / harness / seed.m_name).string(), seed.m_bytes);
    }
    return 0;
}
