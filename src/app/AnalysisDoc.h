#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/AnalysisParams.h"
#include "partials/PartialData.h"
#include "transform/TransformData.h"
#include "transform/TransformFile.h"
#include "wave/WaveData.h"

class CSoundDecoder;
class CUiServices;

// Which of the panel's state-dependent buttons can be used; the others always can.
struct PanelButtons {
    bool m_writeWaveform = false;
    bool m_viewWaveform = false;
    bool m_playWaveform = false;
    bool m_increaseFreq = false;
    bool m_doTransform = false;
    bool m_writeTransform = false;
    bool m_viewTransform = false;
    bool m_writePartials = false;
    bool m_createWaveform = false;
    bool m_findDecays = false;

    bool operator==(const PanelButtons&) const = default;
};

// A command that runs right after another, with its own cycle.
enum class PanelFollowUp : std::uint8_t { kNone, kViewTransform };

// What a command asks of the panel once it has run, in this order: copy the store's values
// into the panel's, show the panel, apply the button rule, then run the follow-up.
struct PanelUpdate {
    bool m_copyStoreValues = false;
    bool m_show = false;
    bool m_refreshButtons = false;
    PanelFollowUp m_then = PanelFollowUp::kNone;
};

// The commands Analyse File chains, as its caller runs them: the panel with its dialogs and
// its own read of the fields before each, the analyser of whole folders without.
struct AnalyseFileSteps {
    std::function<bool()> m_readWaveform;   // Read Waveform; true when a file was read
    std::function<void()> m_doTransform;    // Do Transform
    std::function<void()> m_viewTransform;  // View Tr. / Get Part.
};

// Everything one run of the program works on: the waveform, the transforms, the partial
// table and the panel's values, with the rules that tie them together. The panel shows it
// and its commands change it; nothing here knows of windows.
class CAnalysisDoc {
  public:
    CAnalysisDoc() = default;
    CAnalysisDoc(const CAnalysisDoc&) = delete;
    CAnalysisDoc& operator=(const CAnalysisDoc&) = delete;

    CWaveData m_wave;
    CTransformData m_transforms;
    CPartialData m_partials;
    AnalysisParams m_params;
    std::int32_t m_freqIncrease = 100;              // "Freq. incr. (%)"
    std::string m_fileNameText = "No file loaded";  // "Filename:"
    bool m_analysing = false;                       // Analyse File runs its pipeline

    // After the panel was read: its selection goes to the waveform, its note-name choice
    // to the partial table.
    void Sync();
    // The waveform's count, selection, rate and names into the panel's values; the
    // frequency percentage truncated to a whole number and then to 16 bits (105.9 is 105).
    void CopyStoreValues();
    // What a stretch changes, into the panel's values: the count, the selection and the
    // frequency percentage.
    void CopyStretchedValues();
    // The button rule.
    PanelButtons Buttons() const;
    // "Nominal note": the panel's nominal named with the panel's note-name choice.
    std::string NominalNote() const;
    // Read Waveform: asks for a file and reads it with decoder. A waveform read is taken
    // into the panel's values; a failure is told the user and leaves them as they were.
    // formatCopy receives the format as found in the file, for the details.
    bool ReadWaveform(CUiServices& ui, CSoundDecoder& decoder, WaveFormatCopy& formatCopy);
    // Do Transform's checks of the panel's values against the waveform. When they pass, the
    // steps and the sample rate become the checked ones (the samples are the waveform's:
    // after a transform file was read the panel may show that file's rate, which would put
    // every value at the wrong frequency); otherwise nothing changes ("Bad transform
    // parameters!").
    bool CheckTransform();
    // Discards the transform held and makes room for one on the panel's grid.
    bool AllocateTransform();
    // Computes the transform made room for from the waveform's samples on the calling
    // thread, for a caller without a progress dialog. True when it is complete: it is then
    // valid, with its maximum and smoothed copy.
    bool ComputeTransform();
    // Analyse File's naming step: the peak search over the transform held with the default
    // sensitivity and half-width, the partials named (the nominal from anywhere in the
    // panel's range) with their cents and notes. False, with the table unchanged, when the
    // transform cannot be searched.
    bool FindAndNamePartials();
    // After the transform view: the panel's nominal is the table's, and the table's cents
    // and notes count from it.
    void TakeTableNominal();
    // Analyse File: reads a file and, when it was read from a file, computes its transform
    // on the panel's grid and names its partials. The transform held before goes as soon
    // as the file is read, so a refused transform leaves none on offer.
    void AnalyseFile(const AnalyseFileSteps& steps);
    // Write Transform: the transform held, in Hz or, with the panel's choice, in cents from
    // the table's nominal; a failure is told the user.
    void WriteTransform(CUiServices& ui);
    // Write Partials: the table under the waveform's title; a failure is told the user.
    void WritePartials(CUiServices& ui);
    // Where the transform held comes from, for its file: the waveform's title, the panel's
    // sample rate and selection.
    TransformSource TransformOrigin() const;
};
