#pragma once

#include "app/gui/PanelContext.h"

// The commands of the panel's "Waveform" group.
class CWaveformCommands {
  public:
    explicit CWaveformCommands(const PanelContext& context) : m_context(context) {}

    // Asks for a file and reads it; the details follow unless Analyse File runs. loaded,
    // when given, tells whether a waveform was read.
    PanelUpdate ReadWaveform(bool* loaded = nullptr);
    PanelUpdate WriteWaveform();
    // After the panel's sync: the view moves the panel's selection, which the waveform then
    // takes however the view was closed.
    PanelUpdate ViewWaveform();
    // After the panel's sync: plays the panel's range of the waveform.
    PanelUpdate PlayWaveform();
    // Records into the waveform, which the panel then shows whatever happened.
    PanelUpdate RecordWaveform();
    // Without a read first: the stretch works on the waveform's selection as it stands.
    // However it ends, the panel takes the new length, selection and frequency percentage
    // and the waveform counts as made here; a stretch done names it "Stretched".
    PanelUpdate IncreaseFreq();

  private:
    PanelContext m_context;
};
