#pragma once

#include <QDialog>
#include <string>

#include "platform/gui/FieldExchange.h"

class CUiServices;
class CWaveData;
class QLineEdit;
class QPushButton;

// "Expand / Compress waveform": changes the pitch of the waveform by resampling it at its
// own rate. The stretch factor is typed, or calculated from a measured and a desired
// frequency or from a desired change in cents. Go stretches the waveform, names the panel's
// file title "Stretched" and ends with OK; a factor of exactly 1 or outside 0.67 .. 1.5 is
// refused and the dialog stays open. Cancel changes nothing.
class CStretchDlg : public QDialog {
    Q_OBJECT
  public:
    // The measured and desired frequencies start at nominal, or at 440 Hz without one.
    CStretchDlg(CWaveData& wave, double nominal, std::string& fileTitle, CUiServices& ui,
                QWidget* parent = nullptr);

    void OnCalcFromFreq();
    void OnCalcFromCents();
    void OnGo();

  private:
    void BuildControls();

    CWaveData& m_wave;
    std::string& m_fileTitle;
    CUiServices& m_ui;
    CFieldExchange m_fields;
    double m_measured;
    double m_desired;
    double m_cents = 0.0;
    double m_factor = 1.0;
    QLineEdit* m_measuredEdit = nullptr;
    QLineEdit* m_desiredEdit = nullptr;
    QLineEdit* m_centsEdit = nullptr;
    QLineEdit* m_factorEdit = nullptr;
};
