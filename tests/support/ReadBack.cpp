#include "support/ReadBack.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "transform/TransformRequest.h"

namespace {

// Collects the faults of one check as lines of text.
class CFaults {
  public:
    // Notes what when ok is false; returns ok.
    bool Expect(bool ok, const std::string& what) {
        if (!ok)
            m_text << what << '\n';
        return ok;
    }
    std::string Text() const { return m_text.str(); }
    bool Any() const { return !m_text.str().empty(); }

  private:
    std::ostringstream m_text;
};

bool Finite(double value) {
    return std::isfinite(value);
}

std::string Describe(int code) {
    return "result " + std::to_string(code);
}

}  // namespace

std::string WaveFaults(const CWaveData& wave) {
    CFaults f;
    const WaveFormat& format = wave.m_format;
    f.Expect(wave.m_state == CWaveData::kFromFile, "state is not read from file");
    f.Expect(wave.m_sampleCount > 0 && wave.m_samples != nullptr, "no samples");
    f.Expect(wave.m_selStart >= 0 && wave.m_selStart <= wave.m_selEnd, "selection start outside");
    f.Expect(wave.m_selEnd == wave.m_sampleCount, "selection does not end at the last sample");
    f.Expect(format.m_formatTag == kWaveFormatPcm && format.m_channels == 1 &&
                 format.m_bitsPerSample == 16 && format.m_blockAlign == 2,
             "store is not 16-bit mono PCM");
    f.Expect(format.m_avgBytesPerSec == 2 * format.m_samplesPerSec, "byte rate is not 2 x rate");
    f.Expect(wave.m_freqPercent == 100.0, "frequency percentage is not 100");
    return f.Text();
}

std::string TransformFaults(const CTransformData& t, const TransformSource& source) {
    CFaults f;
    f.Expect(t.m_valid, "transform not valid");
    if (!f.Expect(t.m_steps >= 1 && t.m_steps <= kMaxTransformSteps && t.m_values != nullptr,
                  "steps outside the grid's limits"))
        return f.Text();
    f.Expect(Finite(t.m_startFreq) && t.m_startFreq >= 0.0, "start frequency");
    f.Expect(Finite(t.m_endFreq) && t.m_endFreq > t.m_startFreq, "end frequency");
    f.Expect(Finite(t.m_interval) && t.m_interval > 0.0, "interval");
    double largest = 0.0;
    for (std::int32_t j = 0; j <= t.m_steps; ++j) {
        const double frequency = t.FrequencyAt(j);
        if (!f.Expect(Finite(frequency) && (j == 0 || frequency > t.FrequencyAt(j - 1)),
                      "frequency " + std::to_string(j) + " not finite and rising") ||
            !f.Expect(Finite(t.m_values[j]), "value " + std::to_string(j) + " not finite"))
            break;
        largest = std::max(largest, t.m_values[j]);
    }
    f.Expect(t.m_maxValue == largest, "maximum is not the largest value");
    if (t.m_smoothedValid && f.Expect(t.m_smoothed != nullptr, "smoothed copy missing")) {
        for (std::int32_t j = 0; j <= t.m_steps; ++j) {
            if (!f.Expect(Finite(t.m_smoothed[j]), "smoothed value not finite"))
                break;
        }
    }
    f.Expect(source.m_sampleRate >= 1, "sample rate below 1");
    f.Expect(source.m_startSample >= 0 && source.m_startSample < source.m_endSample,
             "sample range");
    return f.Text();
}

std::string PartialTableFaults(const CPartialData& table) {
    CFaults f;
    if (!f.Expect(table.m_count >= 0 && table.m_count <= CPartialData::kMaxPartials,
                  "row count " + std::to_string(table.m_count)))
        return f.Text();
    f.Expect(Finite(table.m_nominal), "nominal not finite");
    for (int i = 0; i < CPartialData::kMaxPartials; ++i) {
        const std::string row = "row " + std::to_string(i) + ": ";
        if (i >= table.m_count) {
            f.Expect(table.m_freq[i] == 0.0, row + "beyond the count but not empty");
            continue;
        }
        f.Expect(Finite(table.m_freq[i]) && table.m_freq[i] > 0.0 &&
                     (i == 0 || table.m_freq[i] > table.m_freq[i - 1]),
                 row + "frequency not positive, finite and rising");
        for (const double value :
             {table.m_splashAmp[i], table.m_tailAmp[i], table.m_attack[i], table.m_decay[i]})
            f.Expect(Finite(value) && value >= 0.0, row + "amplitude or time");
        f.Expect(Finite(table.m_cents[i]), row + "cents not finite");
        f.Expect(table.m_partialIndex[i] >= 0 && table.m_partialIndex[i] < CPartialData::kNameCount,
                 row + "partial name outside the table");
        f.Expect(table.m_note[i] == table.NoteName(table.m_freq[i], table.m_germanNames),
                 row + "note is not the frequency's");
    }
    return f.Text();
}

