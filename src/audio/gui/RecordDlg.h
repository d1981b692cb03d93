#pragma once

#include <QDialog>

#include "audio/SoundIn.h"
#include "platform/gui/FieldExchange.h"

class CUiServices;
class CWaveData;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

// "Recording . . .": keeps the input device running from the moment it is shown until Exit,
// with a level meter and an overload indicator, and records a waveform of the chosen length
// into the store, at once or when the level passes the trigger threshold. Escape and the
// close box abandon a wait or a recording but leave the dialog open; only Exit closes it.
class CRecordDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr double kMaxSeconds = 20.0;

    CRecordDlg(CWaveData& wave, CSoundInput& device, CUiServices& ui, QWidget* parent = nullptr);
    // The device is released before anything of the dialog goes.
    ~CRecordDlg() override;

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void Start();
    void OnStartRecord();
    void OnExit();
    void OnNotification(CSoundIn::Notification notification);
    void OnRecordingComplete();
    void OnLevelUpdate();
    void SetButtons();
    void ShowProgress();

    CWaveData& m_wave;
    CUiServices& m_ui;
    CSoundIn m_engine;
    CFieldExchange m_fields;
    bool m_wait = true;
    double m_length = 10.0;
    bool m_shown = false;
    bool m_exited = false;  // after Exit, reports still on their way are dropped

    QCheckBox* m_waitCheck = nullptr;
    QSlider* m_threshold = nullptr;
    QProgressBar* m_volume = nullptr;
    QCheckBox* m_overload = nullptr;
    QLineEdit* m_lengthEdit = nullptr;
    QLineEdit* m_statusEdit = nullptr;
    QLineEdit* m_samplesEdit = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_exitButton = nullptr;
};
