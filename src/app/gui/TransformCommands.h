#pragma once

#include "app/gui/PanelContext.h"

// The commands of the panel's "Transforms" group.
class CTransformCommands {
  public:
    explicit CTransformCommands(const PanelContext& context) : m_context(context) {}

    // After the sync: checks the panel's values against the waveform, computes the
    // transform behind its progress dialog and, unless Analyse File runs, opens the view.
    PanelUpdate DoTransform();
    // After the sync: the transform view on the transform and the partial table.
    PanelUpdate ViewTransform();
    PanelUpdate ReadTransform();
    // After the panel was read: writes in Hz or in cents from the nominal.
    PanelUpdate WriteTransform();

  private:
    PanelContext m_context;
};
