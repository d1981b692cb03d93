#pragma once

#include <QDialog>
#include <memory>

#include "platform/gui/FieldExchange.h"
#include "synth/SynthesisJob.h"

class CJobPoller;
class CUiServices;
class CWaveData;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

// "Create Waveform": builds a bell's sound from the partial table into the waveform store.
// Go reads the settings (kept in settings for the next opening), checks them and starts the
// synthesis on a worker thread while the progress bar follows it. The dialog ends with OK
// once the store holds the new waveform ("Modified"), and with Cancel when the user stopped
// the synthesis (the store is then empty) or closed the dialog before Go (nothing changed).
// While a synthesis runs, Cancel, Escape and the close box only ask it to stop; every other
// control stays disabled until the worker has been seen to end.
class CCreateWaveDlg : public QDialog {
    Q_OBJECT
  public:
    CCreateWaveDlg(CWaveData& wave, const CPartialData& partials, SynthesisSettings& settings,
                   CUiServices& ui, QWidget* parent = nullptr);
    ~CCreateWaveDlg() override;

    void OnGo();
    void reject() override;

    // A synthesis started and not yet seen to end.
    bool IsRunning() const;

  private:
    void BuildControls();
    void ShowFields();
    void ApplyEnabling();
    void OnFinished();

    SynthesisSettings& m_settings;
    CUiServices& m_ui;
    SynthesisJob m_job;
    CFieldExchange m_fields;
    QComboBox* m_rateList = nullptr;
    QLineEdit* m_numSamplesEdit = nullptr;
    QLineEdit* m_splashDecayEdit = nullptr;
    QSlider* m_volumeSlider = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_goButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    // Declared after the job, so it goes first: a synthesis still running when the dialog
    // goes away is stopped and waited for while the job is still there.
    std::unique_ptr<CJobPoller> m_poller;
};
