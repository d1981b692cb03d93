#pragma once

#include <cstdint>
#include <string>

#include "partials/NoteNaming.h"
#include "synth/SynthesisSettings.h"
#include "transform/TransformRequest.h"

// The panel's values, handed by reference to the dialogs the panel opens. It is built of
// the records the engines take themselves: the transform request (frequency grid, selection
// and sample rate, whose sample range is also the selection the waveform view moves), the
// note naming and the settings of Create Waveform.
struct AnalysisParams : TransformRequest, NoteNaming, SynthesisSettings {
    std::string m_fileTitle = "No file loaded";
    std::int32_t m_numSamples = 0;
    double m_nominal = 0.0;
    bool m_writeInCents = false;
    bool m_playSelectedOnly = false;

    // The panel's opening range, 0 to 5000 Hz by 0.5 Hz: 10000 steps.
    AnalysisParams() {
        m_startFreq = 0.0;
        m_endFreq = 5000.0;
        m_interval = 0.5;
        RecomputeSteps();
    }
};
