#pragma once

#include <functional>

#include "app/AnalysisDoc.h"
#include "platform/DeviceServices.h"

class CUiServices;
class QWidget;

// What the commands of a panel group work with: the document, the desktop's services, the
// sound devices and decoder, the window their dialogs belong to, and a way to show the panel while
// a command still runs (so that the steps a transform is about to compute stand on the panel behind
// its progress).
struct PanelContext {
    CAnalysisDoc& m_doc;
    CUiServices& m_ui;
    DeviceServices m_devices;
    QWidget* m_window;
    std::function<void()> m_showPanel;
};
