#pragma once

#include "app/gui/PanelContext.h"

// The commands of the panel's "Partials" group.
class CPartialsCommands {
  public:
    explicit CPartialsCommands(const PanelContext& context) : m_context(context) {}

    // After the sync: the editor works on the partial table in place.
    PanelUpdate EditPartials();
    // After the sync: builds a waveform from the table; the panel then shows whatever the
    // store holds, the new waveform or, after a cancel, none.
    PanelUpdate CreateWaveform();
    PanelUpdate ReadPartials();
    PanelUpdate WritePartials();
    // After the sync: the decay analysis of the panel's selection for the partial table.
    PanelUpdate FindDecays();
    // A pitch reference radio: renames the notes; the cents stay.
    PanelUpdate SetPitchReference(double aRef);
    // After the panel was read: the note-name choice goes to the partial table.
    PanelUpdate ApplyGermanNames();

  private:
    PanelContext m_context;
};
