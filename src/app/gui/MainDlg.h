#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "app/AnalysisDoc.h"
#include "app/gui/PartialsCommands.h"
#include "app/gui/TransformCommands.h"
#include "app/gui/WaveformCommands.h"
#include "platform/DeviceServices.h"
#include "platform/VersionInfo.h"
#include "platform/gui/FieldExchange.h"

class CUiServices;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Waveform Analysis": the control panel. It shows the document (the waveform, the
// transforms, the partials and the panel's values, for the whole run) in its fields and
// starts every command. Each command runs in one cycle: read the panel (and, for most,
// hand the selection and the note-name choice on), act, then copy back, show the panel and
// apply the button rule as the command asks.
class CMainDlg : public QDialog {
    Q_OBJECT
  public:
    CMainDlg(CUiServices& ui, const DeviceServices& devices, const VersionStrings& version,
             QWidget* parent = nullptr);
    ~CMainDlg() override;

    CAnalysisDoc& Document() { return m_doc; }
    const CAnalysisDoc& Document() const { return m_doc; }

    // Escape and the close box ask before ending, as EXIT does.
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // What a command needs done before it runs.
    enum class Before { kNothing, kRead, kSync };

    void BuildControls();
    QGroupBox* BuildApplicationGroup();
    QGroupBox* BuildWaveformGroup();
    QGroupBox* BuildTransformsGroup();
    QGroupBox* BuildPartialsGroup();
    void BindExchange();
    QPushButton* AddCommand(QWidget* group, const QString& text, Before before,
                            std::function<PanelUpdate()> command);

    bool ReadPanel();
    void ShowPanel();
    void RefreshButtons();
    void Run(Before before, const std::function<PanelUpdate()>& command);

    void OnAnalyseFile();
    void OnExit();
    void OnAbout();
    void OnFrequencyChanged();
    void OnGermanNamesChanged();
    bool ConfirmExit();

    CUiServices& m_ui;
    VersionStrings m_version;
    CAnalysisDoc m_doc;
    CFieldExchange m_exchange;
    std::string m_nominalNote;
    // Set while the panel writes its own fields, whose change signals are then not the
    // user's.
    bool m_showing = false;

    CWaveformCommands m_waveform;
    CTransformCommands m_transform;
    CPartialsCommands m_partials;

    QLineEdit* m_fileNameEdit = nullptr;
    QLineEdit *m_numSamplesEdit = nullptr, *m_sampleRateEdit = nullptr,
              *m_startSampleEdit = nullptr, *m_endSampleEdit = nullptr,
              *m_freqIncreaseEdit = nullptr;
    QLineEdit *m_startFreqEdit = nullptr, *m_endFreqEdit = nullptr, *m_intervalEdit = nullptr,
              *m_stepsEdit = nullptr;
    QLineEdit *m_nominalEdit = nullptr, *m_nominalNoteEdit = nullptr;
    QCheckBox *m_playSelectedCheck = nullptr, *m_writeInCentsCheck = nullptr,
              *m_germanNamesCheck = nullptr;
    QRadioButton *m_a440Radio = nullptr, *m_a435Radio = nullptr, *m_a432Radio = nullptr;
    QPushButton *m_playButton = nullptr, *m_writeWaveButton = nullptr, *m_viewWaveButton = nullptr,
                *m_increaseFreqButton = nullptr, *m_doTransformButton = nullptr,
                *m_viewTransformButton = nullptr, *m_writeTransformButton = nullptr,
                *m_findDecaysButton = nullptr, *m_createWaveButton = nullptr,
                *m_writePartialsButton = nullptr;
};
