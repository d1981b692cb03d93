#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "wave/WaveFormat.h"

class CUiServices;

// The one waveform the program works on: 16-bit mono samples at the file's rate, the
// format they came with, the file they came from, the selected region and a state.
class CWaveData {
  public:
    // Result codes of reading; WaveResultText gives their texts.
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

    // Asks for a file and reads it into the store. formatCopy receives the format and data
    // size as found in the file, before any conversion.
    std::int16_t ReadWaveFile(CUiServices& ui, WaveFormatCopy& formatCopy);
    // Asks for a file name and writes the store as a 16-bit mono ".wav". A cancelled dialog
    // counts as success.
    bool WriteWaveFile(CUiServices& ui);
    // The 48-byte header and the samples. False when the file could not take every byte.
    bool WriteWav(std::FILE* file) const;

    std::int16_t ParseWav(std::FILE* file);
    std::int16_t ScanMp3(std::FILE* file);
    std::int16_t DecodeSamples(std::FILE* file);

    std::int16_t* AllocSamples(std::int32_t count);
    void CreateEmpty(std::int32_t samplesPerSec, std::int32_t count, std::int32_t bits);

    std::string GetFileName() const;
    std::string GetFileTitle() const;
    std::string GetFileExt() const;

    std::int32_t FindOnset() const;

    struct ChunkHeader {
        char id[4];
        std::uint32_t size;
    };
    static bool FindChunk(std::FILE* file, const char* id, ChunkHeader& header);
    static void CopyFormat(const WaveFormat& source, WaveFormat& destination);
    static const char* WaveResultText(int code);
};
