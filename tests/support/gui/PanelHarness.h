#pragma once

#include "app/gui/MainDlg.h"
#include "support/ScriptedDevices.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"

// What a panel test starts from: the control panel, shown, on scripted desktop services and
// simulated devices, with a folder of its own for the files the test writes and reads.
struct CPanelHarness {
    CScriptedUiServices m_ui;
    CScriptedDevices m_devices;
    CTempDir m_dir;
    CMainDlg m_panel{m_ui, m_devices.Services(), VersionStrings{}};

    CPanelHarness() { m_panel.show(); }
    CAnalysisDoc& Doc() { return m_panel.Document(); }
};
