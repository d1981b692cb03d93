#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>

#include "app/AnalysisParams.h"
#include "partials/PartialData.h"
#include "platform/VersionInfo.h"
#include "platform/gui/FieldExchange.h"
#include "transform/TransformData.h"
#include "wave/WaveData.h"

class CUiServices;
class QGroupBox;

// "Waveform Analysis": the control panel. It owns the waveform, the transforms, the
// partials and the panel values for the whole run and starts every command.
class CMainDlg : public QDialog {
    Q_OBJECT
  public:
    CMainDlg(CUiServices& ui, const VersionStrings& version, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // The panel's state, open to the commands' dialogs and to tests.
    VersionStrings m_version;
    std::int32_t m_freqIncrease = 100;
    std::string m_fileNameText = "No file loaded";  // the "Filename:" field
    CWaveData m_wave;
    CTransformData m_transforms;
    CPartialData m_partials;
    bool m_analysing = false;
    AnalysisParams m_params;

    // The two directions of the exchange between the controls and the values above.
    bool ReadPanel();
    void ShowPanel();
    // The button-enabling rule.
    void RefreshButtons();

    // Commands.
    void OnReadWaveform();
    void OnWriteWaveform();
    void OnAnalyseFile();
    void OnViewWaveform();
    void OnDoTransform();
    void OnViewTransform();
    void OnReadTransform();
    void OnWriteTransform();
    void OnEditPartials();
    void OnReadPartials();
    void OnWritePartials();
    void OnExit();
    void OnAbout();
    void OnFrequencyEdited();
    void OnPitchReference(double aRef);
    void OnGermanNames();

    // Controls, by the panel's labels.
    QLineEdit* m_fileNameEdit;
    QLineEdit *m_numSamplesEdit, *m_sampleRateEdit, *m_startSampleEdit, *m_endSampleEdit,
        *m_freqIncreaseEdit;
    QLineEdit *m_startFreqEdit, *m_endFreqEdit, *m_intervalEdit, *m_stepsEdit;
    QLineEdit *m_nominalEdit, *m_nominalNoteEdit;
    QCheckBox *m_playSelectedCheck, *m_writeInCentsCheck, *m_germanNamesCheck;
    QRadioButton *m_a440Radio, *m_a435Radio, *m_a432Radio;
    QPushButton *m_analyseButton, *m_exitButton;
    QPushButton *m_playButton, *m_readWaveButton, *m_writeWaveButton, *m_recordButton,
        *m_viewWaveButton, *m_increaseFreqButton;
    QPushButton *m_doTransformButton, *m_viewTransformButton, *m_readTransformButton,
        *m_writeTransformButton;
    QPushButton *m_editPartialsButton, *m_findDecaysButton, *m_createWaveButton,
        *m_readPartialsButton, *m_writePartialsButton;
    QLabel *m_descriptionText, *m_companyText, *m_copyrightText, *m_versionText;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    QGroupBox* BuildApplicationGroup();
    QGroupBox* BuildWaveformGroup();
    QGroupBox* BuildTransformsGroup();
    QGroupBox* BuildPartialsGroup();
    // Read the panel, then hand the selection to the waveform and the note-name choice on.
    void Sync();
    void CopyStoreValues();
    bool ConfirmExit();

    CUiServices& m_ui;
    CFieldExchange m_exchange;
    std::string m_nominalNote;
};
