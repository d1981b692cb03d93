#pragma once

#include <QDialog>
#include <QTimer>

#include "audio/SoundOut.h"

class CUiServices;
class CWaveData;
class QProgressBar;

// "Play Waveform": plays the waveform, or its selection, as soon as it is shown, with a
// progress bar and Cancel, and closes itself on the first tick after the sound has ended.
// Cancel, Escape and the close box only ask for a stop, which that tick carries out.
class CPlayDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 500;

    // The waveform's samples must stay as they are while the dialog is open.
    CPlayDlg(const CWaveData& wave, const PlayRequest& request, CSoundOutput& device,
             CUiServices& ui, QWidget* parent = nullptr);

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Start();
    void OnTick();

    const CWaveData& m_wave;
    const PlayRequest m_request;
    CUiServices& m_ui;
    CSoundOut m_engine;
    QProgressBar* m_progress;
    QTimer m_timer;
    bool m_shown = false;
};
