#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "wave/WaveFormat.h"

// The one waveform the program works on: 16-bit mono samples at the file's rate, the
// format they came with, the file they came from, the selected region and a state. Reading
// and writing files live in WavFile and CompressedInput.
class CWaveData {
  public:
    // Result codes of reading (ReadWaveFile); WaveResultText gives their texts.
    enum ReadResult : std::int16_t {
        kReadOk = 0,
        kOpenFailed = 1,
        kNotWave = 2,
        kNoData = 3,
        kNoRiff = 4,
        kBadFmt = 5,
        kFormatNotSupported = 6,
        kConversionError = 7,
        kConversionImpossible = 8,
        kNotMp3 = 9,
        kNoFileSelected = 10,
        kTooLong = 11,
        // An MP3 file that the installed decoding library has no codec for: told apart
        // from a damaged file, so the user knows what to install.
        kNoMp3Decoder = 12,
    };

    // m_state values.
    static constexpr std::int32_t kNoWaveform = 0;
    static constexpr std::int32_t kFromFile = 1;
    static constexpr std::int32_t kMadeHere = 2;

    CWaveData() = default;

    WaveFormat m_format;
    std::uint32_t m_dataBytes = 0;
    std::string m_fileName = "No file loaded";
    std::int32_t m_selStart = 0;
    std::int32_t m_selEnd = 0;
    std::int32_t m_sampleCount = 0;
    double m_freqPercent = 100.0;
    std::unique_ptr<std::int16_t[]> m_samples;
    std::int32_t m_state = kNoWaveform;

    std::int16_t* AllocSamples(std::int32_t count);
    // A new waveform of count silent samples, selected whole, named "No file loaded"; the
    // caller sets the state. False, with the store as it was, when the samples cannot be had.
    bool CreateEmpty(std::int32_t samplesPerSec, std::int32_t count, std::int32_t bits);
    // No waveform at all: no samples, no format, no selection, state kNoWaveform.
    void Empty();

    // Resamples the waveform by factor (> 0) at the same rate, so that every frequency is
    // multiplied and the length divided by it: new sample i interpolates linearly at old
    // position factor * i, the last old sample standing in for the one beyond it. The
    // frequency percentage takes the factor, the selection is kept within the new length and
    // the name becomes "Stretched". False, with the store as it was, when the new length
    // does not fit 32 bits or its samples cannot be had.
    bool Stretch(double factor);

    std::string GetFileName() const;
    std::string GetFileTitle() const;
    std::string GetFileExt() const;

    std::int32_t FindOnset() const;

    static void CopyFormat(const WaveFormat& source, WaveFormat& destination);
    static const char* WaveResultText(int code);
};
