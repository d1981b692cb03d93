#pragma once

#include <cstdint>
#include <string>

#include "app/AnalysisParams.h"
#include "partials/PartialData.h"
#include "transform/TransformData.h"
#include "transform/TransformFile.h"
#include "wave/WaveData.h"

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
    // Analyse File's naming step: the peak search over the transform held with the default
    // sensitivity and half-width, the partials named (the nominal from anywhere in the
    // panel's range) with their cents and notes. False, with the table unchanged, when the
    // transform cannot be searched.
    bool FindAndNamePartials();
    // Where the transform held comes from, for its file: the waveform's title, the panel's
    // sample rate and selection.
    TransformSource TransformOrigin() const;
};
