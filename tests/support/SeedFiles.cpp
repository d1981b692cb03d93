#include "support/SeedFiles.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "partials/PartialData.h"
#include "platform/NumberText.h"
#include "support/Mp3Builder.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "support/WavBuilder.h"
#include "transform/TransformData.h"
#include "transform/TransformFile.h"
#include "wave/WavFile.h"

namespace {

// A short decaying tone, loud enough for the onset search.
std::vector<std::int16_t> Tone(int count, double frequency, int rate) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(
            20000.0 * std::exp(-4.0 * i / count) * std::sin(2 * M_PI * frequency * i / rate)));
    return samples;
}

std::string WrittenWave(const std::vector<std::int16_t>& samples, int rate) {
    CWaveData wave;
    wave.CreateEmpty(rate, static_cast<std::int32_t>(samples.size()), 16);
    std::copy(samples.begin(), samples.end(), wave.m_samples.get());
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("seed.wav"));
    WriteWaveFile(wave, ui);
    return ReadFileBytes(dir.File("seed.wav"));
}

std::string WrittenTransform(double start, double end, double interval, std::int32_t rate,
                             bool inCents) {
    CTransformData t;
    const auto steps = static_cast<std::int32_t>((end - start) / interval);
    t.Allocate(steps, start, end, interval);
    for (std::int32_t j = 0; j <= steps; ++j)
        t.m_values[j] = std::fabs(std::sin(j * 0.37)) * 97.3 + (j % 17 == 0 ? 400.0 : 0.0);
    t.m_valid = true;
    t.FindMaximum();
    TransformSource source;
    source.m_fileTitle = "bell";
    source.m_sampleRate = rate;
    source.m_startSample = 100;
    source.m_endSample = 44100;
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("seed.csv"));
    WriteTransformFile(ui, t, source, inCents, 500.0);
    return ReadFileBytes(dir.File("seed.csv"));
}

std::string WrittenPartials(const CPartialData& table, const std::string& title) {
    CTempDir dir;
    CScriptedUiServices ui;
    ui.AnswerSave(dir.File("seed.par"));
    table.WritePartialsFile(ui, title);
    return ReadFileBytes(dir.File("seed.par"));
}

// A table a bell might give: hum, prime, tierce, quint, nominal and some above.
CPartialData BellTable(bool germanNames) {
    CPartialData table;
    table.m_germanNames = germanNames;
    const double freqs[] = {251.5, 503.25, 598.0, 752.125, 1000.0, 1502.5, 2010.0, 2680.75};
    for (int i = 0; i < 8; ++i)
        table.AddPartial(freqs[i], 0.1 * i, 10.0 - i, 0.01 * i, 2.5 + i, CPartialData::kUnnamed);
    table.m_nominal = table.Classify(false, 0.0, 0.0);
    table.UpdateCentsAndNotes();
    return table;
}

}  // namespace

std::vector<SeedFile> WaveSeeds() {
    const std::string data16 = CWavBuilder::Samples16(Tone(64, 440.0, 8000));
    const std::string data8(48, '\x90');
    return {
        {"written-8000.wav", WrittenWave(Tone(200, 440.0, 8000), 8000)},
        {"written-44100.wav", WrittenWave(Tone(100, 1000.0, 44100), 44100)},
        {"mono8.wav", CWavBuilder::Pcm(1, 11025, 8, data8)},
        {"stereo8.wav", CWavBuilder::Pcm(2, 11025, 8, data8)},
        {"stereo16.wav", CWavBuilder::Pcm(2, 22050, 16, data16)},
        {"chunks.wav", CWavBuilder::Riff(CWavBuilder()
                                             .Chunk("junk", "odd")
                                             .Chunk("fmt ", CWavBuilder::PcmFormat(1, 8000, 16))
                                             .Chunk("LIST", "INFOISFTtext")
                                             .Chunk("data", data16)
                                             .Chunk("cue ", "after")
                                             .Bytes())},
        // Non-PCM data: mu-law and IMA ADPCM records, handed to the decoder.
        {"mulaw.wav",
         CWavBuilder::Riff(
             CWavBuilder()
                 .Chunk(
                     "fmt ",
                     CWavBuilder().U16(7).U16(1).U32(8000).U32(8000).U16(1).U16(8).U16(0).Bytes())
                 .Chunk("fact", CWavBuilder().U32(40).Bytes())
                 .Chunk("data", std::string(40, '\x55'))
                 .Bytes())},
        {"ima.wav", CWavBuilder::Riff(CWavBuilder()
                                          .Chunk("fmt ", CWavBuilder()
                                                             .U16(17)
                                                             .U16(1)
                                                             .U32(8000)
                                                             .U32(4055)
                                                             .U16(256)
                                                             .U16(4)
                                                             .U16(2)
                                                             .U16(505)
                                                             .Bytes())
                                          .Chunk("data", std::string(256, '\x21'))
                                          .Bytes())},
    };
}

