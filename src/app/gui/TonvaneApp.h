#pragma once

#include <memory>

#include "platform/DeviceServices.h"
#include "platform/VersionInfo.h"

class CMainDlg;
class CQtUiServices;

// The application object: reads the version strings, runs the control panel modally and
// ends the program when the panel closes. A QApplication must exist before Run(); the
// devices must outlive the application.
class CTonvaneApp {
  public:
    explicit CTonvaneApp(const DeviceServices& devices,
                         const VersionRecord* record = ProgramVersionRecord());
    ~CTonvaneApp();

    // Reads the four version strings; they stay empty when the program carries no record.
    void InitInstance();
    // Creates the panel (kept by the application) without running it.
    CMainDlg& CreatePanel();
    // Shows the panel modally; returns when it has ended.
    int Run();

    std::string m_description;
    std::string m_company;
    std::string m_productVersion;
    std::string m_legalNotice;

  private:
    DeviceServices m_devices;
    const VersionRecord* m_record;
    std::unique_ptr<CQtUiServices> m_ui;
    std::unique_ptr<CMainDlg> m_panel;
};
