#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "partials/NoteNaming.h"

class CTransformData;
class CUiServices;

// The partial table: up to 25 partials of one bell sound in increasing order of frequency,
// each with the amplitudes and envelope times that synthesis uses, its interval from the
// nominal in cents, a partial name and a note text; beside them the nominal, a noise row,
// the pitch reference and the choice of note names.
//
// Rows 0 .. m_count - 1 hold strictly increasing, non-zero frequencies. The Edit Partials
// dialog writes the 25 rows in place and may break that order until it calls Rebuild.
class CPartialData : public NoteNaming {
  public:
    static constexpr int kMaxPartials = 25;
    static constexpr int kNameCount = 13;

    // Indices into m_partialNames.
    static constexpr std::int16_t kHum = 0;
    static constexpr std::int16_t kPrime = 1;
    static constexpr std::int16_t kTierce = 2;
    static constexpr std::int16_t kNominal = 3;
    static constexpr std::int16_t kSuperquint = 4;
    static constexpr std::int16_t kOctaveNominal = 5;
    static constexpr std::int16_t kQuint = 6;
    static constexpr std::int16_t kUnnamed = 7;
    static constexpr std::int16_t kI7 = 8;

    // The peak search's defaults: a turning point passes when the mean around it is below
    // this many times the value just before it, with windows of this many values a side.
    static constexpr double kPeakSensitivity = 1.25;
    static constexpr std::int32_t kPeakHalfWidth = 46;
    // The fewest intervals a transform needs for the peak search.
    static constexpr std::int32_t kMinSearchSteps = 200;

    // Result codes of ReadPartialsFile and ParsePartials; ReadResultText gives their texts.
    enum ReadResult : std::int16_t {
        kReadOk = 0,
        kOpenFailed = 1,
        kNoFileSelected = 2,
        kNotPartialsFile = 3,
        kFormatError = 4,
        kNoNominal = 5,
    };

    // One upper partial I7 .. I11: its interval above the nominal, in cents, is predicted
    // from the octave nominal's interval as octaveCents * slope + offset, and it is looked
    // for within +- halfWidth cents of that.
    struct UpperRule {
        double slope;
        double offset;
        double halfWidth;
        double nameIndex;
    };

    CPartialData();

    double m_nominal = 0.0;  // Hz; 0 means none
    std::array<double, kMaxPartials> m_freq{};
    std::array<double, kMaxPartials> m_splashAmp{};
    std::array<double, kMaxPartials> m_tailAmp{};
    std::array<double, kMaxPartials> m_attack{};
    std::array<double, kMaxPartials> m_decay{};
    std::array<double, kMaxPartials> m_cents{};
    std::array<std::int16_t, kMaxPartials> m_partialIndex{};
    std::array<std::string, kMaxPartials> m_note;
    std::array<std::string, kNameCount> m_partialNames;
    bool m_hasData = false;
    double m_noiseSplashAmp = 0.0;
    double m_noiseTailAmp = 0.0;
    double m_noiseAttack = 0.0;
    double m_noiseDecay = 0.0;
    std::int16_t m_count = 0;
    std::array<UpperRule, 5> m_upperRules;

    // Empties every row, the noise row and the nominal; keeps the pitch reference and the
    // note-name choice.
    void Clear();
    void ResetPartialIndices();
    // Inserts one partial in frequency order (absolute values are taken). A zero, repeated
    // or non-finite frequency changes nothing. When the table is full the new partial
    // replaces the row with the smallest tail amplitude if it is stronger, else it is dropped.
    void AddPartial(double freq, double splashAmp, double tailAmp, double attack, double decay,
                    std::int16_t partialIndex);
    // A row in use with lo <= frequency < hi.
    bool HasPartialIn(double lo, double hi) const;
    // Removes every row in use with lo <= frequency <= hi, then rebuilds.
    void DeleteRange(double lo, double hi);
    // Takes all 25 rows as they stand (edited or not) and puts them back in frequency
    // order without zero and repeated frequencies; recomputes cents and notes.
    void Rebuild();
    void UpdateNotes();
    // Notes, then cents from the nominal (cents are left alone while there is no nominal).
    void UpdateCentsAndNotes();

    // The note text of freq with this table's pitch reference.
    std::string NoteName(double freq, bool germanNames) const;
    // The partial name of a row; an index outside the name table reads as unnamed.
    const std::string& PartialName(int row) const;

    // Peak search over a transform's smoothed values: empties the table and fills it with
    // unnamed partials. False, with the table unchanged, when the transform has no smoothed
    // values, fewer than 200 steps, or is too short for the window of halfWidth values.
    bool FindPartials(const CTransformData& transform, double sensitivity, std::int32_t halfWidth);
    // Names the partials in use and returns the nominal it settled on (0 when none). With
    // restrict, only a nominal within lo .. hi is considered. Sets only m_partialIndex.
    double Classify(bool restrict, double lo, double hi);
    // The row in use with lo <= frequency <= hi and the greatest tail amplitude (the lowest
    // row among equals); -1 when there is none or that amplitude is not above 0.
    std::int16_t StrongestIn(double lo, double hi) const;

    // Asks for a partials file and reads it into the table.
    ReadResult ReadPartialsFile(CUiServices& ui);
    // Every number is taken to the six decimals the file holds, so writing the table and
    // reading it again gives it back unchanged. A nominal too large for the file's second
    // line (about 1e23 Hz and above) is a format error.
    ReadResult ParsePartials(std::FILE* file);
    static const char* ReadResultText(int code);
    // Asks for a file name (proposing title) and writes the table. A cancelled dialog counts
    // as success; false when the file could not be created or not every line was written,
    // and, without asking, when the nominal is too large for the file to be read back.
    bool WritePartialsFile(CUiServices& ui, const std::string& title) const;
    // Writes the whole file; false when a write failed or, with nothing written, when the
    // nominal is too large for the file.
    bool FormatPartials(std::FILE* file, const std::string& title) const;
};

// The pitch reference as the files and the Edit Partials dialog show it: "A=440.0".
std::string PitchReferenceText(double aRef);
