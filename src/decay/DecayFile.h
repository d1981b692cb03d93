#pragma once

#include <cstdint>
#include <string>

#include "decay/DecayAnalysis.h"

class CUiServices;

inline constexpr const char* kDecayFileFilter = "Partial decays (.dec)|*.dec|";
inline constexpr const char* kDecayFileExt = "dec";

// What a decays file tells besides the peak table: the waveform's file title and sample
// rate, and the dialog's fields as Go accepted them.
struct DecayFileHeader {
    std::string m_fileTitle;
    std::int32_t m_sampleRate = 0;
    DecaySettings m_settings;
};

enum class DecayWriteResult : std::uint8_t { kWritten, kCancelled, kFailed };

// The whole file: four header lines, the intervals, one line per partial with its frequency
// and its peak in every run, and an empty line; CR LF line ends, six decimals, and every
// field of the table followed by ", ", so a spreadsheet reads it as a grid.
std::string FormatDecayFile(const CDecayAnalysis& analysis, const DecayFileHeader& header);

// Asks for a file name (proposing the waveform's file title) and writes the complete
// analysis. Failed, without asking, while the analysis is not complete; failed as well when
// the file cannot be created or not all of it reaches the disk.
DecayWriteResult WriteDecayFile(CUiServices& ui, const CDecayAnalysis& analysis,
                                const DecayFileHeader& header);