std::string CReadBack::Wave(const std::string& bytes, const std::string& name,
                            CSoundDecoder& decoder) {
    WriteFileBytes(Path(name), bytes);
    m_ui.AnswerOpen(Path(name));
    m_code = ReadWaveFile(m_wave, m_ui, decoder, m_copy);
    if (m_code != CWaveData::kReadOk) {
        return m_wave.m_state == CWaveData::kNoWaveform ? std::string()
                                                        : "a failed read left a waveform\n";
    }
    CFaults f;
    if (!f.Expect(WaveFaults(m_wave).empty(), WaveFaults(m_wave)))
        return f.Text();

    m_ui.AnswerSave(Path("written.wav"));
    if (!f.Expect(WriteWaveFile(m_wave, m_ui), "writing failed"))
        return f.Text();
    CWaveData back;
    WaveFormatCopy copy;
    m_ui.AnswerOpen(Path("written.wav"));
    const int code = ReadWaveFile(back, m_ui, decoder, copy);
    if (!f.Expect(code == CWaveData::kReadOk, "written file gives " + Describe(code)))
        return f.Text();
    f.Expect(back.m_format.m_samplesPerSec == m_wave.m_format.m_samplesPerSec, "rate differs");
    if (f.Expect(back.m_sampleCount == m_wave.m_sampleCount, "sample count differs")) {
        f.Expect(std::equal(back.m_samples.get(), back.m_samples.get() + back.m_sampleCount,
                            m_wave.m_samples.get()),
                 "samples differ");
        f.Expect(back.m_selStart == m_wave.m_selStart, "selection differs");
    }
    return f.Text();
}

std::string CReadBack::Transform(const std::string& bytes) {
    // A failed read must leave the transform held before as it was.
    const double* heldValues = m_transform.m_values.get();
    const std::int32_t heldSteps = m_transform.m_steps;
    const bool heldValid = m_transform.m_valid;

    WriteFileBytes(Path("read.csv"), bytes);
    m_ui.AnswerOpen(Path("read.csv"));
    m_source.m_fileTitle = "bell";
    m_code = ReadTransformFile(m_ui, m_transform, m_source);
    CFaults f;
    if (m_code != kTransformReadOk) {
        f.Expect(m_transform.m_values.get() == heldValues && m_transform.m_steps == heldSteps &&
                     m_transform.m_valid == heldValid,
                 "a failed read changed the transform held");
        return f.Text();
    }
    if (!f.Expect(TransformFaults(m_transform, m_source).empty(),
                  TransformFaults(m_transform, m_source)))
        return f.Text();

    m_ui.AnswerSave(Path("written.csv"));
    if (!f.Expect(WriteTransformFile(m_ui, m_transform, m_source, false, 0.0), "writing failed"))
        return f.Text();
    CTransformData back;
    TransformSource backSource;
    backSource.m_fileTitle = m_source.m_fileTitle;
    m_ui.AnswerOpen(Path("written.csv"));
    const int code = ReadTransformFile(m_ui, back, backSource);
    if (!f.Expect(code == kTransformReadOk, "written file gives " + Describe(code)))
        return f.Text();
    f.Expect(back.m_steps == m_transform.m_steps && back.m_startFreq == m_transform.m_startFreq &&
                 back.m_endFreq == m_transform.m_endFreq,
             "grid differs");
    f.Expect(backSource.m_sampleRate == m_source.m_sampleRate &&
                 backSource.m_startSample == m_source.m_startSample &&
                 backSource.m_endSample == m_source.m_endSample,
             "source differs");
    if (back.m_steps == m_transform.m_steps) {
        f.Expect(std::equal(back.m_values.get(), back.m_values.get() + back.m_steps + 1,
                            m_transform.m_values.get()),
                 "values differ");
        // An interval with more decimals than the lines show is found again to within the
        // rounding of their six decimals.
        for (std::int32_t j = 0; j <= back.m_steps; ++j) {
            if (!f.Expect(std::fabs(back.FrequencyAt(j) - m_transform.FrequencyAt(j)) <= 1e-6,
                          "frequency " + std::to_string(j) + " differs"))
                break;
        }
    }
    f.Expect(back.m_smoothedValid == m_transform.m_smoothedValid, "smoothing differs");
    return f.Text();
}

std::string CReadBack::Partials(const std::string& bytes, bool germanNames) {
    WriteFileBytes(Path("read.par"), bytes);
    m_ui.AnswerOpen(Path("read.par"));
    m_partials.m_germanNames = germanNames;
    m_code = m_partials.ReadPartialsFile(m_ui);
    CFaults f;
    if (m_code != CPartialData::kReadOk) {
        f.Expect(!m_partials.m_hasData && m_partials.m_count == 0, "a failed read left partials");
        return f.Text();
    }
    f.Expect(m_partials.m_hasData && m_partials.m_count > 0, "no partial after a read");
    if (!f.Expect(PartialTableFaults(m_partials).empty(), PartialTableFaults(m_partials)))
        return f.Text();

    const auto write = [this](const CPartialData& table) {
        m_ui.AnswerSave(Path("written.par"));
        return table.WritePartialsFile(m_ui, "bell") ? ReadFileBytes(Path("written.par"))
                                                     : std::string();
    };
    const std::string written = write(m_partials);
    if (!f.Expect(!written.empty(), "writing failed"))
        return f.Text();
    CPartialData back;
    back.m_germanNames = germanNames;
    back.m_aRef = m_partials.m_aRef;
    m_ui.AnswerOpen(Path("written.par"));
    const int code = back.ReadPartialsFile(m_ui);
    if (!f.Expect(code == CPartialData::kReadOk, "written file gives " + Describe(code)))
        return f.Text();
    f.Expect(back.m_nominal == m_partials.m_nominal, "nominal differs");
    f.Expect(back.m_count == m_partials.m_count, "row count differs");
    f.Expect(back.m_freq == m_partials.m_freq && back.m_splashAmp == m_partials.m_splashAmp &&
                 back.m_tailAmp == m_partials.m_tailAmp && back.m_attack == m_partials.m_attack &&
                 back.m_decay == m_partials.m_decay,
             "rows differ");
    f.Expect(back.m_cents == m_partials.m_cents &&
                 back.m_partialIndex == m_partials.m_partialIndex &&
                 back.m_note == m_partials.m_note,
             "cents, names or notes differ");
    f.Expect(write(back) == written, "written again, the file differs");
    return f.Text();
}
