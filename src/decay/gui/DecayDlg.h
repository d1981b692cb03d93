#pragma once

#include <QDialog>
#include <memory>

#include "decay/DecayAnalysis.h"
#include "decay/DecayFile.h"
#include "platform/gui/FieldExchange.h"

class CJobPoller;
class CPartialData;
class CUiServices;
class QGridLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Calculate Partials Decay": takes the five settings, checks them, runs the seventeen
// transforms of the decay analysis over the panel's selection with a progress bar and
// Cancel, and writes the peak table to a decays file. One dialog runs one analysis.
class CDecayDlg : public QDialog {
    Q_OBJECT
  public:
    enum class State { kIdle, kRunning, kStopping, kComplete };

    CDecayDlg(const CPartialData& partials, DecaySource source, CUiServices& ui,
              QWidget* parent = nullptr);
    ~CDecayDlg() override;

    State GetState() const { return m_state; }
    CDecayAnalysis& Analysis() { return m_analysis; }
    const CDecayAnalysis& Analysis() const { return m_analysis; }

    // Cancel, Escape and the close box: before Go and once complete they close the dialog;
    // while the runs go on they only ask them to stop, and the dialog closes when they have.
    void reject() override;

  private:
    // The number of samples the fields are checked against.
    std::int32_t SampleCount() const;
    void BuildControls();
    QLineEdit* AddField(QGridLayout* grid, int row, const QString& label);
    void UpdateButtons();
    void OnGo();
    void OnRunFinished();
    void OnWrite();

    const CPartialData& m_partials;
    DecaySource m_source;
    CUiServices& m_ui;
    DecaySettings m_settings;
    DecayFileHeader m_header;
    CFieldExchange m_fields;
    State m_state = State::kIdle;
    // Declared before the poller, which stops and waits for a run when it goes first.
    CDecayAnalysis m_analysis;

    QLineEdit *m_startEdit = nullptr, *m_endEdit = nullptr, *m_splashEdit = nullptr,
              *m_tailEdit = nullptr, *m_stepEdit = nullptr;
    QPushButton *m_goButton = nullptr, *m_writeButton = nullptr, *m_exitButton = nullptr,
                *m_cancelButton = nullptr;
    QProgressBar* m_progressBar = nullptr;
    std::unique_ptr<CJobPoller> m_poller;
};