std::vector<SeedFile> Mp3Seeds() {
    const std::string frames = mp3::Frames(mp3::Header(0xFB, 0x90, 0x40), 417, 3);
    return {
        {"mpeg1-layer3.mp3", frames},
        {"mpeg2-mono.mp3", mp3::Frames(mp3::Header(0xF3, 0x80, 0xC0), 208, 4)},
        {"mpeg25-layer3.mp3", mp3::Frames(mp3::Header(0xE3, 0x18, 0x40), 72, 4)},
        {"layer1-padded.mp3",
         mp3::Frames(mp3::Header(0xFF, 0x12, 0x80), 34, 2) + std::string(4, '\0')},
        {"id3-tag.mp3", mp3::Id3Header(20) + std::string(20, 'T') + frames},
        {"junk-between.mp3", frames + "junk" + frames},
    };
}

std::vector<SeedFile> TransformSeeds() {
    return {
        {"plain.csv", WrittenTransform(100.0, 101.0, 0.5, 44100, false)},
        {"from-zero.csv", WrittenTransform(0.0, 260.0, 1.0, 22050, false)},
        // The end is no whole number of intervals above the start.
        {"uneven.csv", WrittenTransform(200.0, 250.05, 0.2, 11025, false)},
        {"relative.csv", WrittenTransform(0.0, 4.0, 1.0, 44100, true)},
    };
}

std::vector<SeedFile> PartialsSeeds() {
    CPartialData three;
    three.AddPartial(250, 0.25, 2.5, 0.01, 1.5, CPartialData::kUnnamed);
    three.AddPartial(500, 0, 12.5, 0, 0, CPartialData::kUnnamed);
    three.AddPartial(1000.123456, 1.5, 3.25, 0.125, 2.75, CPartialData::kUnnamed);
    three.m_nominal = 500;
    three.UpdateCentsAndNotes();
    CPartialData full;
    for (int i = 1; i <= CPartialData::kMaxPartials; ++i)
        full.AddPartial(97.5 * i, 1.0 / i, 100.0 / i, 0.002 * i, 4.0 / i, CPartialData::kUnnamed);
    full.m_nominal = 390;
    full.UpdateCentsAndNotes();
    return {
        {"three.par", WrittenPartials(three, "bell")},
        {"bell-german.par", WrittenPartials(BellTable(true), "Tenor: a long title, cut to fit")},
        {"bell.par", WrittenPartials(BellTable(false), "bell")},
        {"full.par", WrittenPartials(full, "full")},
        {"short-form.par",
         "Partials\r\nFile is: bell\r\nNominal: 500.0, A=440.0, \r\n"
         "Freq., Ampl., Cents, Partial, Note\r\n"
         "250.0,2.5,-1200.0,prime,B(0)\r\n500,12.5,0,nominal,B(1)\r\n\r\n"},
    };
}

std::vector<SeedFile> NumberSeeds() {
    std::string written;
    for (const double value : {440.0, -0.0000004, 1e300, 0.1 + 0.2, 5e-324,
                               std::numeric_limits<double>::max(), 12500.125})
        written += FormatFixed6(value) + "\r\n" + FormatDoubleField(value) + "\n";
    return {
        {"written.txt", written},
        {"integers.txt", "2147483647\n-2147483648\n 2147483648\n+17\n"},
        {"forms.txt", "1.e5\n.5\n1e\n-1e-400\n0x1p3\ninf\nnan\n 1,5\n1e99999999999\n"},
    };
}
