#include "app/gui/TonvaneApp.h"

#include "app/gui/MainDlg.h"
#include "platform/gui/QtUiServices.h"

CTonvaneApp::CTonvaneApp(const DeviceServices& devices, const VersionRecord* record)
    : m_devices(devices), m_record(record) {}

CTonvaneApp::~CTonvaneApp() = default;

void CTonvaneApp::InitInstance() {
    const VersionStrings strings = ReadVersionStrings(m_record);
    m_description = strings.description;
    m_company = strings.company;
    m_productVersion = strings.productVersion;
    m_legalNotice = strings.legalNotice;
}

CMainDlg& CTonvaneApp::CreatePanel() {
    m_ui = std::make_unique<CQtUiServices>();
    m_panel = std::make_unique<CMainDlg>(
        *m_ui, m_devices,
        VersionStrings{m_description, m_company, m_productVersion, m_legalNotice});
    m_ui->SetParent(m_panel.get());
    return *m_panel;
}

int CTonvaneApp::Run() {
    InitInstance();
    CMainDlg& panel = CreatePanel();
    panel.exec();
    // Destroying the panel releases the waveform, the transforms and the partials.
    m_panel.reset();
    return 0;
}
